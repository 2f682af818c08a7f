#include "monitor/store/site_line_reader.h"

namespace ossivant {

bool SiteLineReader::next(QByteArray& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    if (device_.atEnd()) return false;
    // Room for the longest line and its CR LF, and one byte more to tell a
    // longer line.
    constexpr qint64 kPiece = kMaxLineBytes + 3;
    line = device_.readLine(kPiece);
    while (!line.endsWith('\n') && !device_.atEnd() && line.size() > kMaxLineBytes) {
        tooLong = true;
        line = device_.readLine(kPiece);
    }
    if (line.endsWith('\n')) line.chop(line.endsWith("\r\n") ? 2 : 1);
    if (line.size() > kMaxLineBytes) tooLong = true;
    if (tooLong) line.clear();
    return true;
}

}  // namespace ossivant
