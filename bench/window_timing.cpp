// Times one conversion through the real window, offscreen: Load picks the
// log, Go runs the conversion on its thread after the 1 s pause, then the
// summary pass of the result panel. Prints the seconds from Go to "Done !!",
// of the pause and of the rest, which should be the batch converter's time
// for the same log plus a report pass over it.
#include <chrono>
#include <cstdio>
#include <optional>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include "dialogs.h"
#include "main_window.h"

namespace {

// The desktop's answers: the log for Load, OK for the question, the real
// pauses.
class TimedDialogs : public WindowDialogs {
  public:
    explicit TimedDialogs(QString log) : log_(std::move(log)) {}
    std::optional<QString> ChooseFile(QFileDialog &) override { return log_; }
    void ShowMessage(QWidget *, const QString &text) override { message = text; }
    bool AskOkCancel(QWidget *, const QString &, const QString &) override { return true; }
    bool AskToQuit(QWidget *, const QString &, const QString &) override { return true; }
    ReplaceAnswer AskReplace(QWidget *, const QString &) override { return ReplaceAnswer::Replace; }
    void ShowResults(QWidget *, const QList<RunResult> &) override {}
    bool Offer(QWidget *, const QString &text, const QString &) override {
        message = text;
        return false;
    }
    bool OpenFolder(const QString &) override { return true; }
    bool OpenDocument(const QString &) override { return true; }
    bool ShowInFolder(const QString &) override { return true; }
    // Only the pause before reading lies between Go and "Done !!".
    int PauseLength(int milliseconds) override {
        if (pausedMs == 0) pausedMs = milliseconds;
        return milliseconds;
    }
    void EndProgram(int) override {}

    int pausedMs = 0;
    QString message;

  private:
    QString log_;
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s LOG\n", argv[0]);
        return 2;
    }
    TimedDialogs dialogs(QString::fromLocal8Bit(argv[1]));
    TfrmMain window(dialogs);
    window.show();
    auto *load = window.findChild<QPushButton *>(QStringLiteral("btnLoad"));
    auto *go = window.findChild<QPushButton *>(QStringLiteral("btnGo"));
    auto *targetLabel = window.findChild<QLabel *>(QStringLiteral("lblTarget"));
    auto *status = window.findChild<QStatusBar *>(QStringLiteral("StatusBar1"));
    if (!load || !go || !targetLabel || !status) {
        std::fprintf(stderr, "the window lacks a control this program uses\n");
        return 1;
    }
    load->click();
    const QString target = targetLabel->text().mid(QStringLiteral("Target : ").size());
    QFile::remove(target);

    const auto start = std::chrono::steady_clock::now();
    go->click();
    while (window.Converting()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto *result = window.findChild<QWidget *>(QStringLiteral("pnlResult"));
    const bool done = status->currentMessage().startsWith(QStringLiteral("Done !!")) && result && result->isVisible();
    QFile::remove(target);
    if (!done) {
        std::fprintf(stderr, "the conversion did not finish: %s %s\n", qPrintable(status->currentMessage()),
                     qPrintable(dialogs.message));
        return 1;
    }
    const double pauses = dialogs.pausedMs / 1000.0;
    std::printf("%.3f %.3f %.3f\n", seconds, pauses, seconds - pauses);
    return 0;
}
