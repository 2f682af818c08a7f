#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mailer/mime/message_writer.h"

namespace quorvane3 {

// Longest attachment path; a longer item of the list counts as empty.
inline constexpr std::size_t kMaxAttachmentPath = 259;

enum class AttachmentKind {
    kGif,
    kJpeg,
    kForwarded,  // an embedded message (".fwd")
    kOther,
    kUnreadable,  // kind needed the file's first bytes, and it cannot be opened
};

// The file paths of an attachment list: split at commas, blanks before each
// item skipped, items longer than 259 characters and empty items left out.
std::vector<std::string> SplitAttachmentList(std::string_view list);

// The kind of an attachment: by the letters after the last '.' of the path
// (gif, jpg, jpeg, fwd, compared without case and only as far as those go,
// so ".gifs" is a GIF), else by the first three bytes of the file ("GIF").
AttachmentKind AttachmentKindOf(const std::string& path);

// The file name of a path: the part after its last '/'.
std::string_view AttachmentFileName(std::string_view path);

// Writes `lead` (the part's delimiter) and one attachment part (headers,
// empty line, content). Returns false, writing nothing, when the part is
// left out: the file is missing and it is neither a GIF nor a JPEG by name
// (those get their headers and no data). Only a regular file is read: a
// FIFO, a device or a folder counts as missing.
bool WriteAttachmentPart(MessageWriter& out, const std::string& path, uint32_t charsetCode,
                         std::string_view lead);

}  // namespace quorvane3
