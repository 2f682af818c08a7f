#include "monitor/platform/registry.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "monitor/platform/description_locks.h"
#include "monitor/platform/file_change_watch.h"
#include "monitor/platform/registry_names.h"

namespace ossivant::reg {
namespace {

// Marks a SQLite file as a registry store ("OVRG"), so that a foreign
// database is refused instead of being written into.
constexpr int kApplicationId = 0x4F565247;
constexpr int kFormatVersion = 1;

// Row ids of the two hive roots in the keys table.
constexpr std::int64_t kLocalMachineRow = 1;
constexpr std::int64_t kCurrentUserRow = 2;

// First id handed out for an opened key; handles are never reused.
constexpr HKEY kFirstHandle = 0x100;

// Keys use AUTOINCREMENT so that the row id of a deleted key is never given
// to a new one: a handle left open on the deleted key must fail with
// ERROR_INVALID_HANDLE, not reach a stranger.
constexpr const char* kSchema = R"sql(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold BLOB NOT NULL,
  UNIQUE(parent, fold));
CREATE TABLE vals(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, fold));
CREATE INDEX vals_order ON vals(key, id);
INSERT INTO keys(id, parent, name, fold) VALUES
  (1, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),
  (2, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER');
)sql";

// A failed SQLite call inside one registry call; never leaves this file.
struct SqlFailure {
    int rc;
};

std::int32_t statusFor(int rc, bool writing) {
    switch (rc & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return ERROR_BADDB;
    default:
        return writing ? ERROR_CANTWRITE : ERROR_CANTREAD;
    }
}

// A prepared statement reset after each use.
class Statement {
public:
    explicit Statement(sqlite3_stmt* s) : s_(s) {}
    ~Statement() { sqlite3_reset(s_); sqlite3_clear_bindings(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int i, std::int64_t v) { check(sqlite3_bind_int64(s_, i, v)); return *this; }
    Statement& bindText(int i, const std::string& v) {
        check(sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bindBlob(int i, const void* p, std::size_t n) {
        // A zero-length blob needs a non-null pointer, or it binds as NULL.
        static const char empty = 0;
        check(sqlite3_bind_blob(s_, i, n ? p : &empty, static_cast<int>(n), SQLITE_TRANSIENT));
        return *this;
    }
    // A name as the store compares it.
    Statement& bindFold(int i, std::string_view name) {
        const std::string fold = foldName(name);
        return bindBlob(i, fold.data(), fold.size());
    }
    // True while a row is available.
    bool step() {
        const int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw SqlFailure{rc};
    }
    std::int64_t integer(int col) const { return sqlite3_column_int64(s_, col); }
    std::string text(int col) const {
        const void* p = sqlite3_column_blob(s_, col);
        const int n = sqlite3_column_bytes(s_, col);
        return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
    }

private:
    static void check(int rc) {
        if (rc != SQLITE_OK) throw SqlFailure{rc};
    }
    sqlite3_stmt* s_;
};

// Where the last enumeration of a key stopped, so that enumerating index
// 0, 1, 2, ... continues from there instead of skipping over all earlier
// entries again. Valid only while the store is unchanged.
struct EnumCursor {
    std::int64_t keyRow = 0;
    std::uint32_t index = 0;
    std::string lastFold;      // subkeys: order is by folded name
    std::int64_t lastId = 0;   // values: order is by creation
    std::int64_t version = -1;
    std::int64_t ownChanges = -1;
};

std::string readOnlyUri(const std::string& path, bool asItStands) {
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if (std::isalnum(b) || std::strchr("/-._~", c)) {
            uri.push_back(c);
        } else {
            uri += '%';
            uri += hex[b >> 4];
            uri += hex[b & 0x0F];
        }
    }
    return uri + (asItStands ? "?mode=ro&immutable=1" : "?mode=ro");
}

// The store's locks must outlive whatever else the process does with its
// files (see description_locks.h), so SQLite takes them through those
// stand-ins, which are in place before any file is opened.
void lockByDescription() {
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_vfs* const vfs = sqlite3_vfs_find(nullptr);
        if (!vfs || !vfs->xSetSystemCall) return;
        vfs->xSetSystemCall(vfs, "fcntl", reinterpret_cast<sqlite3_syscall_ptr>(&description_locks::Fcntl));
        vfs->xSetSystemCall(vfs, "close", reinterpret_cast<sqlite3_syscall_ptr>(&description_locks::Close));
    });
}

}  // namespace

std::string StatusText(std::int32_t status) {
    switch (status) {
    case ERROR_SUCCESS: return "the operation completed successfully";
    case ERROR_FILE_NOT_FOUND: return "the key or value does not exist";
    case ERROR_ACCESS_DENIED: return "access is denied";
    case ERROR_INVALID_HANDLE: return "the key handle is not valid (closed, or the key was deleted)";
    case ERROR_INVALID_PARAMETER: return "a parameter is not valid";
    case ERROR_MORE_DATA: return "more data is available than the buffer holds";
    case ERROR_NO_MORE_ITEMS: return "no more items";
    case ERROR_BADDB: return "the registry file is not a registry store or is damaged";
    case ERROR_CANTOPEN: return "the registry file cannot be opened";
    case ERROR_CANTREAD: return "the registry file cannot be read (locked by another process?)";
    case ERROR_CANTWRITE: return "the registry file cannot be written (read-only, or locked by another process)";
    default: return "registry error " + std::to_string(status);
    }
}

struct Registry::Impl {
    std::string path;
    int busyTimeoutMs;
    std::recursive_mutex mutex;  // held by a call, and by an open Transaction
    sqlite3* db = nullptr;
    bool ready = false;  // the file was checked and holds a registry store
    // Keyed by the address of the statement's text, which is always a
    // string literal.
    std::unordered_map<const char*, sqlite3_stmt*> statements;
    std::map<HKEY, std::int64_t> handles;  // open handle -> key row
    HKEY nextHandle = kFirstHandle;
    EnumCursor keyCursor;
    EnumCursor valueCursor;

    // The open Transaction scopes.
    int scopeDepth = 0;
    bool scopeWrites = false;
    bool scopeBegun = false;  // their transaction is open on the file
    bool scopeOnKnown = false;  // ... or they read what is known without one
    std::int32_t scopeFailure = ERROR_SUCCESS;
    // What earlier calls found out about the store: paths resolved
    // ("<start row>\name\name..." -> key row), rows known to exist and
    // values read ("<key row>\<folded name>"; a write drops the value it
    // replaces). It is trusted as
    // long as nobody else has committed since (the file's data version) and
    // every change of ours went through the calls that keep it up to date
    // (the count of rows this connection changed).
    std::unordered_map<std::string, std::int64_t> resolvedPaths;
    std::unordered_set<std::int64_t> existingRows;
    struct KnownValue {
        std::int64_t type;
        std::string data;
    };
    std::unordered_map<std::string, KnownValue> knownValues;
    std::int64_t knownDataVersion = -1;
    std::int64_t knownOwnChanges = -1;
    // Between transactions: what is known is the file as it was when the
    // last one ended, as long as the file and its log have not been written
    // since. A scope that only reads is then answered without a transaction.
    FileChangeWatch fileChanges;
    bool knownCurrent = false;
    // The data version at which ChangedByOthers last looked (-1: not yet,
    // on this connection).
    std::int64_t othersVersion = -1;

    // The file the connection is open on, so that a file removed, renamed
    // or replaced beneath it is noticed. Once a store was opened, a missing
    // file is not created again: that would start an empty registry where
    // the operator's was.
    bool opened = false;
    bool fileKnown = false;
    dev_t fileDevice = 0;
    ino_t fileInode = 0;
    bool lostFile = false;  // let go of a file that went; not told yet

    void forgetKnown() {
        resolvedPaths.clear();
        existingRows.clear();
        knownValues.clear();
        knownOwnChanges = -1;
        knownCurrent = false;
    }

    // Every transaction begins here. A write that ends before the begin is
    // part of what the transaction sees; the watch forgets it only now, so
    // none can slip between the watch and the transaction.
    void begin(bool writing) {
        if (writing) {
            // Nobody else writes while this transaction holds the write
            // lock, and the watch would cost each of its own writes an
            // event: it is set up again by the next transaction that reads.
            fileChanges.stop();
        } else if (!fileChanges.watching() && !sqlite3_db_readonly(db, "main")) {
            // (A file opened read-only is not watched: it is read as it was.)
            fileChanges.watch({path, path + "-wal"});
        }
        fileChanges.changed();
        control(writing ? "BEGIN IMMEDIATE" : "BEGIN");
        checkKnown();
    }

    // First thing in every transaction.
    void checkKnown() {
        const auto [version, own] = storeVersion();
        if (version != knownDataVersion || own != knownOwnChanges) forgetKnown();
        if (othersVersion == -1) othersVersion = version;
        knownDataVersion = version;
        knownOwnChanges = own;
    }

    // After a commit: our own changes are in what is known, and it is the
    // file as it is now if the watch ran through the whole transaction.
    void keepKnown() {
        knownOwnChanges = sqlite3_total_changes64(db);
        knownCurrent = fileChanges.watching();
    }

    static std::string valueId(std::int64_t row, const std::string& fold) {
        return std::to_string(row).append(1, '\\').append(fold);
    }

    ~Impl() { closeDb(); }

    void closeDb() {
        for (auto& [sql, stmt] : statements) sqlite3_finalize(stmt);
        statements.clear();
        if (db) sqlite3_close(db);
        db = nullptr;
        ready = false;
        fileKnown = false;
        othersVersion = -1;
        scopeBegun = false;
        scopeOnKnown = false;
        fileChanges.stop();
        forgetKnown();
    }

    // Closes the connection on a file that is no longer at the path. Its
    // log still lies beside the path, where it would be taken for the log
    // of a file put there: it is written into the old file, through the
    // handle still open on it, and emptied.
    void letGo() {
        if (db) sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        closeDb();
        lostFile = true;
    }

    // After a call failed on the store: a damaged file is looked at afresh
    // by the next call, and one moved away is let go of.
    void afterFailure(int rc, std::int32_t failure) {
        if (rc == SQLITE_READONLY_DBMOVED)
            letGo();
        else if (failure == ERROR_BADDB)
            closeDb();
    }

    Statement sql(const char* text) {
        auto it = statements.find(text);
        if (it == statements.end()) {
            sqlite3_stmt* stmt = nullptr;
            const int rc = sqlite3_prepare_v3(db, text, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
            if (rc != SQLITE_OK) throw SqlFailure{rc};
            it = statements.emplace(text, stmt).first;
        }
        return Statement(it->second);
    }

    void exec(const char* text) {
        const int rc = sqlite3_exec(db, text, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) throw SqlFailure{rc};
    }

    // A transaction's begin or end, prepared once like every other statement.
    void control(const char* text) { sql(text).step(); }

    void rollback() {
        if (db && !sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    // The file holds the operator's private site list: a folder made for it
    // is the owner's alone (0700), and so is a new file (0600), whose
    // write-ahead companions take its mode. What exists keeps its mode.
    static void createPrivately(const std::string& file) {
        std::error_code ec;
        const std::filesystem::path parent = std::filesystem::path(file).parent_path();
        if (!parent.empty() && !std::filesystem::exists(parent, ec) &&
            std::filesystem::create_directories(parent, ec))
            ::chmod(parent.c_str(), 0700);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) ::close(fd);
    }

    // How a file this process may not write is opened: read alongside its
    // writers, which needs the shared index of their log to be readable, or
    // else as an unchanging file (whatever sits in its log is then not seen).
    enum class Opening { ReadWrite, ReadOnlyShared, ReadOnlyAsItStands };

    // Opens the file and makes sure it holds a sound registry store, creating
    // the store only in a file that is empty. `writing` tells which status a
    // busy or unreadable file gives.
    std::int32_t ensureReady(bool writing) {
        if (ready) return ERROR_SUCCESS;
        if (!opened) createPrivately(path);
        if (access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0) {
            const std::int32_t shared = openStore(Opening::ReadOnlyShared, writing);
            if (shared == ERROR_SUCCESS || shared == ERROR_BADDB) return shared;
            return openStore(Opening::ReadOnlyAsItStands, writing);
        }
        return openStore(Opening::ReadWrite, writing);
    }

    std::int32_t openStore(Opening opening, bool writing) {
        int rc = SQLITE_OK;
        if (opening == Opening::ReadWrite) {
            rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | (opened ? 0 : SQLITE_OPEN_CREATE),
                                 nullptr);
        } else {
            rc = sqlite3_open_v2(readOnlyUri(path, opening == Opening::ReadOnlyAsItStands).c_str(), &db,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        }
        if (rc != SQLITE_OK) {
            closeDb();
            return ERROR_CANTOPEN;
        }
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, busyTimeoutMs);
        // With the write-ahead log a commit needs no flush to disk: a
        // crash still never leaves half a call behind, and a power loss
        // can only lose the last calls, never damage the file.
        sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            fileKnown = true;
            fileDevice = st.st_dev;
            fileInode = st.st_ino;
        }
        return checkStore(writing);
    }

    std::int32_t checkStore(bool writing) {
        bool creating = false;
        try {
            exec("BEGIN");
            std::int32_t status = checkFormat();
            rollback();
            if (status == ERROR_FILE_NOT_FOUND) {
                // An empty file: create the store, unless another process
                // did so meanwhile.
                creating = true;
                exec("BEGIN IMMEDIATE");
                status = checkFormat();
                if (status == ERROR_FILE_NOT_FOUND) {
                    exec(kSchema);
                    exec(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
                    exec(("PRAGMA user_version=" + std::to_string(kFormatVersion)).c_str());
                    exec("COMMIT");
                    exec("PRAGMA journal_mode=WAL");
                    status = ERROR_SUCCESS;
                } else {
                    rollback();
                }
            }
            if (status != ERROR_SUCCESS) {
                closeDb();
                return status;
            }
        } catch (const SqlFailure& f) {
            rollback();
            closeDb();
            return statusFor(f.rc, writing || creating);
        }
        ready = true;
        opened = true;
        return ERROR_SUCCESS;
    }

    // ERROR_SUCCESS for a registry store, ERROR_FILE_NOT_FOUND for an empty
    // database, ERROR_BADDB for anything else.
    std::int32_t checkFormat() {
        std::int64_t appId = 0, version = 0, objects = 0;
        {
            auto s = sql("PRAGMA application_id");
            if (s.step()) appId = s.integer(0);
        }
        {
            auto s = sql("PRAGMA user_version");
            if (s.step()) version = s.integer(0);
        }
        {
            auto s = sql("SELECT count(*) FROM sqlite_master");
            if (s.step()) objects = s.integer(0);
        }
        if (appId == 0 && version == 0 && objects == 0) return ERROR_FILE_NOT_FOUND;
        if (appId != kApplicationId || version != kFormatVersion) return ERROR_BADDB;
        {
            auto s = sql("SELECT count(*) FROM keys WHERE id IN (1, 2) AND parent = 0");
            if (!s.step() || s.integer(0) != 2) return ERROR_BADDB;
        }
        // A file cut short or damaged must not be written into: the pages
        // it lost would be taken for free space.
        auto s = sql("PRAGMA quick_check(1)");
        if (!s.step() || s.text(0) != "ok") return ERROR_BADDB;
        return ERROR_SUCCESS;
    }

    // Runs one registry call as one transaction, or as part of the open
    // scopes' transaction. `body` returns a status; outside a scope anything
    // but success rolls back what it did. (No body writes anything before it
    // can fail with a status, so inside a scope nothing needs undoing then.)
    template <typename Body>
    std::int32_t run(bool writing, Body&& body) {
        std::lock_guard lock(mutex);
        if (scopeDepth > 0) {
            if (scopeFailure == ERROR_SUCCESS && beginScopeTransaction() &&
                (!writing || leaveKnown()))
                return runInScope(writing, body);
            // What the scope wrote is undone and nothing more may be
            // written; a read is still answered, on its own.
            if (writing) return scopeFailure;
        }
        std::int32_t status = ensureReady(writing);
        if (status != ERROR_SUCCESS) return status;
        try {
            begin(writing);
            status = body();
            if (status == ERROR_SUCCESS || !writing) {
                control("COMMIT");
                keepKnown();
            } else {
                rollback();
                forgetKnown();
            }
            return status;
        } catch (const SqlFailure& f) {
            rollback();
            forgetKnown();
            const std::int32_t failure = statusFor(f.rc, writing);
            afterFailure(f.rc, failure);
            return failure;
        }
    }

    // Opens the scopes' transaction at their first call; false (with the
    // failure kept for the scopes) when the store cannot be had.
    bool beginScopeTransaction() {
        if (scopeBegun) return true;
        scopeFailure = ensureReady(scopeWrites);
        if (scopeFailure != ERROR_SUCCESS) return false;
        if (!scopeWrites && knownCurrent && !fileChanges.changed()) {
            scopeBegun = true;
            scopeOnKnown = true;
            return true;
        }
        return openScopeTransaction(scopeWrites);
    }

    // A write in a scope that began on what is known: the scope's
    // transaction begins now, with the write lock.
    bool leaveKnown() {
        if (!scopeOnKnown) return true;
        scopeOnKnown = false;
        return openScopeTransaction(true);
    }

    bool openScopeTransaction(bool writing) {
        try {
            // A file opened read-only cannot take the write lock; its
            // writes fail one by one as they do outside a scope.
            begin(writing && !sqlite3_db_readonly(db, "main"));
            scopeBegun = true;
            return true;
        } catch (const SqlFailure& f) {
            rollback();
            scopeBegun = false;
            forgetKnown();
            scopeFailure = statusFor(f.rc, writing);
            return false;
        }
    }

    template <typename Body>
    std::int32_t runInScope(bool writing, Body& body) {
        try {
            return body();
        } catch (const SqlFailure& f) {
            rollback();
            scopeBegun = false;
            forgetKnown();
            scopeFailure = statusFor(f.rc, writing || scopeWrites);
            afterFailure(f.rc, scopeFailure);
            return scopeFailure;
        }
    }

    void beginScope(bool writes) {
        if (scopeDepth++ == 0) {
            scopeFailure = ERROR_SUCCESS;
            scopeWrites = writes;
        } else if (writes && !scopeBegun) {
            scopeWrites = true;
        }
    }

    void endScope() {
        if (--scopeDepth > 0) return;
        if (scopeBegun && !scopeOnKnown) {
            try {
                control("COMMIT");
                keepKnown();
            } catch (const SqlFailure&) {
                rollback();
                forgetKnown();
            }
        }
        scopeBegun = false;
        scopeOnKnown = false;
        scopeFailure = ERROR_SUCCESS;
    }

    // The stored value `fold` of the key `row`, or nothing when there is
    // none. With `keep`, a value read from the file is kept as known.
    std::optional<KnownValue> storedValue(std::int64_t row, const std::string& fold, bool keep) {
        std::string id = valueId(row, fold);
        if (const auto it = knownValues.find(id); it != knownValues.end()) return it->second;
        auto s = sql("SELECT type, data FROM vals WHERE key = ? AND fold = ?");
        s.bind(1, row).bindBlob(2, fold.data(), fold.size());
        if (!s.step()) return std::nullopt;
        KnownValue value{s.integer(0), s.text(1)};
        if (keep) knownValues.emplace(std::move(id), value);
        return value;
    }

    // The key row a handle names, or 0 when the handle is unknown or its
    // key no longer exists.
    std::int64_t keyRow(HKEY handle) {
        if (handle == HKEY_LOCAL_MACHINE) return kLocalMachineRow;
        if (handle == HKEY_CURRENT_USER) return kCurrentUserRow;
        const auto it = handles.find(handle);
        if (it == handles.end()) return 0;
        if (existingRows.count(it->second)) return it->second;
        auto s = sql("SELECT 1 FROM keys WHERE id = ?");
        s.bind(1, it->second);
        if (!s.step()) return 0;
        existingRows.insert(it->second);
        return it->second;
    }

    std::int64_t childRow(std::int64_t parent, const std::string& name) {
        auto s = sql("SELECT id FROM keys WHERE parent = ? AND fold = ?");
        s.bind(1, parent).bindFold(2, name);
        return s.step() ? s.integer(0) : 0;
    }

    // The key `names` lead to from the key `handle` names; with `create`,
    // the keys missing on the way are made.
    std::int32_t findKey(HKEY handle, const std::vector<std::string>& names, std::int64_t* row,
                         bool create = false) {
        *row = keyRow(handle);
        if (*row == 0) return ERROR_INVALID_HANDLE;
        std::string path = std::to_string(*row);
        for (const std::string& name : names) path.append(1, '\\').append(name);
        if (const auto it = resolvedPaths.find(path); it != resolvedPaths.end()) {
            *row = it->second;
            return ERROR_SUCCESS;
        }
        for (const std::string& name : names) {
            const std::int64_t child = childRow(*row, name);
            if (child == 0 && !create) return ERROR_FILE_NOT_FOUND;
            *row = child ? child : addChild(*row, name);
        }
        resolvedPaths.emplace(std::move(path), *row);
        return ERROR_SUCCESS;
    }

    std::int64_t addChild(std::int64_t parent, const std::string& name) {
        auto s = sql("INSERT INTO keys(parent, name, fold) VALUES(?, ?, ?)");
        s.bind(1, parent).bindText(2, name).bindFold(3, name);
        s.step();
        return sqlite3_last_insert_rowid(db);
    }

    HKEY newHandle(std::int64_t row) {
        const HKEY h = nextHandle++;
        handles.emplace(h, row);
        return h;
    }

    // A number that changes whenever the store changed since it was last
    // read: another connection's commit or one of our own writes.
    std::pair<std::int64_t, std::int64_t> storeVersion() {
        auto s = sql("PRAGMA data_version");
        const std::int64_t version = s.step() ? s.integer(0) : -1;
        return {version, sqlite3_total_changes64(db)};
    }

    bool cursorFits(const EnumCursor& c, std::int64_t row, std::uint32_t index) {
        if (c.keyRow != row || index == 0 || c.index + 1 != index) return false;
        const auto [version, own] = storeVersion();
        return c.version == version && c.ownChanges == own;
    }

    void remember(EnumCursor* c, std::int64_t row, std::uint32_t index) {
        const auto [version, own] = storeVersion();
        c->keyRow = row;
        c->index = index;
        c->version = version;
        c->ownChanges = own;
    }

    // One step of an enumeration of the key `handle` names: the entry at
    // `index`, read by `afterSql` from where the cursor stopped when it
    // fits, else by `offsetSql` counting from the first. Both take the key
    // row as ?1; `bindAfter` binds the cursor's position as ?2, `take`
    // reads the row found and moves the cursor's position to it.
    template <typename BindAfter, typename Take>
    std::int32_t enumerate(HKEY handle, std::uint32_t index, EnumCursor& cursor, const char* afterSql,
                           const char* offsetSql, BindAfter&& bindAfter, Take&& take) {
        const std::int64_t row = keyRow(handle);
        if (row == 0) return ERROR_INVALID_HANDLE;
        const bool follow = cursorFits(cursor, row, index);
        auto s = sql(follow ? afterSql : offsetSql);
        s.bind(1, row);
        if (follow) {
            bindAfter(s);
        } else {
            s.bind(2, index);
        }
        if (!s.step()) return ERROR_NO_MORE_ITEMS;
        take(s);
        remember(&cursor, row, index);
        return ERROR_SUCCESS;
    }
};

Registry::Registry(std::string path, int busyTimeoutMs) : path_(std::move(path)), impl_(std::make_unique<Impl>()) {
    impl_->path = path_;
    impl_->busyTimeoutMs = busyTimeoutMs;
    lockByDescription();
    std::lock_guard lock(impl_->mutex);
    impl_->ensureReady(false);  // a failure is reported by each call
}

Registry::~Registry() = default;

Registry::Transaction::Transaction(Registry& registry, Access access) : registry_(registry) {
    registry_.impl_->mutex.lock();
    registry_.impl_->beginScope(access == Access::Write);
}

Registry::Transaction::~Transaction() {
    registry_.impl_->endScope();
    registry_.impl_->mutex.unlock();
}

bool Registry::InWriteScope() const {
    std::unique_lock lock(impl_->mutex, std::try_to_lock);
    return lock.owns_lock() && impl_->scopeDepth > 0 && impl_->scopeWrites;
}

std::int32_t Registry::Check() {
    std::lock_guard lock(impl_->mutex);
    return impl_->ensureReady(false);
}

bool Registry::ReadOnly() {
    std::lock_guard lock(impl_->mutex);
    return impl_->ensureReady(false) == ERROR_SUCCESS && sqlite3_db_readonly(impl_->db, "main") == 1;
}

Registry::FileState Registry::CheckFile() {
    std::lock_guard lock(impl_->mutex);
    Impl& d = *impl_;
    struct stat st {};
    const bool present = ::stat(path_.c_str(), &st) == 0;
    if (!d.lostFile) {
        // Not open on any file: each call reports what it finds.
        if (!d.db || !d.fileKnown) return FileState::Same;
        if (present && st.st_dev == d.fileDevice && st.st_ino == d.fileInode) return FileState::Same;
        d.letGo();
    }
    if (!present) return FileState::Gone;
    d.lostFile = false;
    return FileState::Replaced;
}

bool Registry::ChangedByOthers() {
    std::lock_guard lock(impl_->mutex);
    Impl& d = *impl_;
    if (d.scopeDepth > 0 || d.ensureReady(false) != ERROR_SUCCESS) return false;
    // What is known was read at the version last looked at, and the watch
    // saw no write since: nobody has committed.
    if (d.knownCurrent && d.knownDataVersion == d.othersVersion && !d.fileChanges.changed()) return false;
    d.knownCurrent = false;  // the watch's news is used up here
    try {
        d.begin(false);
        d.control("COMMIT");
        d.keepKnown();
    } catch (const SqlFailure& f) {
        d.rollback();
        d.forgetKnown();
        d.afterFailure(f.rc, statusFor(f.rc, false));
        return false;
    }
    const bool changed = d.knownDataVersion != d.othersVersion;
    d.othersVersion = d.knownDataVersion;
    return changed;
}

std::string Registry::defaultPath() {
    if (const char* explicitPath = std::getenv("OSSIVANT_REGISTRY"); explicitPath && *explicitPath) {
        return explicitPath;
    }
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        config = xdg;
    } else {
        const char* home = std::getenv("HOME");
        config = std::string(home && *home ? home : ".") + "/.config";
    }
    return config + "/ossivant/registry.db";
}

std::int32_t Registry::CreateKeyEx(HKEY parent, const std::string& subKey, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> names;
    if (!splitKeyPath(subKey, &names)) return ERROR_INVALID_PARAMETER;
    return impl_->run(true, [&]() -> std::int32_t {
        std::int64_t row = 0;
        if (const std::int32_t status = impl_->findKey(parent, names, &row, true)) return status;
        *result = impl_->newHandle(row);
        return ERROR_SUCCESS;
    });
}

std::int32_t Registry::OpenKeyEx(HKEY parent, const std::string& subKey, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> names;
    if (!splitKeyPath(subKey, &names)) return ERROR_INVALID_PARAMETER;
    return impl_->run(false, [&]() -> std::int32_t {
        std::int64_t row = 0;
        if (const std::int32_t status = impl_->findKey(parent, names, &row)) return status;
        *result = impl_->newHandle(row);
        return ERROR_SUCCESS;
    });
}

std::int32_t Registry::CloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    std::lock_guard lock(impl_->mutex);
    return impl_->handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::int32_t Registry::DeleteKey(HKEY parent, const std::string& subKey) {
    std::vector<std::string> names;
    if (!splitKeyPath(subKey, &names)) return ERROR_INVALID_PARAMETER;
    return impl_->run(true, [&]() -> std::int32_t {
        std::int64_t row = 0;
        if (const std::int32_t status = impl_->findKey(parent, names, &row)) return status;
        if (row == kLocalMachineRow || row == kCurrentUserRow) return ERROR_ACCESS_DENIED;
        {
            auto s = impl_->sql("SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
            s.bind(1, row);
            if (s.step()) return ERROR_ACCESS_DENIED;
        }
        {
            auto s = impl_->sql("DELETE FROM vals WHERE key = ?");
            s.bind(1, row);
            s.step();
        }
        auto s = impl_->sql("DELETE FROM keys WHERE id = ?");
        s.bind(1, row);
        s.step();
        impl_->forgetKnown();
        return ERROR_SUCCESS;
    });
}

std::int32_t Registry::DeleteValue(HKEY key, const std::string& name) {
    return impl_->run(true, [&]() -> std::int32_t {
        const std::int64_t row = impl_->keyRow(key);
        if (row == 0) return ERROR_INVALID_HANDLE;
        const std::string fold = foldName(name);
        auto s = impl_->sql("DELETE FROM vals WHERE key = ? AND fold = ?");
        s.bind(1, row).bindBlob(2, fold.data(), fold.size());
        s.step();
        impl_->knownValues.erase(Impl::valueId(row, fold));
        return sqlite3_changes(impl_->db) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

std::int32_t Registry::EnumKey(HKEY key, std::uint32_t index, std::string* name) {
    if (!name) return ERROR_INVALID_PARAMETER;
    return impl_->run(false, [&]() -> std::int32_t {
        EnumCursor& cursor = impl_->keyCursor;
        return impl_->enumerate(
            key, index, cursor,
            "SELECT name, fold FROM keys WHERE parent = ? AND fold > ? ORDER BY fold LIMIT 1",
            "SELECT name, fold FROM keys WHERE parent = ? ORDER BY fold LIMIT 1 OFFSET ?",
            [&](Statement& s) { s.bindBlob(2, cursor.lastFold.data(), cursor.lastFold.size()); },
            [&](const Statement& s) {
                *name = s.text(0);
                cursor.lastFold = s.text(1);
            });
    });
}

std::int32_t Registry::EnumValue(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type) {
    if (!name) return ERROR_INVALID_PARAMETER;
    return impl_->run(false, [&]() -> std::int32_t {
        EnumCursor& cursor = impl_->valueCursor;
        return impl_->enumerate(
            key, index, cursor,
            "SELECT name, type, id FROM vals WHERE key = ? AND id > ? ORDER BY id LIMIT 1",
            "SELECT name, type, id FROM vals WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?",
            [&](Statement& s) { s.bind(2, cursor.lastId); },
            [&](const Statement& s) {
                *name = s.text(0);
                if (type) *type = static_cast<std::uint32_t>(s.integer(1));
                cursor.lastId = s.integer(2);
            });
    });
}

std::int32_t Registry::QueryValueEx(HKEY key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                                    std::uint32_t* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    return impl_->run(false, [&]() -> std::int32_t {
        const std::int64_t row = impl_->keyRow(key);
        if (row == 0) return ERROR_INVALID_HANDLE;
        const std::string fold = foldName(name);
        const std::optional<Impl::KnownValue> known = impl_->storedValue(row, fold, true);
        if (!known) return ERROR_FILE_NOT_FOUND;
        const std::string& bytes = known->data;
        const auto needed = static_cast<std::uint32_t>(bytes.size());
        if (type) *type = static_cast<std::uint32_t>(known->type);
        if (data) {
            if (*size < needed) {
                *size = needed;
                return ERROR_MORE_DATA;
            }
            if (needed) std::memcpy(data, bytes.data(), needed);
        }
        if (size) *size = needed;
        return ERROR_SUCCESS;
    });
}

std::int32_t Registry::SetValueEx(HKEY key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                                  std::uint32_t size) {
    if ((size && !data) || name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
    if (type == REG_DWORD && size != 4) return ERROR_INVALID_PARAMETER;
    return impl_->run(true, [&]() -> std::int32_t {
        const std::int64_t row = impl_->keyRow(key);
        if (row == 0) return ERROR_INVALID_HANDLE;
        const std::string fold = foldName(name);
        // (What is written is not kept: a write is mostly of a value not
        // read again soon, as in an import; a later read keeps it.)
        const std::optional<Impl::KnownValue> known = impl_->storedValue(row, fold, false);
        const bool stored = known.has_value();
        // Writing again what is stored would only cost the file a page.
        if (stored && known->type == type && known->data.size() == size &&
            (size == 0 || std::memcmp(known->data.data(), data, size) == 0))
            return ERROR_SUCCESS;
        // An existing value keeps its place in the enumeration order (and
        // its name's spelling); only its type and data change.
        if (stored) {
            auto update = impl_->sql("UPDATE vals SET type = ?, data = ? WHERE key = ? AND fold = ?");
            update.bind(1, type).bindBlob(2, data, size).bind(3, row).bindBlob(4, fold.data(), fold.size());
            update.step();
        } else {
            auto insert = impl_->sql("INSERT INTO vals(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?)");
            insert.bind(1, row).bindText(2, name).bindBlob(3, fold.data(), fold.size()).bind(4, type);
            insert.bindBlob(5, data, size);
            insert.step();
        }
        impl_->knownValues.erase(Impl::valueId(row, fold));
        return ERROR_SUCCESS;
    });
}

}  // namespace ossivant::reg
