// The built quorvane3 and the hand-off library against a real SMTP server
// (Python's aiosmtpd on 127.0.0.1); every received mail is parsed with
// Python's email package.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "handoff/mail_job_writer.h"
#include "handoff/vb_quorvane3.h"
#include "tests/e2e/smtp_sink.h"
#include "tests/mailer/sender_scratch.h"
#include "tests/support/fake_smtp_server.h"

namespace {

using namespace std::chrono_literals;
using e2e::ReceivedMail;
using e2e::SmtpSink;
using quorvane3::test::ReadAll;
using quorvane3::test::ScratchDir;

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

std::string Random(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

// Every run gets its own temporary folder (mutex, message files) and
// configuration file.
class Quorvane3Test : public quorvane3::test::SenderScratch {
protected:
    void SetUp() override {
        SenderScratch::SetUp();
        ASSERT_NE(sink_.Port(), 0) << "the SMTP server (python3-aiosmtpd) did not start";
    }

    handoff::MailJobFields Job(uint16_t port) const {
        handoff::MailJobFields job;
        job.serverHost = "127.0.0.1";
        job.serverPort = port;
        job.toList = "Bob <bob@example.org>";
        job.fromField = "Monitor <mon@example.org>";
        job.subject = "Status";
        job.bodyText = "All fine.\r\n";
        job.controlField = logs_.path() + ",2,E2E Mailer";
        return job;
    }

    static int Run(const std::string& jobPath, std::chrono::milliseconds bound = 60s) {
        const pid_t pid = e2e::Spawn({QUORVANE3_PROGRAM, jobPath});
        return pid > 0 ? e2e::WaitExit(pid, bound) : -1;
    }

    ScratchDir received_;
    SmtpSink sink_{received_.path()};
};

TEST_F(Quorvane3Test, Latin1MailWithAttachmentsArrivesIntact) {
    const std::string gif = "GIF89a" + Random(3000, 1);
    const std::string data = Random(200001, 2);
    const std::string forwarded =
        "From: old@example.org\r\nSubject: Old report\r\n\r\nThe old text.\r\n";
    handoff::MailJobFields job = Job(sink_.Port());
    job.toList = "J\xE9r\xF4me Dupr\xE9 <jerome@example.org>, Bob <bob@example.org>";
    job.ccList = "Cy <cy@example.org>";
    job.fromField = "Surveillance \xC9quipe <mon@example.org>";
    job.replyTo = "desk@example.org";
    job.subject =
        "Caf\xE9 d\xE9j\xE0 ferm\xE9: \xE9t\xE9 \xE0 No\xEBl, "
        "pr\xE8s du ch\xE2teau fort, o\xF9 l'\xE9quipe a vu le site tomber?";
    job.bodyText = "Bonjour,\r\nle site est tomb\xE9.\r\n.\r\n= fin =\r\n";
    job.attachmentList = jobs_.Write("chart.gif", gif) + ", " + jobs_.Write("data.bin", data) +
                         "," + jobs_.Write("old.fwd", forwarded);
    const std::string jobPath = WriteJob(job);

    ASSERT_EQ(Run(jobPath), 0);
    const std::optional<ReceivedMail> mail = sink_.Next(30s);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->defects, std::vector<std::string>{});
    EXPECT_EQ(mail->from, "mon@example.org");
    EXPECT_EQ(mail->recipients, (std::vector<std::string>{"jerome@example.org", "bob@example.org",
                                                          "cy@example.org"}));
    EXPECT_EQ(mail->Header("From"), "Surveillance \xC3\x89quipe <mon@example.org>");
    EXPECT_EQ(mail->Header("To"),
              "J\xC3\xA9r\xC3\xB4me Dupr\xC3\xA9 <jerome@example.org>, Bob <bob@example.org>");
    EXPECT_EQ(mail->Header("Cc"), "Cy <cy@example.org>");
    EXPECT_EQ(mail->Header("Reply-To"), "desk@example.org");
    EXPECT_EQ(
        mail->Header("Subject"),
        "Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 ferm\xC3\xA9: \xC3\xA9t\xC3\xA9 \xC3\xA0 No\xC3\xABl, "
        "pr\xC3\xA8s du ch\xC3\xA2teau fort, o\xC3\xB9 l'\xC3\xA9quipe a vu le site tomber?");
    EXPECT_EQ(mail->Header("X-Mailer"), "E2E Mailer");
    EXPECT_EQ(mail->Header("MIME-Version"), "1.0");
    EXPECT_EQ(mail->body.rfind("Bonjour,\nle site est tomb\xC3\xA9.\n.\n= fin =\n", 0), 0u)
        << mail->body;

    ASSERT_EQ(mail->attachments.size(), 3u);
    EXPECT_EQ(mail->attachments[0].fileName, "chart.gif");
    EXPECT_EQ(mail->attachments[0].contentType, "image/gif");
    EXPECT_EQ(ReadAll(mail->attachments[0].path), gif);
    EXPECT_EQ(mail->attachments[1].fileName, "data.bin");
    EXPECT_EQ(mail->attachments[1].contentType, "application/octet-stream");
    EXPECT_EQ(ReadAll(mail->attachments[1].path), data);
    EXPECT_EQ(mail->attachments[2].contentType, "message/rfc822");
    EXPECT_EQ(ReadAll(mail->attachments[2].path), forwarded);

    EXPECT_NE(LogText().find("Succeeded to send a mail [From:mon@example.org"), std::string::npos);
    EXPECT_FALSE(Exists(jobPath));
    EXPECT_EQ(ReadAll(logs_.File("VB_QUORVANE.dat")).size(), 4u);
}

// An 8-bit file name is an encoded word inside the quoted parameter, as the
// message format has it; readers decode it, and the word's place in the
// quotes is the one thing a strict parser remarks on.
TEST_F(Quorvane3Test, EightBitFileNameDecodes) {
    handoff::MailJobFields job = Job(sink_.Port());
    job.attachmentList = jobs_.Write(
        "donn\xE9"
        "es.bin",
        "abc");
    ASSERT_EQ(Run(WriteJob(job)), 0);
    const std::optional<ReceivedMail> mail = sink_.Next(30s);
    ASSERT_TRUE(mail);
    ASSERT_EQ(mail->attachments.size(), 1u);
    EXPECT_EQ(mail->attachments[0].fileName,
              "donn\xC3\xA9"
              "es.bin");
    EXPECT_EQ(ReadAll(mail->attachments[0].path), "abc");
    for (const std::string& defect : mail->defects) {
        const bool inParameter =
            defect.rfind("Content-Type: ", 0) == 0 || defect.rfind("Content-Disposition: ", 0) == 0;
        EXPECT_TRUE(inParameter &&
                    (defect.find("encoded word inside quoted string") != std::string::npos ||
                     defect.find("whitespace after encoded-word") != std::string::npos))
            << defect;
    }
}

// Bare addresses before named ones reach the server and stay visible in the
// headers, also next to an encoded name.
TEST_F(Quorvane3Test, BareAddressesBeforeNamedOnesAreDelivered) {
    handoff::MailJobFields job = Job(sink_.Port());
    job.toList =
        "frank@example.org, Gr\xE2"
        "ce <grace@example.org>";
    job.ccList = "cy@example.org, Dee <dee@example.org>";
    ASSERT_EQ(Run(WriteJob(job)), 0);
    const std::optional<ReceivedMail> mail = sink_.Next(30s);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->defects, std::vector<std::string>{});
    EXPECT_EQ(mail->recipients, (std::vector<std::string>{"frank@example.org", "grace@example.org",
                                                          "cy@example.org", "dee@example.org"}));
    EXPECT_EQ(mail->Header("To"),
              "frank@example.org, Gr\xC3\xA2"
              "ce <grace@example.org>");
    EXPECT_EQ(mail->Header("Cc"), "cy@example.org, Dee <dee@example.org>");
    EXPECT_NE(LogText().find("Succeeded to send a mail [From:mon@example.org, To:" + job.toList +
                             ", Title:Status, Error:RESULT_SUCCESS]"),
              std::string::npos);
}

TEST_F(Quorvane3Test, ShiftJisMailArrivesAsIso2022Jp) {
    handoff::MailJobFields job = Job(sink_.Port());
    job.charsetCode = 128;
    job.subject =
        "\x93\xFA\x96\x7B\x8C\xEA\x83\x65\x83\x58\x83\x67\x3A\x20\x83\x54\x81\x5B\x83\x6F\x81\x5B"
        "\x92\xE2\x8E\x7E";
    job.bodyText =
        "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\x0A\x2E\x0A\x82\x51\x8D\x73\x96\xDA\x20\xB6\xDE";
    ASSERT_EQ(Run(WriteJob(job)), 0);
    const std::optional<ReceivedMail> mail = sink_.Next(30s);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->defects, std::vector<std::string>{});
    EXPECT_EQ(mail->Header("Subject"),
              "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\x3A\x20\xE3"
              "\x82\xB5"
              "\xE3\x83\xBC\xE3\x83\x90\xE3\x83\xBC\xE5\x81\x9C\xE6\xAD\xA2");
    // The half-width ka with its voiced mark arrives as the full-width ga.
    EXPECT_EQ(
        mail->body,
        "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF\n.\n\xEF\xBC\x92\xE8\xA1\x8C"
        "\xE7\x9B\xAE \xE3\x82\xAC\n");
}

TEST_F(Quorvane3Test, SilentServerTimesOutWithTheConfiguredTime) {
    // A server that accepts connections (the kernel does) and never answers.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    tmp_.Write("quorvane3.ini", "[PROGRAM]\r\nTIMEOUT=1\r\n");
    const std::string jobPath = WriteJob(Job(ntohs(address.sin_port)));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(jobPath, 30s), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    ::close(silent);
    EXPECT_GE(took, 1s);
    EXPECT_LT(took, 15s);
    EXPECT_NE(
        LogText().find("Failed to send a mail [From:mon@example.org, To:Bob <bob@example.org>, "
                       "Title:Status, Error:RESULT_FAILURE]"),
        std::string::npos);
    EXPECT_FALSE(Exists(jobPath));
}

TEST_F(Quorvane3Test, RefusedConnectionIsLoggedAsFailure) {
    const int closed = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(closed, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(closed, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string jobPath = WriteJob(Job(ntohs(address.sin_port)));  // bound, not listening
    EXPECT_EQ(Run(jobPath), 0);
    ::close(closed);
    EXPECT_NE(LogText().find("Error:RESULT_FAILURE]"), std::string::npos);
}

TEST_F(Quorvane3Test, ReplyStartingWithALetterEndsWithExitCode1) {
    testsupport::FakeSmtpServer server;
    server.Send("Hello there\r\n").Start();
    const std::string jobPath = WriteJob(Job(server.Port()));
    EXPECT_EQ(Run(jobPath), 1);
    EXPECT_EQ(LogText(), "");
    EXPECT_TRUE(Exists(jobPath));
}

TEST_F(Quorvane3Test, HandOffLibraryDeliversTheAlert) {
    ScratchDir spool;
    ::setenv("VB_QUORVANE3_SPOOL", spool.path().c_str(), 1);
    ::unsetenv("VB_QUORVANE3_PROGRAM");  // the quorvane3 beside the library
    void* library = ::dlopen(VB_QUORVANE3_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    auto entry = reinterpret_cast<Quorvane3Fn>(::dlsym(library, "Quorvane3"));
    ASSERT_NE(entry, nullptr);

    const int32_t code =
        entry("", "127.0.0.1", sink_.Port(), "boss@example.org", "", "Ossivant <boss@example.org>",
              "boss@example.org", "Ossivant Alert",
              "Site www.example.org is down (caf\xC3\xA9 \xE2\x82\xAC)\r\nStatus 503\r\n", "", 0, 0,
              "US", "Quorvane 3.0");
    ::dlclose(library);
    ::unsetenv("VB_QUORVANE3_SPOOL");
    ASSERT_EQ(code, VBQ3_OK);

    const std::optional<ReceivedMail> mail = sink_.Next(30s);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->defects, std::vector<std::string>{});
    EXPECT_EQ(mail->from, "boss@example.org");
    EXPECT_EQ(mail->recipients, std::vector<std::string>{"boss@example.org"});
    EXPECT_EQ(mail->Header("From"), "Ossivant <boss@example.org>");
    EXPECT_EQ(mail->Header("To"), "boss@example.org");
    EXPECT_EQ(mail->Header("Subject"), "Ossivant Alert");
    EXPECT_EQ(mail->Header("X-Mailer"), "Quorvane 3.0");
    EXPECT_EQ(mail->body, "Site www.example.org is down (caf\xC3\xA9 ?)\nStatus 503\n\n");

    // The sender runs detached: wait (bounded) for its log line and its end.
    std::string log;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    bool jobsLeft = true;
    while (std::chrono::steady_clock::now() < deadline) {
        log.clear();
        jobsLeft = false;
        for (const auto& entry : std::filesystem::directory_iterator(spool.path())) {
            if (entry.path().extension() == ".log") log += ReadAll(entry.path());
            if (entry.path().filename().string().rfind("job-", 0) == 0) jobsLeft = true;
        }
        if (!log.empty() && !jobsLeft) break;
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_NE(log.find("Succeeded to send a mail [From:boss@example.org, To:boss@example.org, "
                       "Title:Ossivant Alert, Error:RESULT_SUCCESS]\r\n"),
              std::string::npos)
        << log;
    EXPECT_FALSE(jobsLeft);
}

// The secure session of the real program against aiosmtpd with TLS and a
// required login; what the send log says, and what arrives.
enum class Trust {
    kNone,
    kCaFile,        // QUORVANE3_CA_FILE names the test authority
    kSystemFolder,  // the authority is in a hashed system folder (SSL_CERT_DIR)
};

// Sets an environment variable for one scope and restores the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct SecureRow {
    const char* name;
    bool sinkTls;
    bool sinkImplicit;
    uint32_t security;
    const char* password;
    Trust trust;
    const char* cause;  // "": delivered; "%d" stands for the port
};
void PrintTo(const SecureRow& row, std::ostream* os) { *os << row.name; }

class SecureSessionTest : public quorvane3::test::SenderScratch,
                          public ::testing::WithParamInterface<SecureRow> {};

TEST_P(SecureSessionTest, LogsTheOutcomeWithItsCause) {
    const SecureRow& row = GetParam();
    ScratchDir received;
    ScratchDir tls;
    std::vector<std::string> extra;
    if (row.sinkTls) extra = {"--tls", tls.path()};
    if (row.sinkImplicit) extra.push_back("--implicit");
    SmtpSink sink(received.path(), false, extra);
    ASSERT_NE(sink.Port(), 0) << "the SMTP server (python3-aiosmtpd) did not start";
    const std::string authority = tls.path() + "/ca.pem";
    ScratchDir system;
    if (row.trust == Trust::kSystemFolder) {
        std::filesystem::copy_file(authority, system.path() + "/test-authority.pem");
        const pid_t rehash = e2e::Spawn({"/usr/bin/openssl", "rehash", system.path()});
        ASSERT_EQ(rehash > 0 ? e2e::WaitExit(rehash, 30s) : -1, 0) << "openssl rehash failed";
    }
    ScopedEnv caFile("QUORVANE3_CA_FILE", row.trust == Trust::kCaFile ? authority.c_str() : nullptr);
    ScopedEnv certDir("SSL_CERT_DIR", row.trust == Trust::kSystemFolder ? system.path().c_str()
                                                                        : std::getenv("SSL_CERT_DIR"));
    ScopedEnv certFile("SSL_CERT_FILE", nullptr);
    tmp_.Write("quorvane3.ini", "[PROGRAM]\r\nTIMEOUT=2\r\n");

    handoff::MailJobFields job;
    job.serverHost = "localhost";
    job.serverPort = sink.Port();
    job.toList = "bob@example.org";
    job.fromField = "Monitor <mon@example.org>";
    job.subject = "Status";
    job.bodyText = "All fine.\r\n";
    job.controlField = logs_.path() + ",2,E2E Mailer";
    job.security = row.security;
    job.userName = "ops";
    job.password = row.password;
    const std::string jobPath = WriteJob(job);
    const pid_t pid = e2e::Spawn({QUORVANE3_PROGRAM, jobPath});
    const int code = pid > 0 ? e2e::WaitExit(pid, 60s) : -1;
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(Exists(jobPath)) << "the job with its password is removed";

    const std::string log = LogText();
    EXPECT_EQ(log.find(row.password), std::string::npos) << log;
    if (std::string(row.cause).empty()) {
        EXPECT_NE(log.find("Error:RESULT_SUCCESS]"), std::string::npos) << log;
        const std::optional<ReceivedMail> mail = sink.Next(30s);
        ASSERT_TRUE(mail);
        EXPECT_EQ(mail->from, "mon@example.org");
        EXPECT_EQ(mail->body, "All fine.\n\n");
    } else {
        char cause[200];
        std::snprintf(cause, sizeof cause, row.cause, sink.Port());
        EXPECT_NE(log.find("Error:RESULT_FAILURE, Cause:" + std::string(cause) + "]\r\n"),
                  std::string::npos)
            << log;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SecureSessionTest,
    ::testing::Values(
        SecureRow{"StartTlsAndLogin", true, false, 1, "secret", Trust::kCaFile, ""},
        SecureRow{"ImplicitTlsAndLogin", true, true, 2, "secret", Trust::kCaFile, ""},
        SecureRow{"AuthorityInTheSystemFolder", true, false, 1, "secret", Trust::kSystemFolder, ""},
        SecureRow{"WrongPassword", true, false, 1, "wrong", Trust::kCaFile,
                  "the server refused AUTH: 535 5.7.8 Authentication credentials invalid"},
        SecureRow{"ServerWithoutStartTls", false, false, 1, "secret", Trust::kCaFile,
                  "server offers no STARTTLS"},
        SecureRow{"UntrustedCertificate", true, false, 1, "secret", Trust::kNone,
                  "the server's certificate is from an unknown issuer (a private authority is "
                  "added with QUORVANE3_CA_FILE)"},
        SecureRow{"SslTlsOnTheStartTlsPort", true, false, 2, "secret", Trust::kCaFile,
                  "the server on port %d expects STARTTLS, not SSL/TLS"},
        SecureRow{"StartTlsOnTheSslTlsPort", true, true, 1, "secret", Trust::kCaFile,
                  "no greeting: the server on port %d expects SSL/TLS, not STARTTLS"}),
    [](const auto& info) { return std::string(info.param.name); });

// Only regular files are read or appended to. A FIFO, a folder or a device
// where the sender expects a file is passed over as a missing file would be,
// and the run ends as usual. Each run is bounded in time and in the size of
// the files it may write, so a sender that waits on a FIFO or copies
// /dev/zero fails the test instead of hanging it or filling the disk.
enum class OddPlace { kAttachment, kRunRecord, kSendLog, kConfiguration };
enum class OddKind { kFifo, kFolder, kDevZero };

struct OddFileRow {
    const char* name;
    OddPlace place;
    OddKind kind;
    std::string fileName;  // the attachment's name in the job folder
    std::vector<std::pair<std::string, std::string>> attachments;  // file name, bytes
};

void PrintTo(const OddFileRow& row, std::ostream* os) {
    *os << row.name;
}

class OddFileTest : public Quorvane3Test, public ::testing::WithParamInterface<OddFileRow> {
protected:
    // Starts quorvane3 unable to write any file beyond 16 MiB (it would end
    // with SIGXFSZ); its exit code, or -1 when it did not end within 20 s.
    static int RunCapped(const std::string& jobPath) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const rlimit cap{16 << 20, 16 << 20};
            ::setrlimit(RLIMIT_FSIZE, &cap);
            ::execl(QUORVANE3_PROGRAM, QUORVANE3_PROGRAM, jobPath.c_str(), nullptr);
            ::_exit(127);
        }
        return pid > 0 ? e2e::WaitExit(pid, 20s) : -1;
    }

    // The name of today's send log, as the sender forms it.
    static std::string SendLogName() {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        ::localtime_r(&now, &local);
        char name[64];
        std::snprintf(name, sizeof name, "%04d%02d%02d.log", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday / 7 + 1);
        return name;
    }

    static bool MakeOdd(const std::string& path, OddKind kind) {
        switch (kind) {
            case OddKind::kFifo:
                return ::mkfifo(path.c_str(), 0600) == 0;
            case OddKind::kFolder:
                return ::mkdir(path.c_str(), 0700) == 0;
            case OddKind::kDevZero:
                return true;
        }
        return false;
    }

    static bool SameKind(const std::string& path, OddKind kind) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) return false;
        return kind == OddKind::kFifo ? S_ISFIFO(info.st_mode) : S_ISDIR(info.st_mode);
    }
};

TEST_P(OddFileTest, IsPassedOverAndTheRunEnds) {
    const OddFileRow& row = GetParam();
    handoff::MailJobFields job = Job(sink_.Port());
    std::string odd;
    switch (row.place) {
        case OddPlace::kAttachment:
            odd = row.kind == OddKind::kDevZero ? "/dev/zero" : jobs_.File(row.fileName);
            break;
        case OddPlace::kRunRecord:
            odd = logs_.File("VB_QUORVANE.dat");
            break;
        case OddPlace::kSendLog:
            odd = logs_.File(SendLogName());
            break;
        case OddPlace::kConfiguration:
            odd = tmp_.File("quorvane3.ini");
            job.controlField = logs_.path();  // no level, no mailer: both from the file
            break;
    }
    ASSERT_TRUE(MakeOdd(odd, row.kind)) << odd;
    const std::string plain = jobs_.Write("a.bin", "abc");
    // Two files, so that the list names no file that could be deleted.
    job.attachmentList = row.place == OddPlace::kAttachment ? odd + ", " + plain : plain;
    job.disposeFlag = 0;

    ASSERT_EQ(RunCapped(WriteJob(job)), 0);
    const std::optional<ReceivedMail> mail = sink_.Next(30s);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->recipients, std::vector<std::string>{"bob@example.org"});
    std::vector<std::pair<std::string, std::string>> attachments;
    for (const auto& part : mail->attachments)
        attachments.emplace_back(part.fileName, ReadAll(part.path));
    EXPECT_EQ(attachments, row.attachments);
    if (row.kind != OddKind::kDevZero) {
        EXPECT_TRUE(SameKind(odd, row.kind)) << odd;
    }

    if (row.place != OddPlace::kRunRecord) {
        EXPECT_EQ(ReadAll(logs_.File("VB_QUORVANE.dat")).size(), 4u);
    }
    if (row.place == OddPlace::kConfiguration) {
        EXPECT_EQ(mail->Header("X-Mailer"), "QUORVANE3 1.1");
        EXPECT_EQ(LogText(), "");  // no level anywhere: nothing is logged
    } else if (row.place != OddPlace::kSendLog) {
        EXPECT_NE(LogText().find("Error:RESULT_SUCCESS]\r\n"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OddFileTest,
    ::testing::Values(
        OddFileRow{"FifoAttachment",
                   OddPlace::kAttachment,
                   OddKind::kFifo,
                   "pipe.bin",
                   {{"a.bin", "abc"}}},
        // An image that cannot be read keeps its part, without data.
        OddFileRow{"FifoNamedAsGif",
                   OddPlace::kAttachment,
                   OddKind::kFifo,
                   "pipe.gif",
                   {{"pipe.gif", ""}, {"a.bin", "abc"}}},
        OddFileRow{"FolderAttachment",
                   OddPlace::kAttachment,
                   OddKind::kFolder,
                   "folder.bin",
                   {{"a.bin", "abc"}}},
        OddFileRow{
            "DevZeroAttachment", OddPlace::kAttachment, OddKind::kDevZero, "", {{"a.bin", "abc"}}},
        OddFileRow{"FifoRunRecord", OddPlace::kRunRecord, OddKind::kFifo, "", {{"a.bin", "abc"}}},
        OddFileRow{"FifoSendLog", OddPlace::kSendLog, OddKind::kFifo, "", {{"a.bin", "abc"}}},
        OddFileRow{
            "FifoConfiguration", OddPlace::kConfiguration, OddKind::kFifo, "", {{"a.bin", "abc"}}}),
    [](const auto& info) { return info.param.name; });

class ConcurrentCopiesTest : public Quorvane3Test, public ::testing::WithParamInterface<bool> {};

TEST_P(ConcurrentCopiesTest, EachJobIsDeliveredAndLoggedOnce) {
    constexpr int kCopies = 8;
    if (GetParam()) logs_.Write("OM_QUORVANE.dat", "");
    std::vector<std::string> jobs;
    std::multiset<std::string> expected;
    for (int i = 0; i < kCopies; ++i) {
        handoff::MailJobFields job = Job(sink_.Port());
        job.subject = "Copy " + std::to_string(i);
        expected.insert(job.subject);
        jobs.push_back(WriteJob(job));
    }
    std::vector<pid_t> pids;
    for (const std::string& job : jobs) pids.push_back(e2e::Spawn({QUORVANE3_PROGRAM, job}));
    for (pid_t pid : pids) EXPECT_EQ(e2e::WaitExit(pid, 120s), 0);

    std::multiset<std::string> delivered;
    for (int i = 0; i < kCopies; ++i) {
        const std::optional<ReceivedMail> mail = sink_.Next(30s);
        ASSERT_TRUE(mail) << "only " << i << " mails arrived";
        delivered.insert(mail->Header("Subject"));
    }
    EXPECT_EQ(delivered, expected);
    EXPECT_FALSE(sink_.Next(200ms)) << "a mail arrived twice";

    const std::string log = LogText();
    std::multiset<std::string> logged;
    for (std::size_t at = log.find("Title:"); at != std::string::npos;
         at = log.find("Title:", at + 1)) {
        logged.insert(log.substr(at + 6, log.find(',', at) - at - 6));
    }
    EXPECT_EQ(logged, expected) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), kCopies);
    EXPECT_EQ(ReadAll(logs_.File("VB_QUORVANE.dat")).size(), 4u * kCopies);
    for (const std::string& job : jobs) EXPECT_FALSE(Exists(job));
}

INSTANTIATE_TEST_SUITE_P(Marker, ConcurrentCopiesTest, ::testing::Values(false, true),
                         [](const auto& info) {
                             return info.param ? "WithWaitMarker" : "WithoutWaitMarker";
                         });

}  // namespace
