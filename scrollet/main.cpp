// scrollet LOG-FILE            shows the check log in a window
// scrollet LOG-FILE HTML-FILE  writes the log's HTML copy and ends, without a window
//
// Exit codes: 0 done, 1 the log could not be read or the copy not written,
// 2 wrong command line.
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <cstdio>
#include <optional>

#include "cli/standard_options.h"
#include "monitor/ui/window_owner.h"
#include "scrollet/check_log_reader.h"
#include "scrollet/log_html.h"
#include "scrollet/log_window.h"

using namespace ossivant::scrollet;

namespace {

constexpr ossivant::cli::ProgramText kProgram{
    "scrollet", "scrollet LOG-FILE [HTML-FILE]",
    "Shows a check log of Ossivant: a summary and one table per check cycle.\n"
    "With HTML-FILE it writes the same page as HTML and ends, without a window.\n"};

void PrintError(const QString& text) {
    std::fprintf(stderr, "scrollet: %s\n", text.toLocal8Bit().constData());
}

int WriteHtmlCopy(const QString& logPath, const QString& htmlPath) {
    QSaveFile out(htmlPath);
    bool written = out.open(QIODevice::WriteOnly);
    const QString error = StreamLogHtml(logPath, [&](const QString& piece) {
        const QByteArray bytes = piece.toUtf8();
        written = written && out.write(bytes) == bytes.size();
    });
    if (!error.isEmpty()) {
        out.cancelWriting();
        PrintError(error);
        return 1;
    }
    if (!written || !out.commit()) {
        PrintError(QStringLiteral("%1 cannot be written: %2.").arg(htmlPath, out.errorString()));
        return 1;
    }
    return 0;
}

int ShowLog(const QString& logPath) {
    const LoadedLog loaded = LoadCheckLog(logPath);
    if (!loaded.ok) {
        QMessageBox::critical(nullptr, QStringLiteral("Scrollet"), loaded.error);
        return 1;
    }
    // Read again at each F5; a log that cannot be read then says why in the page.
    auto readPage = [logPath, first = std::optional<ParsedLog>(loaded.log)]() mutable {
        if (first) {
            const ParsedLog log = std::move(*first);
            first.reset();
            return LogToHtml(log, QFileInfo(logPath).fileName());
        }
        const LoadedLog again = LoadCheckLog(logPath);
        if (!again.ok) return QStringLiteral("<p>%1</p>").arg(EscapeHtml(again.error));
        return LogToHtml(again.log, QFileInfo(logPath).fileName());
    };
    LogWindow window(logPath, std::move(readPage));
    ossivant::PlaceOnScreen(&window);
    window.show();
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (ossivant::cli::AnswerStandardOption(kProgram, argc, argv)) return 0;
    if ((argc != 2 && argc != 3) || ossivant::cli::IsOption(argv[1]))
        return ossivant::cli::UsageError(kProgram);
    // Taken before Qt sees the command line, which it would search for its
    // own options.
    const QString logPath = QFile::decodeName(argv[1]);
    if (argc == 3) {
        // No window and no display: the copy is made under CI and from scripts.
        const QString htmlPath = QFile::decodeName(argv[2]);
        QCoreApplication app(argc, argv);
        return WriteHtmlCopy(logPath, htmlPath);
    }
    QApplication app(argc, argv);
    return ShowLog(logPath);
}
