// The one window: choose a log, see where its KML goes, pick the icon colour
// and the checksum option, convert, open the folder, leave.
#pragma once

#include <QString>
#include <QWidget>

#include "dialogs.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTimer;

class TfrmMain : public QWidget {
    Q_OBJECT

  public:
    static constexpr int ClientWidth = 441;
    static constexpr int ClientHeight = 214;

    // The dialogs must outlive the window.
    explicit TfrmMain(WindowDialogs &dialogs, QWidget *parent = nullptr);

    // The colour table's index for the drop-down's text; -1 (Red) when it
    // names no colour.
    int ColourIndex() const;

  public slots:
    void btnLoadClick();
    void btnExitClick();
    void btnGoClick();
    void cboColorChange(const QString &text);
    void Timer1Timer();
    void FormCreate();
    void btnViewClick();

  private:
    void SetStatus(const QString &text);
    // After a failed run the window is ready for another try.
    void BackToReady();

    WindowDialogs &dialogs_;
    QString sourcePath_; // the last file chosen with Load...
    bool converting_ = false;

    QGroupBox *gpbWorkspace;
    QGroupBox *gpbColor;
    QPushButton *btnGo;
    QPushButton *btnExit;
    QComboBox *cboColor;
    QLabel *lblColor;
    QLabel *lblSource;
    QLabel *lblTarget;
    QPushButton *btnLoad;
    QLabel *lblFile;
    QFileDialog *OpenDialog1;
    QStatusBar *StatusBar1;
    QLineEdit *edtFile;
    QTimer *Timer1;
    QPushButton *btnView;
    QCheckBox *chkChecksum;
};
