#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane3 {

// Collects SMTP reply lines (RFC 5321 section 4.2) in a 512-byte buffer and
// yields at most one reply per batch of received bytes. Continuation lines
// ("250-...") are dropped; the final line ("250 ...") gives the reply, whose
// first character tells its class. The lines of the last reply are kept
// (for the extensions an EHLO reply lists and the words of a refusal).
// Lines left in the buffer wait for the next batch.
class SmtpReplyReader {
public:
    static constexpr std::size_t kCapacity = 512;

    enum class Outcome {
        kNeedMore,  // no complete final line yet
        kReply,     // a final line was taken; see ReplyCode()
        kOverflow,  // the buffer is full without a complete line
    };

    void Clear() {
        fill_ = 0;
        lines_.clear();
    }
    // Where to receive into, and how much fits.
    char* FreeSpace() { return buffer_ + fill_; }
    std::size_t FreeSize() const { return kCapacity - fill_; }
    // Accounts for `count` bytes received into FreeSpace() and looks for a reply.
    Outcome Received(std::size_t count);
    // First character of the last reply taken.
    char ReplyCode() const { return code_; }
    std::string_view Buffered() const { return std::string_view(buffer_, fill_); }
    // Every line of the last reply taken, each with its CR LF.
    const std::string& LastReply() const { return lastReply_; }

private:
    std::size_t CompleteLineLength() const;  // including CR LF; 0 when none
    bool IsContinuation(std::size_t lineLength) const;
    void Discard(std::size_t length);
    void TakeContinuation(std::size_t length);

    char buffer_[kCapacity] = {};
    std::size_t fill_ = 0;
    char code_ = 0;
    std::string lines_;      // continuation lines of the reply being read
    std::string lastReply_;
};

}  // namespace quorvane3
