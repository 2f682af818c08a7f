#ifndef OSSIVANT_TESTS_E2E_POSTFIX_SERVER_H
#define OSSIVANT_TESTS_E2E_POSTFIX_SERVER_H

// A private Postfix (Debian's postfix) on 127.0.0.1 with SASL through
// Dovecot's auth service (dovecot-core): its own folder for configuration,
// queue, data, log and the delivered mail, a certificate made for this run
// by the openssl tool from a test authority, and three SMTP services:
//   plain       no TLS, no AUTH (the session without security)
//   submission  STARTTLS and AUTH required (smtpd_tls_security_level=encrypt)
//   wrapper     TLS from the connect (smtpd_tls_wrappermode), AUTH LOGIN only
// Mail for example.org goes to one Maildir. Everything runs as root (Postfix's
// master needs it) and is stopped by its process id.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/smtp_sink.h"
#include "tests/mailer/scratch_dir.h"

namespace e2e {

inline uint16_t FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    uint16_t port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(s);
    return port;
}

inline bool Accepts(uint16_t port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    return ok;
}

// Runs a tool to its end (bounded); true when it exited with 0.
inline bool RunTool(const std::vector<std::string>& args) {
    const pid_t pid = Spawn(args);
    return pid > 0 && WaitExit(pid, std::chrono::seconds(60)) == 0;
}

class PostfixServer {
public:
    static constexpr const char* kUser = "ops";
    static constexpr const char* kPassword = "secret";

    PostfixServer() {
        // Postfix's daemons run as the postfix user and must reach the folder,
        // so it is not under a private 0700 temporary folder.
        std::string pattern = "/tmp/q3postfix.XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) return;
        dir_ = pattern;
        ::chmod(dir_.c_str(), 0755);
        error_ = Start();
    }
    ~PostfixServer() {
        for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
            ::kill(*it, SIGTERM);
            WaitExit(*it, std::chrono::seconds(20));
        }
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }
    PostfixServer(const PostfixServer&) = delete;
    PostfixServer& operator=(const PostfixServer&) = delete;

    // Empty when the servers run; else what went wrong.
    const std::string& Error() const { return error_; }
    std::string AuthorityFile() const { return dir_ + "/ca.pem"; }
    uint16_t plainPort = 0, submissionPort = 0, wrapperPort = 0;

    // Where Postfix puts each delivered mail (the Maildir's new/).
    std::string DeliveryFolder() const { return dir_ + "/mail/inbox/new"; }

    // The delivered mails (file paths in the delivery folder).
    std::vector<std::string> Delivered() const {
        std::vector<std::string> files;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(DeliveryFolder(), ignored)) {
            files.push_back(entry.path().string());
        }
        return files;
    }

    std::string Log() const { return quorvane3::test::ReadAll(dir_ + "/postfix.log"); }

    // Waits (bounded) until Postfix's log holds `text`.
    bool WaitLog(const std::string& text, std::chrono::milliseconds bound) const {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (Log().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

private:
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    std::string Start() {
        const passwd* postfix = ::getpwnam("postfix");
        if (!postfix || !std::filesystem::exists("/usr/lib/postfix/sbin/master") ||
            !std::filesystem::exists("/usr/sbin/dovecot")) {
            return "Postfix or Dovecot is not installed (packages postfix, dovecot-core)";
        }
        if (::geteuid() != 0) return "Postfix's master needs root";
        if (!MakeCertificate()) return "openssl could not make the test certificate";
        const uint16_t authPort = FreePort();
        plainPort = FreePort();
        submissionPort = FreePort();
        wrapperPort = FreePort();
        for (const char* sub : {"conf", "queue", "data", "mail", "dovecot"}) {
            std::filesystem::create_directory(dir_ + "/" + sub);
        }
        if (::chown((dir_ + "/data").c_str(), postfix->pw_uid, postfix->pw_gid) != 0 ||
            ::chown((dir_ + "/mail").c_str(), postfix->pw_uid, postfix->pw_gid) != 0) {
            return "cannot hand the data and mail folders to the postfix user";
        }

        Write("dovecot/users", std::string(kUser) + ":{PLAIN}" + kPassword + "\n");
        Write("dovecot/dovecot.conf",
              "base_dir = " + dir_ + "/dovecot/run\n"
              "state_dir = " + dir_ + "/dovecot/state\n"
              "log_path = " + dir_ + "/dovecot/dovecot.log\n"
              "protocols =\nlisten = 127.0.0.1\nssl = no\n"
              "auth_mechanisms = plain login\n"
              "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " +
                  dir_ + "/dovecot/users\n}\n"
              "userdb {\n  driver = static\n  args = uid=postfix gid=postfix home=" + dir_ +
                  "/mail\n}\n"
              "service auth {\n  inet_listener {\n    address = 127.0.0.1\n    port = " +
                  std::to_string(authPort) + "\n  }\n}\n");
        const std::string id = std::to_string(postfix->pw_uid);
        const std::string group = std::to_string(postfix->pw_gid);
        Write("conf/main.cf",
              "compatibility_level = 3.6\n"
              "queue_directory = " + dir_ + "/queue\n"
              "data_directory = " + dir_ + "/data\n"
              "mail_owner = postfix\n"
              "myhostname = localhost\nmydomain = localdomain\nmydestination =\n"
              "inet_interfaces = 127.0.0.1\ninet_protocols = ipv4\n"
              "maillog_file_prefixes = " + dir_ + "\n"
              "maillog_file = " + dir_ + "/postfix.log\n"
              "alias_maps =\nalias_database =\n"
              "virtual_mailbox_domains = example.org\n"
              "virtual_mailbox_base = " + dir_ + "/mail\n"
              "virtual_mailbox_maps = static:inbox/\n"
              "virtual_uid_maps = static:" + id + "\nvirtual_gid_maps = static:" + group + "\n"
              "virtual_minimum_uid = 1\n"
              "smtpd_tls_cert_file = " + dir_ + "/server.pem\n"
              "smtpd_tls_key_file = " + dir_ + "/server.key\n"
              "smtpd_sasl_type = dovecot\n"
              "smtpd_sasl_path = inet:127.0.0.1:" + std::to_string(authPort) + "\n"
              "smtpd_relay_restrictions = permit_sasl_authenticated, reject_unauth_destination\n");
        const std::string loggedIn =
            " -o smtpd_sasl_auth_enable=yes"
            " -o smtpd_client_restrictions=permit_sasl_authenticated,reject";
        Write("conf/master.cf",
              Service(plainPort) + "\n" +
              Service(submissionPort) + " -o smtpd_tls_security_level=encrypt"
                  " -o smtpd_tls_auth_only=yes" + loggedIn + "\n" +
              Service(wrapperPort) + " -o smtpd_tls_wrappermode=yes"
                  " -o smtpd_sasl_mechanism_filter=login" + loggedIn + "\n"
              "cleanup unix n - n - 0 cleanup\n"
              "qmgr unix n - n 300 1 qmgr\n"
              "tlsmgr unix - - n 1000? 1 tlsmgr\n"
              "rewrite unix - - n - - trivial-rewrite\n"
              "bounce unix - - n - 0 bounce\n"
              "defer unix - - n - 0 bounce\n"
              "trace unix - - n - 0 bounce\n"
              "verify unix - - n - 1 verify\n"
              "flush unix n - n 1000? 0 flush\n"
              "proxymap unix - - n - - proxymap\n"
              "error unix - - n - - error\n"
              "retry unix - - n - - error\n"
              "discard unix - - n - - discard\n"
              "virtual unix - n n - - virtual\n"
              "anvil unix - - n - 1 anvil\n"
              "scache unix - - n - 1 scache\n"
              "postlog unix-dgram n - n - 1 postlogd\n");

        // "postfix check" creates the queue's folders with their owners.
        if (!RunTool({"/usr/sbin/postfix", "-c", dir_ + "/conf", "check"})) {
            return "postfix check refused the configuration";
        }
        Launch({"/usr/sbin/dovecot", "-F", "-c", dir_ + "/dovecot/dovecot.conf"});
        Launch({"/usr/lib/postfix/sbin/master", "-d", "-c", dir_ + "/conf"});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (uint16_t port : {authPort, plainPort, submissionPort, wrapperPort}) {
            while (!Accepts(port)) {
                if (std::chrono::steady_clock::now() >= deadline) {
                    return "Postfix or Dovecot did not listen on 127.0.0.1:" +
                           std::to_string(port) + "\n" + Log() +
                           quorvane3::test::ReadAll(dir_ + "/dovecot/dovecot.log");
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        return "";
    }

    static std::string Service(uint16_t port) {
        return "127.0.0.1:" + std::to_string(port) + " inet n - n - - smtpd";
    }

    void Launch(const std::vector<std::string>& args) {
        const pid_t pid = Spawn(args);
        if (pid > 0) pids_.push_back(pid);
    }

    // A test authority and a server certificate for "localhost" signed by it.
    bool MakeCertificate() const {
        const std::string openssl = "/usr/bin/openssl";
        const std::string d = dir_ + "/";
        Write("server.ext", "subjectAltName=DNS:localhost\n");
        return RunTool({openssl, "req", "-x509", "-newkey", "ec", "-pkeyopt",
                        "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", d + "ca.key",
                        "-out", d + "ca.pem", "-days", "2", "-subj", "/CN=Ossivant Test Authority"}) &&
               RunTool({openssl, "req", "-newkey", "ec", "-pkeyopt",
                        "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", d + "server.key",
                        "-out", d + "server.csr", "-subj", "/CN=localhost"}) &&
               RunTool({openssl, "x509", "-req", "-in", d + "server.csr", "-CA", d + "ca.pem",
                        "-CAkey", d + "ca.key", "-CAcreateserial", "-out", d + "server.pem",
                        "-days", "2", "-extfile", d + "server.ext"});
    }

    std::string dir_;
    std::string error_ = "no folder for the server";
    std::vector<pid_t> pids_;
};

}  // namespace e2e

#endif
