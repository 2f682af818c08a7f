#pragma once

namespace ossivant::description_locks {

// Stand-ins for fcntl() and close() under the registry's file access, so
// that its record locks survive the rest of the process.
//
// A classic record lock belongs to the process: when any code of the
// process closes any descriptor of the file, every lock the process held on
// it is gone without a word (a file dialog that opens each file it lists to
// tell its type is enough). The registry's sharing with other processes
// rests on those locks: another process that finds them gone takes itself
// for the only user, resets the shared index of the write-ahead log under a
// writer's mapping of it and removes the log on its way out.
//
// Here F_GETLK, F_SETLK and F_SETLKW act as locks of an open file
// description (F_OFD_*), which only a close of that description ends. Each
// file has one such description per process, a duplicate of the first
// descriptor that locked it, so the locks keep their per-process meaning for
// the caller: taken through one descriptor, they are released or replaced
// through another. They conflict with other processes' locks of either kind.
// The description is closed with the last of the caller's descriptors that
// locked the file. A child of fork() starts with no lock description.
// Every other command passes through; each takes an int argument.
int Fcntl(int fd, int command, ...);
int Close(int fd);

}  // namespace ossivant::description_locks
