#pragma once

#include <QObject>
#include <QString>

namespace ossivant {

// Step numbers that a transfer control signals through StateChanged.
namespace transfer_state {
constexpr int None = 0;
constexpr int ResolvingHost = 1;
constexpr int HostResolved = 2;
constexpr int Connecting = 3;
constexpr int Connected = 4;
constexpr int Requesting = 5;
constexpr int RequestSent = 6;
constexpr int ReceivingResponse = 7;
constexpr int ResponseReceived = 8;
constexpr int Disconnecting = 9;
constexpr int Disconnected = 10;
constexpr int Error = 11;
constexpr int ResponseCompleted = 12;
}  // namespace transfer_state

// The asynchronous HTTP transfer control the check engine drives: one request
// at a time, progress told through StateChanged on the thread that owns the
// object. A request ends with exactly one of state 12 (complete response) or
// state 11 (transfer error), unless it is cancelled first. No member ever
// emits StateChanged synchronously, so a handler may call Execute or Cancel.
class TransferControl : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~TransferControl() override = default;

    // Starts the request for `url`; returns at once. Refused (false, nothing
    // changes) while a request runs or for an operation other than "GET".
    virtual bool Execute(const QString& url, const QString& operation) = 0;
    // Stops the running request. On return StillExecuting is false and no
    // further event of that request is delivered.
    virtual void Cancel() = 0;
    virtual bool StillExecuting() const = 0;
    // The address of the request that runs or ran last.
    virtual QString URL() const = 0;
    // Every header line of the last response, the status line first, lines
    // joined by CR LF as received; empty when no header arrived.
    virtual QString GetHeader() const = 0;
    // Number and description of the last transfer error (0 and "" when the
    // last request did not end in state 11).
    virtual qint32 ResponseCode() const = 0;
    virtual QString ResponseInfo() const = 0;
    // Request time-out in seconds, applied by the next Execute; 0 = none.
    virtual int RequestTimeout() const = 0;
    virtual void setRequestTimeout(int seconds) = 0;
    // Host name presented to an "https://" address by the next Execute (TLS
    // server name, certificate check and Host header) while the connection
    // still goes to the address's own host and port; empty = the address's
    // own host. Plain HTTP addresses ignore it.
    virtual QString ServerName() const = 0;
    virtual void setServerName(const QString& name) = 0;
    // Whole days, rounded up, until the server certificate of the last
    // complete HTTPS response expires; -1 when there is none to tell of.
    virtual int CertificateDaysLeft() const = 0;

signals:
    void StateChanged(int state);
};

}  // namespace ossivant
