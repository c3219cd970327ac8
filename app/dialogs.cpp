#include "dialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

std::optional<QString> QtWindowDialogs::ChooseFile(QFileDialog &dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return files.first();
}

void SetUpMessageBox(QMessageBox &box, const QString &text) {
    box.setWindowTitle(QCoreApplication::applicationName());
    // Paths may hold "<" and "&": never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
}

void SetUpOfferBox(QMessageBox &box, const QString &text, const QString &action) {
    SetUpMessageBox(box, text);
    box.setStandardButtons(QMessageBox::Close);
    QAbstractButton *take = box.addButton(action, QMessageBox::AcceptRole);
    box.setDefaultButton(qobject_cast<QPushButton *>(take));
    box.setEscapeButton(QMessageBox::Close);
}

void QtWindowDialogs::ShowMessage(QWidget *parent, const QString &text) {
    QMessageBox box(parent);
    SetUpMessageBox(box, text);
    box.exec();
}

bool QtWindowDialogs::AskOkCancel(QWidget *parent, const QString &caption, const QString &text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

bool QtWindowDialogs::Offer(QWidget *parent, const QString &text, const QString &action) {
    QMessageBox box(parent);
    SetUpOfferBox(box, text, action);
    box.exec();
    return box.buttonRole(box.clickedButton()) == QMessageBox::AcceptRole;
}

bool QtWindowDialogs::OpenFolder(const QString &folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void QtWindowDialogs::EndProgram(int status) {
    QCoreApplication::exit(status);
}
