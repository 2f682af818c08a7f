#pragma once

#include <QPointer>
#include <QWidget>

#include "monitor/platform/file_dialogs.h"
#include "monitor/platform/folder_dialog.h"
#include "monitor/platform/message_box.h"
#include "monitor/platform/shell.h"
#include "monitor/ui/program_title.h"

namespace ossivant {

// Message boxes as QMessageBox, over the window in use: the given window, or
// the dialog that holds it disabled, or none.
class QtMessageBox final : public MessageBox {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    MsgAnswer show(const QString& text, MsgButtons buttons, MsgIcon icon) override;

private:
    QPointer<QWidget> parent_;
};

// Documents and web addresses go to the desktop's viewer for them.
class DesktopShell final : public Shell {
public:
    int openDocument(const QString& target) override;
};

// The folder browser as the desktop's folder dialog: folders only, and only
// those of the file system.
class QtFolderDialog final : public FolderDialog {
public:
    QString browseFolder(QWidget* owner, const QString& title, const QString& start) override;
};

// The open and save file dialogs as the desktop's file dialogs; the save
// dialog asks before it overwrites a file.
class QtFileDialogs final : public FileDialogs {
public:
    QString openFile(QWidget* owner, const QString& title, const QString& startFolder,
                     const QString& filter) override;
    QString saveFile(QWidget* owner, const QString& title, const QString& startFolder,
                     const QString& suggestedName, const QString& filter) override;
};

// Programs start detached, so they outlive the monitor and leave no zombie.
class DetachedLauncher final : public ProgramLauncher {
public:
    bool startDetached(const QString& program, const QStringList& arguments) override;
};

}  // namespace ossivant
