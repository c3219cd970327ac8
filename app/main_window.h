// The one window: choose a log, see where its KML goes, pick the icon colour
// and the checksum option, convert, open the folder, leave. The conversion
// runs on a thread of its own; the window follows it with timers.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include <QString>
#include <QWidget>

#include "conversion/file_conversion.h"
#include "dialogs.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QThread;
class QTimer;

class TfrmMain : public QWidget {
    Q_OBJECT

  public:
    static constexpr int ClientWidth = 441;
    static constexpr int ClientHeight = 214;

    // The dialogs must outlive the window.
    explicit TfrmMain(WindowDialogs &dialogs, QWidget *parent = nullptr);
    // Stops a running conversion and waits for its thread.
    ~TfrmMain() override;

    // The colour table's index for the drop-down's text; -1 (Red) when it
    // names no colour.
    int ColourIndex() const;
    // What a confirmed Load... does with the chosen file; also for a dropped
    // file and the file named on the command line.
    void LoadFile(const QString &path);
    bool Converting() const { return phase_ != Phase::Idle; }

  public slots:
    void btnLoadClick();
    void btnExitClick();
    void btnGoClick();
    void cboColorChange(const QString &text);
    void Timer1Timer();
    void FormCreate();
    void btnViewClick();
    // Esc and the Cancel button: stops the conversion, keeps what was there.
    void btnCancelClick();

  protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

  private:
    enum class Phase { Idle, Opened, Reading };

    void SetStatus(const QString &text);
    void StartRun(const conversion::ConversionOptions &options, bool replaceExisting);
    void StartReading();
    void ShowProgress();
    void RunFinished(const conversion::ConversionOutcome &outcome);
    void ShowDone(const conversion::ConversionOutcome &outcome);
    void EndRun();
    // After a failed or cancelled run the window is ready for another try.
    void BackToReady(const QString &status);
    // Asks whether a running conversion may be stopped; stops it on yes.
    bool StopRunAsked();
    void StopRun();
    conversion::ConversionOptions ChosenOptions() const;

    WindowDialogs &dialogs_;
    QString sourcePath_; // the last file chosen with Load...
    QString targetPath_; // the KML beside it

    // The run in progress: what it converts, its thread and its counters.
    Phase phase_ = Phase::Idle;
    QString runSource_;
    QString runTarget_;
    bool runReplaces_ = false;
    conversion::ConversionOptions runOptions_;
    std::unique_ptr<conversion::FileConversion> job_;
    std::unique_ptr<QThread> worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<uint64_t> bytesRead_{0};
    qint64 sourceSize_ = 0;
    QTimer *openPause_;
    QTimer *donePause_;
    QTimer *progressPoll_;

    QGroupBox *gpbWorkspace;
    QGroupBox *gpbColor;
    QPushButton *btnGo;
    QPushButton *btnExit;
    QComboBox *cboColor;
    QLabel *lblColor;
    QLabel *lblSource;
    QLabel *lblTarget;
    QPushButton *btnLoad;
    QLabel *lblFile;
    QFileDialog *OpenDialog1;
    QStatusBar *StatusBar1;
    QLineEdit *edtFile;
    QTimer *Timer1;
    QPushButton *btnView;
    QCheckBox *chkChecksum;
    QPushButton *btnCancel;
    QProgressBar *prgProgress;
};
