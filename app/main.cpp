#include <cstdio>
#include <exception>

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMessageBox>

#include "dialogs.h"
#include "event_trace.h"
#include "main_window.h"

namespace {

void ShowError(const char *text) {
    QMessageBox::critical(nullptr, QCoreApplication::applicationName(),
                          QString::fromLocal8Bit(text));
}

// An exception must not unwind through Qt's event loop: it is shown where a
// handler let it escape, and the window goes on.
class SentrovaApplication : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &error) {
            ShowError(error.what());
        } catch (...) {
            ShowError("unknown error");
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[]) {
    SentrovaApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sentrova"));
    QApplication::setApplicationVersion(QStringLiteral(SENTROVA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("sentrova"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts an NMEA-0183 GPS log into a KML document beside it."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("log"),
                                 QStringLiteral("The log to open, ready for Go (optional)."),
                                 QStringLiteral("[log]"));
    parser.process(app); // --help and --version end here with status 0; a bad option with 1
    const QStringList logs = parser.positionalArguments();
    if (logs.size() > 1) {
        std::fputs(qPrintable(QStringLiteral("sentrova: one log at a time\n") + parser.helpText()),
                   stderr);
        return 2;
    }

    try {
        QtWindowDialogs dialogs;
        TfrmMain frmMain(dialogs);
        const QString trace = qEnvironmentVariable("SENTROVA_TRACE");
        if (!trace.isEmpty() && !(new EventTrace(trace, frmMain))->IsOpen())
            std::fprintf(stderr, "sentrova: cannot write the trace %s\n", qPrintable(trace));
        frmMain.show();
        if (!logs.isEmpty()) {
            const QFileInfo log(logs.first());
            if (log.isFile())
                frmMain.LoadFile(log.absoluteFilePath());
            else
                dialogs.ShowMessage(
                    &frmMain, QStringLiteral("file read open error: %1: %2")
                                  .arg(log.absoluteFilePath(),
                                       log.exists() ? QStringLiteral("Is a directory")
                                                    : QStringLiteral("No such file or directory")));
        }
        return QApplication::exec();
    } catch (const std::exception &error) {
        ShowError(error.what());
    } catch (...) {
        ShowError("unknown error");
    }
    return 1;
}
