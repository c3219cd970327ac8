#include "dialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

std::optional<QString> QtWindowDialogs::ChooseFile(QFileDialog &dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return files.first();
}

void QtWindowDialogs::ShowMessage(QWidget *parent, const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    parent);
    // Paths may hold "<" and "&": never read them as markup.
    box.setTextFormat(Qt::PlainText);
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

void QtWindowDialogs::OpenFolder(const QString &folder) {
    // Not reported when no file browser starts.
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void QtWindowDialogs::Pause(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void QtWindowDialogs::EndProgram(int status) {
    QCoreApplication::exit(status);
}
