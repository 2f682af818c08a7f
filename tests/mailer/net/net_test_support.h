#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "mailer/net/smtp.h"
#include "mailer/net/winsock_event_registry.h"
#include "mailer/sys/event_loop.h"

namespace quorvane3::testing {

using namespace std::chrono_literals;

inline sys::EventLoop& Loop() { return sys::EventLoop::Main(); }

// Every socket test runs with a fresh event window, the system resolver and
// no connect hook, and must leave no receiver registered behind.
class NetTest : public ::testing::Test {
protected:
    void SetUp() override {
        Loop().SetResolver(nullptr);
        Loop().SetConnectHook(nullptr);
        ASSERT_TRUE(CreateEventWindow());
    }
    void TearDown() override {
        DestroyEventWindow();
        Loop().SetResolver(nullptr);
        Loop().SetConnectHook(nullptr);
        EXPECT_EQ(CWinsockEventRegistry::Instance().Size(), 0u);
    }
};

// A session that records its end instead of posting it.
class RecordingSmtp : public CSMTP {
public:
    int doneCount = 0;
    int doneResult = -1;

protected:
    void OnDone() override {
        ++doneCount;
        doneResult = Result();
    }
};

// A message file with the given text, read from its start.
class MessageFile {
public:
    explicit MessageFile(const std::string& text) : file_(std::tmpfile()) {
        std::fwrite(text.data(), 1, text.size(), file_);
        std::rewind(file_);
    }
    ~MessageFile() { std::fclose(file_); }
    MessageFile(const MessageFile&) = delete;
    MessageFile& operator=(const MessageFile&) = delete;
    std::FILE* get() const { return file_; }

private:
    std::FILE* file_;
};

inline std::string LocalHostName() {
    char name[80] = {};
    sys::GetLocalHostName(name, sizeof name);
    return name;
}

// Transcript pieces, as the fake server records them.
inline std::string S(const std::string& line) { return "S: " + line + "\r\n"; }
inline std::string C(const std::string& line) { return "C: " + line + "\r\n"; }
inline const std::string kClientCloses = "C: <close>\n";
inline const std::string kServerCloses = "S: <close>\n";

// A port on 127.0.0.1 where nothing listens.
std::uint16_t ClosedPort();

}  // namespace quorvane3::testing
