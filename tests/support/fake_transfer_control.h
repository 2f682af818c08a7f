#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "monitor/platform/transfer_control.h"

namespace ossivant::test {

// A transfer control that touches no network: it records what the engine
// asks of it, and the test plays the control's side (states, header, error).
// Like the real control, StillExecuting is true from Execute until a test
// signals 11 or 12, or the engine cancels.
class FakeTransferControl final : public TransferControl {
public:
    struct Call {
        QString url;
        QString operation;
        int requestTimeout;
        QString serverName;
    };

    using TransferControl::TransferControl;

    bool Execute(const QString& url, const QString& operation) override {
        calls.push_back({url, operation, requestTimeout_, serverName_});
        if (onExecute) onExecute();
        if (!acceptExecute || executing_) return false;
        url_ = url;
        header_.clear();
        responseCode_ = 0;
        responseInfo_.clear();
        certificateDaysLeft = -1;
        executing_ = true;
        return true;
    }
    void Cancel() override {
        ++cancelCount;
        executing_ = false;
    }
    bool StillExecuting() const override { return executing_; }
    QString URL() const override { return url_; }
    QString GetHeader() const override { return header_; }
    qint32 ResponseCode() const override { return responseCode_; }
    QString ResponseInfo() const override { return responseInfo_; }
    int RequestTimeout() const override { return requestTimeout_; }
    void setRequestTimeout(int seconds) override { requestTimeout_ = seconds; }
    QString ServerName() const override { return serverName_; }
    void setServerName(const QString& name) override { serverName_ = name; }
    int CertificateDaysLeft() const override { return certificateDaysLeft; }

    // --- the test's side -------------------------------------------------
    // Signals `state` now; 11 and 12 end the request first, as the real
    // control does.
    void signalState(int state) {
        if (state == transfer_state::Error || state == transfer_state::ResponseCompleted)
            executing_ = false;
        emit StateChanged(state);
    }
    // A complete response whose header is `header` (state 12).
    void respond(const QString& header) {
        header_ = header;
        signalState(transfer_state::ResponseCompleted);
    }
    // A transfer error (state 11) with this number and description.
    void fail(qint32 code, const QString& info) {
        responseCode_ = code;
        responseInfo_ = info;
        signalState(transfer_state::Error);
    }
    void setHeader(const QString& header) { header_ = header; }
    void setResponse(qint32 code, const QString& info) {
        responseCode_ = code;
        responseInfo_ = info;
    }
    void setStillExecuting(bool executing) { executing_ = executing; }
    void setURL(const QString& url) { url_ = url; }

    QList<Call> calls;  // every Execute, refused ones included
    std::function<void()> onExecute;  // runs inside each Execute
    int cancelCount = 0;
    bool acceptExecute = true;
    int certificateDaysLeft = -1;  // what the next response tells

private:
    bool executing_ = false;
    QString url_;
    QString header_;
    qint32 responseCode_ = 0;
    QString responseInfo_;
    int requestTimeout_ = 0;
    QString serverName_;
};

}  // namespace ossivant::test
