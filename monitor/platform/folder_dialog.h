#pragma once

#include <QString>

class QWidget;

namespace ossivant {

// Seam for the folder browser. The window layer shows the desktop's folder
// dialog; tests answer it with a chosen folder or a cancel.
class FolderDialog {
public:
    virtual ~FolderDialog() = default;
    // Lets the operator pick an existing folder, starting at `start`, in a
    // dialog owned by `owner`. Returns the folder's path, or an empty text
    // when the operator cancels.
    virtual QString browseFolder(QWidget* owner, const QString& title, const QString& start) = 0;
};

}  // namespace ossivant
