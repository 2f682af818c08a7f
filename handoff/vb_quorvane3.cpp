// The C entry of libvb_quorvane3.so: finds the spool folder and the sender
// program, then hands the mail off.
#include "handoff/vb_quorvane3.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "handoff/hand_off.h"
#include "handoff/spool.h"

namespace {

constexpr int32_t kJobPathBuffer = 260;

std::string Text(const char* value) {
    return value ? std::string(value) : std::string();
}

// $VB_QUORVANE3_PROGRAM, else "quorvane3" beside this library.
std::string SenderProgram() {
    std::string program = Text(std::getenv("VB_QUORVANE3_PROGRAM"));
    if (!program.empty()) return program;
    // The address of a function of this file names this library's file,
    // whatever other object might export a Quorvane3 as well.
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&SenderProgram), &info) == 0 || !info.dli_fname) return {};
    std::string library = info.dli_fname;
    char resolved[PATH_MAX];
    if (::realpath(library.c_str(), resolved)) library = resolved;
    std::string::size_type slash = library.rfind('/');
    std::string folder = slash == std::string::npos ? "." : library.substr(0, slash);
    return folder + "/quorvane3";
}

int32_t HandOff(const char* spareHost, const char* serverHost, int32_t serverPort,
                const char* toList, const char* ccList, const char* fromField,
                const char* replyTo, const char* subject, const char* bodyText,
                const char* attachmentList, int32_t disposeFlag, int32_t sparePort,
                const char* charset, const char* mailerName, int32_t security,
                const char* userName, const char* password, char* jobPath = nullptr,
                int32_t jobPathSize = 0) {
    try {
        handoff::MailRequest mail;
        mail.spareHost = Text(spareHost);
        mail.serverHost = Text(serverHost);
        mail.serverPort = serverPort;
        mail.toList = Text(toList);
        mail.ccList = Text(ccList);
        mail.fromField = Text(fromField);
        mail.replyTo = Text(replyTo);
        mail.subject = Text(subject);
        mail.bodyText = Text(bodyText);
        mail.attachmentList = Text(attachmentList);
        mail.disposeFlag = disposeFlag;
        mail.sparePort = sparePort;
        mail.charset = Text(charset);
        mail.mailerName = Text(mailerName);
        mail.security = security;
        mail.userName = Text(userName);
        mail.password = Text(password);
        mail.tracked = jobPath != nullptr;
        // Every job path fits 260 bytes; a smaller buffer might not hold this one.
        if (mail.tracked && jobPathSize < kJobPathBuffer) return VBQ3_JOB_NOT_WRITTEN;

        handoff::HandOffPlaces places{handoff::DefaultSpoolDir(), SenderProgram()};
        if (places.program.empty()) return VBQ3_NO_PROGRAM;
        std::string written;
        const int32_t result = handoff::HandOffMail(mail, places, &written);
        if (result == VBQ3_OK && jobPath) std::memcpy(jobPath, written.c_str(), written.size() + 1);
        return result;
    } catch (...) {
        // Nothing may cross the C boundary; running out of memory is the
        // only thing that can throw here.
        return VBQ3_JOB_NOT_WRITTEN;
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t Quorvane3(
    const char* spareHost, const char* serverHost, int32_t serverPort, const char* toList,
    const char* ccList, const char* fromField, const char* replyTo, const char* subject,
    const char* bodyText, const char* attachmentList, int32_t disposeFlag, int32_t sparePort,
    const char* charset, const char* mailerName) {
    return HandOff(spareHost, serverHost, serverPort, toList, ccList, fromField, replyTo, subject,
                   bodyText, attachmentList, disposeFlag, sparePort, charset, mailerName, 0,
                   nullptr, nullptr);
}

extern "C" __attribute__((visibility("default"))) int32_t Quorvane3Secure(
    const char* spareHost, const char* serverHost, int32_t serverPort, const char* toList,
    const char* ccList, const char* fromField, const char* replyTo, const char* subject,
    const char* bodyText, const char* attachmentList, int32_t disposeFlag, int32_t sparePort,
    const char* charset, const char* mailerName, int32_t security, const char* userName,
    const char* password) {
    return HandOff(spareHost, serverHost, serverPort, toList, ccList, fromField, replyTo, subject,
                   bodyText, attachmentList, disposeFlag, sparePort, charset, mailerName,
                   security, userName, password);
}

extern "C" __attribute__((visibility("default"))) int32_t Quorvane3Tracked(
    const char* spareHost, const char* serverHost, int32_t serverPort, const char* toList,
    const char* ccList, const char* fromField, const char* replyTo, const char* subject,
    const char* bodyText, const char* attachmentList, int32_t disposeFlag, int32_t sparePort,
    const char* charset, const char* mailerName, int32_t security, const char* userName,
    const char* password, char* jobPath, int32_t jobPathSize) {
    if (jobPath == nullptr) return VBQ3_JOB_NOT_WRITTEN;
    return HandOff(spareHost, serverHost, serverPort, toList, ccList, fromField, replyTo, subject,
                   bodyText, attachmentList, disposeFlag, sparePort, charset, mailerName,
                   security, userName, password, jobPath, jobPathSize);
}

extern "C" __attribute__((visibility("default"))) int32_t Quorvane3Resend(const char* jobPath) {
    try {
        handoff::HandOffPlaces places{handoff::DefaultSpoolDir(), SenderProgram()};
        if (places.program.empty()) return VBQ3_NO_PROGRAM;
        return handoff::ResendJob(Text(jobPath), places);
    } catch (...) {
        return VBQ3_NOT_STARTED;
    }
}
