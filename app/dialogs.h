// What the window asks of the desktop, behind one seam so that tests can
// answer the dialogs, record what would be opened and shorten the pauses.
#pragma once

#include <optional>

#include <QList>
#include <QString>

class QDialog;
class QFileDialog;
class QMessageBox;
class QObject;
class QWidget;

// What to do with a KML that is there already, when several logs are converted.
enum class ReplaceAnswer { Replace, Skip, ReplaceAll, SkipAll };

// One line of the list shown after several logs: the log, its document and
// what became of it (the placemarks, or the reason).
struct RunResult {
    QString log;
    QString document;
    QString result;
    bool converted = false;
};

class WindowDialogs {
  public:
    virtual ~WindowDialogs() = default;

    // The chosen file's full path; nothing when the user cancelled.
    virtual std::optional<QString> ChooseFile(QFileDialog &dialog) = 0;
    // A box with OK only; returns when it is closed.
    virtual void ShowMessage(QWidget *parent, const QString &text) = 0;
    // True for OK; Cancel and closing the box are false.
    virtual bool AskOkCancel(QWidget *parent, const QString &caption, const QString &text) = 0;
    // Whether to quit: true for Quit, false for Cancel, which is the default
    // and what closing the box means.
    virtual bool AskToQuit(QWidget *parent, const QString &caption, const QString &text) = 0;
    // Asked once per existing KML; closing the box is Skip.
    virtual ReplaceAnswer AskReplace(QWidget *parent, const QString &text) = 0;
    // The results of several logs, at the end of their run.
    virtual void ShowResults(QWidget *parent, const QList<RunResult> &results) = 0;
    // A message that offers one more step, on a button named `action`; true
    // when the user takes it, false for Close.
    virtual bool Offer(QWidget *parent, const QString &text, const QString &action) = 0;
    // False when no program could be started to show it.
    virtual bool OpenFolder(const QString &folder) = 0;
    // The desktop's program for the file: a KML viewer, the web browser.
    // False when none could be started.
    virtual bool OpenDocument(const QString &path) = 0;
    // The file browser with the file selected where the desktop offers that,
    // else its folder; false when no file browser could be started.
    virtual bool ShowInFolder(const QString &path) = 0;
    // How long a pause of the described sequence lasts; the window keeps
    // answering meanwhile.
    virtual int PauseLength(int milliseconds) { return milliseconds; }
    // Leaves the event loop with this status: main returns it, so everything
    // is torn down normally and the window gets no close event.
    virtual void EndProgram(int status) = 0;
};

// The real desktop: Qt's dialogs and message boxes, the desktop's URL opener.
class QtWindowDialogs : public WindowDialogs {
  public:
    std::optional<QString> ChooseFile(QFileDialog &dialog) override;
    void ShowMessage(QWidget *parent, const QString &text) override;
    bool AskOkCancel(QWidget *parent, const QString &caption, const QString &text) override;
    bool AskToQuit(QWidget *parent, const QString &caption, const QString &text) override;
    ReplaceAnswer AskReplace(QWidget *parent, const QString &text) override;
    void ShowResults(QWidget *parent, const QList<RunResult> &results) override;
    bool Offer(QWidget *parent, const QString &text, const QString &action) override;
    bool OpenFolder(const QString &folder) override;
    bool OpenDocument(const QString &path) override;
    bool ShowInFolder(const QString &path) override;
    void EndProgram(int status) override;
};

// The boxes as the real desktop shows them, for the screenshots too.
void SetUpMessageBox(QMessageBox &box, const QString &text);
void SetUpOfferBox(QMessageBox &box, const QString &text, const QString &action);

void SetUpResultsDialog(QDialog &dialog, const QList<RunResult> &results);

// The catalogues for the user's language: Qt's own and ours; the English one
// gives the singular and plural forms. Before any window is made.
void InstallTranslations(QObject *owner);
