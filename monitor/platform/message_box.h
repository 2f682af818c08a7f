#pragma once

#include <QString>

namespace ossivant {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// Seam for the operator's message boxes, always titled with the program
// title. The window layer shows real boxes; tests record and answer them.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual MsgAnswer show(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                           MsgIcon icon = MsgIcon::None) = 0;
};

}  // namespace ossivant
