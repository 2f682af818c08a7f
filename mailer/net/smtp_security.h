#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane3 {

// How the session protects itself (RFC 8314): none is the plain session of
// HELO; STARTTLS upgrades a plain connection after EHLO (RFC 3207); SSL/TLS
// starts TLS right after connect. The numbers are those a job file carries.
enum class SmtpSecurity : std::uint32_t { kNone = 0, kStartTls = 1, kImplicitTls = 2 };
inline constexpr std::uint32_t kLastSmtpSecurity = 2;

// The protection and the login (RFC 4954) of one session. An empty user
// name sends no AUTH.
struct SmtpLogin {
    SmtpSecurity security = SmtpSecurity::kNone;
    std::string user;
    std::string password;
};

// What the server's EHLO reply offers of what the session uses.
struct EhloOffer {
    bool startTls = false;
    bool authPlain = false;
    bool authLogin = false;
};

// Reads the keywords of an EHLO reply ("250-STARTTLS", "250 AUTH PLAIN
// LOGIN", also the old "AUTH=LOGIN"), in any letter case.
EhloOffer ReadEhloOffer(std::string_view reply);

// The mechanism's first argument of AUTH PLAIN: base64 of NUL user NUL password.
std::string AuthPlainArgument(const SmtpLogin& login);

}  // namespace quorvane3
