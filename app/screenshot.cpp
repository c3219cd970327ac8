// Renders the window without a display, for checking its look: idle,
// converting (with its progress), done (with the count), the result of the
// sample drive and the message of a log that gave no placemark. Writes
// PREFIX-idle.png, PREFIX-converting.png, PREFIX-done.png, PREFIX-result.png
// and PREFIX-no-placemark.png.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>

#include "dialogs.h"
#include "main_window.h"

namespace {

bool Save(const QPixmap &shot, const QString &path) {
    if (shot.save(path, "PNG")) {
        std::printf("%s\n", qPrintable(path));
        return true;
    }
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

// The desktop as the real one shows it, except that a message is drawn over
// the window into a file instead of waiting for a click.
class ShotDialogs : public QtWindowDialogs {
  public:
    explicit ShotDialogs(QString shot) : shot_(std::move(shot)) {}
    void ShowMessage(QWidget *, const QString &text) override {
        QMessageBox box;
        SetUpMessageBox(box, text);
        Draw(box);
    }
    bool Offer(QWidget *, const QString &text, const QString &action) override {
        QMessageBox box;
        SetUpOfferBox(box, text, action);
        Draw(box);
        return false;
    }
    int PauseLength(int milliseconds) override { return milliseconds == 1000 ? 0 : milliseconds; }
    bool saved = false;
    QWidget *window = nullptr; // drawn under the message

  private:
    void Draw(QMessageBox &box) {
        box.show();
        QApplication::processEvents();
        const QPixmap under = window->grab();
        const QPixmap over = box.grab();
        const QSize size(std::max(under.width(), over.width()) + 40,
                         std::max(under.height(), over.height()) + 40);
        QPixmap canvas(size);
        canvas.fill(Qt::darkGray);
        QPainter painter(&canvas);
        painter.drawPixmap((size.width() - under.width()) / 2, (size.height() - under.height()) / 2,
                           under);
        // The box as a window manager would frame it.
        const QRect boxArea(
            QPoint((size.width() - over.width()) / 2, (size.height() - over.height()) / 2),
            over.deviceIndependentSize().toSize());
        painter.fillRect(boxArea, box.palette().color(QPalette::Window));
        painter.drawPixmap(boxArea.topLeft(), over);
        painter.setPen(box.palette().color(QPalette::Shadow));
        painter.drawRect(boxArea.adjusted(-1, -1, 0, 0));
        painter.end();
        saved = Save(canvas, shot_);
        box.hide();
    }

    QString shot_;
};

bool WriteFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

template <typename Done> void WaitFor(Done done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    InstallTranslations(&app); // the user's language, as the program shows it
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PREFIX\n", argv[0]);
        return 2;
    }
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    QFile sampleFile(QStringLiteral(SENTROVA_SAMPLE_LOG));
    QTemporaryDir dir;
    if (!sampleFile.open(QIODevice::ReadOnly) || !dir.isValid()) {
        std::fprintf(stderr, "cannot read the sample log or make a scratch folder\n");
        return 1;
    }
    const QByteArray sample = sampleFile.readAll();

    ShotDialogs dialogs(prefix + QStringLiteral("-no-placemark.png"));
    TfrmMain window(dialogs);
    dialogs.window = &window;
    window.show();
    QApplication::processEvents();
    if (!Save(window.grab(), prefix + QStringLiteral("-idle.png")))
        return 1;

    // A long drive, so that the run is caught half way.
    QByteArray log;
    while (log.size() < 100'000'000)
        log += sample;
    const QString longLog = dir.filePath(QStringLiteral("long drive.nmea"));
    if (!WriteFile(longLog, log))
        return 1;
    log.clear();
    window.LoadFile(longLog);
    auto *go = window.findChild<QPushButton *>(QStringLiteral("btnGo"));
    auto *progress = window.findChild<QProgressBar *>(QStringLiteral("prgProgress"));
    go->click();
    WaitFor([&] { return progress->value() >= progress->maximum() / 3 || !window.Converting(); });
    if (!Save(window.grab(), prefix + QStringLiteral("-converting.png")))
        return 1;
    WaitFor([&] { return !window.Converting(); });
    // View KML comes on with a complete run, in any language.
    if (!window.findChild<QPushButton *>(QStringLiteral("btnView"))->isEnabled() ||
        !Save(window.grab(), prefix + QStringLiteral("-done.png")))
        return 1;

    // The sample drive itself, with its result beside the controls.
    const QString drive = dir.filePath(QStringLiteral("drive.nmea"));
    if (!WriteFile(drive, sample))
        return 1;
    window.LoadFile(drive);
    go->click();
    WaitFor([&] { return !window.Converting(); });
    if (!window.findChild<QWidget *>(QStringLiteral("pnlResult"))->isVisible() ||
        !Save(window.grab(), prefix + QStringLiteral("-result.png")))
        return 1;

    // The same drive from a receiver that names itself GN.
    QByteArray other = sample;
    other.replace("$GP", "$GN");
    const QString otherLog = dir.filePath(QStringLiteral("gnss drive.nmea"));
    if (!WriteFile(otherLog, other))
        return 1;
    window.LoadFile(otherLog);
    go->click();
    WaitFor([&] { return !window.Converting(); });
    return dialogs.saved ? 0 : 1;
}
