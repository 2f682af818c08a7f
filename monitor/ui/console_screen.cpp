#include "monitor/ui/console_screen.h"


namespace ossivant {

namespace {

QString LightName(int image) {
    switch (image) {
        case SiteRows::Green: return QStringLiteral("green");
        case SiteRows::Yellow: return QStringLiteral("yellow");
        case SiteRows::Red: return QStringLiteral("red");
        default: return QString::number(image);
    }
}

}  // namespace

void ConsoleScreen::line(const QString& text) {
    out_ << text << '\n';
    out_.flush();
}

void ConsoleScreen::SetRowLight(std::int32_t index, int image) {
    line(QStringLiteral("  site %1: %2").arg(index).arg(LightName(image)));
}

void ConsoleScreen::SetRowComment(std::int32_t index, const QString& text) {
    if (!text.isEmpty()) line(QStringLiteral("  site %1: %2").arg(index).arg(text));
}

void ConsoleScreen::SetSiteName(const QString& text) {
    if (!text.isEmpty()) line(QStringLiteral("  ") + text);
}

// Panel 1 is the clock; only the panels that tell about checks are printed.
void ConsoleScreen::SetPanelText(int panel, const QString& text) {
    if (panel != 1 && !text.isEmpty()) line(text);
}

void ConsoleScreen::Beep() { line(QStringLiteral("\a")); }

MsgAnswer ConsoleScreen::show(const QString& text, MsgButtons buttons, MsgIcon) {
    line(QStringLiteral("Ossivant: ") + text);
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgAnswer::Yes
                                                                              : MsgAnswer::Ok;
}

}  // namespace ossivant
