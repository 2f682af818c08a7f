#include "mailer/mime/attachment_part.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "mailer/mime/base64.h"
#include "mailer/mime/header_text.h"
#include "mailer/sys/regular_file.h"

namespace quorvane3 {

namespace {

constexpr std::size_t kForwardPiece = 1000;

bool ExtensionIs(std::string_view ext, const char* name) {
    const std::size_t n = std::strlen(name);
    return ext.size() >= n && ::strncasecmp(ext.data(), name, n) == 0;
}

void WriteForwarded(MessageWriter& out, std::FILE* file) {
    out.Put(
        "Content-Type: message/rfc822\n"
        "Content-Transfer-Encoding: 7bit\n"
        "Content-Disposition: inline\n"
        "\n");
    char piece[kForwardPiece];
    std::size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) {
        // The piece is text: whatever follows a NUL byte in it is not sent.
        const void* nul = std::memchr(piece, '\0', got);
        out.Put(std::string_view(piece, nul ? static_cast<const char*>(nul) - piece : got));
    }
}

void WriteEncoded(MessageWriter& out, AttachmentKind kind, const std::string& path, std::FILE* file,
                  uint32_t charsetCode) {
    const std::string name =
        EncodeHeaderText(AttachmentFileName(path), charsetCode, WordJoin::kBlank);
    const bool image = kind == AttachmentKind::kGif || kind == AttachmentKind::kJpeg;
    out.Put(kind == AttachmentKind::kGif    ? "Content-Type: image/gif; name=\""
            : kind == AttachmentKind::kJpeg ? "Content-Type: image/jpeg; name=\""
                                            : "Content-Type: application/octet-stream; name=\"");
    out.Put(name);
    out.Put("\"\nContent-Transfer-Encoding: base64\n");
    out.Put(image ? "Content-Disposition: inline; filename=\""
                  : "Content-Disposition: attachment; filename=\"");
    out.Put(name);
    out.Put("\"\n\n");
    char line[kBase64LineBuffer];
    while (file && EncodeBase64File(file, line, sizeof line) == kBase64More) {
        out.Put(line);
        out.Put("\n");
    }
    if (file) std::fclose(file);
}

}  // namespace

std::vector<std::string> SplitAttachmentList(std::string_view list) {
    std::vector<std::string> items;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        while (pos < list.size() && list[pos] == ' ') ++pos;
        std::size_t comma = list.find(',', pos);
        if (comma == std::string_view::npos) comma = list.size();
        const std::string_view item = list.substr(pos, comma - pos);
        if (!item.empty() && item.size() <= kMaxAttachmentPath) items.emplace_back(item);
        pos = comma + 1;
    }
    return items;
}

AttachmentKind AttachmentKindOf(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::string_view ext =
        dot == std::string::npos ? std::string_view(path) : std::string_view(path).substr(dot + 1);
    if (ExtensionIs(ext, "gif")) return AttachmentKind::kGif;
    if (ExtensionIs(ext, "jpg") || ExtensionIs(ext, "jpeg")) return AttachmentKind::kJpeg;
    if (ExtensionIs(ext, "fwd")) return AttachmentKind::kForwarded;
    std::FILE* file = sys::OpenRegularFileForReading(path);
    if (!file) return AttachmentKind::kUnreadable;
    char magic[3] = {};
    const std::size_t got = std::fread(magic, 1, sizeof magic, file);
    std::fclose(file);
    return got == 3 && std::memcmp(magic, "GIF", 3) == 0 ? AttachmentKind::kGif
                                                         : AttachmentKind::kOther;
}

std::string_view AttachmentFileName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool WriteAttachmentPart(MessageWriter& out, const std::string& path, uint32_t charsetCode,
                         std::string_view lead) {
    const AttachmentKind kind = AttachmentKindOf(path);
    if (kind == AttachmentKind::kUnreadable) return false;
    std::FILE* file = sys::OpenRegularFileForReading(path);
    if (!file && kind != AttachmentKind::kGif && kind != AttachmentKind::kJpeg) return false;
    out.Put(lead);
    if (kind == AttachmentKind::kForwarded) {
        WriteForwarded(out, file);
        std::fclose(file);
        return true;
    }
    WriteEncoded(out, kind, path, file, charsetCode);
    return true;
}

}  // namespace quorvane3
