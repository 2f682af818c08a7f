#pragma once

#include <QByteArray>
#include <functional>
#include <memory>

#include "monitor/platform/transfer_control.h"

namespace ossivant {

namespace detail {
class InetWorker;
struct TransferEvent;
struct EventQueue;
}  // namespace detail

// The HTTP transfer control of the monitor (the main window's Inet1).
//
// Promises, to the check engine:
// - every StateChanged is delivered on the thread that owns the object (the
//   GUI thread), through its event queue, never from inside a member call,
//   in order; the states before the end of a request come with its end, or
//   within 50 ms of each when the request takes longer (one wake-up of the
//   GUI thread for a quick request, not one per state);
// - the owning thread never waits on the network: the transfers run on one
//   worker thread of this object (see inet_transfer.cpp for why);
// - each request opens its own connection and closes it when it ends, so a
//   normal probe signals 1 2 3 4 5 6 7 8 9 10 12;
// - redirects are not followed; the body is read and thrown away, so memory
//   stays flat whatever its size;
// - Cancel returns with the request stopped as far as the caller can see
//   (StillExecuting false, no further event) and the worker closes its socket
//   within milliseconds;
// - after state 11, ResponseCode/ResponseInfo hold the transfer library's
//   error number and its description;
// - "https://" addresses are checked over TLS: the certificate is verified
//   against the system's trust store (plus the file named by OSSIVANT_CA_FILE,
//   read when the control starts its worker) and must name the host; a failed
//   check is a transfer error (state 11) whose description tells why.
//
// Cookies follow the platform's "AllowCookies" value, read through the
// injected `cookiePolicy` at each Execute: 2 = no cookies are stored or sent;
// any other value (1, or a value that could not be read) = cookies received
// are kept in memory for the life of this object and sent back where they
// apply.
class InetTransfer final : public TransferControl {
    Q_OBJECT

public:
    using CookiePolicy = std::function<int()>;
    static constexpr int kCookiesInMemory = 1;
    static constexpr int kCookiesNone = 2;

    explicit InetTransfer(CookiePolicy cookiePolicy = {}, QObject* parent = nullptr);
    ~InetTransfer() override;

    bool Execute(const QString& url, const QString& operation) override;
    void Cancel() override;
    bool StillExecuting() const override { return executing_; }
    QString URL() const override { return url_; }
    QString GetHeader() const override { return header_; }
    qint32 ResponseCode() const override { return responseCode_; }
    QString ResponseInfo() const override { return responseInfo_; }
    int RequestTimeout() const override { return requestTimeout_; }
    void setRequestTimeout(int seconds) override { requestTimeout_ = seconds < 0 ? 0 : seconds; }
    QString ServerName() const override { return serverName_; }
    void setServerName(const QString& name) override { serverName_ = name; }
    int CertificateDaysLeft() const override { return certificateDaysLeft_; }

    // Name of the environment variable that may name a PEM file of further
    // certificate authorities, trusted in addition to the system's store.
    static constexpr const char* kCaFileVariable = "OSSIVANT_CA_FILE";

private:
    // On the worker thread: queues an event; wakes the owning thread to
    // deliver what is queued, unless a wake-up is already on its way.
    void queue(detail::TransferEvent event);
    void wake();
    // On the owning thread: delivers the queued events one at a time.
    void deliverQueued();
    void deliver(const detail::TransferEvent& event);

    CookiePolicy cookiePolicy_;
    std::unique_ptr<detail::EventQueue> events_;  // outlives the worker, which posts to it
    std::unique_ptr<detail::InetWorker> worker_;
    quint64 lastId_ = 0;
    quint64 activeId_ = 0;  // 0 while idle; events of other ids are dropped
    bool executing_ = false;
    QString url_;
    QString header_;
    qint32 responseCode_ = 0;
    QString responseInfo_;
    int requestTimeout_ = 0;
    QString serverName_;
    int certificateDaysLeft_ = -1;
};

}  // namespace ossivant
