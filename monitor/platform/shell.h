#pragma once

#include <QString>
#include <QStringList>

namespace ossivant {

// Seam for the desktop shell: hands a document or web address to the
// desktop's viewer for it. The window layer implements it with
// QDesktopServices; tests record the targets.
//
// Results use the shell's own numbering: a value above 32 means the target
// was handed over; 1..32 is an error code (0 counts as out of resources).
class Shell {
public:
    static constexpr int kOpened = 42;
    static constexpr int kErrFileNotFound = 2;    // the target does not exist
    static constexpr int kErrNoAssociation = 31;  // no viewer for this kind of target

    virtual ~Shell() = default;
    virtual int openDocument(const QString& target) = 0;
};

// Seam for starting another program of the system. The window layer starts
// it detached, with its arguments as a vector (no shell, no command line to
// parse, so blanks in paths are safe); tests record the calls.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // False when the program could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};

}  // namespace ossivant
