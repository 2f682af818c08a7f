// A stand-in for the hand-off library: records the arguments of each call (14,
// or 17 through the secure entry) into the file named by FAKE_QUORVANE3_RECORD
// (each argument followed by a NUL, numbers in decimal) and returns the number
// in FAKE_QUORVANE3_RESULT (0 if unset).
#include <cstdio>
#include <cstdlib>

#include "handoff/vb_quorvane3.h"

namespace {

void Put(std::FILE* file, const char* text) {
    std::fputs(text, file);
    std::fputc('\0', file);
}

void Put(std::FILE* file, int32_t number) {
    std::fprintf(file, "%d", static_cast<int>(number));
    std::fputc('\0', file);
}

}  // namespace

namespace {

int32_t Record(const char* reserved1, const char* smtpServer, int32_t smtpPort,
               const char* envelopeFrom, const char* reserved2, const char* fromField,
               const char* toList, const char* subject, const char* body, const char* attachment,
               int32_t disposeFlag, int32_t reserved3, const char* charset,
               const char* mailerName, const int32_t* security, const char* user,
               const char* password) {
    if (const char* path = std::getenv("FAKE_QUORVANE3_RECORD")) {
        if (std::FILE* file = std::fopen(path, "wb")) {
            Put(file, reserved1);
            Put(file, smtpServer);
            Put(file, smtpPort);
            Put(file, envelopeFrom);
            Put(file, reserved2);
            Put(file, fromField);
            Put(file, toList);
            Put(file, subject);
            Put(file, body);
            Put(file, attachment);
            Put(file, disposeFlag);
            Put(file, reserved3);
            Put(file, charset);
            Put(file, mailerName);
            if (security) {
                Put(file, *security);
                Put(file, user);
                Put(file, password);
            }
            std::fclose(file);
        }
    }
    const char* result = std::getenv("FAKE_QUORVANE3_RESULT");
    return result != nullptr ? static_cast<int32_t>(std::atoi(result)) : 0;
}

}  // namespace

extern "C" int32_t Quorvane3(const char* reserved1, const char* smtpServer, int32_t smtpPort,
                             const char* envelopeFrom, const char* reserved2, const char* fromField,
                             const char* toList, const char* subject, const char* body,
                             const char* attachment, int32_t disposeFlag, int32_t reserved3,
                             const char* charset, const char* mailerName) {
    return Record(reserved1, smtpServer, smtpPort, envelopeFrom, reserved2, fromField, toList,
                  subject, body, attachment, disposeFlag, reserved3, charset, mailerName, nullptr,
                  nullptr, nullptr);
}

extern "C" int32_t Quorvane3Secure(const char* reserved1, const char* smtpServer,
                                   int32_t smtpPort, const char* envelopeFrom,
                                   const char* reserved2, const char* fromField,
                                   const char* toList, const char* subject, const char* body,
                                   const char* attachment, int32_t disposeFlag, int32_t reserved3,
                                   const char* charset, const char* mailerName, int32_t security,
                                   const char* user, const char* password) {
    return Record(reserved1, smtpServer, smtpPort, envelopeFrom, reserved2, fromField, toList,
                  subject, body, attachment, disposeFlag, reserved3, charset, mailerName,
                  &security, user, password);
}
