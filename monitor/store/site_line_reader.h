#pragma once

#include <QByteArray>
#include <QIODevice>

namespace ossivant {

// Reads a data file one line at a time, for the import. A line longer than
// any site line can be is passed over as it streams by: it is never held
// whole, so one endless line costs no memory.
class SiteLineReader {
public:
    // Longer than any address, IP and numbers of one site together.
    static constexpr qint64 kMaxLineBytes = 4096;

    explicit SiteLineReader(QIODevice& device) : device_(device) {}

    // The next line without its line end (LF or CR LF) into `line`; false at
    // the end of the file. A line over kMaxLineBytes sets `tooLong` and
    // leaves `line` empty.
    bool next(QByteArray& line, bool& tooLong);

private:
    QIODevice& device_;
};

}  // namespace ossivant
