#include "main_window.h"

#include <algorithm>
#include <exception>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include "conversion/run.h"

namespace {

const QString SourcePrefix = QStringLiteral("Source : ");
const QString TargetPrefix = QStringLiteral("Target : ");
const QString ColourPrefix = QStringLiteral("Color : ");
constexpr int OpenPauseMs = 1000;
constexpr int DonePauseMs = 2000;

std::string ToLocalPath(const QString &path) {
    return QFile::encodeName(path).toStdString();
}

QString FromLocalPath(const std::string &path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
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

} // namespace

TfrmMain::TfrmMain(WindowDialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Sentrova"));
    setFixedSize(ClientWidth, ClientHeight);
    move(279, 351);
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
    QPalette editPalette = edtFile->palette();
    editPalette.setColor(QPalette::Base, editPalette.color(QPalette::Midlight));
    edtFile->setPalette(editPalette);
    btnLoad =
        Place(new QPushButton(QStringLiteral("Load..."), gpbWorkspace), "btnLoad", 360, 24, 57, 25);
    lblSource = FixedLabel(gpbWorkspace, "lblSource", SourcePrefix, 8, 48, 409, 17);
    lblTarget = FixedLabel(gpbWorkspace, "lblTarget", TargetPrefix, 8, 72, 409, 17);

    gpbColor = Place(new QGroupBox(QStringLiteral("Color"), this), "gpbColor", 8, 112, 137, 81);
    lblColor =
        FixedLabel(gpbColor, "lblColor", ColourPrefix + QStringLiteral("Red"), 8, 24, 121, 17);
    cboColor = Place(new QComboBox(gpbColor), "cboColor", 8, 48, 121, 21);
    cboColor->setEditable(true);
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
    btnView = Place(new QPushButton(QStringLiteral("View KML"), this), "btnView", 152, 168, 57, 25);
    btnGo = Place(new QPushButton(QStringLiteral("Go"), this), "btnGo", 312, 168, 57, 25);
    btnExit = Place(new QPushButton(QStringLiteral("Exit"), this), "btnExit", 376, 168, 57, 25);

    StatusBar1 = Place(new QStatusBar(this), "StatusBar1", 0, 197, 441, 17);
    StatusBar1->setSizeGripEnabled(false);

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    // Shown as "All File(*.*)", matching every file, with or without a dot.
    OpenDialog1->setOption(QFileDialog::HideNameFilterDetails);
    OpenDialog1->setNameFilter(QStringLiteral("All File(*.*) (*)"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(1000);

    // Group boxes take no focus; inside them the order is Load, then the file name.
    setTabOrder(btnLoad, edtFile);
    setTabOrder(edtFile, cboColor);
    setTabOrder(cboColor, btnGo);
    setTabOrder(btnGo, btnExit);
    setTabOrder(btnExit, btnView);
    setTabOrder(btnView, chkChecksum);

    connect(btnLoad, &QPushButton::clicked, this, &TfrmMain::btnLoadClick);
    connect(btnGo, &QPushButton::clicked, this, &TfrmMain::btnGoClick);
    connect(btnView, &QPushButton::clicked, this, &TfrmMain::btnViewClick);
    connect(btnExit, &QPushButton::clicked, this, &TfrmMain::btnExitClick);
    connect(cboColor, &QComboBox::currentTextChanged, this, &TfrmMain::cboColorChange);
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);

    FormCreate();
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
    if (!chosen)
        return;
    sourcePath_ = *chosen;
    edtFile->setText(sourcePath_);
    lblSource->setText(SourcePrefix + sourcePath_);
    lblTarget->setText(TargetPrefix +
                       FromLocalPath(conversion::TargetPathFor(ToLocalPath(sourcePath_))));
    btnGo->setEnabled(true);
}

void TfrmMain::btnGoClick() {
    // The pass over waiting events below may deliver another click on Go.
    if (converting_)
        return;
    converting_ = true;
    const int unwinding = std::uncaught_exceptions();
    const auto settle = qScopeGuard([this, unwinding] {
        converting_ = false;
        // An error shown by the application's handler leaves the window usable.
        if (std::uncaught_exceptions() > unwinding)
            BackToReady();
    });

    const QString target = lblTarget->text().mid(TargetPrefix.size());
    const bool targetExists = QFileInfo::exists(target);
    if (targetExists && !dialogs_.AskOkCancel(
                            this, QStringLiteral("Message"),
                            QStringLiteral("<") + target +
                                QStringLiteral("> This file is exist.Do you want to overwrite?"))) {
        return;
    }

    chkChecksum->setEnabled(false);
    SetStatus(QStringLiteral("Converting ..."));

    conversion::ConversionRequest request;
    request.sourcePath = ToLocalPath(sourcePath_);
    request.targetPath = ToLocalPath(target);
    request.options.colourIndex = ColourIndex();
    request.options.verifyChecksums = chkChecksum->isChecked();
    // A file that turns up after the question is not replaced unasked.
    request.replaceExisting = targetExists;
    conversion::FileConversion job(request);

    using conversion::OutcomeKind;
    const conversion::ConversionOutcome opened = job.Open();
    if (opened.kind != OutcomeKind::Done) {
        dialogs_.ShowMessage(this, opened.kind == OutcomeKind::SourceNotOpenable
                                       ? QStringLiteral("file read open error")
                                       : QStringLiteral("file write open error"));
        BackToReady();
        return;
    }

    dialogs_.Pause(OpenPauseMs);
    QCoreApplication::processEvents();

    const conversion::ConversionOutcome outcome = job.Run();
    switch (outcome.kind) {
    case OutcomeKind::Done:
        btnGo->setEnabled(false);
        SetStatus(QStringLiteral("Done !!"));
        btnView->setEnabled(true);
        chkChecksum->setEnabled(true);
        dialogs_.Pause(DonePauseMs);
        Timer1->start();
        return;
    case OutcomeKind::FormatError:
        dialogs_.ShowMessage(this, QStringLiteral("NMEA format error!"));
        break;
    case OutcomeKind::ReadFailed:
        dialogs_.ShowMessage(this,
                             QStringLiteral("file read error\n%1: %2")
                                 .arg(sourcePath_, QString::fromStdString(outcome.systemError)));
        break;
    case OutcomeKind::WriteFailed:
        dialogs_.ShowMessage(this, QStringLiteral("file write error\n%1: %2")
                                       .arg(target, QString::fromStdString(outcome.systemError)));
        break;
    case OutcomeKind::TargetExists:
    case OutcomeKind::TargetNotOpenable:
        dialogs_.ShowMessage(this, QStringLiteral("file write open error"));
        break;
    case OutcomeKind::SourceNotOpenable:
        dialogs_.ShowMessage(this, QStringLiteral("file read open error"));
        break;
    case OutcomeKind::Cancelled:
        break;
    }
    BackToReady();
}

void TfrmMain::BackToReady() {
    chkChecksum->setEnabled(true);
    SetStatus(QStringLiteral("Ready"));
}

void TfrmMain::btnViewClick() {
    if (sourcePath_.isEmpty())
        return;
    dialogs_.OpenFolder(QFileInfo(sourcePath_).absolutePath());
}

void TfrmMain::btnExitClick() {
    dialogs_.EndProgram(0);
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
