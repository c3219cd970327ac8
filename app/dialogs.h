// What the window asks of the desktop, behind one seam so that tests can
// answer the dialogs, record what would be opened and shorten the pauses.
#pragma once

#include <optional>

#include <QString>

class QFileDialog;
class QWidget;

class WindowDialogs {
  public:
    virtual ~WindowDialogs() = default;

    // The chosen file's full path; nothing when the user cancelled.
    virtual std::optional<QString> ChooseFile(QFileDialog &dialog) = 0;
    // A box with OK only; returns when it is closed.
    virtual void ShowMessage(QWidget *parent, const QString &text) = 0;
    // True for OK; Cancel and closing the box are false.
    virtual bool AskOkCancel(QWidget *parent, const QString &caption, const QString &text) = 0;
    virtual void OpenFolder(const QString &folder) = 0;
    // Blocks the calling thread: the window neither repaints nor reacts
    // meanwhile; the caller decides when waiting events are handled.
    virtual void Pause(int milliseconds) = 0;
    // Leaves the event loop with this status at once: main returns it, so
    // everything is torn down normally and the window gets no close event.
    virtual void EndProgram(int status) = 0;
};

// The real desktop: Qt's dialogs and message boxes, the desktop's URL opener.
class QtWindowDialogs : public WindowDialogs {
  public:
    std::optional<QString> ChooseFile(QFileDialog &dialog) override;
    void ShowMessage(QWidget *parent, const QString &text) override;
    bool AskOkCancel(QWidget *parent, const QString &caption, const QString &text) override;
    void OpenFolder(const QString &folder) override;
    void Pause(int milliseconds) override;
    void EndProgram(int status) override;
};
