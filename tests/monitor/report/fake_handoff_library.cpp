// A stand-in for the hand-off library: records the 14 arguments of each call
// into the file named by FAKE_QUORVANE3_RECORD (each argument followed by a NUL,
// numbers in decimal) and returns the number in FAKE_QUORVANE3_RESULT (0 if unset).
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

extern "C" int32_t Quorvane3(const char* reserved1, const char* smtpServer, int32_t smtpPort,
                             const char* envelopeFrom, const char* reserved2, const char* fromField,
                             const char* toList, const char* subject, const char* body,
                             const char* attachment, int32_t disposeFlag, int32_t reserved3,
                             const char* charset, const char* mailerName) {
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
            std::fclose(file);
        }
    }
    const char* result = std::getenv("FAKE_QUORVANE3_RESULT");
    return result != nullptr ? static_cast<int32_t>(std::atoi(result)) : 0;
}
