#include "tests/support/tls_server.h"

#include <QDateTime>

namespace ossivant::test {
namespace {

QString timeArg(qint64 daysFromNow) {
    return QDateTime::currentDateTimeUtc()
               .addDays(daysFromNow)
               .toString(QStringLiteral("yyyyMMddHHmmss")) +
           QLatin1Char('Z');
}

}  // namespace

TlsCertificates::TlsCertificates() {
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder");
        return;
    }
    const auto file = [this](const char* name) { return dir_.filePath(QLatin1String(name)); };
    {
        // A minimal authority for "openssl ca", which alone can set any dates.
        QFile config(file("ca.cnf"));
        if (!config.open(QIODevice::WriteOnly)) return;
        config.write(QStringLiteral("[ca]\ndefault_ca = test_ca\n"
                                    "[test_ca]\ndatabase = %1\nnew_certs_dir = %2\n"
                                    "serial = %3\ndefault_md = sha256\npolicy = any\n"
                                    "copy_extensions = copy\nunique_subject = no\n"
                                    "[any]\ncommonName = supplied\n")
                         .arg(file("index.txt"), dir_.path(), file("serial"))
                         .toUtf8());
        QFile index(file("index.txt"));
        QFile serial(file("serial"));
        if (!index.open(QIODevice::WriteOnly) || !serial.open(QIODevice::WriteOnly)) return;
        serial.write("1000\n");
    }
    const QStringList ec = {
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    ok_ =
        run(QStringList{"req", "-x509", "-subj", "/CN=Ossivant Test Authority", "-days", "30",
                        "-keyout", file("ca.key"), "-out", caFile()} +
            ec) &&
        run(QStringList{"req", "-new", "-subj", "/CN=localhost", "-addext",
                        "subjectAltName=DNS:localhost", "-keyout", keyFile(), "-out",
                        file("localhost.csr")} +
            ec) &&
        run({"req", "-new", "-subj", "/CN=another.example", "-addext",
             "subjectAltName=DNS:another.example", "-key", keyFile(), "-out",
             file("another.csr")}) &&
        makeSigned(Good, "localhost.csr", {"-startdate", timeArg(-1), "-enddate", timeArg(365)}) &&
        makeSigned(Expired, "localhost.csr",
                   {"-startdate", timeArg(-400), "-enddate", timeArg(-35)}) &&
        makeSigned(NotYetValid, "localhost.csr",
                   {"-startdate", timeArg(365), "-enddate", timeArg(730)}) &&
        makeSigned(WrongHost, "another.csr",
                   {"-startdate", timeArg(-1), "-enddate", timeArg(365)}) &&
        makeSigned(ExpiresSoon, "localhost.csr", {"-days", "5"}) &&
        run({"req", "-x509", "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost",
             "-days", "30", "-key", keyFile(), "-out", certFile(SelfSigned)});
}

QString TlsCertificates::certFile(Kind kind) const {
    return dir_.filePath(QStringLiteral("server-%1.pem").arg(int(kind)));
}

bool TlsCertificates::makeSigned(Kind kind, const QString& csr, const QStringList& dates) {
    return run(QStringList{"ca", "-batch", "-notext", "-config", dir_.filePath("ca.cnf"), "-cert",
                           caFile(), "-keyfile", dir_.filePath("ca.key"), "-in", dir_.filePath(csr),
                           "-out", certFile(kind)} +
               dates);
}

bool TlsCertificates::run(const QStringList& arguments) {
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        error_ = arguments.join(QLatin1Char(' ')) + QStringLiteral(": ") +
                 QString::fromLocal8Bit(openssl.readAll());
        return false;
    }
    return true;
}

TlsServer::TlsServer(const QString& certFile, const QString& keyFile) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral(TLS_SERVER_SCRIPT), certFile, keyFile});
    if (!process_.waitForStarted(10000)) return;
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(10000)) return;
    }
    port_ = quint16(process_.readLine().trimmed().toUInt());
}

TlsServer::~TlsServer() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
}

QString TlsServer::url(const QString& path, const QString& host) const {
    return QStringLiteral("https://%1:%2%3").arg(host).arg(port_).arg(path);
}

}  // namespace ossivant::test
