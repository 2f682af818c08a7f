#pragma once

#include <cstdio>

#include "monitor/platform/message_box.h"

namespace ossivant::bench {

// A benchmark has no one to answer a message box: any message is a fault of
// the set-up, printed and answered OK.
class SilentMessageBox final : public MessageBox {
public:
    MsgAnswer show(const QString& text, MsgButtons, MsgIcon) override {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        return MsgAnswer::Ok;
    }
};

}  // namespace ossivant::bench
