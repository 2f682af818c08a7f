// ovtour: the interactive tour of Ossivant's main window. The monitor starts
// it from the program folder without arguments; its pictures are the PNG
// files in the program folder's tour/.
#include <QApplication>

#include "monitor/ui/window_owner.h"
#include "tour/tour_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ossivant::TourWindow window(QCoreApplication::applicationDirPath() + QStringLiteral("/tour/"));
    ossivant::PlaceOnScreen(&window);  // the size it gets back when it is restored
    window.showMaximized();
    return app.exec();
}
