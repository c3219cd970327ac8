#include "main_window.h"

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include "conversion/no_placemark.h"
#include "conversion/report_file.h"
#include "conversion/shown_name.h"
#include "report/html.h"
#include "result_view.h"

namespace {

constexpr int OpenPauseMs = 1000;
constexpr int DonePauseMs = 2000;
constexpr int ProgressSteps = 1000;
constexpr int ProgressPollMs = 50;
constexpr int WorkerNiceness = 4;
constexpr int RecentCount = 10;
const QString FolderKey = QStringLiteral("lastFolder");
const QString RecentKey = QStringLiteral("recentLogs");
const QString ColourKey = QStringLiteral("colour");
const QString ChecksumKey = QStringLiteral("checkChecksum");
// What Load... offers first, and what a folder gives: the logs by their
// extension, in any case.
const QStringList LogPatterns{QStringLiteral("*.[nN][mM][eE][aA]"),
                              QStringLiteral("*.[nN][mM][aA]"), QStringLiteral("*.[lL][oO][gG]"),
                              QStringLiteral("*.[tT][xX][tT]")};

std::string ToLocalPath(const QString &path) {
    return QFile::encodeName(path).toStdString();
}

QString FromLocalPath(const std::string &path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString SystemText(const std::string &text) {
    return QString::fromLocal8Bit(text.c_str());
}

// A name as the batch converter prints it: control characters escaped.
QString Shown(const QString &path) {
    return QFile::decodeName(
        QByteArray::fromStdString(conversion::ShownName(QFile::encodeName(path).toStdString())));
}

// The focus frame of buttons and the check box drawn plainly, every time, in
// the highlight colour: the style's own is faint, or drawn only after a key
// moved the focus, and the default button looked chosen instead.
class PlainFocusStyle : public QProxyStyle {
  public:
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override {
        QProxyStyle::drawControl(element, option, painter, widget);
        if ((element != CE_PushButton && element != CE_CheckBox) ||
            !(option->state & State_HasFocus))
            return;
        const QRect frame = element == CE_PushButton
                                ? option->rect.adjusted(2, 2, -2, -2)
                                : subElementRect(SE_CheckBoxFocusRect, option, widget);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(frame).adjusted(1, 1, -1, -1));
        painter->restore();
    }
};

template <typename W> W *Place(W *widget, const char *name, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QLabel *FixedLabel(QWidget *parent, const char *name, const QString &text, int x, int y, int w,
                   int h) {
    auto *label = Place(new QLabel(text, parent), name, x, y, w, h);
    // File names may hold "<" or "&".
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// A path too long for its label loses its middle, not its file name; the
// whole path is the tooltip.
void ShowPath(QLabel *label, const QString &prefix, const QString &path) {
    const QString shown = Shown(path);
    const QFontMetrics metrics(label->font());
    const int room = label->width() - metrics.horizontalAdvance(prefix) - 2;
    label->setText(prefix + metrics.elidedText(shown, Qt::ElideMiddle, std::max(room, 0)));
    label->setToolTip(shown);
}

void Describe(QWidget *control, const QString &name, const QString &description) {
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

// The sizes are fixed, but the platform's sans may run wider than the one
// they were made for: condense the whole window's font until the widest
// caption fits, rather than cut it off.
void CondenseToFit(QCheckBox *widest) {
    QWidget *window = widest->window();
    const QStyle *style = widest->style();
    const int room = widest->width() -
                     style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widest) -
                     style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widest) - 2;
    const int needed = QFontMetrics(window->font()).horizontalAdvance(widest->text());
    if (needed <= room || needed <= 0)
        return;
    QFont condensed = window->font();
    condensed.setStretch(std::max(75, room * 100 / needed));
    window->setFont(condensed);
}

QString Placemarks(uint64_t n) {
    return TfrmMain::tr("%n placemark(s)", nullptr, static_cast<int>(n));
}

// Why a run gave no placemark, in the batch converter's words (English) or
// the user's language; the hint at --any-talker is its own text, so that the
// window can leave it out where it offers that step itself.
QString NoPlacemarkText(const conversion::ConversionCounts &counts) {
    using conversion::NoPlacemarkReason;
    const NoPlacemarkReason reason = conversion::WhyNoPlacemarkReason(counts);
    const QString talkers = QString::fromStdString(conversion::OtherTalkers(counts));
    const QString tryAnyTalker = TfrmMain::tr("; try --any-talker");
    QString hint;
    if (!talkers.isEmpty() && conversion::NamesOtherTalkers(reason))
        hint = TfrmMain::tr("; sentences from other talkers: %1").arg(talkers) + tryAnyTalker;
    switch (reason) {
    case NoPlacemarkReason::Compressed:
        return TfrmMain::tr("the log looks compressed: %1 -c LOG | sentrova-convert -o OUT -")
            .arg(QString::fromLatin1(counts.compressedWith));
    case NoPlacemarkReason::NoSentence:
        return TfrmMain::tr("no sentence recognised");
    case NoPlacemarkReason::NoTimedSentence:
        return TfrmMain::tr("no timed sentence (GGA, RMC, GLL, GNS, ZDA, GST)");
    case NoPlacemarkReason::OnlyOtherTalkers:
        return TfrmMain::tr("fixes only from other talkers: %1").arg(talkers) + tryAnyTalker;
    case NoPlacemarkReason::NoCycleStart:
        return TfrmMain::tr("no RMC, GGA, GLL or RPT sentence");
    case NoPlacemarkReason::NoValidPosition:
        return TfrmMain::tr("no valid position") + hint;
    case NoPlacemarkReason::NoDate:
        return TfrmMain::tr("no date") + hint;
    case NoPlacemarkReason::NoDateGiveOne:
        return TfrmMain::tr("no date; give one with --date");
    case NoPlacemarkReason::NoCycleWithPosition:
        return TfrmMain::tr("no cycle with a position");
    case NoPlacemarkReason::NoUsableDate:
        return TfrmMain::tr("no fix with a usable date; give one with --date");
    case NoPlacemarkReason::LeftOutByOptions:
        break;
    }
    return TfrmMain::tr("every fix left out by the options");
}

// The logs of the paths given, folders replaced by their logs in name order,
// each log once.
QStringList LogsOf(const QStringList &paths) {
    QStringList logs;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            logs << info.absoluteFilePath();
            continue;
        }
        const QDir folder(info.absoluteFilePath());
        for (const QString &name : folder.entryList(LogPatterns, QDir::Files, QDir::Name))
            logs << folder.absoluteFilePath(name);
    }
    logs.removeDuplicates();
    return logs;
}

} // namespace

TfrmMain::TfrmMain(WindowDialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs), settings_(QStringLiteral("Sentrova"), QStringLiteral("sentrova")) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Sentrova"));
    setWindowIcon(QIcon(QStringLiteral(":/sentrova.svg")));
    setFixedSize(ClientWidth, ClientHeight);
    // Centred: a fixed place may lie off a small or highly scaled screen.
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    setAcceptDrops(true);
    // The 8-point sans of the layout's origin, or the nearest metric match.
    QFont small = font();
    small.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                       QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                       QStringLiteral("Arial")});
    small.setStyleHint(QFont::SansSerif);
    small.setPixelSize(11);
    setFont(small);

    gpbWorkspace = Place(new QGroupBox(tr("Workspace"), this), "gpbWorkspace", 8, 8, 425, 97);
    lblFile = FixedLabel(gpbWorkspace, "lblFile", tr("NMEA File:"), 8, 24, 65, 25);
    edtFile = Place(new QLineEdit(gpbWorkspace), "edtFile", 80, 24, 273, 21);
    edtFile->setReadOnly(true);
    edtFile->setAcceptDrops(false);
    lblFile->setBuddy(edtFile);
    QPalette editPalette = edtFile->palette();
    editPalette.setColor(QPalette::Base, editPalette.color(QPalette::Midlight));
    edtFile->setPalette(editPalette);
    btnLoad = Place(new QPushButton(tr("&Load..."), gpbWorkspace), "btnLoad", 360, 24, 57, 25);
    lblSource = FixedLabel(gpbWorkspace, "lblSource", tr("Source : "), 8, 48, 409, 17);
    lblTarget = FixedLabel(gpbWorkspace, "lblTarget", tr("Target : "), 8, 72, 409, 17);

    gpbColor = Place(new QGroupBox(tr("Color"), this), "gpbColor", 8, 112, 137, 81);
    lblColor = FixedLabel(gpbColor, "lblColor", tr("Color : ") + tr("Red"), 8, 24, 121, 17);
    cboColor = Place(new QComboBox(gpbColor), "cboColor", 8, 48, 121, 21);
    cboColor->setEditable(true);
    lblColor->setBuddy(cboColor);
    // A dropped file is a log to load, never the colour's text.
    cboColor->lineEdit()->setAcceptDrops(false);
    // The five colours stay the only items; typed text is looked up, never added.
    cboColor->setInsertPolicy(QComboBox::NoInsert);
    // The label follows what is typed, not what a completion would make of it.
    cboColor->setCompleter(nullptr);
    cboColor->addItems({tr("Red"), tr("Blue"), tr("Yellow"), tr("Green"), tr("Orange")});
    cboColor->setCurrentIndex(0);

    chkChecksum =
        Place(new QCheckBox(tr("Check checksum"), this), "chkChecksum", 152, 112, 105, 25);
    CondenseToFit(chkChecksum);
    btnView = Place(new QPushButton(tr("&View KML"), this), "btnView", 152, 168, 57, 25);
    // Shown only while converting, in the free room left of Go.
    btnCancel = Place(new QPushButton(tr("Cancel"), this), "btnCancel", 248, 168, 57, 25);
    // Esc stops at once: a button's own shortcut would click it 100 ms later.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &TfrmMain::btnCancelClick);
    btnCancel->hide();
    btnGo = Place(new QPushButton(tr("&Go"), this), "btnGo", 312, 168, 57, 25);
    btnGo->setDefault(true);
    btnExit = Place(new QPushButton(tr("E&xit"), this), "btnExit", 376, 168, 57, 25);
    // Enter on a button with the focus is that button's click, as Space is.
    for (QPushButton *button : {btnLoad, btnView, btnCancel, btnGo, btnExit})
        button->setAutoDefault(true);

    StatusBar1 = Place(new QStatusBar(this), "StatusBar1", 0, 197, 441, 17);
    StatusBar1->setSizeGripEnabled(false);
    prgProgress = new QProgressBar(StatusBar1);
    prgProgress->setObjectName(QStringLiteral("prgProgress"));
    prgProgress->setRange(0, ProgressSteps);
    prgProgress->setFixedSize(140, 13);
    StatusBar1->addPermanentWidget(prgProgress);
    prgProgress->hide();

    // The result, beside the controls; hidden, and the window its first
    // size, until a run has one.
    pnlResult = Place(new QWidget(this), "pnlResult", ClientWidth, 0, ResultWidth, ClientHeight);
    gpbResult = Place(new QGroupBox(tr("Result"), pnlResult), "gpbResult", 0, 8, 392, 153);
    lblTrack = Place(new QLabel(gpbResult), "lblTrack", 8, 20, 180, 125);
    lblTrack->setAlignment(Qt::AlignCenter);
    lblTrack->setTextFormat(Qt::PlainText);
    lblSummary = FixedLabel(gpbResult, "lblSummary", QString(), 196, 20, 188, 125);
    lblSummary->setWordWrap(true);
    btnOpenKml = Place(new QPushButton(tr("Open &KML"), pnlResult), "btnOpenKml", 96, 168, 96, 25);
    btnShowFolder =
        Place(new QPushButton(tr("Show in &folder"), pnlResult), "btnShowFolder", 196, 168, 96, 25);
    btnOpenReport =
        Place(new QPushButton(tr("Open &report"), pnlResult), "btnOpenReport", 296, 168, 96, 25);
    for (QPushButton *button : {btnOpenKml, btnShowFolder, btnOpenReport})
        button->setAutoDefault(true);
    pnlResult->hide();

    mnuRecent = new QMenu(btnLoad);
    mnuRecent->setObjectName(QStringLiteral("mnuRecent"));
    btnLoad->installEventFilter(this);
    btnLoad->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(btnLoad, &QWidget::customContextMenuRequested, this, &TfrmMain::ShowRecentLogs);

    // What screen readers say: the group boxes must not name what is in them.
    Describe(lblFile, tr("NMEA File:"), tr("Names the field of the log"));
    Describe(edtFile, tr("NMEA file"), tr("The log to convert"));
    Describe(btnLoad, tr("Load a log"),
             tr("Chooses the log to convert; the Down arrow lists the recent logs"));
    Describe(lblSource, tr("Source"), tr("The log that is converted"));
    Describe(lblTarget, tr("Target"), tr("The KML document that is written"));
    Describe(lblColor, tr("Chosen color"), tr("The color of the placemark icons"));
    Describe(cboColor, tr("Icon color"), tr("The color of the placemark icons"));
    Describe(chkChecksum, tr("Check checksums"), tr("Stops at a sentence whose checksum is wrong"));
    Describe(btnView, tr("View the KML"), tr("Opens the folder of the log"));
    Describe(btnCancel, tr("Cancel the conversion"), tr("Stops the conversion; Esc does too"));
    Describe(btnGo, tr("Convert"), tr("Converts the log into the KML document"));
    Describe(btnExit, tr("Exit"), tr("Ends the program"));
    Describe(prgProgress, tr("Conversion progress"), tr("The share of the log read"));
    Describe(StatusBar1, tr("Status line"), QString());
    Describe(mnuRecent, tr("Recent logs"), tr("The logs loaded last"));
    Describe(gpbResult, tr("Result"), QString());
    Describe(lblTrack, tr("Ground track"), tr("The track of the log seen from above, north up"));
    Describe(lblSummary, tr("Summary"), tr("What the log holds and what was left out"));
    Describe(btnOpenKml, tr("Open the KML"), tr("Opens the KML in the desktop's KML viewer"));
    Describe(btnShowFolder, tr("Show the KML in its folder"),
             tr("Opens the file browser with the KML selected"));
    Describe(btnOpenReport, tr("Open the report"),
             tr("Writes the report beside the log and opens it in the web browser"));

    // Every control draws its focus plainly.
    auto *focusStyle = new PlainFocusStyle;
    focusStyle->setParent(this);
    for (QWidget *control : findChildren<QWidget *>())
        control->setStyle(focusStyle);

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    // The patterns in brackets match the extensions in any case; the names
    // show the plain patterns.
    OpenDialog1->setOption(QFileDialog::HideNameFilterDetails);
    OpenDialog1->setNameFilters({tr("NMEA logs (*.nmea *.nma *.log *.txt)") + QStringLiteral(" (") +
                                     LogPatterns.join(QLatin1Char(' ')) + QLatin1Char(')'),
                                 tr("All files (*)")});
    // The dialog goes there when it opens: setting its folder now would have
    // it read the folder at once, and leaving would wait for that.
    const QString lastFolder = settings_.value(FolderKey).toString();
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir())
        dialogFolder_ = lastFolder;

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(1000);

    openPause_ = new QTimer(this);
    openPause_->setSingleShot(true);
    donePause_ = new QTimer(this);
    donePause_->setSingleShot(true);
    progressPoll_ = new QTimer(this);
    progressPoll_->setInterval(ProgressPollMs);

    // Group boxes take no focus; inside them the order is Load, then the file name.
    setTabOrder(btnLoad, edtFile);
    setTabOrder(edtFile, cboColor);
    setTabOrder(cboColor, btnCancel);
    setTabOrder(btnCancel, btnGo);
    setTabOrder(btnGo, btnExit);
    setTabOrder(btnExit, btnView);
    setTabOrder(btnView, chkChecksum);
    setTabOrder(chkChecksum, btnOpenKml);
    setTabOrder(btnOpenKml, btnShowFolder);
    setTabOrder(btnShowFolder, btnOpenReport);

    connect(btnLoad, &QPushButton::clicked, this, &TfrmMain::btnLoadClick);
    connect(btnGo, &QPushButton::clicked, this, &TfrmMain::btnGoClick);
    connect(btnView, &QPushButton::clicked, this, &TfrmMain::btnViewClick);
    connect(btnExit, &QPushButton::clicked, this, &TfrmMain::btnExitClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmMain::btnCancelClick);
    connect(btnOpenKml, &QPushButton::clicked, this, &TfrmMain::btnOpenKmlClick);
    connect(btnShowFolder, &QPushButton::clicked, this, &TfrmMain::btnShowFolderClick);
    connect(btnOpenReport, &QPushButton::clicked, this, &TfrmMain::btnOpenReportClick);
    connect(cboColor, &QComboBox::currentTextChanged, this, &TfrmMain::cboColorChange);
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    connect(openPause_, &QTimer::timeout, this, &TfrmMain::StartReading);
    connect(donePause_, &QTimer::timeout, Timer1, qOverload<>(&QTimer::start));
    connect(progressPoll_, &QTimer::timeout, this, &TfrmMain::ShowProgress);
    connect(qApp, &QApplication::focusChanged, this, &TfrmMain::FollowFocus);

    FormCreate();

    // The options of the last start; remembered as they change.
    const int colour = settings_.value(ColourKey, 0).toInt();
    if (colour >= 0 && colour < cboColor->count())
        cboColor->setCurrentIndex(colour);
    chkChecksum->setChecked(settings_.value(ChecksumKey, false).toBool());
    connect(cboColor, &QComboBox::currentTextChanged, this, [this] {
        if (ColourIndex() >= 0)
            settings_.setValue(ColourKey, ColourIndex());
    });
    connect(chkChecksum, &QCheckBox::toggled, this,
            [this](bool on) { settings_.setValue(ChecksumKey, on); });
}

TfrmMain::~TfrmMain() {
    cancel_ = true;
    if (worker_)
        worker_->wait();
    if (reportWriter_)
        reportWriter_->wait();
}

void TfrmMain::FollowFocus() {
    auto *button = qobject_cast<QPushButton *>(QApplication::focusWidget());
    const bool otherButton = button && button != btnGo && button->window() == this;
    if (btnGo->isDefault() == otherButton)
        btnGo->setDefault(!otherButton);
}

void TfrmMain::FormCreate() {
    // The decoding state is no longer the window's: every conversion builds
    // its own. What is left is the state the window starts in.
    btnGo->setEnabled(false);
    btnView->setEnabled(false);
    chkChecksum->setChecked(false);
    chkChecksum->setEnabled(true);
    Timer1->stop();
    SetStatus(tr("Ready"));
}

int TfrmMain::ColourIndex() const {
    const QString typed = cboColor->currentText().trimmed();
    for (int i = 0; i < cboColor->count(); ++i) {
        if (cboColor->itemText(i).compare(typed, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TfrmMain::btnLoadClick() {
    if (!dialogFolder_.isEmpty())
        OpenDialog1->setDirectory(dialogFolder_);
    const std::optional<QString> chosen = dialogs_.ChooseFile(*OpenDialog1);
    if (chosen)
        LoadFile(*chosen);
}

QStringList TfrmMain::RecentLogs() const {
    return settings_.value(RecentKey).toStringList();
}

void TfrmMain::Remember(const QString &log) {
    QStringList recent = RecentLogs();
    recent.removeAll(log);
    recent.prepend(log);
    settings_.setValue(RecentKey, recent.mid(0, RecentCount));
}

void TfrmMain::ShowRecentLogs() {
    if (Converting())
        return;
    mnuRecent->clear();
    for (const QString &log : RecentLogs()) {
        // "&" would be read as a mnemonic.
        QAction *item = mnuRecent->addAction(
            QString(Shown(log)).replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setEnabled(QFileInfo(log).isFile());
        connect(item, &QAction::triggered, this, [this, log] { LoadFile(log); });
    }
    if (mnuRecent->isEmpty())
        mnuRecent->addAction(tr("No recent logs"))->setEnabled(false);
    mnuRecent->popup(btnLoad->mapToGlobal(QPoint(0, btnLoad->height())));
    mnuRecent->setActiveAction(mnuRecent->actions().first());
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event) {
    if (watched == btnLoad && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Menu) {
            ShowRecentLogs();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::LoadFile(const QString &path) {
    if (Converting())
        return;
    batchLogs_.clear();
    sourcePath_ = path;
    targetPath_ = FromLocalPath(conversion::TargetPathFor(ToLocalPath(sourcePath_)));
    edtFile->setText(Shown(sourcePath_));
    ShowPath(lblSource, tr("Source : "), sourcePath_);
    ShowPath(lblTarget, tr("Target : "), targetPath_);
    btnGo->setEnabled(true);
    const QString folder = QFileInfo(sourcePath_).absolutePath();
    dialogFolder_ = folder;
    settings_.setValue(FolderKey, folder);
    Remember(QFileInfo(sourcePath_).absoluteFilePath());
}

void TfrmMain::LoadFiles(const QStringList &paths) {
    if (Converting())
        return;
    const QStringList logs = LogsOf(paths);
    if (paths.size() == 1 && logs.size() == 1 && !QFileInfo(paths.first()).isDir()) {
        LoadFile(logs.first());
        return;
    }
    if (logs.isEmpty()) {
        dialogs_.ShowMessage(this, tr("No NMEA logs (*.nmea *.nma *.log *.txt) in %1")
                                       .arg(Shown(paths.join(QStringLiteral(", ")))));
        return;
    }
    batchLogs_ = logs;
    sourcePath_ = logs.first();
    targetPath_.clear();
    QStringList names;
    for (const QString &log : logs)
        names << QFileInfo(log).fileName();
    edtFile->setText(Shown(names.join(QStringLiteral(", "))));
    const QString folder = QFileInfo(logs.first()).absolutePath();
    ShowPath(lblSource, tr("Source : ") + tr("%n log(s) in ", nullptr, int(logs.size())), folder);
    lblTarget->setText(tr("Target : ") + tr("a KML beside each log"));
    lblTarget->setToolTip(QString());
    btnGo->setEnabled(true);
    dialogFolder_ = folder;
    settings_.setValue(FolderKey, folder);
}

conversion::ConversionOptions TfrmMain::ChosenOptions() const {
    conversion::ConversionOptions options;
    options.colourIndex = ColourIndex();
    options.verifyChecksums = chkChecksum->isChecked();
    return options;
}

void TfrmMain::btnGoClick() {
    // Go stays enabled while converting; a second run waits for the first.
    if (Converting())
        return;
    if (!batchLogs_.isEmpty()) {
        StartBatch();
        return;
    }
    const QFileInfo target(targetPath_);
    // A folder in the way is no file to replace: the run reports it.
    const bool replaces = target.exists() && !target.isDir();
    if (replaces &&
        !dialogs_.AskOkCancel(this, tr("Replace the KML?"),
                              tr("%1 already exists in %2.\nDo you want to replace it?")
                                  .arg(Shown(target.fileName()), Shown(target.absolutePath())))) {
        return;
    }
    StartRun(sourcePath_, targetPath_, ChosenOptions(), replaces);
}

void TfrmMain::StartBatch() {
    batch_.clear();
    QSet<QString> targets;
    bool replaceAll = false;
    bool skipAll = false;
    for (const QString &log : batchLogs_) {
        BatchJob job;
        job.log = log;
        job.target = FromLocalPath(conversion::TargetPathFor(ToLocalPath(log)));
        const QFileInfo target(job.target);
        if (targets.contains(target.absoluteFilePath())) {
            // a.nmea and a.log: the second would replace the first's KML.
            job.skipped = tr("skipped: the same KML as an earlier log");
        } else if (target.exists() && !target.isDir()) {
            ReplaceAnswer answer =
                replaceAll ? ReplaceAnswer::Replace
                : skipAll  ? ReplaceAnswer::Skip
                           : dialogs_.AskReplace(this, tr("%1 already exists in %2.\nDo you "
                                                           "want to replace it?")
                                                           .arg(Shown(target.fileName()),
                                                                Shown(target.absolutePath())));
            replaceAll = replaceAll || answer == ReplaceAnswer::ReplaceAll;
            skipAll = skipAll || answer == ReplaceAnswer::SkipAll;
            job.replaces = answer == ReplaceAnswer::Replace || answer == ReplaceAnswer::ReplaceAll;
            if (!job.replaces)
                job.skipped = tr("skipped: the KML was there and was left as it was");
        }
        targets.insert(target.absoluteFilePath());
        batch_ << job;
    }
    batchBytes_ = 0;
    batchBytesDone_ = 0;
    summarisedJob_ = -1;
    for (int i = 0; i < batch_.size(); ++i) {
        if (batch_[i].skipped.isEmpty()) {
            batchBytes_ += QFileInfo(batch_[i].log).size();
            summarisedJob_ = i;
        }
    }
    // The result shown is the last log's: its summary pass is a second read.
    if (summarisedJob_ >= 0)
        batchBytes_ += QFileInfo(batch_[summarisedJob_].log).size();
    HideFound();
    batchNext_ = 0;
    batchRunning_ = true;
    runOptions_ = ChosenOptions();
    NextBatchJob();
}

void TfrmMain::NextBatchJob() {
    while (batchNext_ < batch_.size() && !batch_[batchNext_].skipped.isEmpty())
        batch_[batchNext_++].finished = true;
    if (batchNext_ >= batch_.size()) {
        ShowBatchResults();
        return;
    }
    const BatchJob &job = batch_[batchNext_];
    // The pause before reading is the first log's only.
    const bool first = std::none_of(batch_.begin(), batch_.begin() + batchNext_,
                                    [](const BatchJob &j) { return j.skipped.isEmpty(); });
    StartRun(job.log, job.target, runOptions_, job.replaces);
    if (!first && phase_ == Phase::Opened) {
        openPause_->stop();
        StartReading();
    }
}

void TfrmMain::BatchFinished(const conversion::ConversionOutcome &outcome) {
    const bool summarised = batchNext_ == summarisedJob_;
    BatchJob &job = batch_[batchNext_++];
    job.outcome = outcome;
    job.finished = true;
    batchBytesDone_ += QFileInfo(job.log).size() * (summarised ? 2 : 1);
    if (summarised && outcome.kind == conversion::OutcomeKind::Done && arrived_ &&
        !arrived_->cancelled)
        ShowFound(arrived_, job.log, job.target);
    if (outcome.kind != conversion::OutcomeKind::Cancelled) {
        NextBatchJob();
        return;
    }
    for (int i = batchNext_; i < batch_.size(); ++i) {
        if (batch_[i].skipped.isEmpty())
            batch_[i].skipped = tr("not converted: the run was cancelled");
    }
    batchNext_ = int(batch_.size());
    ShowBatchResults();
}

QString TfrmMain::BatchResult(const BatchJob &job) const {
    if (!job.skipped.isEmpty())
        return job.skipped;
    const conversion::ConversionOutcome &outcome = job.outcome;
    const QString reason = SystemText(outcome.systemError);
    using conversion::OutcomeKind;
    switch (outcome.kind) {
    case OutcomeKind::Done: {
        QString text = Placemarks(outcome.counts.placemarks);
        if (outcome.counts.placemarks == 0)
            text += QStringLiteral(" (%1)").arg(
                NoPlacemarkText(outcome.counts).remove(tr("; try --any-talker")));
        if (outcome.counts.badChecksums > 0)
            text += QStringLiteral(", ") +
                    tr("%n bad sentence(s) skipped", nullptr, int(outcome.counts.badChecksums));
        return text;
    }
    case OutcomeKind::FormatError:
        return tr("NMEA format error! line %1: checksum mismatch; no KML written")
            .arg(outcome.line);
    case OutcomeKind::Cancelled:
        return job.replaces ? tr("cancelled: the KML was left as it was")
                            : tr("cancelled: no KML written");
    case OutcomeKind::SourceNotOpenable:
        return tr("file read open error: %1").arg(reason);
    case OutcomeKind::TargetNotOpenable:
    case OutcomeKind::TargetExists:
        return tr("file write open error: %1").arg(reason);
    case OutcomeKind::ReadFailed:
        return tr("file read error: %1; no KML written").arg(reason);
    case OutcomeKind::WriteFailed:
        return tr("file write error: %1; nothing kept").arg(reason);
    }
    return {};
}

void TfrmMain::ShowBatchResults() {
    batchRunning_ = false;
    EndRun();
    QList<RunResult> results;
    int converted = 0;
    bool cancelled = false;
    for (const BatchJob &job : batch_) {
        const bool done =
            job.skipped.isEmpty() && job.outcome.kind == conversion::OutcomeKind::Done;
        cancelled = cancelled || (job.skipped.isEmpty() &&
                                  job.outcome.kind == conversion::OutcomeKind::Cancelled);
        converted += done ? 1 : 0;
        results << RunResult{Shown(job.log), Shown(job.target), BatchResult(job), done};
    }
    const QString count =
        tr("%1 of %n log(s) converted", nullptr, int(batch_.size())).arg(converted);
    chkChecksum->setEnabled(true);
    if (cancelled) {
        SetStatus(tr("Cancelled: ") + count);
    } else {
        btnGo->setEnabled(false);
        if (converted > 0)
            btnView->setEnabled(true);
        SetStatus(tr("Done !! ") + count);
        donePause_->start(dialogs_.PauseLength(DonePauseMs));
    }
    dialogs_.ShowResults(this, results);
}

void TfrmMain::StartRun(const QString &source, const QString &target,
                        const conversion::ConversionOptions &options, bool replaceExisting) {
    Timer1->stop();
    donePause_->stop();
    phase_ = Phase::Opened;
    runSource_ = source;
    runTarget_ = target;
    runReplaces_ = replaceExisting;
    runOptions_ = options;
    cancel_ = false;
    bytesRead_ = 0;
    summaryBytesRead_ = 0;
    summarising_ = false;
    arrived_.reset();
    runSummarised_ = !batchRunning_ || batchNext_ == summarisedJob_;
    if (!batchRunning_)
        HideFound();
    chkChecksum->setEnabled(false);
    SetStatus(batchRunning_ ? tr("Converting %1 of %2 ...").arg(batchNext_ + 1).arg(batch_.size())
                            : tr("Converting ..."));
    if (!batchRunning_ || prgProgress->isHidden())
        prgProgress->setValue(0);
    prgProgress->show();
    btnCancel->show();
    // A log loaded now would not be the one converted.
    if (btnLoad->hasFocus())
        btnCancel->setFocus();
    btnLoad->setEnabled(false);

    conversion::ConversionRequest request;
    request.sourcePath = ToLocalPath(runSource_);
    request.targetPath = ToLocalPath(runTarget_);
    request.options = options;
    // A file that turns up after the question is not replaced unasked.
    request.replaceExisting = replaceExisting;
    request.cancel = &cancel_;
    request.bytesRead = &bytesRead_;
    job_ = std::make_unique<conversion::FileConversion>(request);

    using conversion::OutcomeKind;
    const conversion::ConversionOutcome opened = job_->Open();
    if (opened.kind != OutcomeKind::Done) {
        job_.reset();
        RunFinished(opened);
        return;
    }
    sourceSize_ = QFileInfo(runSource_).size();
    openPause_->start(dialogs_.PauseLength(OpenPauseMs));
}

void TfrmMain::StartReading() {
    phase_ = Phase::Reading;
    progressPoll_->start();
    conversion::FileConversion *job = job_.get();
    // The summary pass reads the log again with the run's options, so that
    // its report is the batch converter's for the same options.
    conversion::ConversionRequest summary;
    summary.sourcePath = ToLocalPath(runSource_);
    summary.options = runOptions_;
    summary.cancel = &cancel_;
    summary.bytesRead = &summaryBytesRead_;
    const bool summarise = runSummarised_;
    const QSize trackSize = lblTrack->size();
    const qreal ratio = devicePixelRatioF();
    worker_.reset(QThread::create([this, job, summary, summarise, trackSize, ratio] {
        // Behind the window in the queue for the processor: on a busy
        // machine the window still gets its turn at once. The writer thread
        // of the run inherits this.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), WorkerNiceness);
        const conversion::ConversionOutcome outcome = job->Run();
        std::shared_ptr<Found> found;
        if (summarise && outcome.kind == conversion::OutcomeKind::Done) {
            summarising_ = true;
            found = std::make_shared<Found>();
            const conversion::ConversionOutcome read =
                conversion::AnalyseLog(summary, found->report);
            if (read.kind == conversion::OutcomeKind::Done) {
                found->summary = report::Summarise(found->report);
                found->track = TrackPicture(
                    report::GroundTrackSvg(found->report, trackSize.width(), trackSize.height()),
                    trackSize, ratio);
            } else if (read.kind == conversion::OutcomeKind::Cancelled) {
                found->cancelled = true;
            } else {
                found.reset(); // the KML stands; there is just no result to show
            }
        }
        // Dropped if the window is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, outcome, found] {
                arrived_ = found;
                RunFinished(outcome);
            },
            Qt::QueuedConnection);
    }));
    worker_->setObjectName(QStringLiteral("conversion"));
    worker_->start();
}

void TfrmMain::ShowProgress() {
    // The summary pass reads the log a second time: the bar covers both.
    const qint64 whole = batchRunning_ ? batchBytes_ : sourceSize_ * (runSummarised_ ? 2 : 1);
    if (whole <= 0) {
        prgProgress->setRange(0, 0); // a pipe or a device: no share to show
        return;
    }
    const uint64_t done = batchRunning_ ? static_cast<uint64_t>(batchBytesDone_) : 0;
    const uint64_t read = std::min<uint64_t>(done + bytesRead_.load(std::memory_order_relaxed) +
                                                 summaryBytesRead_.load(std::memory_order_relaxed),
                                             static_cast<uint64_t>(whole));
    prgProgress->setValue(static_cast<int>(read * ProgressSteps / static_cast<uint64_t>(whole)));
}

void TfrmMain::EndRun() {
    phase_ = Phase::Idle;
    openPause_->stop();
    progressPoll_->stop();
    if (batchRunning_)
        return; // the next log follows on the same bar
    prgProgress->hide();
    prgProgress->setRange(0, ProgressSteps);
    // Focus never falls to Exit when the control holding it goes away.
    btnLoad->setEnabled(true);
    btnLoad->setFocus();
    btnCancel->hide();
}

void TfrmMain::RunFinished(const conversion::ConversionOutcome &outcome) {
    if (worker_) {
        worker_->wait();
        worker_.reset();
    }
    job_.reset();
    const bool batch = batchRunning_;
    if (batch && outcome.kind == conversion::OutcomeKind::Cancelled)
        batchRunning_ = false; // no next log: the bar and the buttons go
    if (phase_ != Phase::Idle)
        EndRun();
    if (asking_)
        endedWhileAsked_ = true;
    lastOutcome_ = outcome;
    if (batch) {
        BatchFinished(outcome);
        return;
    }

    using conversion::OutcomeKind;
    const QString target = Shown(runTarget_);
    const QString source = Shown(runSource_);
    const QString reason = SystemText(outcome.systemError);
    const QString failed =
        runReplaces_ ? tr("Failed: the KML was left as it was") : tr("Failed: no KML written");
    switch (outcome.kind) {
    case OutcomeKind::Done:
        ShowDone(outcome);
        return;
    case OutcomeKind::FormatError: {
        BackToReady(tr("Ready"));
        const QString text =
            tr("NMEA format error! %1, line %2: checksum mismatch; no KML written.\n\n"
               "Convert the log leaving out the sentences whose checksum is wrong?")
                .arg(source)
                .arg(outcome.line);
        if (dialogs_.Offer(this, text, tr("Skip bad sentences"))) {
            conversion::ConversionOptions options = runOptions_;
            options.verifyChecksums = true;
            options.badChecksum = conversion::BadChecksumPolicy::Skip;
            StartRun(runSource_, runTarget_, options, runReplaces_);
        }
        return;
    }
    case OutcomeKind::Cancelled:
        BackToReady(runReplaces_ ? tr("Cancelled: the KML was left as it was")
                                 : tr("Cancelled: no KML written"));
        return;
    case OutcomeKind::SourceNotOpenable:
        BackToReady(failed);
        dialogs_.ShowMessage(this, tr("file read open error: %1: %2").arg(source, reason));
        return;
    case OutcomeKind::TargetNotOpenable:
        BackToReady(failed);
        dialogs_.ShowMessage(
            this, tr("file write open error: %1: %2").arg(target, reason) +
                      (QFileInfo(runTarget_).isDir()
                           ? tr("\nA folder of that name is in the way; move or rename it and "
                                "press Go again.")
                           : QString()));
        return;
    case OutcomeKind::TargetExists:
        BackToReady(failed);
        dialogs_.ShowMessage(this, tr("file write open error: %1: %2\nIt appeared during the "
                                      "conversion and was left as it is; press Go again to "
                                      "replace it.")
                                       .arg(target, reason));
        return;
    case OutcomeKind::ReadFailed:
        BackToReady(failed);
        dialogs_.ShowMessage(this,
                             tr("file read error: %1: %2; no KML written").arg(source, reason));
        return;
    case OutcomeKind::WriteFailed:
        BackToReady(failed);
        dialogs_.ShowMessage(this,
                             tr("file write error: %1: %2; nothing kept").arg(target, reason));
        return;
    }
}

void TfrmMain::ShowDone(const conversion::ConversionOutcome &outcome) {
    const conversion::ConversionCounts &counts = outcome.counts;
    QString status = tr("Done !! ") + Placemarks(counts.placemarks);
    if (counts.badChecksums > 0) {
        status += QStringLiteral(", ") + tr("%n bad sentence(s) skipped (first on line %1)",
                                            nullptr, static_cast<int>(counts.badChecksums))
                                             .arg(counts.firstBadChecksumLine);
    }
    if (arrived_ && arrived_->cancelled)
        status += tr("; the result was cancelled");
    else if (arrived_)
        ShowFound(arrived_, runSource_, runTarget_);
    btnGo->setEnabled(false);
    btnView->setEnabled(true);
    chkChecksum->setEnabled(true);
    SetStatus(status);
    StatusBar1->setToolTip(Shown(runTarget_));
    donePause_->start(dialogs_.PauseLength(DonePauseMs));
    if (counts.placemarks > 0)
        return;

    QString why = NoPlacemarkText(counts);
    const QString text = tr("No placemark was written to %1: ").arg(Shown(runTarget_));
    if (counts.otherTalkersSeen > 0 && !runOptions_.anyTalker) {
        // The window offers the step that the batch converter's hint names.
        why.remove(tr("; try --any-talker"));
        if (dialogs_.Offer(this,
                           text + why + tr(".\n\nConvert the fixes of the other talkers too?"),
                           tr("Convert them too"))) {
            conversion::ConversionOptions options = runOptions_;
            options.anyTalker = true;
            // The document just written is replaced.
            sourcePath_ = runSource_;
            targetPath_ = runTarget_;
            StartRun(runSource_, runTarget_, options, true);
        }
        return;
    }
    dialogs_.ShowMessage(this, text + why + QStringLiteral("."));
}

void TfrmMain::BackToReady(const QString &status) {
    chkChecksum->setEnabled(true);
    SetStatus(status);
}

void TfrmMain::btnCancelClick() {
    if (phase_ == Phase::Opened) {
        // Nothing read yet: closing the files discards the temporary one.
        job_.reset();
        conversion::ConversionOutcome cancelled;
        cancelled.kind = conversion::OutcomeKind::Cancelled;
        RunFinished(cancelled);
    } else if (phase_ == Phase::Reading) {
        cancel_ = true;
        SetStatus(tr("Cancelling ..."));
    }
}

void TfrmMain::StopRun() {
    cancel_ = true;
    batchRunning_ = false;
    openPause_->stop();
    if (worker_) {
        worker_->wait();
        worker_.reset();
    }
    job_.reset();
    EndRun();
}

QString TfrmMain::QuitConsequence() const {
    const QString kept =
        runReplaces_ ? tr("The KML is left as it was.") : tr("The KML is not written.");
    if (!batchRunning_)
        return tr("%1 is being converted.\nStop and quit? %2").arg(Shown(runSource_), kept);
    return tr("%1 is being converted (log %2 of %3).\nStop and quit? %4 The logs converted "
              "before keep their KML.")
        .arg(Shown(runSource_))
        .arg(batchNext_ + 1)
        .arg(batch_.size())
        .arg(kept);
}

bool TfrmMain::StopRunAsked() {
    if (!Converting())
        return true;
    // The KML is in place; only the result would be lost.
    if (summarising_) {
        StopRun();
        return true;
    }
    asking_ = true;
    endedWhileAsked_ = false;
    const bool quit = dialogs_.AskToQuit(this, tr("Stop the conversion?"), QuitConsequence());
    asking_ = false;
    if (!quit)
        return false;
    if (Converting()) {
        StopRun();
        return true;
    }
    // The run ended while the question was open: what it said no longer
    // holds, so the user hears what quitting means now.
    QString ended;
    if (batch_.isEmpty() || batchLogs_.isEmpty()) {
        ended = lastOutcome_.kind == conversion::OutcomeKind::Done
                    ? tr("The conversion has ended meanwhile: %1 is written with %2.")
                          .arg(Shown(runTarget_), Placemarks(lastOutcome_.counts.placemarks))
                    : tr("The conversion has ended meanwhile, without a KML.");
    } else {
        ended = tr("The conversion has ended meanwhile: %1").arg(StatusBar1->currentMessage());
    }
    return dialogs_.AskToQuit(this, tr("Quit?"), ended + QLatin1Char('\n') + tr("Quit now?"));
}

void TfrmMain::btnViewClick() {
    if (sourcePath_.isEmpty())
        return;
    if (!dialogs_.OpenFolder(QFileInfo(sourcePath_).absolutePath())) {
        const QString kml = targetPath_.isEmpty()
                                ? FromLocalPath(conversion::TargetPathFor(ToLocalPath(sourcePath_)))
                                : targetPath_;
        dialogs_.ShowMessage(this, tr("No file browser could be started.\nThe KML is at: %1")
                                       .arg(Shown(QFileInfo(kml).absoluteFilePath())));
    }
}

void TfrmMain::HideFound() {
    found_.reset();
    pnlResult->hide();
    setFixedSize(ClientWidth, ClientHeight);
}

void TfrmMain::ShowFound(std::shared_ptr<const Found> found, const QString &log,
                         const QString &kml) {
    found_ = std::move(found);
    foundLog_ = log;
    foundKml_ = kml;
    const QString name = Shown(QFileInfo(log).fileName());
    const QFontMetrics metrics(gpbResult->font());
    gpbResult->setTitle(
        metrics.elidedText(tr("Result: %1").arg(name), Qt::ElideMiddle, gpbResult->width() - 20));
    gpbResult->setToolTip(Shown(log));
    Describe(gpbResult, tr("Result: %1").arg(name), QString());
    if (found_->summary.points == 0) {
        lblTrack->setText(tr("No position in the log"));
    } else {
        lblTrack->setPixmap(QPixmap::fromImage(found_->track));
    }
    const QString summary = SummaryText(found_->summary);
    lblSummary->setText(summary);
    lblSummary->setToolTip(summary);
    lblSummary->setAccessibleDescription(summary);
    pnlResult->show();
    setFixedSize(ClientWidth + ResultWidth, ClientHeight);
    // Grown to the right: kept on its screen.
    if (const QScreen *screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        const int overhang = frameGeometry().right() - room.right();
        if (overhang > 0)
            move(std::max(room.left(), x() - overhang), y());
    }
}

void TfrmMain::btnOpenKmlClick() {
    if (!found_)
        return;
    if (!dialogs_.OpenDocument(foundKml_))
        dialogs_.ShowMessage(this, tr("No program for KML files could be started.\nThe KML is "
                                      "at: %1")
                                       .arg(Shown(QFileInfo(foundKml_).absoluteFilePath())));
}

void TfrmMain::btnShowFolderClick() {
    if (!found_)
        return;
    if (!dialogs_.ShowInFolder(foundKml_))
        dialogs_.ShowMessage(this, tr("No file browser could be started.\nThe KML is at: %1")
                                       .arg(Shown(QFileInfo(foundKml_).absoluteFilePath())));
}

void TfrmMain::btnOpenReportClick() {
    // One page at a time; a second press meanwhile is the same request.
    if (!found_ || reportWriter_)
        return;
    const QString page = FromLocalPath(conversion::TargetPathFor(ToLocalPath(foundLog_), ".html"));
    const QFileInfo target(page);
    // A folder in the way is no file to replace: writing reports it.
    const bool replaces = target.exists() && !target.isDir();
    if (replaces &&
        !dialogs_.AskOkCancel(this, tr("Replace the report?"),
                              tr("%1 already exists in %2.\nDo you want to replace it?")
                                  .arg(Shown(target.fileName()), Shown(target.absolutePath())))) {
        return;
    }
    // On a thread of its own: replacing a page waits for the disk.
    reportWriter_.reset(QThread::create([this, found = found_, log = ToLocalPath(foundLog_), page,
                                         replaces] {
        const conversion::ConversionOutcome written =
            conversion::WriteReport(found->report, log, ToLocalPath(page), replaces);
        QMetaObject::invokeMethod(
            this, [this, written, page] { ReportWritten(written, page); }, Qt::QueuedConnection);
    }));
    reportWriter_->start();
}

void TfrmMain::ReportWritten(const conversion::ConversionOutcome &written, const QString &page) {
    reportWriter_->wait();
    reportWriter_.reset();
    const QString shown = Shown(page);
    const QString reason = SystemText(written.systemError);
    using conversion::OutcomeKind;
    switch (written.kind) {
    case OutcomeKind::Done:
        if (!dialogs_.OpenDocument(page))
            dialogs_.ShowMessage(
                this, tr("No web browser could be started.\nThe report is at: %1").arg(shown));
        return;
    case OutcomeKind::TargetExists:
        dialogs_.ShowMessage(this, tr("file write open error: %1: %2\nIt appeared meanwhile and "
                                      "was left as it is; press Open report again to replace it.")
                                       .arg(shown, reason));
        return;
    case OutcomeKind::TargetNotOpenable:
        dialogs_.ShowMessage(this, tr("file write open error: %1: %2").arg(shown, reason));
        return;
    default:
        dialogs_.ShowMessage(this, tr("file write error: %1: %2; nothing kept").arg(shown, reason));
        return;
    }
}

void TfrmMain::btnExitClick() {
    if (StopRunAsked())
        dialogs_.EndProgram(0);
}

void TfrmMain::closeEvent(QCloseEvent *event) {
    if (StopRunAsked())
        event->accept();
    else
        event->ignore();
}

void TfrmMain::keyPressEvent(QKeyEvent *event) {
    // Go is the default button: Enter that no control took starts it.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier && btnGo->isEnabled() && btnGo->isDefault() &&
        !Converting()) {
        btnGo->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

namespace {

// The local files and folders of a drag; nothing when anything else is in it.
QStringList DroppedPaths(const QMimeData *data) {
    if (!data || !data->hasUrls())
        return {};
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

} // namespace

void TfrmMain::dragEnterEvent(QDragEnterEvent *event) {
    if (!Converting() && !DroppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent *event) {
    const QStringList paths = DroppedPaths(event->mimeData());
    if (Converting() || paths.isEmpty())
        return;
    event->acceptProposedAction();
    LoadFiles(paths);
}

void TfrmMain::cboColorChange(const QString &text) {
    lblColor->setText(tr("Color : ") + text);
}

void TfrmMain::Timer1Timer() {
    SetStatus(tr("Ready"));
    Timer1->stop();
}

void TfrmMain::SetStatus(const QString &text) {
    // Screen readers hear the status line when it changes; whoever follows
    // the message finds the description set already.
    StatusBar1->setAccessibleDescription(text);
    QAccessibleEvent changed(StatusBar1, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
    StatusBar1->showMessage(text);
}
