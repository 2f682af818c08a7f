#include "mailer/net/smtp_security.h"

#include <algorithm>
#include <cctype>

#include "mailer/mime/base64.h"

namespace quorvane3 {

namespace {

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// The words of one reply line after its code and separator.
void ReadLine(std::string_view line, EhloOffer& offer) {
    if (line.size() < 4) return;
    std::string text = Upper(line.substr(4));
    for (char& c : text) {
        if (c == '=') c = ' ';
    }
    std::size_t start = 0;
    bool first = true;
    bool auth = false;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string_view word = std::string_view(text).substr(start, end - start);
        if (!word.empty()) {
            if (first) {
                offer.startTls = offer.startTls || word == "STARTTLS";
                auth = word == "AUTH";
                first = false;
            } else if (auth) {
                offer.authPlain = offer.authPlain || word == "PLAIN";
                offer.authLogin = offer.authLogin || word == "LOGIN";
            }
        }
        start = end + 1;
    }
}

}  // namespace

EhloOffer ReadEhloOffer(std::string_view reply) {
    EhloOffer offer;
    bool greetingLine = true;  // the first line names the server, not an extension
    while (!reply.empty()) {
        const std::size_t end = reply.find("\r\n");
        const std::string_view line = reply.substr(0, end);
        if (!greetingLine) ReadLine(line, offer);
        greetingLine = false;
        if (end == std::string_view::npos) break;
        reply.remove_prefix(end + 2);
    }
    return offer;
}

std::string AuthPlainArgument(const SmtpLogin& login) {
    std::string credentials;
    credentials += '\0';
    credentials += login.user;
    credentials += '\0';
    credentials += login.password;
    return EncodeBase64(credentials);
}

}  // namespace quorvane3
