#include "mailer/mime/message_writer.h"

namespace quorvane3 {

void CrLfFileWriter::Put(std::string_view text) {
    if (!file_) return;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (pendingCr_) {
            // The held-back CR belongs to a CR LF when this is the LF.
            pendingCr_ = false;
            if (c != '\n') std::fputc('\r', file_);
        }
        if (c == '\r' || c == '\n') {
            std::fwrite(text.data() + start, 1, i - start, file_);
            start = i + 1;
            if (c == '\r') {
                pendingCr_ = true;
            } else {
                std::fwrite("\r\n", 1, 2, file_);
            }
        }
    }
    std::fwrite(text.data() + start, 1, text.size() - start, file_);
}

void CrLfFileWriter::Flush() {
    if (pendingCr_ && file_) std::fputc('\r', file_);
    pendingCr_ = false;
}

}  // namespace quorvane3
