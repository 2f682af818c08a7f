#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include "monitor/platform/inet_transfer.h"

namespace ossivant::test {

// A test authority and server certificates made with the openssl command:
// all for the name "localhost" (not for 127.0.0.1) unless told otherwise.
class TlsCertificates {
public:
    enum Kind {
        Good,         // signed by the authority, valid for a year
        Expired,      // signed by the authority, ended last year
        NotYetValid,  // signed by the authority, starts next year
        WrongHost,    // signed by the authority, for another.example only
        ExpiresSoon,  // signed by the authority, ends in 5 days
        SelfSigned,   // signed by itself
    };

    // Makes everything at once; ok() tells whether openssl did its part.
    TlsCertificates();
    bool ok() const { return ok_; }
    QString error() const { return error_; }

    QString caFile() const { return dir_.filePath(QStringLiteral("ca.pem")); }
    QString keyFile() const { return dir_.filePath(QStringLiteral("server.key")); }
    QString certFile(Kind kind) const;

private:
    bool run(const QStringList& arguments);
    bool makeSigned(Kind kind, const QString& name, const QStringList& dates);

    QTemporaryDir dir_;
    bool ok_ = false;
    QString error_;
};

// The same certificates, with the authority trusted by every transfer control
// of the test program while they live (the CA-file variable names it).
class TrustedTlsCertificates final : public TlsCertificates {
public:
    TrustedTlsCertificates() { qputenv(InetTransfer::kCaFileVariable, caFile().toLocal8Bit()); }
    ~TrustedTlsCertificates() { qunsetenv(InetTransfer::kCaFileVariable); }
    TrustedTlsCertificates(const TrustedTlsCertificates&) = delete;
    TrustedTlsCertificates& operator=(const TrustedTlsCertificates&) = delete;
};

// The HTTPS server of tls_server.py on 127.0.0.1, with one certificate:
// /missing... answers 404, every other path 200.
class TlsServer {
public:
    TlsServer(const QString& certFile, const QString& keyFile);
    ~TlsServer();
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;

    bool started() const { return port_ != 0; }
    quint16 port() const { return port_; }
    // "https://localhost:<port>" + path, or with `host` instead of localhost.
    QString url(const QString& path = QStringLiteral("/"),
                const QString& host = QStringLiteral("localhost")) const;

private:
    QProcess process_;
    quint16 port_ = 0;
};

}  // namespace ossivant::test
