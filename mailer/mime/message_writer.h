#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace quorvane3 {

// Where a composed message goes. The composer writes text with LF line ends.
class MessageWriter {
public:
    virtual ~MessageWriter() = default;
    virtual void Put(std::string_view text) = 0;
};

// Keeps the text as it is written (LF line ends).
class StringMessageWriter : public MessageWriter {
public:
    void Put(std::string_view text) override { text_ += text; }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// Writes to a file, storing every line end as CR LF: an LF becomes CR LF and
// a CR LF that the text already holds stays one CR LF (a forwarded file with
// CR LF lines must not gain a stray CR). Write errors are not reported.
class CrLfFileWriter : public MessageWriter {
public:
    explicit CrLfFileWriter(std::FILE* file) : file_(file) {}
    ~CrLfFileWriter() override { Flush(); }
    CrLfFileWriter(const CrLfFileWriter&) = delete;
    CrLfFileWriter& operator=(const CrLfFileWriter&) = delete;

    void Put(std::string_view text) override;
    // Writes a CR held back at the end of the last Put.
    void Flush();

private:
    std::FILE* file_;
    bool pendingCr_ = false;
};

}  // namespace quorvane3
