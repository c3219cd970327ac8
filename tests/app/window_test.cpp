// The real window on the offscreen platform, its dialogs answered by a fake.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <sys/resource.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include "conversion/file_conversion.h"
#include "conversion/kml_writer.h"
#include "dialogs.h"
#include "main_window.h"
#include "support/logs.h"
#include "support/real_logs.h"
#include "support/sentences.h"

#include <clocale>
#include <cstdio>

namespace {

class FakeDialogs : public WindowDialogs {
  public:
    std::deque<std::optional<QString>> files; // the open dialog's next answers
    std::deque<bool> answers;                 // the questions' next answers
    std::deque<bool> offerAnswers;            // the offers' next answers
    std::deque<ReplaceAnswer> replaceAnswers; // the several logs' questions
    QStringList replaceQuestions;
    QList<QList<RunResult>> results;
    QList<QFileDialog *> fileDialogs;
    QStringList messages;
    QList<QPair<QString, QString>> questions; // caption, text
    QList<QPair<QString, QString>> offers;    // text, action
    QStringList folders;
    bool folderOpens = true;
    QStringList desktop; // "open PATH", "select PATH"
    bool desktopAnswers = true;
    QList<int> pauses;
    int pauseMs = 0; // how long the pauses really last
    QList<int> endStatuses;
    int unanswered = 0;
    std::function<void(int)> onPause;
    std::function<void()> onAsk;
    std::function<void()> onMessage;

    std::optional<QString> ChooseFile(QFileDialog &dialog) override {
        fileDialogs.append(&dialog);
        if (files.empty()) {
            ++unanswered;
            return std::nullopt;
        }
        auto file = files.front();
        files.pop_front();
        return file;
    }
    void ShowMessage(QWidget *, const QString &text) override {
        messages.append(text);
        if (onMessage)
            onMessage();
    }
    bool AskOkCancel(QWidget *, const QString &caption, const QString &text) override {
        questions.append({caption, text});
        if (onAsk)
            onAsk();
        return Next(answers);
    }
    bool AskToQuit(QWidget *parent, const QString &caption, const QString &text) override {
        return AskOkCancel(parent, caption, text);
    }
    ReplaceAnswer AskReplace(QWidget *, const QString &text) override {
        replaceQuestions << text;
        if (replaceAnswers.empty()) {
            ++unanswered;
            return ReplaceAnswer::Skip;
        }
        const ReplaceAnswer answer = replaceAnswers.front();
        replaceAnswers.pop_front();
        return answer;
    }
    void ShowResults(QWidget *, const QList<RunResult> &list) override { results << list; }
    bool Offer(QWidget *, const QString &text, const QString &action) override {
        offers.append({text, action});
        return Next(offerAnswers);
    }
    bool OpenFolder(const QString &folder) override {
        folders.append(folder);
        return folderOpens;
    }
    bool OpenDocument(const QString &path) override {
        desktop << "open " + path;
        return desktopAnswers;
    }
    bool ShowInFolder(const QString &path) override {
        desktop << "select " + path;
        return desktopAnswers;
    }
    int PauseLength(int milliseconds) override {
        pauses.append(milliseconds);
        if (onPause)
            onPause(milliseconds);
        return pauseMs;
    }
    void EndProgram(int status) override { endStatuses.append(status); }

  private:
    bool Next(std::deque<bool> &queue) {
        if (queue.empty()) {
            ++unanswered;
            return false;
        }
        const bool answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

QByteArray Sentence(const QByteArray &body) {
    return QByteArray::fromStdString(sentrova_test::Nmea(body.toStdString(), "\r\n"));
}

// Six seconds of a receiver with a fix: enough for placemarks to appear.
QByteArray DriveLog(const QByteArray &minute = "35") {
    QByteArray log;
    for (int s = 10; s < 16; ++s) {
        const QByteArray time = "12" + minute + QByteArray::number(s) + ".00";
        log += Sentence("GPGGA," + time + ",4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,");
        log += Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
        log += Sentence("GPRMC," + time + ",A,4807.0380,N,01131.0000,E,022.4,084.4,230394,003.1,W");
    }
    return log;
}

QByteArray WithBadChecksum(QByteArray log) {
    QByteArray bad = Sentence("GPGGA,123599.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,");
    bad.replace(bad.indexOf('*') + 1, 2, bad.mid(bad.indexOf('*') + 1, 2) == "00" ? "01" : "00");
    return log + bad + Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
}

QByteArray ReadAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool WriteAll(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QString ControlText(QObject *control) {
    if (auto *box = qobject_cast<QGroupBox *>(control))
        return box->title();
    if (auto *label = qobject_cast<QLabel *>(control))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return button->text();
    if (auto *edit = qobject_cast<QLineEdit *>(control))
        return edit->text();
    if (auto *combo = qobject_cast<QComboBox *>(control))
        return combo->currentText();
    if (auto *bar = qobject_cast<QStatusBar *>(control))
        return bar->currentMessage();
    return QStringLiteral("<no text>");
}

// The same fixes from a multi-constellation receiver's talker.
QByteArray OtherTalkerLog() {
    return QByteArray::fromStdString(sentrova_test::Retalked(DriveLog().toStdString(), "GN"));
}

// Large enough that reading it takes several progress polls.
QByteArray BigLog() {
    const QByteArray drive = DriveLog();
    QByteArray log;
    log.reserve(64 << 20);
    while (log.size() < (64 << 20))
        log += drive;
    return log;
}

enum Failure { SourceGone, TargetIsFolder, TargetAppears };

// A file browser on the session bus, as the desktop's answer the real seam
// talks to.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

  public:
    QStringList shown;

  public slots:
    void ShowItems(const QStringList &uris, const QString &) { shown << uris; }
};

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QTemporaryDir> settings_;
    std::unique_ptr<FakeDialogs> fake_;
    std::unique_ptr<TfrmMain> window_;
    QStringList states_; // the state at every change of the status line

    template <typename T> T *Control(const char *name) {
        return window_->findChild<T *>(QString::fromLatin1(name));
    }
    QPushButton *Button(const char *name) { return Control<QPushButton>(name); }
    QString Status() { return Control<QStatusBar>("StatusBar1")->currentMessage(); }
    QString Path(const QString &relative) { return dir_->filePath(relative); }

    QString WriteLog(const QString &relative, const QByteArray &bytes) {
        const QString path = Path(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!WriteAll(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    void Load(const QString &path) {
        fake_->files.push_back(path);
        Button("btnLoad")->click();
    }
    void Go() { Button("btnGo")->click(); }
    // Go, and wait until the run has ended (the pauses may still run).
    bool Run() {
        Go();
        return QTest::qWaitFor([&] { return !window_->Converting(); }, 20000);
    }
    bool WaitForReady() {
        return QTest::qWaitFor([&] { return Status() == QStringLiteral("Ready"); }, 5000);
    }
    QStringList Folder() {
        return QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // The state that a run changes, as one comparable line.
    QString StateLine() {
        return QStringLiteral("go=%1 view=%2 checksum=%3 timer=%4 status=%5")
            .arg(Button("btnGo")->isEnabled())
            .arg(Button("btnView")->isEnabled())
            .arg(Control<QCheckBox>("chkChecksum")->isEnabled())
            .arg(Control<QTimer>("Timer1")->isActive())
            .arg(Status());
    }

  private slots:
    void initTestCase() {
        // The remembered folder goes to a folder of the test's own.
        settings_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_->path());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        InstallTranslations(qApp);
    }

    void init() {
        QSettings(QStringLiteral("Sentrova"), QStringLiteral("sentrova")).clear();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        fake_ = std::make_unique<FakeDialogs>();
        window_ = std::make_unique<TfrmMain>(*fake_);
        states_.clear();
        connect(Control<QStatusBar>("StatusBar1"), &QStatusBar::messageChanged, window_.get(),
                [this] { states_ << StateLine(); });
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanup() {
        window_.reset();
        QCOMPARE(fake_->unanswered, 0);
        QCOMPARE(fake_->files.size(), size_t{0});
        QCOMPARE(fake_->answers.size(), size_t{0});
        QCOMPARE(fake_->offerAnswers.size(), size_t{0});
        QCOMPARE(fake_->replaceAnswers.size(), size_t{0});
        fake_.reset();
        dir_.reset();
    }

    void startState() {
        QCOMPARE(StateLine(), QStringLiteral("go=0 view=0 checksum=1 timer=0 status=Ready"));
        QVERIFY(!Control<QCheckBox>("chkChecksum")->isChecked());
        QVERIFY(Control<QLineEdit>("edtFile")->isReadOnly());
        auto *colour = Control<QComboBox>("cboColor");
        QVERIFY(colour->isEditable());
        QCOMPARE(colour->currentIndex(), 0);
        QStringList items;
        for (int i = 0; i < colour->count(); ++i)
            items << colour->itemText(i);
        QCOMPARE(items, (QStringList{"Red", "Blue", "Yellow", "Green", "Orange"}));

        auto *timer = Control<QTimer>("Timer1");
        QVERIFY(timer->isSingleShot());
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(!Button("btnCancel")->isVisible());
        QVERIFY(!Control<QProgressBar>("prgProgress")->isVisible());

        auto *open = Control<QFileDialog>("OpenDialog1");
        QVERIFY(open);
        QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
    }

    // The logs first, in any case, then everything.
    void fileFilter() {
        auto *open = Control<QFileDialog>("OpenDialog1");
        QCOMPARE(open->nameFilters().size(), 2);
        QVERIFY(open->nameFilters().first().startsWith("NMEA logs (*.nmea *.nma *.log *.txt) ("));
        QCOMPARE(open->nameFilters().last(), QStringLiteral("All files (*)"));
        QVERIFY(open->testOption(QFileDialog::HideNameFilterDetails));
        for (const char *name :
             {"a.nmea", "b.NMEA", "c.Nma", "d.log", "e.LOG", "f.txt", "g.kml", "h.nmea.kml", "i"})
            WriteLog(QString::fromLatin1(name), "x");
        const QString patterns =
            open->nameFilters().first().section('(', 2).chopped(1); // the hidden part
        QCOMPARE(QDir(dir_->path()).entryList(patterns.split(' '), QDir::Files, QDir::Name),
                 (QStringList{"a.nmea", "b.NMEA", "c.Nma", "d.log", "e.LOG", "f.txt"}));
    }

    void window() {
        QCOMPARE(window_->windowTitle(), QStringLiteral("Sentrova"));
        QCOMPARE(window_->size(), QSize(441, 214));
        QCOMPARE(window_->minimumSize(), QSize(441, 214));
        QCOMPARE(window_->maximumSize(), QSize(441, 214));
        const Qt::WindowFlags flags = window_->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        // Its own icon, drawn, and its place in the middle of its screen.
        QVERIFY(!window_->windowIcon().pixmap(32).isNull());
        const QPoint offCentre =
            window_->geometry().center() - window_->screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4, qPrintable(QString::number(offCentre.x())));
    }

    void controls_data() {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kind");
        QTest::newRow("gpbWorkspace") << "frmMain" << QRect(8, 8, 425, 97) << "Workspace"
                                      << "QGroupBox";
        QTest::newRow("lblFile") << "gpbWorkspace" << QRect(8, 24, 65, 25) << "NMEA File:"
                                 << "QLabel";
        QTest::newRow("edtFile") << "gpbWorkspace" << QRect(80, 24, 273, 21) << ""
                                 << "QLineEdit";
        QTest::newRow("btnLoad") << "gpbWorkspace" << QRect(360, 24, 57, 25) << "&Load..."
                                 << "QPushButton";
        QTest::newRow("lblSource") << "gpbWorkspace" << QRect(8, 48, 409, 17) << "Source : "
                                   << "QLabel";
        QTest::newRow("lblTarget") << "gpbWorkspace" << QRect(8, 72, 409, 17) << "Target : "
                                   << "QLabel";
        QTest::newRow("gpbColor") << "frmMain" << QRect(8, 112, 137, 81) << "Color"
                                  << "QGroupBox";
        QTest::newRow("lblColor") << "gpbColor" << QRect(8, 24, 121, 17) << "Color : Red"
                                  << "QLabel";
        QTest::newRow("cboColor") << "gpbColor" << QRect(8, 48, 121, 21) << "Red"
                                  << "QComboBox";
        QTest::newRow("chkChecksum") << "frmMain" << QRect(152, 112, 105, 25) << "Check checksum"
                                     << "QCheckBox";
        QTest::newRow("btnView") << "frmMain" << QRect(152, 168, 57, 25) << "&View KML"
                                 << "QPushButton";
        QTest::newRow("btnGo") << "frmMain" << QRect(312, 168, 57, 25) << "&Go"
                               << "QPushButton";
        QTest::newRow("btnExit") << "frmMain" << QRect(376, 168, 57, 25) << "E&xit"
                                 << "QPushButton";
        QTest::newRow("StatusBar1") << "frmMain" << QRect(0, 197, 441, 17) << "Ready"
                                    << "QStatusBar";
    }

    void controls() {
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(QString, kind);
        auto *control = Control<QWidget>(QTest::currentDataTag());
        QVERIFY(control);
        QCOMPARE(control->metaObject()->className(), kind);
        QCOMPARE(control->parentWidget()->objectName(), parent);
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(ControlText(control), text);
        QVERIFY(control->isVisible());
    }

    void tabOrder() {
        const QStringList controls{"btnLoad",    "edtFile",       "cboColor",     "btnCancel",
                                   "btnGo",      "btnExit",       "btnView",      "chkChecksum",
                                   "btnOpenKml", "btnShowFolder", "btnOpenReport"};
        QStringList order;
        QWidget *w = window_.get();
        do {
            w = w->nextInFocusChain();
            if (controls.contains(w->objectName()) && (w->focusPolicy() & Qt::TabFocus))
                order << w->objectName();
        } while (w != window_.get());
        QCOMPARE(order, controls);
        for (const char *name : {"gpbWorkspace", "gpbColor", "lblFile", "lblColor"})
            QVERIFY2(!(Control<QWidget>(name)->focusPolicy() & Qt::TabFocus), name);
    }

    void load_data() {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("target");
        QTest::newRow("extension") << "logs/track.nmea"
                                   << "logs/track.kml";
        QTest::newRow("dot in folder") << "logs.2008/track.nmea"
                                       << "logs.2008/track.kml";
        QTest::newRow("no dot") << "logs/track"
                                << "logs/track.kml";
        QTest::newRow("dot in folder, none in name") << "logs.d/track"
                                                     << "logs.d/track.kml";
        QTest::newRow("two dots in name") << "logs/a.b.nmea"
                                          << "logs/a.b.kml";
        QTest::newRow("blank and markup") << "my logs/<b>&x.log"
                                          << "my logs/<b>&x.kml";
    }

    void load() {
        QFETCH(QString, log);
        QFETCH(QString, target);
        Load(Path(log));
        QCOMPARE(fake_->fileDialogs, QList<QFileDialog *>{Control<QFileDialog>("OpenDialog1")});
        QCOMPARE(Control<QLineEdit>("edtFile")->text(), Path(log));
        QCOMPARE(Control<QLabel>("lblSource")->text(), "Source : " + Path(log));
        QCOMPARE(Control<QLabel>("lblTarget")->text(), "Target : " + Path(target));
        QCOMPARE(Control<QLabel>("lblTarget")->toolTip(), Path(target));
        QCOMPARE(StateLine(), QStringLiteral("go=1 view=0 checksum=1 timer=0 status=Ready"));
    }

    // A path wider than its label loses its middle; the tooltip keeps it whole.
    void longPathElided() {
        const QString log = Path(QString(30, 'a') + "/" + QString(40, 'b') + "/" +
                                 QString(40, 'c') + "/drive.nmea");
        Load(log);
        for (const char *name : {"lblSource", "lblTarget"}) {
            auto *label = Control<QLabel>(name);
            const QString shown = label->text();
            QVERIFY2(shown.contains(QChar(0x2026)), qPrintable(shown));
            QVERIFY(shown.endsWith(".nmea") || shown.endsWith(".kml"));
            QVERIFY(shown.contains(dir_->path().left(5)));
            QVERIFY(QFontMetrics(label->font()).horizontalAdvance(shown) <= label->width());
        }
        QCOMPARE(Control<QLabel>("lblSource")->toolTip(), log);
        QCOMPARE(Control<QLineEdit>("edtFile")->text(), log);
    }

    void loadCancel() {
        fake_->files.push_back(std::nullopt);
        Button("btnLoad")->click();
        QCOMPARE(StateLine(), QStringLiteral("go=0 view=0 checksum=1 timer=0 status=Ready"));
        QCOMPARE(Control<QLabel>("lblTarget")->text(), QStringLiteral("Target : "));

        Load(Path("first.nmea"));
        fake_->files.push_back(std::nullopt);
        Button("btnLoad")->click();
        QCOMPARE(fake_->fileDialogs.size(), 3);
        QCOMPARE(Control<QLineEdit>("edtFile")->text(), Path("first.nmea"));
        QCOMPARE(Control<QLabel>("lblSource")->text(), "Source : " + Path("first.nmea"));
        QCOMPARE(Control<QLabel>("lblTarget")->text(), "Target : " + Path("first.kml"));
        QVERIFY(Button("btnGo")->isEnabled());
    }

    // The folder of the last log is where the next window's dialog opens.
    void lastFolderRemembered() {
        const QString log = WriteLog("logs/day1/drive.nmea", DriveLog());
        Load(log);
        FakeDialogs other;
        TfrmMain next(other);
        other.files.push_back(std::nullopt);
        next.findChild<QPushButton *>("btnLoad")->click();
        QCOMPARE(other.fileDialogs.first()->directory().absolutePath(),
                 QFileInfo(log).absolutePath());
    }

    void drop_data() {
        QTest::addColumn<QStringList>("paths"); // in the scratch folder; "https:" a web address
        QTest::addColumn<QString>("file");      // what the file field shows; empty: nothing loaded
        QTest::addColumn<int>("messages");
        QTest::newRow("one log") << QStringList{"drive.nmea"} << "%1/drive.nmea" << 0;
        QTest::newRow("a folder") << QStringList{"logs"} << "a.nmea, b.LOG" << 0;
        QTest::newRow("two logs") << QStringList{"drive.nmea", "logs/a.nmea"}
                                  << "drive.nmea, a.nmea" << 0;
        QTest::newRow("a folder without logs") << QStringList{"empty"} << "" << 1;
        QTest::newRow("a web address") << QStringList{"https:"} << "" << 0;
    }

    void drop() {
        QFETCH(QStringList, paths);
        QFETCH(QString, file);
        QFETCH(int, messages);
        WriteLog("drive.nmea", DriveLog());
        for (const char *name : {"logs/a.nmea", "logs/b.LOG", "logs/notes.md", "empty/notes.md"})
            WriteLog(QString::fromLatin1(name), DriveLog());
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << (path == "https:" ? QUrl("https://example.org/drive.nmea")
                                      : QUrl::fromLocalFile(Path(path)));
        data.setUrls(urls);
        const QPoint at(200, 150);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window_.get(), &enter);
        QCOMPARE(enter.isAccepted(), paths.first() != "https:");
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window_.get(), &dropped);
        QCOMPARE(Button("btnGo")->isEnabled(), !file.isEmpty());
        QCOMPARE(Control<QLineEdit>("edtFile")->text(), file.arg(dir_->path()));
        QCOMPARE(fake_->messages.size(), messages);
        // Neither the colour's nor the file's text takes a drop.
        QVERIFY(!Control<QComboBox>("cboColor")->lineEdit()->acceptDrops());
        QVERIFY(!Control<QLineEdit>("edtFile")->acceptDrops());
    }

    void colour_data() {
        QTest::addColumn<int>("pick"); // item index, or -1 to type
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("index");
        QTest::newRow("default") << 0 << ""
                                 << "Color : Red" << 0;
        QTest::newRow("pick Yellow") << 2 << ""
                                     << "Color : Yellow" << 2;
        QTest::newRow("pick Green") << 3 << ""
                                    << "Color : Green" << 3;
        QTest::newRow("pick Orange") << 4 << ""
                                     << "Color : Orange" << 4;
        QTest::newRow("type blue") << -1 << "blue"
                                   << "Color : blue" << 1;
        QTest::newRow("type ORANGE with blanks") << -1 << "  ORANGE "
                                                 << "Color :   ORANGE " << 4;
        QTest::newRow("type green") << -1 << "gReEn"
                                    << "Color : gReEn" << 3;
        QTest::newRow("type unknown") << -1 << "Purple"
                                      << "Color : Purple" << -1;
        QTest::newRow("type part of a name") << -1 << "Yel"
                                             << "Color : Yel" << -1;
        QTest::newRow("type nothing") << -1 << ""
                                      << "Color : " << -1;
    }

    // The label follows the drop-down; the KML carries the colour it names.
    void colour() {
        QFETCH(int, pick);
        QFETCH(QString, typed);
        QFETCH(QString, label);
        QFETCH(int, index);
        auto *combo = Control<QComboBox>("cboColor");
        if (pick >= 0) {
            combo->setCurrentIndex(pick);
        } else {
            combo->lineEdit()->selectAll();
            QTest::keyClick(combo->lineEdit(), Qt::Key_Backspace);
            QTest::keyClicks(combo->lineEdit(), typed);
            QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        }
        QCOMPARE(Control<QLabel>("lblColor")->text(), label);
        QCOMPARE(combo->count(), 5);
        QCOMPARE(window_->ColourIndex(), index);

        Load(WriteLog("drive.nmea", DriveLog()));
        QVERIFY(Run());
        QVERIFY(Status().startsWith(QStringLiteral("Done !!")));
        const QByteArray style =
            "<color>" + QByteArray(conversion::IconColour(index).data()) + "</color>";
        QVERIFY2(ReadAll(Path("drive.kml")).contains(style), style.constData());
    }

    void overwrite_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK replaces") << true;
        QTest::newRow("Cancel keeps") << false;
    }

    void overwrite() {
        QFETCH(bool, ok);
        const QString log = WriteLog("drive.nmea", DriveLog());
        const QByteArray old("old KML \r\n\x1a\0 bytes", 20);
        QVERIFY(WriteAll(Path("drive.kml"), old));
        Load(log);
        QString stateAsked;
        fake_->onAsk = [&] { stateAsked = StateLine(); };
        fake_->answers.push_back(ok);
        QVERIFY(Run());

        QCOMPARE(fake_->questions,
                 (QList<QPair<QString, QString>>{
                     {"Replace the KML?", "drive.kml already exists in " + dir_->path() +
                                              ".\nDo you want to replace it?"}}));
        QCOMPARE(stateAsked, QStringLiteral("go=1 view=0 checksum=1 timer=0 status=Ready"));
        QCOMPARE(fake_->messages, QStringList{});
        QCOMPARE(Folder(), (QStringList{"drive.kml", "drive.nmea"}));
        if (ok) {
            QCOMPARE(Status(), QStringLiteral("Done !! 4 placemarks"));
            QVERIFY(ReadAll(Path("drive.kml")).startsWith("<?xml"));
        } else {
            QCOMPARE(ReadAll(Path("drive.kml")), old);
            QCOMPARE(fake_->pauses, QList<int>{});
            QCOMPARE(StateLine(), QStringLiteral("go=1 view=0 checksum=1 timer=0 status=Ready"));
        }
    }

    // The described sequence, each state as the status line changes, the
    // pauses taken as timers, and the count of what was written.
    void done() {
        const QString log = WriteLog("drive.nmea", DriveLog());
        Load(log);
        Button("btnGo")->setFocus();
        QVERIFY(Run());
        QVERIFY(WaitForReady());
        QCOMPARE(fake_->pauses, (QList<int>{1000, 2000}));
        QCOMPARE(states_, (QStringList{
                              "go=1 view=0 checksum=0 timer=0 status=Converting ...",
                              "go=0 view=1 checksum=1 timer=0 status=Done !! 4 placemarks",
                              "go=0 view=1 checksum=1 timer=0 status=Ready",
                          }));
        QCOMPARE(fake_->messages, QStringList{});
        QCOMPARE(fake_->questions.size(), 0);
        const QByteArray kml = ReadAll(Path("drive.kml"));
        QVERIFY(kml.endsWith("</Document>\r\n</kml>\r\n"));
        QCOMPARE(kml.count("<Placemark>"), 4);
        QCOMPARE(Folder(), (QStringList{"drive.kml", "drive.nmea"}));
        // The focus left Go for a control that cannot quit.
        QCOMPARE(window_->focusWidget(), Button("btnLoad"));
        QVERIFY(!Control<QProgressBar>("prgProgress")->isVisible());
        QVERIFY(!Button("btnCancel")->isVisible());

        // Go stays off until the next Load.
        Go();
        QCOMPARE(fake_->pauses.size(), 2);
        QCOMPARE(fake_->questions.size(), 0);
        Load(log);
        QCOMPARE(StateLine(), QStringLiteral("go=1 view=1 checksum=1 timer=0 status=Ready"));
        fake_->answers.push_back(false);
        Go();
        QCOMPARE(fake_->questions.size(), 1);
    }

    // While converting the window answers: the pause before reading is a
    // timer, and Enter, the default button's key, starts Go.
    void answersDuringPauses() {
        Load(WriteLog("drive.nmea", DriveLog()));
        fake_->pauseMs = 300;
        Control<QLineEdit>("edtFile")->setFocus();
        QTest::keyClick(window_.get(), Qt::Key_Return);
        QCOMPARE(Status(), QStringLiteral("Converting ..."));
        QVERIFY(window_->Converting());
        QVERIFY(Button("btnCancel")->isVisible());
        QVERIFY(Control<QProgressBar>("prgProgress")->isVisible());
        QVERIFY(!Button("btnLoad")->isEnabled());
        // A second Go while converting is no second run.
        Go();
        QCOMPARE(fake_->pauses, QList<int>{1000});
        QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith("Done !!"), 5000);
        QCOMPARE(fake_->pauses, (QList<int>{1000, 2000}));
        QVERIFY(!Control<QTimer>("Timer1")->isActive()); // the 2 s pause runs first
        QTRY_VERIFY_WITH_TIMEOUT(Control<QTimer>("Timer1")->isActive(), 5000);
    }

    void cancel_data() {
        QTest::addColumn<bool>("reading"); // else in the pause before reading
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("byEsc");
        QTest::addColumn<bool>("summarising"); // the KML is in place; the second pass runs
        QTest::newRow("Esc in the pause") << false << false << true << false;
        QTest::newRow("Cancel while reading") << true << false << false << false;
        QTest::newRow("Esc while reading, old KML kept") << true << true << true << false;
        QTest::newRow("Cancel while summarising, KML kept") << true << false << false << true;
    }

    void cancel() {
        QFETCH(bool, reading);
        QFETCH(bool, targetExists);
        QFETCH(bool, byEsc);
        QFETCH(bool, summarising);
        Load(WriteLog("big.nmea", BigLog()));
        if (targetExists) {
            QVERIFY(WriteAll(Path("big.kml"), "old"));
            fake_->answers.push_back(true);
        }
        const QStringList before = Folder();
        if (!reading)
            fake_->pauseMs = 5000;
        Go();
        if (reading) {
            // The bar shows the share read, a part of the whole while reading.
            auto *bar = Control<QProgressBar>("prgProgress");
            QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 0, 10000);
            QVERIFY(window_->Converting());
            QVERIFY(bar->value() < bar->maximum());
            // The KML pass fills the first half of the bar.
            if (summarising)
                QTRY_VERIFY_WITH_TIMEOUT(bar->value() > bar->maximum() * 6 / 10, 20000);
        }
        if (byEsc) {
            QVERIFY(QTest::qWaitForWindowActive(window_.get()));
            QTest::keyClick(window_.get(), Qt::Key_Escape);
        } else {
            Button("btnCancel")->click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!window_->Converting(), 2000);
        if (summarising) {
            QVERIFY2(Status().endsWith(" placemarks; the result was cancelled"),
                     qPrintable(Status()));
            QCOMPARE(Folder(), (QStringList{"big.kml", "big.nmea"}));
            QVERIFY(!Control<QWidget>("pnlResult")->isVisible());
            return;
        }
        QCOMPARE(Status(), targetExists ? QStringLiteral("Cancelled: the KML was left as it was")
                                        : QStringLiteral("Cancelled: no KML written"));
        QCOMPARE(Folder(), before);
        if (targetExists)
            QCOMPARE(ReadAll(Path("big.kml")), QByteArray("old"));
        QCOMPARE(StateLine().left(30), QStringLiteral("go=1 view=0 checksum=1 timer=0"));
        QCOMPARE(fake_->messages, QStringList{});
    }

    // Exit and closing the window ask first while converting.
    void leaveWhileConverting_data() {
        QTest::addColumn<bool>("byClose");
        QTest::addColumn<bool>("ok");
        QTest::newRow("Exit, OK") << false << true;
        QTest::newRow("Exit, Cancel") << false << false;
        QTest::newRow("close, OK") << true << true;
        QTest::newRow("close, Cancel") << true << false;
        QTest::newRow("Exit while summarising, unasked") << false << true;
    }

    void leaveWhileConverting() {
        QFETCH(bool, byClose);
        QFETCH(bool, ok);
        if (QString(QTest::currentDataTag()).contains("summarising")) {
            // The KML is in place: nothing is lost, so nothing is asked.
            Load(WriteLog("big.nmea", BigLog()));
            Go();
            auto *bar = Control<QProgressBar>("prgProgress");
            QTRY_VERIFY_WITH_TIMEOUT(bar->value() > bar->maximum() * 6 / 10, 20000);
            Button("btnExit")->click();
            QCOMPARE(fake_->questions.size(), 0);
            QCOMPARE(fake_->endStatuses, QList<int>{0});
            QCOMPARE(Folder(), (QStringList{"big.kml", "big.nmea"}));
            return;
        }
        Load(WriteLog("drive.nmea", DriveLog()));
        fake_->pauseMs = 5000;
        Go();
        fake_->answers.push_back(ok);
        if (byClose)
            QCOMPARE(window_->close(), ok);
        else
            Button("btnExit")->click();
        QCOMPARE(fake_->questions.size(), 1);
        QCOMPARE(fake_->questions.first().first, QStringLiteral("Stop the conversion?"));
        QCOMPARE(fake_->endStatuses, (ok && !byClose) ? QList<int>{0} : QList<int>{});
        QCOMPARE(window_->Converting(), !ok);
        if (ok)
            QCOMPARE(Folder(), QStringList{"drive.nmea"});
    }

    void zeroPlacemarks_data() {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QString>("message"); // or the offer, when it ends in "?"
        QTest::addColumn<bool>("take");
        QTest::addColumn<QString>("status");
        const QString noSentence = QStringLiteral("no sentence recognised.");
        QTest::newRow("empty file")
            << QByteArray() << noSentence << false << "Done !! 0 placemarks";
        QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << noSentence
                                   << false << "Done !! 0 placemarks";
        QTest::newRow("no fix") << Sentence("GPGSA,A,1,,,,,,,,,,,,,,,") +
                                       Sentence("GPRMC,123510.00,V,,,,,,,230394,,")
                                << "no valid position." << false << "Done !! 0 placemarks";
        const QString talkers =
            QStringLiteral("fixes only from other talkers: GN 18.\n\nConvert the fixes of the "
                           "other talkers too?");
        QTest::newRow("other talkers, declined")
            << OtherTalkerLog() << talkers << false << "Done !! 0 placemarks";
        QTest::newRow("other talkers, taken")
            << OtherTalkerLog() << talkers << true << "Done !! 4 placemarks";
    }

    void zeroPlacemarks() {
        QFETCH(QByteArray, log);
        QFETCH(QString, message);
        QFETCH(bool, take);
        QFETCH(QString, status);
        Load(WriteLog("odd.nmea", log));
        const bool offered = message.endsWith('?');
        if (offered)
            fake_->offerAnswers.push_back(take);
        QVERIFY(Run());
        QTRY_VERIFY_WITH_TIMEOUT(!window_->Converting(), 5000);
        const QString expected = "No placemark was written to " + Path("odd.kml") + ": " + message;
        if (offered) {
            QCOMPARE(fake_->offers,
                     (QList<QPair<QString, QString>>{{expected, "Convert them too"}}));
            QCOMPARE(fake_->messages, QStringList{});
        } else {
            QCOMPARE(fake_->messages, QStringList{expected});
            QCOMPARE(fake_->offers.size(), 0);
        }
        QCOMPARE(Status(), status);
        QCOMPARE(Folder(), (QStringList{"odd.kml", "odd.nmea"}));
    }

    void formatError_data() {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<bool>("afterDone");
        QTest::addColumn<bool>("skip");
        QTest::newRow("checksums verified") << true << false << false;
        QTest::newRow("checksums verified, View on from before") << true << true << false;
        QTest::newRow("checksums verified, bad ones skipped") << true << false << true;
        QTest::newRow("checksums not verified") << false << false << false;
    }

    void formatError() {
        QFETCH(bool, verify);
        QFETCH(bool, afterDone);
        QFETCH(bool, skip);
        if (afterDone) {
            Load(WriteLog("good.nmea", DriveLog()));
            QVERIFY(Run());
            QVERIFY(WaitForReady());
            fake_->pauses.clear();
        }
        Load(WriteLog("bad.nmea", WithBadChecksum(DriveLog())));
        Control<QCheckBox>("chkChecksum")->setChecked(verify);
        if (verify)
            fake_->offerAnswers.push_back(skip);
        QVERIFY(Run());
        if (!verify) {
            QCOMPARE(Status(), QStringLiteral("Done !! 5 placemarks"));
            return;
        }
        QCOMPARE(fake_->offers,
                 (QList<QPair<QString, QString>>{
                     {"NMEA format error! " + Path("bad.nmea") +
                          ", line 19: checksum mismatch; no KML written.\n\nConvert the log "
                          "leaving out the sentences whose checksum is wrong?",
                      "Skip bad sentences"}}));
        if (skip) {
            QCOMPARE(
                Status(),
                QStringLiteral("Done !! 4 placemarks, 1 bad sentence skipped (first on line 19)"));
            QVERIFY(QFileInfo::exists(Path("bad.kml")));
            return;
        }
        QCOMPARE(fake_->pauses, QList<int>{1000});
        QCOMPARE(StateLine(),
                 QStringLiteral("go=1 view=%1 checksum=1 timer=0 status=Ready").arg(afterDone));
        QVERIFY(Control<QCheckBox>("chkChecksum")->isChecked());
        QVERIFY(!QFileInfo::exists(Path("bad.kml")));

        // A new run is possible at once.
        fake_->offerAnswers.push_back(false);
        QVERIFY(Run());
        QCOMPARE(fake_->offers.size(), 2);
    }

    void openError_data() {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("message"); // %1 the log, %2 the target
        QTest::addColumn<QList<int>>("pauses");
        QTest::newRow("log gone") << int(SourceGone)
                                  << "file read open error: %1: No such file or directory"
                                  << QList<int>{};
        QTest::newRow("target is a folder")
            << int(TargetIsFolder)
            << "file write open error: %2: Is a directory\nA folder of that name is in the way; "
               "move or rename it and press Go again."
            << QList<int>{};
        QTest::newRow("target appears during the run")
            << int(TargetAppears)
            << "file write open error: %2: File exists\nIt appeared during the conversion and "
               "was left as it is; press Go again to replace it."
            << QList<int>{1000};
    }

    void openError() {
        QFETCH(int, failure);
        QFETCH(QString, message);
        QFETCH(QList<int>, pauses);
        const QString log = WriteLog("drive.nmea", DriveLog());
        const QString target = Path("drive.kml");
        QString statusShown;
        fake_->onMessage = [&] { statusShown = Status(); };
        Load(log);
        switch (failure) {
        case SourceGone:
            QVERIFY(QFile::remove(log));
            break;
        case TargetIsFolder:
            QVERIFY(QDir().mkpath(target)); // an error, not a question
            break;
        case TargetAppears:
            fake_->onPause = [&](int) { WriteAll(target, "someone else's"); };
            break;
        }
        QVERIFY(Run());
        QCOMPARE(fake_->messages, QStringList{message.replace("%1", log).replace("%2", target)});
        QCOMPARE(fake_->questions.size(), 0);
        QCOMPARE(fake_->pauses, pauses);
        QCOMPARE(fake_->endStatuses, QList<int>{});
        QCOMPARE(StateLine(), QStringLiteral("go=1 view=0 checksum=1 timer=0 status=Failed: no "
                                             "KML written"));
        QCOMPARE(statusShown, Status()); // already while the message was open
        if (failure == TargetAppears)
            QCOMPARE(ReadAll(target), QByteArray("someone else's"));
        if (failure == TargetIsFolder)
            QVERIFY(QFileInfo(target).isDir());
    }

    void ioError_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("reading");
        QTest::addColumn<int>("error");
        QTest::newRow("log unreadable") << "/proc/self/mem" << true << EIO;
        // A link at the target is never written through, so a file-size
        // limit stands in for a disk that fills half way.
        QTest::newRow("write fails half way") << "" << false << EFBIG;
    }

    void ioError() {
        QFETCH(QString, device);
        QFETCH(bool, reading);
        QFETCH(int, error);
        if (reading) {
            QFile probe(device);
            if (!probe.open(QIODevice::ReadOnly))
                QSKIP("device not usable here");
        }
        const QString log = reading ? Path("dev.nmea") : WriteLog("dev.nmea", DriveLog());
        const QString target = Path("dev.kml");
        if (reading)
            QVERIFY(QFile::link(device, log));
        Load(log);
        struct rlimit before {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (!reading) {
            const struct rlimit small = {1024, before.rlim_max};
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        const bool ran = Run();
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(ran);
        const QString expected = reading ? QStringLiteral("file read error: %1: %2; no KML written")
                                         : QStringLiteral("file write error: %1: %2; nothing kept");
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(fake_->messages,
                 QStringList{expected.arg(reading ? log : target,
                                          QString::fromLocal8Bit(std::strerror(error)))});
        QCOMPARE(StateLine(), QStringLiteral("go=1 view=0 checksum=1 timer=0 status=Failed: no "
                                             "KML written"));
    }

    void viewKml_data() {
        QTest::addColumn<QString>("log");
        QTest::addColumn<bool>("opens");
        QTest::newRow("plain folder") << "logs/drive.nmea" << true;
        QTest::newRow("blank and dot in folder") << "my logs.2008/drive" << true;
        QTest::newRow("no file browser") << "logs/drive.nmea" << false;
    }

    void viewKml() {
        QFETCH(QString, log);
        QFETCH(bool, opens);
        fake_->folderOpens = opens;
        const QString path = WriteLog(log, DriveLog());
        Button("btnView")->click();
        QCOMPARE(fake_->folders, QStringList{});
        Load(path);
        QVERIFY(Run());
        Button("btnView")->click();
        const QString folder = QFileInfo(path).absolutePath();
        QCOMPARE(fake_->folders, QStringList{folder});
        QVERIFY(QFileInfo::exists(folder + "/drive.kml"));
        QCOMPARE(fake_->messages,
                 opens ? QStringList{}
                       : QStringList{"No file browser could be started.\nThe KML is at: " + folder +
                                     "/drive.kml"});
    }

    void exit() {
        Button("btnExit")->click();
        QCOMPARE(fake_->endStatuses, QList<int>{0});
        QCOMPARE(fake_->questions.size(), 0);
        QVERIFY(window_->isVisible());
    }

    // After a run the window grows a panel with the track, the summary and
    // three actions, reached by Tab from the check box and pressed by key; the
    // described controls keep their places, and the next run hides it.
    void result_data() {
        QTest::addColumn<int>("tabs"); // from the check box to the action
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("oldReport"); // -1 none, 2 a folder; else the answer to the question
        QTest::addColumn<bool>("desktopAnswers");
        QTest::addColumn<QString>("expected"); // what the desktop was asked, or the message
        const int enter = Qt::Key_Return, space = Qt::Key_Space;
        QTest::newRow("Open KML") << 1 << space << -1 << true << "open %1/drive.kml";
        QTest::newRow("Open KML, no viewer")
            << 1 << enter << -1 << false
            << "No program for KML files could be started.\nThe KML is at: %1/drive.kml";
        QTest::newRow("Show in folder") << 2 << enter << -1 << true << "select %1/drive.kml";
        QTest::newRow("Show in folder, no file browser")
            << 2 << space << -1 << false
            << "No file browser could be started.\nThe KML is at: %1/drive.kml";
        QTest::newRow("Open report") << 3 << enter << -1 << true << "open %1/drive.html";
        QTest::newRow("Open report, old one kept") << 3 << space << 0 << true << "";
        QTest::newRow("Open report, old one replaced")
            << 3 << enter << 1 << true << "open %1/drive.html";
        QTest::newRow("Open report, a folder in the way")
            << 3 << enter << 2 << true << "file write open error: %1/drive.html: Is a directory";
        QTest::newRow("Open report, no browser")
            << 3 << enter << -1 << false
            << "No web browser could be started.\nThe report is at: %1/drive.html";
    }

    void result() {
        QFETCH(int, tabs);
        QFETCH(int, key);
        QFETCH(int, oldReport);
        QFETCH(bool, desktopAnswers);
        QFETCH(QString, expected);
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        const QString log = WriteLog("drive.nmea", DriveLog() + DriveLog("36"));
        if (oldReport == 2) {
            QVERIFY(QDir().mkpath(Path("drive.html")));
        } else if (oldReport >= 0) {
            QVERIFY(WriteAll(Path("drive.html"), "old"));
            fake_->answers.push_back(oldReport == 1);
        }
        fake_->desktopAnswers = desktopAnswers;
        auto *panel = Control<QWidget>("pnlResult");
        QVERIFY(!panel->isVisible());
        Load(log);
        QVERIFY(Run());
        QVERIFY(panel->isVisible());
        QCOMPARE(window_->size(), QSize(441 + 400, 214));
        for (const char *name : {"gpbWorkspace", "gpbColor", "btnGo", "btnExit", "StatusBar1"})
            QCOMPARE(Control<QWidget>(name)->geometry().right() < 441, true);
        QCOMPARE(Control<QGroupBox>("gpbResult")->title(), QStringLiteral("Result: drive.nmea"));

        // The track is drawn: more than the background and one colour.
        const QImage track = Control<QLabel>("lblTrack")->pixmap().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < track.height(); y += 2)
            for (int x = 0; x < track.width(); x += 2)
                colours.insert(track.pixel(x, y));
        QVERIFY2(colours.size() > 3, qPrintable(QString::number(colours.size())));
        // Twelve fixes in two runs of six, a minute apart: two segments.
        const QStringList summary = Control<QLabel>("lblSummary")->text().split('\n');
        QCOMPARE(summary.first(), QStringLiteral("12 points, 2 segments"));
        QCOMPARE(summary.at(1), QStringLiteral("1994-03-23 12:35:10 to 12:36:15 UTC"));

        auto *checksum = Control<QCheckBox>("chkChecksum");
        checksum->setFocus();
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        const bool message = expected.startsWith("No ") || expected.startsWith("file ");
        // The report is written on a thread of its own.
        QTRY_COMPARE(message ? fake_->messages : fake_->desktop,
                     expected.isEmpty() ? QStringList{} : QStringList{expected.arg(dir_->path())});
        if (tabs == 3 && oldReport == 2) {
            QVERIFY(QFileInfo(Path("drive.html")).isDir());
        } else if (tabs == 3 && oldReport != 0) {
            const QString reference = Path("reference.html");
            const QString converter = QStringLiteral(SENTROVA_CONVERT_BIN);
            if (!converter.isEmpty() && QFileInfo(converter).isExecutable()) {
                QCOMPARE(QProcess::execute(converter,
                                           {"-q", "--format", "report", "-o", reference, log}),
                         0);
            } else {
                conversion::ConversionRequest request;
                request.sourcePath = QFile::encodeName(log).toStdString();
                request.targetPath = QFile::encodeName(reference).toStdString();
                request.options.format = conversion::DocumentFormat::Report;
                QCOMPARE(int(conversion::ConvertFile(request).kind),
                         int(conversion::OutcomeKind::Done));
            }
            QCOMPARE(ReadAll(Path("drive.html")), ReadAll(reference));
        } else if (tabs == 3) {
            QCOMPARE(ReadAll(Path("drive.html")), QByteArray("old"));
        }

        // The next run starts without it, in the window's first size.
        fake_->answers.push_back(true);
        Load(log);
        fake_->pauseMs = 5000;
        Go();
        QVERIFY(!panel->isVisible());
        QCOMPARE(window_->size(), QSize(441, 214));
        Button("btnCancel")->click();
    }

    // Real receivers' logs: the panel's point count is the batch converter's
    // GPX track's, for a few logs across the collection.
    void resultOfRealLogs() {
        const std::vector<std::filesystem::path> logs = sentrova_test::RealLogs();
        const QString converter = QStringLiteral(SENTROVA_CONVERT_BIN);
        if (logs.empty() || converter.isEmpty())
            QSKIP("no real logs, or no batch converter to compare with");
        int compared = 0;
        for (size_t i = 0; i < logs.size(); i += logs.size() / 4 + 1) {
            const QString log = WriteLog(QStringLiteral("real%1.nmea").arg(i),
                                         ReadAll(QString::fromStdString(logs[i].string())));
            Load(log);
            QVERIFY(Run());
            if (!Status().startsWith("Done !!"))
                continue; // a log that stops at a bad sentence has no result
            const QString gpx = Path("real.gpx");
            QCOMPARE(QProcess::execute(converter, {"-q", "-f", "--format", "gpx", "-o", gpx, log}),
                     0);
            QString points = Control<QLabel>("lblSummary")->text().section(' ', 0, 0);
            QCOMPARE(points.remove(','), QString::number(ReadAll(gpx).count("<trkpt ")));
            ++compared;
        }
        QVERIFY(compared >= 2);
    }

    // Show in folder asks the desktop's file browser over D-Bus to select the
    // file; run under dbus-run-session when it is installed.
    void showInFolderOverDBus() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            QSKIP("no session bus");
        FakeFileManager manager;
        QVERIFY(bus.registerObject("/org/freedesktop/FileManager1", &manager,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService("org.freedesktop.FileManager1"));
        const QString kml = WriteLog("my logs/a b.kml", "x");
        QtWindowDialogs real;
        QVERIFY(real.ShowInFolder(kml));
        QTRY_COMPARE(manager.shown, QStringList{QUrl::fromLocalFile(kml).toString()});
        bus.unregisterService("org.freedesktop.FileManager1");
        bus.unregisterObject("/org/freedesktop/FileManager1");
    }

    // The mnemonics work from the keyboard.
    void mnemonics() {
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        Load(WriteLog("drive.nmea", DriveLog()));
        QTest::keyClick(window_.get(), Qt::Key_G, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith("Done !!"), 5000);
        QTest::keyClick(window_.get(), Qt::Key_X, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(fake_->endStatuses, QList<int>{0}, 2000);
    }

    // Enter and Space do what the focused button shows; elsewhere Enter is Go.
    void keysOnFocus_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("action");
        QTest::newRow("Enter on Load") << "btnLoad" << int(Qt::Key_Return) << "load";
        QTest::newRow("Space on Load") << "btnLoad" << int(Qt::Key_Space) << "load";
        QTest::newRow("Enter on Go") << "btnGo" << int(Qt::Key_Return) << "go";
        QTest::newRow("Enter on Exit") << "btnExit" << int(Qt::Key_Return) << "exit";
        QTest::newRow("keypad Enter on Exit") << "btnExit" << int(Qt::Key_Enter) << "exit";
        QTest::newRow("Space on Exit") << "btnExit" << int(Qt::Key_Space) << "exit";
        QTest::newRow("Enter on View KML") << "btnView" << int(Qt::Key_Return) << "view";
        QTest::newRow("Enter on Cancel") << "btnCancel" << int(Qt::Key_Return) << "cancel";
        QTest::newRow("Enter in the file field") << "edtFile" << int(Qt::Key_Return) << "go";
        QTest::newRow("Enter on the check box") << "chkChecksum" << int(Qt::Key_Return) << "go";
    }

    void keysOnFocus() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QString, action);
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        Load(WriteLog("drive.nmea", DriveLog()));
        fake_->fileDialogs.clear();
        fake_->pauseMs = 5000;
        Button("btnView")->setEnabled(true);
        if (focus == "btnCancel")
            Go();
        auto *control = Control<QWidget>(qPrintable(focus));
        control->setFocus();
        QTRY_VERIFY(control->hasFocus());
        // Go is the default, drawn as such, only while no other button has the focus.
        QCOMPARE(Button("btnGo")->isDefault(),
                 !qobject_cast<QPushButton *>(control) || focus == "btnGo");
        if (action == "load")
            fake_->files.push_back(std::nullopt);
        QTest::keyClick(control, Qt::Key(key));
        QStringList happened;
        if (!fake_->fileDialogs.isEmpty())
            happened << "load";
        if (window_->Converting() && focus != "btnCancel")
            happened << "go";
        if (!fake_->endStatuses.isEmpty())
            happened << "exit";
        if (!fake_->folders.isEmpty())
            happened << "view";
        if (Status().startsWith("Cancelled"))
            happened << "cancel";
        QCOMPARE(happened, QStringList{action});
    }

    // A plain frame in the highlight colour marks the focused button.
    void focusVisible() {
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QPushButton *exit = Button("btnExit");
        const QColor highlight = exit->palette().color(QPalette::Highlight);
        const auto highlighted = [&] {
            const QImage shot = exit->grab().toImage();
            int n = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    n += shot.pixelColor(x, y) == highlight;
            return n;
        };
        Control<QLineEdit>("edtFile")->setFocus();
        const int without = highlighted();
        exit->setFocus();
        QTRY_VERIFY(exit->hasFocus());
        const int with = highlighted();
        QVERIFY2(with - without >= exit->width() + exit->height(),
                 qPrintable(QStringLiteral("%1 -> %2").arg(without).arg(with)));
    }

    // Screen readers: a name of its own and a description on every control;
    // the status line is announced when it changes.
    void accessible() {
        QStringList names;
        for (QWidget *control : window_->findChildren<QWidget *>()) {
            if (!QRegularExpression("^(gpb|lbl|edt|btn|cbo|chk|prg|StatusBar)")
                     .match(control->objectName())
                     .hasMatch())
                continue;
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
            QVERIFY(face);
            const QString name = face->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty() && !names.contains(name), qPrintable(name));
            names << name;
            if (!control->objectName().startsWith("gpb"))
                QVERIFY2(!face->text(QAccessible::Description).isEmpty(),
                         qPrintable(control->objectName()));
        }
        QCOMPARE(names.size(), 22);
        QCOMPARE(QAccessible::queryAccessibleInterface(Control<QWidget>("edtFile"))
                     ->text(QAccessible::Name),
                 QStringLiteral("NMEA file"));

        // What a screen reader reads of the status line is the line itself.
        QStringList described;
        auto *bar = Control<QStatusBar>("StatusBar1");
        connect(bar, &QStatusBar::messageChanged, window_.get(), [&] {
            described << QAccessible::queryAccessibleInterface(bar)->text(QAccessible::Description);
        });
        Load(WriteLog("drive.nmea", DriveLog()));
        QVERIFY(Run());
        QCOMPARE(described.mid(0, 2), (QStringList{"Converting ...", "Done !! 4 placemarks"}));
    }

    // The run ends while the quit question is open: the answer is asked
    // again with what is true now. The real question's default stays.
    void quitAfterRunEnded() {
        const QString log = WriteLog("drive.nmea", DriveLog());
        Load(log);
        fake_->pauseMs = 50;
        Go();
        fake_->onAsk = [&] {
            fake_->onAsk = nullptr;
            QVERIFY(QTest::qWaitFor([&] { return !window_->Converting(); }, 5000));
        };
        fake_->answers = {true, true};
        Button("btnExit")->click();
        QCOMPARE(fake_->questions,
                 (QList<QPair<QString, QString>>{
                     {"Stop the conversion?",
                      log + " is being converted.\nStop and quit? The KML is not written."},
                     {"Quit?", "The conversion has ended meanwhile: " + Path("drive.kml") +
                                   " is written with 4 placemarks.\nQuit now?"}}));
        QCOMPARE(fake_->endStatuses, QList<int>{0});
        QVERIFY(ReadAll(Path("drive.kml")).endsWith("</kml>\r\n"));

        QtWindowDialogs real;
        QString defaultButton;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            defaultButton = box->defaultButton()->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!real.AskToQuit(window_.get(), "Stop the conversion?", "text"));
        QCOMPARE(defaultButton, QStringLiteral("Cancel"));
    }

    // Three logs and a folder: each existing KML asked about once, then the
    // list of what became of every log.
    void severalLogs_data() {
        QTest::addColumn<QList<int>>("answers"); // ReplaceAnswer values
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QString>("status");
        const QString other = "0 placemarks (fixes only from other talkers: GN 18)";
        const QString nothing = "0 placemarks (no sentence recognised)";
        const QString kept = "skipped: the KML was there and was left as it was";
        QTest::newRow("replace all")
            << QList<int>{int(ReplaceAnswer::ReplaceAll)}
            << QStringList{"4 placemarks", "4 placemarks", other, "4 placemarks", nothing}
            << "Done !! 5 of 5 logs converted";
        QTest::newRow("skip all") << QList<int>{int(ReplaceAnswer::SkipAll)}
                                  << QStringList{"4 placemarks", kept, other, kept, nothing}
                                  << "Done !! 3 of 5 logs converted";
        QTest::newRow("replace, then skip")
            << QList<int>{int(ReplaceAnswer::Replace), int(ReplaceAnswer::Skip)}
            << QStringList{"4 placemarks", "4 placemarks", other, kept, nothing}
            << "Done !! 4 of 5 logs converted";
    }

    void severalLogs() {
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, results);
        QFETCH(QString, status);
        QStringList logs{WriteLog("trip/a.nmea", DriveLog()), WriteLog("trip/b.nmea", DriveLog()),
                         WriteLog("trip/c.nmea", OtherTalkerLog())};
        WriteLog("more/e.nmea", DriveLog());
        WriteLog("more/f.txt", "no sentence here\r\n");
        WriteLog("more/g.md", DriveLog());
        WriteAll(Path("trip/b.kml"), "old");
        WriteAll(Path("more/e.kml"), "old");
        for (int answer : answers)
            fake_->replaceAnswers.push_back(ReplaceAnswer(answer));
        window_->LoadFiles(logs + QStringList{Path("more")});
        QVERIFY(Run());
        QCOMPARE(fake_->replaceQuestions.size(), answers.size());
        QCOMPARE(fake_->replaceQuestions.first(),
                 "b.kml already exists in " + Path("trip") + ".\nDo you want to replace it?");
        QCOMPARE(fake_->results.size(), 1);
        QStringList rows;
        for (const RunResult &row : fake_->results.first())
            rows << QFileInfo(row.log).fileName() + " " + QFileInfo(row.document).fileName() + " " +
                        row.result;
        QStringList expected;
        const QStringList names{"trip/a", "trip/b", "trip/c", "more/e", "more/f"};
        for (int i = 0; i < names.size(); ++i)
            expected << QFileInfo(names[i]).fileName() + (i == 4 ? ".txt " : ".nmea ") +
                            QFileInfo(names[i]).fileName() + ".kml " + results[i];
        QCOMPARE(rows, expected);
        QCOMPARE(Status(), status);
        // The result shown is the last log's.
        QCOMPARE(Control<QGroupBox>("gpbResult")->title(), QStringLiteral("Result: f.txt"));
        QVERIFY(Control<QLabel>("lblSummary")->text().startsWith("0 points"));
        QCOMPARE(ReadAll(Path("more/e.kml")) == "old", results[3].startsWith("skipped"));
        QVERIFY(!Control<QProgressBar>("prgProgress")->isVisible());
        QVERIFY(!QFileInfo::exists(Path("more/g.kml")));
    }

    // One cancel stops the log being read and the ones after it.
    void severalLogsCancelled() {
        const QString big = WriteLog("big.nmea", BigLog());
        window_->LoadFiles({WriteLog("a.nmea", DriveLog()), big, WriteLog("z.nmea", DriveLog())});
        Go();
        QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith("Converting 2 of 3"), 10000);
        Button("btnCancel")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window_->Converting(), 5000);
        QCOMPARE(fake_->results.size(), 1);
        QStringList rows;
        for (const RunResult &row : fake_->results.first())
            rows << row.result;
        QCOMPARE(rows, (QStringList{"4 placemarks", "cancelled: no KML written",
                                    "not converted: the run was cancelled"}));
        QCOMPARE(Status(), QStringLiteral("Cancelled: 1 of 3 logs converted"));
        QCOMPARE(Folder(), (QStringList{"a.kml", "a.nmea", "big.nmea", "z.nmea"}));
    }

    // The next start knows the last ten logs, the colour and the checksum
    // choice; Down on Load... lists the logs.
    void rememberedAcrossStarts() {
        QStringList loaded;
        for (int i = 0; i < 12; ++i) {
            loaded.prepend(WriteLog(QStringLiteral("log%1.nmea").arg(i), DriveLog()));
            Load(loaded.first());
        }
        Load(loaded[3]);
        loaded.move(3, 0);
        Control<QComboBox>("cboColor")->setCurrentIndex(3);
        Control<QCheckBox>("chkChecksum")->setChecked(true);
        QFile::remove(loaded[1]);
        window_ = std::make_unique<TfrmMain>(*fake_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QCOMPARE(window_->RecentLogs(), loaded.mid(0, 10));
        QCOMPARE(Control<QComboBox>("cboColor")->currentIndex(), 3);
        QCOMPARE(Control<QLabel>("lblColor")->text(), QStringLiteral("Color : Green"));
        QVERIFY(Control<QCheckBox>("chkChecksum")->isChecked());

        Button("btnLoad")->setFocus();
        QTest::keyClick(Button("btnLoad"), Qt::Key_Down);
        auto *menu = Control<QMenu>("mnuRecent");
        QTRY_VERIFY(menu->isVisible());
        QStringList items;
        for (QAction *item : menu->actions())
            items << item->text() + (item->isEnabled() ? "" : " (gone)");
        QCOMPARE(items.size(), 10);
        QCOMPARE(items.mid(0, 2), (QStringList{loaded[0], loaded[1] + " (gone)"}));
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QCOMPARE(Control<QLineEdit>("edtFile")->text(), loaded[2]);
        QVERIFY(Button("btnGo")->isEnabled());
    }

    // Control characters in a name are shown escaped, never as line breaks.
    void controlCharactersEscaped() {
        const QString log = WriteLog(QStringLiteral("a\nb\tc\x01.nmea"), DriveLog());
        Load(log);
        const QString shown = dir_->path() + "/a\\nb\\tc\\x01.";
        QCOMPARE(Control<QLineEdit>("edtFile")->text(), shown + "nmea");
        QCOMPARE(Control<QLabel>("lblSource")->text(), "Source : " + shown + "nmea");
        QCOMPARE(Control<QLabel>("lblTarget")->text(), "Target : " + shown + "kml");
        QVERIFY(Run());
        QVERIFY(QFileInfo::exists(Path(QStringLiteral("a\nb\tc\x01.kml"))));
    }

    // Under the German catalogue no text of the window is left in English.
    void germanWindow() {
        QTranslator german;
        QVERIFY(german.load(QStringLiteral(":/i18n/sentrova_de.qm")));
        QCoreApplication::installTranslator(&german);
        FakeDialogs otherDialogs;
        TfrmMain de(otherDialogs);
        const QString one = TfrmMain::tr("%n placemark(s)", nullptr, 1);
        const QString two = TfrmMain::tr("%n placemark(s)", nullptr, 2);
        // The batch converter's reasons for no placemark are the window's words too.
        for (const char *reason :
             {"no sentence recognised", "fixes only from other talkers: %1", "no valid position",
              "; try --any-talker", "every fix left out by the options"})
            QVERIFY2(TfrmMain::tr(reason) != QLatin1String(reason), reason);
        QCoreApplication::removeTranslator(&german);
        QCOMPARE(one + " / " + two, QStringLiteral("1 Ortsmarke / 2 Ortsmarken"));
        const auto texts = [](QWidget *control) {
            QStringList all{ControlText(control), control->toolTip(), control->accessibleName(),
                            control->accessibleDescription()};
            if (auto *combo = qobject_cast<QComboBox *>(control))
                for (int i = 0; i < combo->count(); ++i)
                    all << combo->itemText(i);
            if (auto *dialog = qobject_cast<QFileDialog *>(control))
                all << dialog->nameFilters();
            return all;
        };
        int compared = 0;
        for (QWidget *control : window_->findChildren<QWidget *>()) {
            // The file dialog's own controls are Qt's, in Qt's catalogue.
            QWidget *owner = control->parentWidget();
            while (owner && !qobject_cast<QFileDialog *>(owner))
                owner = owner->parentWidget();
            if (control->objectName().isEmpty() || owner)
                continue;
            auto *translated = de.findChild<QWidget *>(control->objectName());
            QVERIFY(translated);
            const QStringList english = texts(control);
            const QStringList german = texts(translated);
            for (int i = 0; i < english.size(); ++i) {
                // "Orange" is German too.
                if (english[i].isEmpty() || english[i] == "<no text>" || english[i] == "Orange")
                    continue;
                ++compared;
                QVERIFY2(german[i] != english[i], qPrintable(english[i]));
            }
        }
        QVERIFY(compared >= 40);
    }

    void sameBytesAsBatchConverter_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<bool>("decimalComma");
        QTest::newRow("red") << 0 << "red" << false << false;
        QTest::newRow("green, checksums") << 3 << "green" << true << false;
        QTest::newRow("orange") << 4 << "orange" << false << false;
        // The window runs under the user's locale; the converter under C.
        QTest::newRow("decimal-comma locale") << 1 << "blue" << false << true;
    }

    void sameBytesAsBatchConverter() {
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(bool, verify);
        QFETCH(bool, decimalComma);
        struct RestoreLocale {
            ~RestoreLocale() { std::setlocale(LC_ALL, "C"); }
        } restore;
        if (decimalComma) {
            if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
                QSKIP("the de_DE.UTF-8 locale is not installed");
            char probe[16];
            std::snprintf(probe, sizeof probe, "%.1f", 1.5);
            QCOMPARE(QByteArray(probe), QByteArray("1,5"));
        }
        const QString log =
            WriteLog("drive.nmea", DriveLog() + "noise without star\r\n" + DriveLog());
        Control<QComboBox>("cboColor")->setCurrentIndex(index);
        Control<QCheckBox>("chkChecksum")->setChecked(verify);
        Load(log);
        QVERIFY(Run());
        QVERIFY(Status().startsWith(QStringLiteral("Done !!")));

        const QString reference = Path("reference.kml");
        const QString converter = QStringLiteral(SENTROVA_CONVERT_BIN);
        if (!converter.isEmpty() && QFileInfo(converter).isExecutable()) {
            QStringList arguments{"-q", "-c", name, "-o", reference, log};
            if (verify)
                arguments.prepend("-k");
            QCOMPARE(QProcess::execute(converter, arguments), 0);
        } else {
            conversion::ConversionRequest request;
            request.sourcePath = QFile::encodeName(log).toStdString();
            request.targetPath = QFile::encodeName(reference).toStdString();
            request.options.colourIndex = index;
            request.options.verifyChecksums = verify;
            QCOMPARE(int(conversion::ConvertFile(request).kind),
                     int(conversion::OutcomeKind::Done));
        }
        const QByteArray kml = ReadAll(Path("drive.kml"));
        QVERIFY(!kml.isEmpty());
        QCOMPARE(kml, ReadAll(reference));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
