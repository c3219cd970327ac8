// The one window: choose a log (or several, or a folder), see where its KML
// goes, pick the icon colour and the checksum option, convert, open the
// folder, leave. The conversion runs on a thread of its own; the window
// follows it with timers. After a run the window grows a result panel on its
// right: the ground track, the summary and the ways on to the KML and the
// report. To the right, so that every control of the window keeps its place
// and the window its size while no result is shown; beside the controls, so
// that the result is there without another window or key.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include <QImage>
#include <QList>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "conversion/file_conversion.h"
#include "dialogs.h"
#include "report/log_report.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
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
    // What the window grows by while it shows a result.
    static constexpr int ResultWidth = 400;

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
    // Several logs, or folders whose logs are taken in name order: converted
    // one after the other by one Go. One log alone is LoadFile.
    void LoadFiles(const QStringList &paths);
    // The logs loaded last, the newest first.
    QStringList RecentLogs() const;
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
    // Down on Load..., or its context menu: the recent logs.
    void ShowRecentLogs();
    // The result panel's actions, on the log whose result it shows.
    void btnOpenKmlClick();
    void btnShowFolderClick();
    void btnOpenReportClick();

  protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    enum class Phase { Idle, Opened, Reading };

    // What the summary's pass over a converted log found: the reduced log
    // (for the report), its summary and its ground track drawn.
    struct Found {
        report::LogReport report;
        report::Summary summary;
        QImage track;           // the ground track drawn
        bool cancelled = false; // the pass was cancelled; the rest is empty
    };

    // One log of a run of several.
    struct BatchJob {
        QString log;
        QString target;
        bool replaces = false;
        QString skipped; // why it is not converted at all; empty when it is
        conversion::ConversionOutcome outcome;
        bool finished = false;
    };

    void SetStatus(const QString &text);
    void StartRun(const QString &source, const QString &target,
                  const conversion::ConversionOptions &options, bool replaceExisting);
    // Asks about the KMLs there already, then runs the logs one by one.
    void StartBatch();
    void NextBatchJob();
    void BatchFinished(const conversion::ConversionOutcome &outcome);
    void ShowBatchResults();
    QString BatchResult(const BatchJob &job) const;
    // Go stays the default only while no other button has the focus.
    void FollowFocus();
    void Remember(const QString &log);
    void StartReading();
    void ShowProgress();
    void RunFinished(const conversion::ConversionOutcome &outcome);
    void ShowDone(const conversion::ConversionOutcome &outcome);
    void EndRun();
    // After a failed or cancelled run the window is ready for another try.
    void BackToReady(const QString &status);
    // Asks whether a running conversion may be stopped; stops it on yes.
    bool StopRunAsked();
    // What quitting now does to the run, for the question.
    QString QuitConsequence() const;
    void StopRun();
    conversion::ConversionOptions ChosenOptions() const;
    // The result panel: shown for a log and its KML, or gone until the next result.
    void ShowFound(std::shared_ptr<const Found> found, const QString &log, const QString &kml);
    // Opens the report written, or says why it is not.
    void ReportWritten(const conversion::ConversionOutcome &written, const QString &page);
    void HideFound();

    WindowDialogs &dialogs_;
    QSettings settings_;
    QString dialogFolder_;  // where Load... opens, set only when it opens
    QStringList batchLogs_; // the logs of a run of several; empty for one log
    QList<BatchJob> batch_;
    int batchNext_ = 0;
    bool batchRunning_ = false;
    qint64 batchBytes_ = 0;     // all the logs together
    qint64 batchBytesDone_ = 0; // the logs finished
    bool asking_ = false;       // the quit question is open
    bool endedWhileAsked_ = false;
    conversion::ConversionOutcome lastOutcome_;
    int summarisedJob_ = -1; // the log of several whose result is shown: the last one run
    // The last run's summary pass, handed from the worker with its outcome.
    std::shared_ptr<const Found> arrived_;
    // The result shown, its log and KML.
    std::shared_ptr<const Found> found_;
    QString foundLog_;
    QString foundKml_;
    QString sourcePath_; // the last file chosen with Load...
    QString targetPath_; // the KML beside it

    // The run in progress: what it converts, its thread and its counters.
    Phase phase_ = Phase::Idle;
    QString runSource_;
    QString runTarget_;
    bool runReplaces_ = false;
    conversion::ConversionOptions runOptions_;
    bool runSummarised_ = false; // a summary pass follows the KML
    std::unique_ptr<conversion::FileConversion> job_;
    std::unique_ptr<QThread> worker_;
    std::unique_ptr<QThread> reportWriter_; // while Open report writes the page
    std::atomic<bool> cancel_{false};
    std::atomic<uint64_t> bytesRead_{0};
    std::atomic<uint64_t> summaryBytesRead_{0};
    std::atomic<bool> summarising_{false}; // the KML is in place; the summary pass runs
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
    QMenu *mnuRecent;
    QWidget *pnlResult;
    QGroupBox *gpbResult;
    QLabel *lblTrack;
    QLabel *lblSummary;
    QPushButton *btnOpenKml;
    QPushButton *btnShowFolder;
    QPushButton *btnOpenReport;
};
