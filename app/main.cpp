#include <exception>

#include <QApplication>
#include <QMessageBox>

#include "dialogs.h"
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
    QApplication::setDesktopFileName(QStringLiteral("sentrova"));
    try {
        QtWindowDialogs dialogs;
        TfrmMain frmMain(dialogs);
        frmMain.show();
        return QApplication::exec();
    } catch (const std::exception &error) {
        ShowError(error.what());
    } catch (...) {
        ShowError("unknown error");
    }
    return 1;
}
