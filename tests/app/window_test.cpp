// The real window on the offscreen platform, its dialogs answered by a fake.
#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "conversion/kml_writer.h"
#include "conversion/run.h"
#include "dialogs.h"
#include "main_window.h"

#include <clocale>
#include <cstdio>

namespace {

class FakeDialogs : public WindowDialogs {
  public:
    std::deque<std::optional<QString>> files; // the open dialog's next answers
    std::deque<bool> answers;                 // the overwrite question's next answers
    QList<QFileDialog *> fileDialogs;
    QStringList messages;
    QList<QPair<QString, QString>> questions; // caption, text
    QStringList folders;
    QList<int> pauses;
    QList<int> endStatuses;
    int unanswered = 0;
    std::function<void(int)> onPause;
    std::function<void()> onAsk;

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
    void ShowMessage(QWidget *, const QString &text) override { messages.append(text); }
    bool AskOkCancel(QWidget *, const QString &caption, const QString &text) override {
        questions.append({caption, text});
        if (onAsk)
            onAsk();
        if (answers.empty()) {
            ++unanswered;
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void OpenFolder(const QString &folder) override { folders.append(folder); }
    void Pause(int milliseconds) override {
        pauses.append(milliseconds);
        if (onPause)
            onPause(milliseconds);
    }
    void EndProgram(int status) override { endStatuses.append(status); }
};

QByteArray Sentence(const QByteArray &body) {
    unsigned char sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    return "$" + body + "*" + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper() + "\r\n";
}

// Six seconds of a receiver with a fix: enough for placemarks to appear.
QByteArray DriveLog() {
    QByteArray log;
    for (int s = 10; s < 16; ++s) {
        const QByteArray time = "1235" + QByteArray::number(s) + ".00";
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

enum Failure { SourceGone, TargetIsFolder, TargetAppears };

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<FakeDialogs> fake_;
    std::unique_ptr<TfrmMain> window_;

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
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        fake_ = std::make_unique<FakeDialogs>();
        window_ = std::make_unique<TfrmMain>(*fake_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanup() {
        window_.reset();
        QCOMPARE(fake_->unanswered, 0);
        QCOMPARE(fake_->files.size(), size_t{0});
        QCOMPARE(fake_->answers.size(), size_t{0});
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

        auto *open = Control<QFileDialog>("OpenDialog1");
        QVERIFY(open);
        QCOMPARE(open->nameFilters(), QStringList{"All File(*.*) (*)"});
        QVERIFY(open->testOption(QFileDialog::HideNameFilterDetails));
        QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
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
        QTest::newRow("btnLoad") << "gpbWorkspace" << QRect(360, 24, 57, 25) << "Load..."
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
        QTest::newRow("btnView") << "frmMain" << QRect(152, 168, 57, 25) << "View KML"
                                 << "QPushButton";
        QTest::newRow("btnGo") << "frmMain" << QRect(312, 168, 57, 25) << "Go"
                               << "QPushButton";
        QTest::newRow("btnExit") << "frmMain" << QRect(376, 168, 57, 25) << "Exit"
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
        const QStringList controls{"btnLoad", "edtFile", "cboColor",   "btnGo",
                                   "btnExit", "btnView", "chkChecksum"};
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
        QCOMPARE(StateLine(), QStringLiteral("go=1 view=0 checksum=1 timer=0 status=Ready"));
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
        Go();
        QCOMPARE(Status(), QStringLiteral("Done !!"));
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
        Go();

        const QString target = Path("drive.kml");
        QCOMPARE(
            fake_->questions,
            (QList<QPair<QString, QString>>{
                {"Message", "<" + target + "> This file is exist.Do you want to overwrite?"}}));
        QCOMPARE(stateAsked, QStringLiteral("go=1 view=0 checksum=1 timer=0 status=Ready"));
        QCOMPARE(fake_->messages, QStringList{});
        QCOMPARE(Folder(), (QStringList{"drive.kml", "drive.nmea"}));
        if (ok) {
            QCOMPARE(StateLine(), QStringLiteral("go=0 view=1 checksum=1 timer=1 status=Done !!"));
            QVERIFY(ReadAll(target).startsWith("<?xml"));
        } else {
            QCOMPARE(ReadAll(target), old);
            QCOMPARE(fake_->pauses, QList<int>{});
            QCOMPARE(StateLine(), QStringLiteral("go=1 view=0 checksum=1 timer=0 status=Ready"));
        }
    }

    void done() {
        const QString log = WriteLog("drive.nmea", DriveLog());
        Load(log);
        QString stateConverting;
        fake_->onPause = [&](int ms) {
            if (ms == 1000)
                stateConverting = StateLine();
        };
        Go();
        QCOMPARE(stateConverting,
                 QStringLiteral("go=1 view=0 checksum=0 timer=0 status=Converting ..."));
        QCOMPARE(fake_->pauses, (QList<int>{1000, 2000}));
        QCOMPARE(fake_->messages, QStringList{});
        QCOMPARE(fake_->questions.size(), 0);
        QCOMPARE(StateLine(), QStringLiteral("go=0 view=1 checksum=1 timer=1 status=Done !!"));
        const QByteArray kml = ReadAll(Path("drive.kml"));
        QVERIFY(kml.endsWith("</Document>\r\n</kml>\r\n"));
        QVERIFY(kml.count("<Placemark>") >= 3);
        QCOMPARE(Folder(), (QStringList{"drive.kml", "drive.nmea"}));

        // Timer1 turns the status back, once.
        QTRY_COMPARE_WITH_TIMEOUT(Status(), QStringLiteral("Ready"), 3000);
        QCOMPARE(StateLine(), QStringLiteral("go=0 view=1 checksum=1 timer=0 status=Ready"));

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

    void formatError_data() {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<bool>("afterDone");
        QTest::newRow("checksums verified") << true << false;
        QTest::newRow("checksums verified, View on from before") << true << true;
        QTest::newRow("checksums not verified") << false << false;
    }

    void formatError() {
        QFETCH(bool, verify);
        QFETCH(bool, afterDone);
        if (afterDone) {
            Load(WriteLog("good.nmea", DriveLog()));
            Go();
            QTRY_COMPARE_WITH_TIMEOUT(Status(), QStringLiteral("Ready"), 3000);
            fake_->pauses.clear();
        }
        Load(WriteLog("bad.nmea", WithBadChecksum(DriveLog())));
        Control<QCheckBox>("chkChecksum")->setChecked(verify);
        Go();
        if (!verify) {
            QCOMPARE(Status(), QStringLiteral("Done !!"));
            return;
        }
        QCOMPARE(fake_->messages, QStringList{"NMEA format error!"});
        QCOMPARE(fake_->pauses, QList<int>{1000});
        QCOMPARE(StateLine(),
                 QStringLiteral("go=1 view=%1 checksum=1 timer=0 status=Ready").arg(afterDone));
        QVERIFY(Control<QCheckBox>("chkChecksum")->isChecked());
        QVERIFY(!QFileInfo::exists(Path("bad.kml")));

        // A new run is possible at once.
        Go();
        QCOMPARE(fake_->messages.size(), 2);
    }

    void openError_data() {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("pauses");
        QTest::newRow("log gone") << int(SourceGone) << "file read open error" << QList<int>{};
        QTest::newRow("target is a folder")
            << int(TargetIsFolder) << "file write open error" << QList<int>{};
        QTest::newRow("target appears during the run")
            << int(TargetAppears) << "file write open error" << QList<int>{1000};
    }

    void openError() {
        QFETCH(int, failure);
        QFETCH(QString, message);
        QFETCH(QList<int>, pauses);
        const QString log = WriteLog("drive.nmea", DriveLog());
        const QString target = Path("drive.kml");
        Load(log);
        switch (failure) {
        case SourceGone:
            QVERIFY(QFile::remove(log));
            break;
        case TargetIsFolder:
            QVERIFY(QDir().mkpath(target));
            fake_->answers.push_back(true);
            break;
        case TargetAppears:
            fake_->onPause = [&](int) { WriteAll(target, "someone else's"); };
            break;
        }
        Go();
        QCOMPARE(fake_->messages, QStringList{message});
        QCOMPARE(fake_->pauses, pauses);
        QCOMPARE(fake_->endStatuses, QList<int>{});
        QCOMPARE(StateLine(), QStringLiteral("go=1 view=0 checksum=1 timer=0 status=Ready"));
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
        QTest::newRow("disk full") << "/dev/full" << false << ENOSPC;
    }

    void ioError() {
        QFETCH(QString, device);
        QFETCH(bool, reading);
        QFETCH(int, error);
        QFile probe(device);
        if (!probe.open(reading ? QIODevice::ReadOnly : QIODevice::WriteOnly))
            QSKIP("device not usable here");
        probe.close();
        const QString log = reading ? Path("dev.nmea") : WriteLog("dev.nmea", DriveLog());
        const QString target = Path("dev.kml");
        QVERIFY(QFile::link(device, reading ? log : target));
        if (!reading)
            fake_->answers.push_back(true);
        Load(log);
        Go();
        const QString expected = QStringLiteral("file %1 error\n%2: %3")
                                     .arg(reading ? "read" : "write", reading ? log : target,
                                          QString::fromLocal8Bit(std::strerror(error)));
        QCOMPARE(fake_->messages, QStringList{expected});
        QCOMPARE(StateLine(), QStringLiteral("go=1 view=0 checksum=1 timer=0 status=Ready"));
    }

    // A click on Go handled in the run's pass over waiting events.
    void secondGoIgnored() {
        Load(WriteLog("drive.nmea", DriveLog()));
        bool passDone = false;
        bool clicked = false;
        fake_->onPause = [&](int ms) {
            if (ms != 1000 || clicked)
                return;
            clicked = true;
            QMetaObject::invokeMethod(Button("btnGo"), &QPushButton::click, Qt::QueuedConnection);
            QMetaObject::invokeMethod(
                window_.get(), [&] { passDone = true; }, Qt::QueuedConnection);
        };
        Go();
        QVERIFY(passDone);
        QCOMPARE(fake_->pauses, (QList<int>{1000, 2000}));
        QCOMPARE(fake_->questions.size(), 0);
        QCOMPARE(fake_->messages, QStringList{});
        QCOMPARE(StateLine(), QStringLiteral("go=0 view=1 checksum=1 timer=1 status=Done !!"));
    }

    void viewKml_data() {
        QTest::addColumn<QString>("log");
        QTest::newRow("plain folder") << "logs/drive.nmea";
        QTest::newRow("blank and dot in folder") << "my logs.2008/drive";
    }

    void viewKml() {
        QFETCH(QString, log);
        const QString path = WriteLog(log, DriveLog());
        Button("btnView")->click();
        QCOMPARE(fake_->folders, QStringList{});
        Load(path);
        Go();
        Button("btnView")->click();
        QCOMPARE(fake_->folders, QStringList{QFileInfo(path).absolutePath()});
        QVERIFY(QFileInfo::exists(QFileInfo(path).absolutePath() + "/drive.kml"));
    }

    void exit() {
        Button("btnExit")->click();
        QCOMPARE(fake_->endStatuses, QList<int>{0});
        QVERIFY(window_->isVisible());
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
        Go();
        QCOMPARE(Status(), QStringLiteral("Done !!"));

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
