#include "main_window.h"

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

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
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include "conversion/no_placemark.h"

namespace {

const QString SourcePrefix = QStringLiteral("Source : ");
const QString TargetPrefix = QStringLiteral("Target : ");
const QString ColourPrefix = QStringLiteral("Color : ");
constexpr int OpenPauseMs = 1000;
constexpr int DonePauseMs = 2000;
constexpr int ProgressSteps = 1000;
constexpr int ProgressPollMs = 50;
constexpr int WorkerNiceness = 4;
const QString FolderKey = QStringLiteral("lastFolder");

std::string ToLocalPath(const QString &path) {
    return QFile::encodeName(path).toStdString();
}

QString FromLocalPath(const std::string &path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString SystemText(const std::string &text) {
    return QString::fromLocal8Bit(text.c_str());
}

QSettings Settings() {
    return QSettings(QStringLiteral("Sentrova"), QStringLiteral("sentrova"));
}

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
    const QFontMetrics metrics(label->font());
    const int room = label->width() - metrics.horizontalAdvance(prefix) - 2;
    label->setText(prefix + metrics.elidedText(path, Qt::ElideMiddle, std::max(room, 0)));
    label->setToolTip(path);
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
    return n == 1 ? QStringLiteral("1 placemark") : QStringLiteral("%1 placemarks").arg(n);
}

} // namespace

TfrmMain::TfrmMain(WindowDialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs) {
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

    gpbWorkspace =
        Place(new QGroupBox(QStringLiteral("Workspace"), this), "gpbWorkspace", 8, 8, 425, 97);
    lblFile = FixedLabel(gpbWorkspace, "lblFile", QStringLiteral("NMEA File:"), 8, 24, 65, 25);
    edtFile = Place(new QLineEdit(gpbWorkspace), "edtFile", 80, 24, 273, 21);
    edtFile->setReadOnly(true);
    edtFile->setAcceptDrops(false);
    QPalette editPalette = edtFile->palette();
    editPalette.setColor(QPalette::Base, editPalette.color(QPalette::Midlight));
    edtFile->setPalette(editPalette);
    btnLoad = Place(new QPushButton(QStringLiteral("&Load..."), gpbWorkspace), "btnLoad", 360, 24,
                    57, 25);
    lblSource = FixedLabel(gpbWorkspace, "lblSource", SourcePrefix, 8, 48, 409, 17);
    lblTarget = FixedLabel(gpbWorkspace, "lblTarget", TargetPrefix, 8, 72, 409, 17);

    gpbColor = Place(new QGroupBox(QStringLiteral("Color"), this), "gpbColor", 8, 112, 137, 81);
    lblColor =
        FixedLabel(gpbColor, "lblColor", ColourPrefix + QStringLiteral("Red"), 8, 24, 121, 17);
    cboColor = Place(new QComboBox(gpbColor), "cboColor", 8, 48, 121, 21);
    cboColor->setEditable(true);
    // A dropped file is a log to load, never the colour's text.
    cboColor->lineEdit()->setAcceptDrops(false);
    // The five colours stay the only items; typed text is looked up, never added.
    cboColor->setInsertPolicy(QComboBox::NoInsert);
    // The label follows what is typed, not what a completion would make of it.
    cboColor->setCompleter(nullptr);
    cboColor->addItems({QStringLiteral("Red"), QStringLiteral("Blue"), QStringLiteral("Yellow"),
                        QStringLiteral("Green"), QStringLiteral("Orange")});
    cboColor->setCurrentIndex(0);

    chkChecksum = Place(new QCheckBox(QStringLiteral("Check checksum"), this), "chkChecksum", 152,
                        112, 105, 25);
    CondenseToFit(chkChecksum);
    btnView =
        Place(new QPushButton(QStringLiteral("&View KML"), this), "btnView", 152, 168, 57, 25);
    // Shown only while converting, in the free room left of Go.
    btnCancel =
        Place(new QPushButton(QStringLiteral("Cancel"), this), "btnCancel", 248, 168, 57, 25);
    // Esc stops at once: a button's own shortcut would click it 100 ms later.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &TfrmMain::btnCancelClick);
    btnCancel->hide();
    btnGo = Place(new QPushButton(QStringLiteral("&Go"), this), "btnGo", 312, 168, 57, 25);
    btnGo->setDefault(true);
    btnExit = Place(new QPushButton(QStringLiteral("E&xit"), this), "btnExit", 376, 168, 57, 25);

    StatusBar1 = Place(new QStatusBar(this), "StatusBar1", 0, 197, 441, 17);
    StatusBar1->setSizeGripEnabled(false);
    prgProgress = new QProgressBar(StatusBar1);
    prgProgress->setObjectName(QStringLiteral("prgProgress"));
    prgProgress->setRange(0, ProgressSteps);
    prgProgress->setFixedSize(140, 13);
    StatusBar1->addPermanentWidget(prgProgress);
    prgProgress->hide();

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    // The patterns in brackets match the extensions in any case; the names
    // show the plain patterns.
    OpenDialog1->setOption(QFileDialog::HideNameFilterDetails);
    OpenDialog1->setNameFilters(
        {QStringLiteral("NMEA logs (*.nmea *.nma *.log *.txt) (*.[nN][mM][eE][aA] "
                        "*.[nN][mM][aA] *.[lL][oO][gG] *.[tT][xX][tT])"),
         QStringLiteral("All files (*)")});
    const QString lastFolder = Settings().value(FolderKey).toString();
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir())
        OpenDialog1->setDirectory(lastFolder);

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

    connect(btnLoad, &QPushButton::clicked, this, &TfrmMain::btnLoadClick);
    connect(btnGo, &QPushButton::clicked, this, &TfrmMain::btnGoClick);
    connect(btnView, &QPushButton::clicked, this, &TfrmMain::btnViewClick);
    connect(btnExit, &QPushButton::clicked, this, &TfrmMain::btnExitClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmMain::btnCancelClick);
    connect(cboColor, &QComboBox::currentTextChanged, this, &TfrmMain::cboColorChange);
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    connect(openPause_, &QTimer::timeout, this, &TfrmMain::StartReading);
    connect(donePause_, &QTimer::timeout, Timer1, qOverload<>(&QTimer::start));
    connect(progressPoll_, &QTimer::timeout, this, &TfrmMain::ShowProgress);

    FormCreate();
}

TfrmMain::~TfrmMain() {
    cancel_ = true;
    if (worker_)
        worker_->wait();
}

void TfrmMain::FormCreate() {
    // The decoding state is no longer the window's: every conversion builds
    // its own. What is left is the state the window starts in.
    btnGo->setEnabled(false);
    btnView->setEnabled(false);
    chkChecksum->setChecked(false);
    chkChecksum->setEnabled(true);
    Timer1->stop();
    SetStatus(QStringLiteral("Ready"));
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
    const std::optional<QString> chosen = dialogs_.ChooseFile(*OpenDialog1);
    if (chosen)
        LoadFile(*chosen);
}

void TfrmMain::LoadFile(const QString &path) {
    if (Converting())
        return;
    sourcePath_ = path;
    targetPath_ = FromLocalPath(conversion::TargetPathFor(ToLocalPath(sourcePath_)));
    edtFile->setText(sourcePath_);
    ShowPath(lblSource, SourcePrefix, sourcePath_);
    ShowPath(lblTarget, TargetPrefix, targetPath_);
    btnGo->setEnabled(true);
    const QString folder = QFileInfo(sourcePath_).absolutePath();
    OpenDialog1->setDirectory(folder);
    Settings().setValue(FolderKey, folder);
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
    const QFileInfo target(targetPath_);
    // A folder in the way is no file to replace: the run reports it.
    const bool replaces = target.exists() && !target.isDir();
    if (replaces &&
        !dialogs_.AskOkCancel(this, QStringLiteral("Replace the KML?"),
                              QStringLiteral("%1 already exists in %2.\nDo you want to replace it?")
                                  .arg(target.fileName(), target.absolutePath()))) {
        return;
    }
    StartRun(ChosenOptions(), replaces);
}

void TfrmMain::StartRun(const conversion::ConversionOptions &options, bool replaceExisting) {
    Timer1->stop();
    donePause_->stop();
    phase_ = Phase::Opened;
    runSource_ = sourcePath_;
    runTarget_ = targetPath_;
    runReplaces_ = replaceExisting;
    runOptions_ = options;
    cancel_ = false;
    bytesRead_ = 0;
    chkChecksum->setEnabled(false);
    SetStatus(QStringLiteral("Converting ..."));
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
    worker_.reset(QThread::create([this, job] {
        // Behind the window in the queue for the processor: on a busy
        // machine the window still gets its turn at once. The writer thread
        // of the run inherits this.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), WorkerNiceness);
        const conversion::ConversionOutcome outcome = job->Run();
        // Dropped if the window is gone by then.
        QMetaObject::invokeMethod(
            this, [this, outcome] { RunFinished(outcome); }, Qt::QueuedConnection);
    }));
    worker_->setObjectName(QStringLiteral("conversion"));
    worker_->start();
}

void TfrmMain::ShowProgress() {
    if (sourceSize_ <= 0) {
        prgProgress->setRange(0, 0); // a pipe or a device: no share to show
        return;
    }
    const uint64_t read = std::min<uint64_t>(bytesRead_.load(std::memory_order_relaxed),
                                             static_cast<uint64_t>(sourceSize_));
    prgProgress->setValue(static_cast<int>(read * ProgressSteps / sourceSize_));
}

void TfrmMain::EndRun() {
    phase_ = Phase::Idle;
    openPause_->stop();
    progressPoll_->stop();
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
    if (phase_ != Phase::Idle)
        EndRun();

    using conversion::OutcomeKind;
    const QString target = runTarget_;
    const QString source = runSource_;
    const QString reason = SystemText(outcome.systemError);
    switch (outcome.kind) {
    case OutcomeKind::Done:
        ShowDone(outcome);
        return;
    case OutcomeKind::FormatError: {
        BackToReady(QStringLiteral("Ready"));
        const QString text =
            QStringLiteral("NMEA format error! %1, line %2: checksum mismatch; no KML written.\n\n"
                           "Convert the log leaving out the sentences whose checksum is wrong?")
                .arg(source)
                .arg(outcome.line);
        if (dialogs_.Offer(this, text, QStringLiteral("Skip bad sentences"))) {
            conversion::ConversionOptions options = runOptions_;
            options.verifyChecksums = true;
            options.badChecksum = conversion::BadChecksumPolicy::Skip;
            StartRun(options, runReplaces_);
        }
        return;
    }
    case OutcomeKind::Cancelled:
        BackToReady(runReplaces_ ? QStringLiteral("Cancelled: the KML was left as it was")
                                 : QStringLiteral("Cancelled: no KML written"));
        return;
    case OutcomeKind::SourceNotOpenable:
        dialogs_.ShowMessage(this,
                             QStringLiteral("file read open error: %1: %2").arg(source, reason));
        break;
    case OutcomeKind::TargetNotOpenable:
        dialogs_.ShowMessage(
            this, QStringLiteral("file write open error: %1: %2").arg(target, reason) +
                      (QFileInfo(target).isDir()
                           ? QStringLiteral("\nA folder of that name is in the way; move or "
                                            "rename it and press Go again.")
                           : QString()));
        break;
    case OutcomeKind::TargetExists:
        dialogs_.ShowMessage(this, QStringLiteral("file write open error: %1: %2\nIt appeared "
                                                  "during the conversion and was left as it is; "
                                                  "press Go again to replace it.")
                                       .arg(target, reason));
        break;
    case OutcomeKind::ReadFailed:
        dialogs_.ShowMessage(
            this, QStringLiteral("file read error: %1: %2; no KML written").arg(source, reason));
        break;
    case OutcomeKind::WriteFailed:
        dialogs_.ShowMessage(
            this, QStringLiteral("file write error: %1: %2; nothing kept").arg(target, reason));
        break;
    }
    BackToReady(QStringLiteral("Ready"));
}

void TfrmMain::ShowDone(const conversion::ConversionOutcome &outcome) {
    const conversion::ConversionCounts &counts = outcome.counts;
    QString status = QStringLiteral("Done !! ") + Placemarks(counts.placemarks);
    if (counts.badChecksums > 0) {
        status += QStringLiteral(", %1 bad sentences skipped (first on line %2)")
                      .arg(counts.badChecksums)
                      .arg(counts.firstBadChecksumLine);
    }
    btnGo->setEnabled(false);
    btnView->setEnabled(true);
    chkChecksum->setEnabled(true);
    SetStatus(status);
    StatusBar1->setToolTip(runTarget_);
    donePause_->start(dialogs_.PauseLength(DonePauseMs));
    if (counts.placemarks > 0)
        return;

    QString why = QString::fromStdString(conversion::WhyNoPlacemark(counts));
    const QString text = QStringLiteral("No placemark was written to %1: ").arg(runTarget_);
    if (counts.otherTalkersSeen > 0 && !runOptions_.anyTalker) {
        // The window offers the step that the batch converter's hint names.
        why.remove(QStringLiteral("; try --any-talker"));
        if (dialogs_.Offer(this,
                           text + why +
                               QStringLiteral(".\n\nConvert the fixes of the other talkers too?"),
                           QStringLiteral("Convert them too"))) {
            conversion::ConversionOptions options = runOptions_;
            options.anyTalker = true;
            // The document just written is replaced.
            sourcePath_ = runSource_;
            targetPath_ = runTarget_;
            StartRun(options, true);
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
        SetStatus(QStringLiteral("Cancelling ..."));
    }
}

void TfrmMain::StopRun() {
    cancel_ = true;
    openPause_->stop();
    if (worker_) {
        worker_->wait();
        worker_.reset();
    }
    job_.reset();
    EndRun();
}

bool TfrmMain::StopRunAsked() {
    if (!Converting())
        return true;
    if (!dialogs_.AskOkCancel(this, QStringLiteral("Stop the conversion?"),
                              QStringLiteral("%1 is being converted.\nStop and quit? The KML is "
                                             "not written.")
                                  .arg(runSource_)))
        return false;
    // The run may have ended while the question was open.
    if (Converting())
        StopRun();
    return true;
}

void TfrmMain::btnViewClick() {
    if (sourcePath_.isEmpty())
        return;
    if (!dialogs_.OpenFolder(QFileInfo(sourcePath_).absolutePath())) {
        dialogs_.ShowMessage(this, QStringLiteral("No file browser could be started.\nThe KML "
                                                  "is at: %1")
                                       .arg(QFileInfo(targetPath_).absoluteFilePath()));
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
        event->modifiers() == Qt::NoModifier && btnGo->isEnabled() && !Converting()) {
        btnGo->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

namespace {

// The one local file of a drag, or nothing.
QString DroppedFile(const QMimeData *data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().first();
    if (!url.isLocalFile() || QFileInfo(url.toLocalFile()).isDir())
        return {};
    return url.toLocalFile();
}

} // namespace

void TfrmMain::dragEnterEvent(QDragEnterEvent *event) {
    if (!Converting() && !DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent *event) {
    const QString file = DroppedFile(event->mimeData());
    if (Converting() || file.isEmpty())
        return;
    event->acceptProposedAction();
    LoadFile(file);
}

void TfrmMain::cboColorChange(const QString &text) {
    lblColor->setText(ColourPrefix + text);
}

void TfrmMain::Timer1Timer() {
    SetStatus(QStringLiteral("Ready"));
    Timer1->stop();
}

void TfrmMain::SetStatus(const QString &text) {
    StatusBar1->showMessage(text);
}
