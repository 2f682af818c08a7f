#pragma once

#include <string>
#include <vector>

namespace ossivant {

// Tells whether some files may have been written since it was last asked,
// by this process or any other, without touching the files themselves.
// It errs one way only: a write, truncation, rename or removal of a watched
// file that ended before a call always makes that call say "changed".
class FileChangeWatch {
public:
    FileChangeWatch() = default;
    ~FileChangeWatch();
    FileChangeWatch(const FileChangeWatch&) = delete;
    FileChangeWatch& operator=(const FileChangeWatch&) = delete;

    // Watches `paths` from now on, instead of what it watched before; false
    // when one of them cannot be watched.
    bool watch(const std::vector<std::string>& paths);
    // Stops watching until the next `watch`. (The watch's own handle stays
    // open: closing it makes the kernel wait for its bookkeeping, some
    // milliseconds each time.)
    void stop();
    bool watching() const { return !watches_.empty(); }

    // True when a watched file may have changed since the last call or since
    // `watch`, and always when nothing is watched (any more: a file that was
    // removed or renamed ends the watch).
    bool changed();

private:
    // Reads all events waiting; true when there was any. `lost` tells that
    // one of them ended a watch.
    bool drain(bool* lost);

    int fd_ = -1;
    std::vector<int> watches_;
};

}  // namespace ossivant
