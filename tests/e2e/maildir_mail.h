#ifndef OSSIVANT_TESTS_E2E_MAILDIR_MAIL_H
#define OSSIVANT_TESTS_E2E_MAILDIR_MAIL_H

// A mail as the delivery agent left it in a Maildir file: its headers and body.

#include <map>
#include <sstream>
#include <string>

namespace e2e {

struct StoredMail {
    std::multimap<std::string, std::string> headers;  // as delivered, unfolded
    std::string body;
};

inline StoredMail ParseMaildirFile(const std::string& text) {
    StoredMail mail;
    const auto end = text.find("\n\n");
    std::istringstream head(text.substr(0, end));
    std::string line, name, value;
    auto flush = [&] {
        if (!name.empty()) mail.headers.emplace(name, value);
        name.clear();
    };
    while (std::getline(head, line)) {
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            value += line;
            continue;
        }
        flush();
        const auto colon = line.find(':');
        name = line.substr(0, colon);
        value =
            colon == std::string::npos ? "" : line.substr(line.find_first_not_of(' ', colon + 1));
    }
    flush();
    mail.body = end == std::string::npos ? "" : text.substr(end + 2);
    return mail;
}

inline std::string Header(const StoredMail& mail, const std::string& name) {
    const auto it = mail.headers.find(name);
    return it == mail.headers.end() ? "(none)" : it->second;
}

}  // namespace e2e

#endif
