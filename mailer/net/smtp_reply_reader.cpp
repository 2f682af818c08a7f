#include "mailer/net/smtp_reply_reader.h"

#include <cstring>

namespace quorvane3 {

std::size_t SmtpReplyReader::CompleteLineLength() const {
    for (std::size_t i = 0; i + 1 < fill_; ++i) {
        if (buffer_[i] == '\r' && buffer_[i + 1] == '\n') return i + 2;
    }
    return 0;
}

bool SmtpReplyReader::IsContinuation(std::size_t lineLength) const {
    return lineLength > 3 && buffer_[3] == '-';
}

void SmtpReplyReader::Discard(std::size_t length) {
    std::memmove(buffer_, buffer_ + length, fill_ - length);
    fill_ -= length;
}

void SmtpReplyReader::TakeContinuation(std::size_t length) {
    lines_.append(buffer_, length);
    Discard(length);
}

SmtpReplyReader::Outcome SmtpReplyReader::Received(std::size_t count) {
    const char* fresh = buffer_ + fill_;
    fill_ += count;
    // Several lines in one batch: skip the continuation lines in front.
    if (count > 1 && std::memchr(fresh, '\n', count - 1) != nullptr) {
        for (std::size_t len = CompleteLineLength(); len != 0 && IsContinuation(len);
             len = CompleteLineLength()) {
            TakeContinuation(len);
        }
    }
    const std::size_t len = CompleteLineLength();
    if (len == 0) return fill_ == kCapacity ? Outcome::kOverflow : Outcome::kNeedMore;
    if (IsContinuation(len)) {
        TakeContinuation(len);
        return Outcome::kNeedMore;
    }
    code_ = buffer_[0];
    lastReply_ = std::move(lines_);
    lastReply_.append(buffer_, len);
    lines_.clear();
    Discard(len);
    return Outcome::kReply;
}

}  // namespace quorvane3
