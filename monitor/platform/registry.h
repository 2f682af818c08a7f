#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ossivant::reg {

// Status codes, as the system's registry returns them.
constexpr std::int32_t ERROR_SUCCESS = 0;
constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::int32_t ERROR_MORE_DATA = 234;
constexpr std::int32_t ERROR_NO_MORE_ITEMS = 259;
constexpr std::int32_t ERROR_BADDB = 1009;        // the store file is not a registry
constexpr std::int32_t ERROR_CANTOPEN = 1011;     // the store file cannot be opened
constexpr std::int32_t ERROR_CANTREAD = 1012;     // a read of the store failed
constexpr std::int32_t ERROR_CANTWRITE = 1013;    // a write to the store failed (read-only, locked)

constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;

// A short English description of a status code, for messages.
std::string StatusText(std::int32_t status);

enum class Hive { LocalMachine, CurrentUser };

// An open key. Handles name a key, they do not lock it: every call on a
// handle is its own short transaction (unless a Registry::Transaction is
// open), and a call on a key that was deleted meanwhile fails with
// ERROR_INVALID_HANDLE.
using HKEY = std::int64_t;
constexpr HKEY HKEY_LOCAL_MACHINE = -2;
constexpr HKEY HKEY_CURRENT_USER = -1;

// A registry in one SQLite file, shared safely by several processes.
// Key and value names are case-insensitive and case-preserving; key paths
// use "\" between names. Subkeys enumerate in case-insensitive name order,
// values in creation order. Nothing here throws.
class Registry {
public:
    // How long a call waits for another process to release the file.
    static constexpr int kDefaultBusyTimeoutMs = 5000;
    // For a thread that must stay responsive (a window's): a write refused
    // by another process's lock fails soon, and the caller makes it again.
    static constexpr int kShortBusyTimeoutMs = 250;

    // Opens (and creates when missing, with its folder) the store at `path`.
    // A file that cannot be used makes every call fail with a status code;
    // the file is opened again by the next call, so a store that was only
    // locked for a while serves again once it is released. A file that is
    // not a registry store is never changed. Once the store was opened, a
    // file that has gone is not made again (see CheckFile).
    explicit Registry(std::string path, int busyTimeoutMs = kDefaultBusyTimeoutMs);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // $OSSIVANT_REGISTRY, else $XDG_CONFIG_HOME/ossivant/registry.db
    // (XDG_CONFIG_HOME defaults to ~/.config).
    static std::string defaultPath();

    // Makes every call made while the scope lives one transaction, committed
    // when the outermost scope ends; a process that dies before leaves none
    // of it behind. Scopes nest; calls of other threads wait until the
    // outermost one ends. Other processes wait for it too, so a scope spans
    // one operation of the caller and never a turn of an event loop.
    // A write scope takes the write lock at its first call, so that its
    // reads and writes see one state of the store; a read scope takes it
    // only when a write is made. Once a call in a scope has failed on the
    // store (busy, damaged, unwritable), all the scope did is undone, every
    // further write of the scope fails with the same status, and further
    // reads are made one by one as outside a scope.
    // Between transactions the object keeps the keys and values it has read.
    // A read scope is answered from that alone, with no transaction, as long
    // as no process has written to the file since the last transaction
    // ended (a watch on the file and its log tells).
    class Transaction {
    public:
        enum class Access { Read, Write };
        explicit Transaction(Registry& registry, Access access = Access::Write);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

    private:
        Registry& registry_;
    };

    // True while this thread's scopes write (see Transaction), so that the
    // calls made now go out under the write lock.
    bool InWriteScope() const;

    const std::string& path() const { return path_; }

    // The status the next call finds the store in: ERROR_SUCCESS, or why it
    // cannot be used (ERROR_BADDB: the file is damaged or not a registry).
    std::int32_t Check();
    // True when this process may not write the file: it is read as it
    // stands (alongside its writers when their log can be read), and every
    // write fails with ERROR_CANTWRITE.
    bool ReadOnly();

    enum class FileState { Same, Gone, Replaced };
    // Whether the file at path() is still the one the store was opened on.
    // When it was removed, renamed or replaced, the store lets go of it
    // (nothing more goes into that file's log): Gone while no file is at
    // path(), after which calls fail with ERROR_CANTOPEN; Replaced once a
    // file is there, which the next call opens. Told once each time.
    FileState CheckFile();

    // True when another process has committed a change to the store since
    // the last call, or since the store was opened. The file is read only
    // when its watch saw a write.
    bool ChangedByOthers();

    std::int32_t CreateKeyEx(HKEY parent, const std::string& subKey, HKEY* result);
    std::int32_t OpenKeyEx(HKEY parent, const std::string& subKey, HKEY* result);
    std::int32_t CloseKey(HKEY key);
    // Fails with ERROR_ACCESS_DENIED when the key has subkeys.
    std::int32_t DeleteKey(HKEY parent, const std::string& subKey);
    std::int32_t DeleteValue(HKEY key, const std::string& name);
    // ERROR_NO_MORE_ITEMS past the last subkey.
    std::int32_t EnumKey(HKEY key, std::uint32_t index, std::string* name);
    std::int32_t EnumValue(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type);
    // Like RegQueryValueEx: with data == nullptr only *type and *size are
    // filled; with a buffer too small for the data, ERROR_MORE_DATA and
    // *size = the size needed.
    std::int32_t QueryValueEx(HKEY key, const std::string& name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size);
    std::int32_t SetValueEx(HKEY key, const std::string& name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size);

private:
    struct Impl;
    std::string path_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ossivant::reg
