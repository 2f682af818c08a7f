#include "monitor/platform/inet_transfer.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDateTime>
#include <QMetaObject>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Why a worker thread rather than curl's multi interface on the GUI thread:
// curl can only stop a transfer that is still resolving a host name by
// waiting for its resolver thread, and a name lookup can take many seconds.
// On the GUI thread that wait would freeze the window on Cancel. So all curl
// work lives on one worker thread per control; the GUI side only posts
// commands to it (start, cancel) and receives its events through the Qt event
// queue. Each request carries an id: Cancel forgets the id at once, so the
// caller sees the request stopped on return, and events of a forgotten id are
// dropped when they arrive.
//
// When each state is signalled (the curl moment behind it):
//   1  the request is handed to curl (name resolution is its first step)
//   2  curl asks for its first socket: the host's address is known
//   3  curl asks for a socket to connect with (again for each address tried)
//   4  curl reports the connection established (pre-request callback)
//   5  right after 4: the request is about to be written
//   6  curl hands out the request header it has sent
//   7  the first byte of the response (header line or, with no header, body)
//   8  curl ends the transfer without error
//   9  curl closes the connection's socket, 10 once it is closed
//  11  curl ends the transfer with an error
//  12  after 8, 9 and 10: the response is complete
// Over TLS the handshake and the certificate check happen between 3 and 4.
// Once the response has begun, 9 and 10 are held back until curl has told
// whether the transfer succeeded, so that a normal probe reads
// 1 2 3 4 5 6 7 8 9 10 12 although the socket closes just before curl reports
// the end.

namespace ossivant {
namespace detail {

struct TransferEvent {
    quint64 id = 0;
    int state = 0;
    bool final = false;      // 11 or 12: the request has ended
    bool hasHeader = false;  // `header` carries the response header so far
    QByteArray header;
    qint32 code = 0;
    QString info;
    int certificateDaysLeft = -1;
};

// The events on their way from the worker to the owning thread. One queued
// call delivers all that wait, so states that wait together (held back by
// the worker, or arriving while the owning thread is busy) cost one wake-up
// rather than one each.
struct EventQueue {
    std::mutex mutex;
    std::deque<TransferEvent> events;
    bool wakeUpPending = false;  // a call of deliverQueued is queued or running
    bool wakeUpAsked = false;    // the worker asked for one meanwhile
};

namespace {

// Enough for any real header; a server that sends more is not stored further.
constexpr qsizetype kMaxHeaderBytes = 256 * 1024;

std::once_flag g_curlInit;

bool startsWithHttp(const char* data, size_t size) {
    return size >= 5 && strncasecmp(data, "HTTP/", 5) == 0;
}

bool isBlankLine(const char* data, size_t size) {
    return (size == 2 && data[0] == '\r' && data[1] == '\n') || (size == 1 && data[0] == '\n');
}

bool isHttps(const std::string& url) {
    return url.size() >= 8 && strncasecmp(url.c_str(), "https://", 8) == 0;
}

// The expiry of the server's own certificate (the first of the chain) as
// curl lists it, e.g. "Expire date:Mar  4 23:59:59 2027 GMT"; invalid when
// curl gave none.
QDateTime certificateExpiry(CURL* easy) {
    curl_certinfo* info = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CERTINFO, &info) != CURLE_OK || !info ||
        info->num_of_certs < 1)
        return {};
    static const QRegularExpression pattern(QStringLiteral(
        R"(^Expire date:\s*([A-Za-z]{3})\s+(\d{1,2})\s+(\d{1,2}):(\d{2}):(\d{2})(?:\.\d+)?\s+(\d{4}))"));
    static const QStringList months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (curl_slist* item = info->certinfo[0]; item; item = item->next) {
        const auto match = pattern.match(QString::fromLatin1(item->data));
        if (!match.hasMatch()) continue;
        const int month = int(months.indexOf(match.captured(1))) + 1;
        const QDate date(match.captured(6).toInt(), month, match.captured(2).toInt());
        const QTime time(match.captured(3).toInt(), match.captured(4).toInt(),
                         match.captured(5).toInt());
        return QDateTime(date, time, Qt::UTC);
    }
    return {};
}

// Whole days, rounded up, from now until `expiry`; -1 when unknown.
int daysUntil(const QDateTime& expiry) {
    if (!expiry.isValid()) return -1;
    const qint64 seconds = QDateTime::currentDateTimeUtc().secsTo(expiry);
    if (seconds <= 0) return 0;
    return int((seconds + 86399) / 86400);
}

// An "https://host[:port]/..." address whose host is replaced by
// `serverName`, and the connect-to entry that still sends the connection to
// the address's own host. False when the address does not parse.
bool redirectToServerName(const std::string& url, const std::string& serverName, std::string& named,
                          std::string& connectTo) {
    CURLU* parts = curl_url();
    if (!parts) return false;
    bool done = false;
    char* host = nullptr;
    char* rewritten = nullptr;
    if (curl_url_set(parts, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parts, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_set(parts, CURLUPART_HOST, serverName.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parts, CURLUPART_URL, &rewritten, 0) == CURLUE_OK) {
        named = rewritten;
        // Any name and port in the request go to that host, on the same port.
        connectTo = std::string("::") + host + ":";
        done = true;
    }
    curl_free(host);
    curl_free(rewritten);
    curl_url_cleanup(parts);
    return done;
}

}  // namespace

// A state that is not the end of a request reaches the owning thread with
// the next one that wakes it, or after this long on its own: progress shown
// faster than this would not be seen, and each wake-up costs the owner a turn
// of its event loop.
constexpr std::chrono::milliseconds kStateShownWithin{50};

class InetWorker {
public:
    // `queue` takes an event to the owning thread's queue; `wake` makes the
    // owning thread deliver what is queued.
    using Queue = std::function<void(TransferEvent)>;
    using Wake = std::function<void()>;

    InetWorker(Queue queue, Wake wake, std::string caFile)
        : queue_(std::move(queue)), wake_(std::move(wake)), caFile_(std::move(caFile)) {
        std::call_once(g_curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        if (CURL* probe = curl_easy_init()) {
            char* bundle = nullptr;
            systemBundle_ =
                curl_easy_getinfo(probe, CURLINFO_CAINFO, &bundle) == CURLE_OK && bundle;
            curl_easy_cleanup(probe);
        }
        multi_ = curl_multi_init();
        share_ = curl_share_init();
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        thread_ = std::thread([this] { run(); });
    }

    ~InetWorker() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        commandPosted_.notify_one();
        curl_multi_wakeup(multi_);
        thread_.join();
        curl_multi_cleanup(multi_);
        curl_share_cleanup(share_);
    }

    InetWorker(const InetWorker&) = delete;
    InetWorker& operator=(const InetWorker&) = delete;

    void start(quint64 id, std::string url, int timeoutSeconds, bool cookies,
               std::string serverName) {
        post(Command{Command::Start, id, std::move(url), timeoutSeconds, cookies,
                     std::move(serverName)});
    }
    void cancel(quint64 id) { post(Command{Command::Cancel, id, {}, 0, false, {}}); }

private:
    struct Command {
        enum Kind { Start, Cancel } kind;
        quint64 id;
        std::string url;
        int timeoutSeconds;
        bool cookies;
        std::string serverName;
    };

    struct Transfer {
        InetWorker* worker = nullptr;
        quint64 id = 0;
        CURL* easy = nullptr;
        std::string url;
        bool https = false;
        curl_slist* connectTo = nullptr;
        QByteArray header;
        bool headerComplete = false;
        bool hostFound = false;
        bool requestSent = false;
        bool receiving = false;
        std::vector<int> held;  // 9 and 10 waiting for the outcome
        char errorBuffer[CURL_ERROR_SIZE] = {};
    };

    void post(Command command) {
        bool idle = false;
        {
            std::lock_guard lock(mutex_);
            commands_.push_back(std::move(command));
            idle = idle_;
        }
        if (idle)
            commandPosted_.notify_one();
        else
            curl_multi_wakeup(multi_);
    }

    void run() {
        for (;;) {
            std::deque<Command> commands;
            {
                std::unique_lock lock(mutex_);
                if (transfers_.empty() && commands_.empty() && !quit_) {
                    // Nothing for curl to wait on: sleep until a command
                    // comes, which is a lighter wake-up than curl's.
                    if (heldSince_) wakeOwner();
                    idle_ = true;
                    commandPosted_.wait(lock, [this] { return quit_ || !commands_.empty(); });
                    idle_ = false;
                }
                if (quit_) break;
                commands.swap(commands_);
            }
            for (auto& command : commands) {
                if (command.kind == Command::Start) {
                    begin(command);
                } else {
                    end(find(command.id));
                }
            }
            int running = 0;
            curl_multi_perform(multi_, &running);
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
                if (message->msg == CURLMSG_DONE) {
                    Transfer* t = nullptr;
                    curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &t);
                    CURLcode result = message->data.result;
                    finish(t, result);
                }
            }
            if (transfers_.empty()) continue;
            // Sleeps until a socket is ready, a curl timer is due or a
            // command wakes us; the bound only limits a missed wake-up.
            curl_multi_poll(multi_, nullptr, 0, pollMilliseconds(), nullptr);
        }
        while (!transfers_.empty()) end(transfers_.front().get());
    }

    Transfer* find(quint64 id) {
        for (auto& t : transfers_) {
            if (t->id == id) return t.get();
        }
        return nullptr;
    }

    void emitState(Transfer* t, int state) {
        TransferEvent event;
        event.id = t->id;
        event.state = state;
        if (state == transfer_state::ResponseReceived) {
            event.hasHeader = true;
            event.header = t->header;
        }
        queue_(std::move(event));
        if (!heldSince_) heldSince_ = std::chrono::steady_clock::now();
    }

    void wakeOwner() {
        heldSince_.reset();
        wake_();
    }

    // How long the worker may sleep before states it holds must be shown.
    int pollMilliseconds() {
        constexpr int kLongest = 1000;  // only limits a missed wake-up
        if (!heldSince_) return kLongest;
        const auto left = *heldSince_ + kStateShownWithin - std::chrono::steady_clock::now();
        if (left <= std::chrono::milliseconds::zero()) {
            wakeOwner();
            return kLongest;
        }
        return int(std::chrono::ceil<std::chrono::milliseconds>(left).count());
    }

    void emitFinal(Transfer* t, int state, qint32 code, QString info,
                   int certificateDaysLeft = -1) {
        TransferEvent event;
        event.certificateDaysLeft = certificateDaysLeft;
        event.id = t->id;
        event.state = state;
        event.final = true;
        event.hasHeader = true;
        event.header = t->header;
        event.code = code;
        event.info = std::move(info);
        queue_(std::move(event));
        wakeOwner();
    }

    void begin(const Command& command) {
        auto owned = std::make_unique<Transfer>();
        Transfer* t = owned.get();
        t->worker = this;
        t->id = command.id;
        t->url = command.url;
        t->https = isHttps(command.url);
        emitState(t, transfer_state::ResolvingHost);
        t->easy = curl_easy_init();
        if (!t->easy) {
            emitFinal(t, transfer_state::Error, CURLE_OUT_OF_MEMORY,
                      QString::fromUtf8(curl_easy_strerror(CURLE_OUT_OF_MEMORY)));
            return;
        }
        CURL* e = t->easy;
        curl_easy_setopt(e, CURLOPT_PRIVATE, t);
        std::string named;
        std::string connectTo;
        if (t->https && !command.serverName.empty() &&
            redirectToServerName(t->url, command.serverName, named, connectTo)) {
            t->connectTo = curl_slist_append(nullptr, connectTo.c_str());
            curl_easy_setopt(e, CURLOPT_URL, named.c_str());
            curl_easy_setopt(e, CURLOPT_CONNECT_TO, t->connectTo);
        } else {
            curl_easy_setopt(e, CURLOPT_URL, t->url.c_str());
        }
        if (t->https) {
            // The system's trust store, the host name checked, the
            // certificate's dates read back for the expiry warning.
            curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
            curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
            curl_easy_setopt(e, CURLOPT_CERTINFO, 1L);
            // With its certificate folder set as well, curl reads the whole
            // system bundle again for every connection (some 20 ms). The
            // bundle alone holds the same authorities (the system writes both
            // from one list), and curl then keeps it loaded for this
            // control's connections, read again after an hour.
            if (systemBundle_) curl_easy_setopt(e, CURLOPT_CAPATH, nullptr);
            curl_easy_setopt(e, CURLOPT_CA_CACHE_TIMEOUT, 3600L);
            if (!caFile_.empty()) {
                curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, &InetWorker::onSslContext);
                curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, this);
            }
        }
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(e, CURLOPT_USERAGENT, "Ossivant");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
        // A server that answers without any HTTP header still completes the
        // request; the empty header is the caller's to judge.
        curl_easy_setopt(e, CURLOPT_HTTP09_ALLOWED, 1L);
        curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        // Do not wait for a name lookup still running when a request is
        // cancelled; its thread finishes on its own.
        curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
        if (command.timeoutSeconds > 0) {
            curl_easy_setopt(e, CURLOPT_TIMEOUT_MS,
                             static_cast<long>(command.timeoutSeconds) * 1000L);
        }
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t->errorBuffer);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &InetWorker::onBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, t);
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &InetWorker::onHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, t);
        curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &InetWorker::onOpenSocket);
        curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, t);
        curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &InetWorker::onCloseSocket);
        curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, this);
        curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &InetWorker::onPrereq);
        curl_easy_setopt(e, CURLOPT_PREREQDATA, t);
        // The debug hook is the one place curl tells that the request went out.
        curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, &InetWorker::onDebug);
        curl_easy_setopt(e, CURLOPT_DEBUGDATA, t);
        curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
        if (command.cookies) {
            curl_easy_setopt(e, CURLOPT_SHARE, share_);
            curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
        }
        transfers_.push_back(std::move(owned));
        if (curl_multi_add_handle(multi_, e) != CURLM_OK) {
            emitFinal(t, transfer_state::Error, CURLE_FAILED_INIT,
                      QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)));
            end(t);
        }
    }

    void finish(Transfer* t, CURLcode result) {
        if (!t) return;
        if (result == CURLE_OK) emitState(t, transfer_state::ResponseReceived);
        for (int state : t->held) emitState(t, state);
        t->held.clear();
        if (result == CURLE_OK) {
            const int days = t->https ? daysUntil(certificateExpiry(t->easy)) : -1;
            emitFinal(t, transfer_state::ResponseCompleted, 0, {}, days);
        } else {
            QString info =
                QString::fromUtf8(t->errorBuffer[0] ? t->errorBuffer : curl_easy_strerror(result));
            // curl only says that our hook failed; name the file it could not use.
            if (result == CURLE_SSL_CACERT_BADFILE && caFileFailed_)
                info = QString::fromUtf8(curl_easy_strerror(result)) + QStringLiteral(": ") +
                       QString::fromStdString(caFile_);
            // curl refuses a header line longer than it will buffer with its
            // out-of-memory code and no text of its own. The fault is the
            // server's, which sent a response no client takes.
            if (result == CURLE_OUT_OF_MEMORY && t->requestSent && !t->headerComplete) {
                result = CURLE_WEIRD_SERVER_REPLY;
                info = QStringLiteral("Response header too large");
            }
            emitFinal(t, transfer_state::Error, static_cast<qint32>(result), info);
        }
        end(t);
    }

    // Removes the transfer; whatever curl still reports of it goes nowhere.
    void end(Transfer* t) {
        if (!t) return;
        t->id = 0;
        if (t->easy) {
            curl_multi_remove_handle(multi_, t->easy);
            curl_easy_cleanup(t->easy);
        }
        curl_slist_free_all(t->connectTo);
        t->connectTo = nullptr;
        for (auto it = sockets_.begin(); it != sockets_.end();) {
            it = it->second == t ? sockets_.erase(it) : std::next(it);
        }
        std::erase_if(transfers_, [t](const auto& owned) { return owned.get() == t; });
    }

    // Adds the further authorities to the store curl has filled from the
    // system's; curl's own CA file setting would replace that store instead.
    static CURLcode onSslContext(CURL*, void* context, void* user) {
        auto* worker = static_cast<InetWorker*>(user);
        X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(context));
        worker->caFileFailed_ = !store || X509_STORE_load_file(store, worker->caFile_.c_str()) != 1;
        return worker->caFileFailed_ ? CURLE_SSL_CACERT_BADFILE : CURLE_OK;
    }

    static size_t onBody(char*, size_t size, size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        if (!t->receiving) {
            t->receiving = true;
            if (t->id) t->worker->emitState(t, transfer_state::ReceivingResponse);
        }
        return size * count;
    }

    static size_t onHeader(char* data, size_t size, size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        const size_t n = size * count;
        if (!t->receiving) {
            t->receiving = true;
            if (t->id) t->worker->emitState(t, transfer_state::ReceivingResponse);
        }
        // A final response after an interim one (100 Continue) starts anew.
        if (t->headerComplete && startsWithHttp(data, n)) {
            t->header.clear();
            t->headerComplete = false;
        }
        if (isBlankLine(data, n)) {
            t->headerComplete = true;
        } else if (!t->headerComplete && t->header.size() + qsizetype(n) <= kMaxHeaderBytes) {
            t->header.append(data, qsizetype(n));
        }
        return n;
    }

    static curl_socket_t onOpenSocket(void* user, curlsocktype, struct curl_sockaddr* address) {
        auto* t = static_cast<Transfer*>(user);
        curl_socket_t fd =
            ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (fd == CURL_SOCKET_BAD || !t->id) return fd;
        if (!t->hostFound) {
            t->hostFound = true;
            t->worker->emitState(t, transfer_state::HostResolved);
        }
        t->worker->emitState(t, transfer_state::Connecting);
        t->worker->sockets_[fd] = t;
        return fd;
    }

    static int onCloseSocket(void* user, curl_socket_t fd) {
        auto* worker = static_cast<InetWorker*>(user);
        Transfer* t = nullptr;
        if (auto it = worker->sockets_.find(fd); it != worker->sockets_.end()) {
            t = it->second;
            worker->sockets_.erase(it);
        }
        const bool tell = t && t->id;
        const bool hold = tell && t->receiving;
        if (tell) {
            if (hold)
                t->held.push_back(transfer_state::Disconnecting);
            else
                worker->emitState(t, transfer_state::Disconnecting);
        }
        const int rc = ::close(fd);
        if (tell) {
            if (hold)
                t->held.push_back(transfer_state::Disconnected);
            else
                worker->emitState(t, transfer_state::Disconnected);
        }
        return rc;
    }

    static int onPrereq(void* user, char*, char*, int, int) {
        auto* t = static_cast<Transfer*>(user);
        if (t->id) {
            t->worker->emitState(t, transfer_state::Connected);
            t->worker->emitState(t, transfer_state::Requesting);
        }
        return CURL_PREREQFUNC_OK;
    }

    static int onDebug(CURL*, curl_infotype type, char*, size_t, void* user) {
        auto* t = static_cast<Transfer*>(user);
        if (type == CURLINFO_HEADER_OUT && !t->requestSent) {
            t->requestSent = true;
            if (t->id) t->worker->emitState(t, transfer_state::RequestSent);
        }
        return 0;
    }

    Queue queue_;
    Wake wake_;
    std::optional<std::chrono::steady_clock::time_point> heldSince_;  // states not yet shown
    std::string caFile_;         // further trusted authorities (PEM), or empty
    bool caFileFailed_ = false;  // the last connection could not load caFile_
    bool systemBundle_ = false;  // curl has a default CA bundle file
    CURLM* multi_ = nullptr;
    CURLSH* share_ = nullptr;  // the cookies kept for the run
    std::mutex mutex_;
    std::condition_variable commandPosted_;
    bool idle_ = false;  // waiting for commandPosted_, not in curl
    std::deque<Command> commands_;
    bool quit_ = false;
    std::vector<std::unique_ptr<Transfer>> transfers_;
    std::map<curl_socket_t, Transfer*> sockets_;
    std::thread thread_;
};

}  // namespace detail

InetTransfer::InetTransfer(CookiePolicy cookiePolicy, QObject* parent)
    : TransferControl(parent),
      cookiePolicy_(std::move(cookiePolicy)),
      events_(std::make_unique<detail::EventQueue>()) {}

InetTransfer::~InetTransfer() {
    // Joins the worker before the QObject goes: no event is posted after this,
    // and Qt discards a wake-up still queued for a deleted receiver.
    worker_.reset();
}

bool InetTransfer::Execute(const QString& url, const QString& operation) {
    if (executing_ || operation.compare(QLatin1String("GET"), Qt::CaseInsensitive) != 0)
        return false;
    const bool cookies = !(cookiePolicy_ && cookiePolicy_() == kCookiesNone);
    if (!worker_) {
        worker_ = std::make_unique<detail::InetWorker>(
            [this](detail::TransferEvent event) { queue(std::move(event)); }, [this] { wake(); },
            qEnvironmentVariable(kCaFileVariable).toStdString());
    }
    url_ = url;
    header_.clear();
    responseCode_ = 0;
    responseInfo_.clear();
    certificateDaysLeft_ = -1;
    activeId_ = ++lastId_;
    executing_ = true;
    worker_->start(activeId_, url.toStdString(), requestTimeout_, cookies,
                   serverName_.toStdString());
    return true;
}

void InetTransfer::Cancel() {
    if (!executing_) return;
    worker_->cancel(activeId_);
    activeId_ = 0;
    executing_ = false;
}

void InetTransfer::queue(detail::TransferEvent event) {
    std::lock_guard lock(events_->mutex);
    events_->events.push_back(std::move(event));
}

void InetTransfer::wake() {
    {
        std::lock_guard lock(events_->mutex);
        if (events_->events.empty()) return;
        if (events_->wakeUpPending) {
            events_->wakeUpAsked = true;
            return;
        }
        events_->wakeUpPending = true;
    }
    QMetaObject::invokeMethod(this, &InetTransfer::deliverQueued, Qt::QueuedConnection);
}

// Takes one event at a time: a handler that runs a nested event loop finds
// the rest still queued behind it, so no later state overtakes an earlier one.
// After the end of a request the event loop has its turn before the states of
// the next one, which a handler may have started: a cycle of fast failures
// must not keep the thread from its other work. States of the next request
// that the worker has not asked to show yet wait for it to do so, with that
// request's end or when they have waited long enough.
void InetTransfer::deliverQueued() {
    bool requestEnded = false;
    for (;;) {
        detail::TransferEvent event;
        {
            std::lock_guard lock(events_->mutex);
            auto& events = events_->events;
            if (events.empty() ||
                (requestEnded && !events_->wakeUpAsked &&
                 std::none_of(events.begin(), events.end(),
                              [](const detail::TransferEvent& e) { return e.final; }))) {
                events_->wakeUpPending = false;
                events_->wakeUpAsked = false;
                return;
            }
            if (requestEnded) {
                events_->wakeUpAsked = false;
                break;
            }
            event = std::move(events_->events.front());
            events_->events.pop_front();
        }
        deliver(event);
        requestEnded = event.final;
    }
    QMetaObject::invokeMethod(this, &InetTransfer::deliverQueued, Qt::QueuedConnection);
}

void InetTransfer::deliver(const detail::TransferEvent& event) {
    if (event.id != activeId_) return;
    if (event.hasHeader) header_ = QString::fromLatin1(event.header);
    if (event.final) {
        activeId_ = 0;
        executing_ = false;
        responseCode_ = event.code;
        responseInfo_ = event.info;
        certificateDaysLeft_ = event.certificateDaysLeft;
    }
    emit StateChanged(event.state);
}

}  // namespace ossivant
