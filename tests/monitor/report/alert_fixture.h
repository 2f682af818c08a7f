#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <ostream>

#include "monitor/report/alert_text.h"
#include "monitor/store/settings.h"
#include "tests/support/print_qstring.h"

namespace ossivant::test {

// The facts of a site that failed with 404, as the engine hands them over.
inline AlertFacts FailedSiteFacts() {
    AlertFacts facts;
    facts.site.URL = QStringLiteral("www.example.net/shop");
    facts.site.IP = QStringLiteral("192.0.2.7");
    facts.site.TimeOut = 30;
    facts.checkTimeOut = 30;
    facts.probeURL = QStringLiteral("http://www.example.net/shop");
    facts.probeResponseCode = 12;
    facts.probeResponseInfo = QStringLiteral("Timeout was reached");
    facts.probeHeader = QStringLiteral("HTTP/1.1 404 Not Found\r\nServer: x\r\n");
    return facts;
}

inline Settings ManagerSettings() {
    Settings settings;
    settings.ManagerName = QStringLiteral("Ann Smith");
    settings.ManagerEmail = QStringLiteral("ann@example.net");
    settings.ManagerSMTP = QStringLiteral("smtp.example.net");
    settings.ManagerSMTPPort = 2525;
    return settings;
}

// The alert codes that have a text of their own.
inline const QStringList kTableCodes{"204", "301", "400", "401", "403", "404",  "405",
                                     "500", "501", "502", "503", "504", "8001", "8080",
                                     "1xx", "2xx", "3xx", "4xx", "5xx"};

// Every line of a mail body fits 76 characters unless it holds a single word.
inline void ExpectMailLines(const QString& body) {
    for (const QString& line : body.split(QStringLiteral("\r\n"))) {
        if (line.trimmed().contains(QLatin1Char(' '))) {
            EXPECT_LE(line.size(), 76) << line.toStdString();
        }
    }
}

// Shows a table row by its name in test output.
template <class Row>
void PrintRowName(const Row& row, std::ostream* out) {
    *out << row.name;
}

// A temporary program folder whose Messages/ the test fills. It lives in the
// build tree, as a program folder does, so a library in it can be loaded even
// where the system's temporary folder is mounted noexec.
class ProgramFolder {
public:
    ProgramFolder() : dir_(QStringLiteral(OV_TEST_TMP_ROOT "/program-XXXXXX")) {}
    QString path() const { return dir_.path(); }
    void writeMessage(const QString& name, const QByteArray& bytes) {
        QDir(dir_.path()).mkpath(QStringLiteral("Messages"));
        QFile file(dir_.path() + QStringLiteral("/Messages/") + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

private:
    QTemporaryDir dir_;
};

}  // namespace ossivant::test
