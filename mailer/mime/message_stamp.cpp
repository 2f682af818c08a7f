#include "mailer/mime/message_stamp.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "mailer/sys/event_loop.h"
#include "mailer/sys/local_time.h"

namespace quorvane3 {

namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

unsigned long g_messageCounter = 0;

}  // namespace

std::string FormatDate(const std::tm& t, std::optional<long> biasMinutes) {
    char zone[32] = "error";
    if (biasMinutes) {
        const long bias = *biasMinutes;
        const long magnitude = std::labs(bias);
        std::snprintf(zone, sizeof zone, " %c%02ld%02ld", bias < 0 ? '+' : '-', magnitude / 60,
                      magnitude % 60);
    }
    char date[80];
    std::snprintf(date, sizeof date, "%s, %02d %s %02d %02d:%02d:%02d %s",
                  kWeekdays[((t.tm_wday % 7) + 7) % 7], t.tm_mday,
                  kMonths[((t.tm_mon % 12) + 12) % 12], t.tm_year + 1900, t.tm_hour, t.tm_min,
                  t.tm_sec, zone);
    return date;
}

std::string FormatDate() {
    return FormatDate(sys::LocalTimeNow().fields, sys::TimeZoneBias());
}

std::string MakeMessageId(const std::tm& t, std::string_view localHost, unsigned long counter,
                          std::string_view serverHost) {
    std::string digits;
    for (std::size_t i = 0; i < localHost.size() && i < 5 && localHost[i] != '\0'; ++i) {
        const auto widened =
            static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(localHost[i])));
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02u", static_cast<unsigned>(widened % 100));
        digits += pair;
    }
    char head[96];
    std::snprintf(head, sizeof head, "%02d%02d%02d%02d%02d%02d.%lu.", t.tm_mon + 1, t.tm_mday,
                  t.tm_year, t.tm_hour, t.tm_min, t.tm_sec, counter);
    std::string id = head;
    id += digits;
    id += '@';
    id += serverHost;
    return id;
}

std::string MakeMessageId(std::string_view serverHost) {
    char host[100] = {};
    if (sys::GetLocalHostName(host, sizeof host) != 0) host[0] = '\0';
    host[sizeof host - 1] = '\0';
    return MakeMessageId(sys::LocalTimeNow().fields, host, g_messageCounter++, serverHost);
}

}  // namespace quorvane3
