// ovtour: the interactive tour of Ossivant's main window. The monitor starts
// it from the program folder without arguments; its pictures are the PNG
// files in the program folder's tour/.
#include <QApplication>

#include "cli/standard_options.h"
#include "monitor/ui/window_owner.h"
#include "tour/tour_window.h"

namespace {

constexpr ossivant::cli::ProgramText kProgram{
    "ovtour", "ovtour", "Walks through the main window of Ossivant page by page.\n"};

}  // namespace

int main(int argc, char** argv) {
    if (ossivant::cli::AnswerStandardOption(kProgram, argc, argv)) return 0;
    if (argc > 1) return ossivant::cli::UsageError(kProgram);
    QApplication app(argc, argv);
    ossivant::TourWindow window(QCoreApplication::applicationDirPath() + QStringLiteral("/tour/"));
    ossivant::PlaceOnScreen(&window);  // the size it gets back when it is restored
    window.showMaximized();
    return app.exec();
}
