#pragma once

#include <chrono>

namespace quorvane3 {

// How long the SMTP client waits for each step before it gives the mail up.
// The defaults are the client time-outs of RFC 5321 section 4.5.3.2; HELO
// and QUIT, which it does not name, wait as long as MAIL, and so do EHLO,
// STARTTLS and each step of AUTH. The connect
// time-out bounds the host lookup and each connection attempt. A duration of
// zero waits without limit.
struct SmtpTimeouts {
    using Duration = std::chrono::milliseconds;

    Duration connect = std::chrono::minutes(2);
    Duration greeting = std::chrono::minutes(5);   // the initial 220
    Duration helo = std::chrono::minutes(5);
    Duration mailFrom = std::chrono::minutes(5);
    Duration rcpt = std::chrono::minutes(5);       // each RCPT
    Duration dataInit = std::chrono::minutes(2);   // the 354 to DATA
    Duration dataBlock = std::chrono::minutes(3);  // each block of the text the socket holds back
    Duration endOfData = std::chrono::minutes(10); // the reply to the final "."
    Duration quit = std::chrono::minutes(5);
    Duration handshake = std::chrono::minutes(5);  // a TLS handshake, as long as the greeting

    // Every step bounded by the same time, as the configuration's single
    // value in seconds sets it.
    static SmtpTimeouts Uniform(Duration each) {
        SmtpTimeouts t;
        t.connect = t.greeting = t.helo = t.mailFrom = t.rcpt = each;
        t.dataInit = t.dataBlock = t.endOfData = t.quit = t.handshake = each;
        return t;
    }
};

}  // namespace quorvane3
