#include "dialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

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

bool QtWindowDialogs::OpenDocument(const QString &path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtWindowDialogs::ShowInFolder(const QString &path) {
    const QString folder = QFileInfo(path).absolutePath();
    // The file managers' common interface selects the file; it is often
    // started on demand, so an activatable name counts as much as a running one.
    const QString manager = QStringLiteral("org.freedesktop.FileManager1");
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface *names = bus.isConnected() ? bus.interface() : nullptr;
    if (!names || (!names->isServiceRegistered(manager).value() &&
                   !names->activatableServiceNames().value().contains(manager)))
        return OpenFolder(folder);
    QDBusMessage call =
        QDBusMessage::createMethodCall(manager, QStringLiteral("/org/freedesktop/FileManager1"),
                                       manager, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString()}
         << QString();
    // Answered later, so that a slow file manager never holds the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](auto *done) {
        if (done->isError())
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
        done->deleteLater();
    });
    return true;
}

void QtWindowDialogs::EndProgram(int status) {
    QCoreApplication::exit(status);
}

bool QtWindowDialogs::AskToQuit(QWidget *parent, const QString &caption, const QString &text) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *quit = box.addButton(QCoreApplication::translate("WindowDialogs", "&Quit"),
                                      QMessageBox::DestructiveRole);
    QPushButton *stay = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(stay);
    box.setEscapeButton(stay);
    box.exec();
    return box.clickedButton() == quit;
}

ReplaceAnswer QtWindowDialogs::AskReplace(QWidget *parent, const QString &text) {
    QMessageBox box(QMessageBox::Question,
                    QCoreApplication::translate("WindowDialogs", "Replace the KML?"), text,
                    QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    const auto add = [&box](const char *label, QMessageBox::ButtonRole role) {
        return box.addButton(QCoreApplication::translate("WindowDialogs", label), role);
    };
    QPushButton *replace =
        add(QT_TRANSLATE_NOOP("WindowDialogs", "&Replace"), QMessageBox::AcceptRole);
    QPushButton *replaceAll =
        add(QT_TRANSLATE_NOOP("WindowDialogs", "Replace &all"), QMessageBox::AcceptRole);
    QPushButton *skip = add(QT_TRANSLATE_NOOP("WindowDialogs", "&Skip"), QMessageBox::RejectRole);
    QPushButton *skipAll =
        add(QT_TRANSLATE_NOOP("WindowDialogs", "S&kip all"), QMessageBox::RejectRole);
    box.setDefaultButton(skip);
    box.setEscapeButton(skip);
    box.exec();
    if (box.clickedButton() == replace)
        return ReplaceAnswer::Replace;
    if (box.clickedButton() == replaceAll)
        return ReplaceAnswer::ReplaceAll;
    if (box.clickedButton() == skipAll)
        return ReplaceAnswer::SkipAll;
    return ReplaceAnswer::Skip;
}

void SetUpResultsDialog(QDialog &dialog, const QList<RunResult> &results) {
    dialog.setWindowTitle(QCoreApplication::translate("WindowDialogs", "Results"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *table = new QTreeWidget(&dialog);
    table->setObjectName(QStringLiteral("twResults"));
    table->setRootIsDecorated(false);
    table->setHeaderLabels({QCoreApplication::translate("WindowDialogs", "Log"),
                            QCoreApplication::translate("WindowDialogs", "Document"),
                            QCoreApplication::translate("WindowDialogs", "Result")});
    table->setAccessibleName(QCoreApplication::translate("WindowDialogs", "Results"));
    table->setAccessibleDescription(
        QCoreApplication::translate("WindowDialogs", "Each log, its KML and what became of it"));
    for (const RunResult &result : results) {
        auto *row = new QTreeWidgetItem(table, {result.log, result.document, result.result});
        if (!result.converted)
            row->setForeground(2, dialog.palette().color(QPalette::Link));
    }
    for (int column = 0; column < 3; ++column)
        table->resizeColumnToContents(column);
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(640, 300);
}

void QtWindowDialogs::ShowResults(QWidget *parent, const QList<RunResult> &results) {
    QDialog dialog(parent);
    SetUpResultsDialog(dialog, results);
    dialog.exec();
}

void InstallTranslations(QObject *owner) {
    const QLocale locale;
    auto *qt = new QTranslator(owner);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    // Installed later, looked up first: the language's own, then English.
    auto *english = new QTranslator(owner);
    if (english->load(QStringLiteral(":/i18n/sentrova_en.qm")))
        QCoreApplication::installTranslator(english);
    auto *own = new QTranslator(owner);
    if (locale.language() != QLocale::English && locale.language() != QLocale::C &&
        own->load(locale, QStringLiteral("sentrova"), QStringLiteral("_"),
                  QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(own);
}
