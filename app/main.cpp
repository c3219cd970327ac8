#include <cerrno>
#include <cstdio>
#include <cstring>
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

    InstallTranslations(&app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Converts NMEA-0183 GPS logs into KML documents beside them."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("log"),
        QCoreApplication::translate("main", "The logs or folders of logs to open, ready for Go "
                                            "(optional); several are converted one after the "
                                            "other."),
        QStringLiteral("[log...]"));
    parser.process(app); // --help and --version end here with status 0; a bad option with 1
    const QStringList logs = parser.positionalArguments();

    try {
        QtWindowDialogs dialogs;
        TfrmMain frmMain(dialogs);
        const QString trace = qEnvironmentVariable("SENTROVA_TRACE");
        if (!trace.isEmpty() && !(new EventTrace(trace, frmMain))->IsOpen())
            std::fprintf(stderr, "sentrova: cannot write the trace %s\n", qPrintable(trace));
        frmMain.show();
        if (logs.size() == 1 && !QFileInfo(logs.first()).exists()) {
            dialogs.ShowMessage(&frmMain,
                                QCoreApplication::translate("main", "file read open error: %1: %2")
                                    .arg(QFileInfo(logs.first()).absoluteFilePath(),
                                         QString::fromLocal8Bit(std::strerror(ENOENT))));
        } else if (!logs.isEmpty()) {
            frmMain.LoadFiles(logs);
        }
        return QApplication::exec();
    } catch (const std::exception &error) {
        ShowError(error.what());
    } catch (...) {
        ShowError("unknown error");
    }
    return 1;
}
