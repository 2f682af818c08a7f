#pragma once

#include <QString>

namespace ossivant {

// The monitor's entry in the desktop's autostart folder
// (UserAutostartFolder()/ossivant.desktop). Whether the file exists is the
// setting "start at login": nothing else records it, so an entry that the
// user removes by hand reads as switched off.
class AutostartEntry {
public:
    AutostartEntry();
    explicit AutostartEntry(QString path) : path_(std::move(path)) {}

    const QString& path() const { return path_; }
    bool exists() const;
    // Writes the entry that starts `program` minimised into the tray; the
    // folder is made when missing. False when the file cannot be written.
    bool write(const QString& program) const;
    // False when an entry is still there afterwards.
    bool remove() const;

private:
    QString path_;
};

// `program` as the Exec key of a desktop entry takes it: quoted when it
// holds a blank or a reserved character, "%" doubled, and the backslashes
// of a string value doubled.
QString DesktopExecProgram(const QString& program);

}  // namespace ossivant
