#pragma once

#include <QString>

class QWidget;

namespace ossivant {

// Seam for the open and save file dialogs. The window layer shows the
// desktop's file dialogs; tests answer them with a path or a cancel.
// Filters use the dialog's own form, "Name (*.ext)".
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Lets the operator pick an existing file, starting in `startFolder`.
    // Returns its path, or an empty text when the operator cancels.
    virtual QString openFile(QWidget* owner, const QString& title, const QString& startFolder,
                             const QString& filter) = 0;
    // Lets the operator name a file to write, starting in `startFolder` with
    // `suggestedName` filled in; the dialog asks before an existing file is
    // overwritten. Returns the path, or an empty text on cancel.
    virtual QString saveFile(QWidget* owner, const QString& title, const QString& startFolder,
                             const QString& suggestedName, const QString& filter) = 0;
};

}  // namespace ossivant
