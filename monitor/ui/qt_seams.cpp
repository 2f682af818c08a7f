#include "monitor/ui/qt_seams.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace ossivant {

namespace {

QMessageBox::StandardButtons ButtonsFor(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return QMessageBox::Ok;
        case MsgButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MsgButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconFor(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::None:
            return QMessageBox::NoIcon;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MsgAnswer QtMessageBox::show(const QString& text, MsgButtons buttons, MsgIcon icon) {
    // A box over a disabled window would be disabled with it: while a dialog
    // holds the main window, the box goes over the window in use.
    QWidget* owner = parent_;
    if (QWidget* active = QApplication::activeWindow(); active && active->isEnabled())
        owner = active;
    else if (owner && !owner->isEnabled())
        owner = nullptr;
    QMessageBox box(IconFor(icon), kProgramTitle, text, ButtonsFor(buttons), owner);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        default:
            return MsgAnswer::Ok;
    }
}

int DesktopShell::openDocument(const QString& target) {
    const bool address = target.contains(QStringLiteral("://"));
    if (!address && !QFileInfo::exists(target)) return kErrFileNotFound;
    const QUrl url =
        address ? QUrl(target) : QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
    return QDesktopServices::openUrl(url) ? kOpened : kErrNoAssociation;
}

QString QtFolderDialog::browseFolder(QWidget* owner, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
}

QString QtFileDialogs::openFile(QWidget* owner, const QString& title, const QString& startFolder,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(owner, title, startFolder, filter);
}

QString QtFileDialogs::saveFile(QWidget* owner, const QString& title, const QString& startFolder,
                                const QString& suggestedName, const QString& filter) {
    const QString start =
        startFolder.isEmpty() ? suggestedName : startFolder + u'/' + suggestedName;
    return QFileDialog::getSaveFileName(owner, title, start, filter);
}

bool DetachedLauncher::startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

}  // namespace ossivant
