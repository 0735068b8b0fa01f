#include "CorvaneApp/kit/style/StudioAppearance.hpp"

namespace corvane {

const QColor& StudioAppearance::amber()
{
    static const QColor color = QColor::fromRgbF(1.0f, 0.717f, 0.38f, 1.0f);
    return color;
}

const QColor& StudioAppearance::panel()
{
    static const QColor color = QColor::fromRgbF(0.07f, 0.059f, 0.042f, 1.0f);
    return color;
}

const QColor& StudioAppearance::sunken()
{
    static const QColor color = QColor::fromRgbF(0, 0, 0, 0.45f);
    return color;
}

const QColor& StudioAppearance::controlFill()
{
    static const QColor color = QColor::fromRgbF(1, 1, 1, 0.055f);
    return color;
}

const QColor& StudioAppearance::controlStroke()
{
    static const QColor color = QColor::fromRgbF(1, 1, 1, 0.1f);
    return color;
}

const QColor& StudioAppearance::primaryText()
{
    static const QColor color = QColor::fromRgbF(1, 1, 1, 0.85f);
    return color;
}

const QColor& StudioAppearance::secondaryText()
{
    static const QColor color = QColor::fromRgbF(1, 1, 1, 0.55f);
    return color;
}

const QColor& StudioAppearance::tertiaryText()
{
    static const QColor color = QColor::fromRgbF(1, 1, 1, 0.32f);
    return color;
}

const QColor& StudioAppearance::destructive()
{
    static const QColor color(255, 69, 58);
    return color;
}

const QColor& StudioAppearance::pressedOverlay()
{
    static const QColor color(255, 255, 255, 14);
    return color;
}

const QPalette& StudioAppearance::darkPalette()
{
    static const QPalette palette = [] {
        const QColor window(30, 30, 32);
        const QColor base(22, 22, 24);
        const QColor text(235, 235, 240);
        const QColor disabledText(120, 120, 128);
        QPalette p;
        p.setColor(QPalette::Window, window);
        p.setColor(QPalette::WindowText, text);
        p.setColor(QPalette::Base, base);
        p.setColor(QPalette::AlternateBase, QColor(38, 38, 41));
        p.setColor(QPalette::ToolTipBase, QColor(48, 48, 52));
        p.setColor(QPalette::ToolTipText, text);
        p.setColor(QPalette::PlaceholderText, disabledText);
        p.setColor(QPalette::Text, text);
        p.setColor(QPalette::Button, QColor(48, 48, 52));
        p.setColor(QPalette::ButtonText, text);
        p.setColor(QPalette::BrightText, Qt::white);
        p.setColor(QPalette::Light, QColor(70, 70, 76));
        p.setColor(QPalette::Midlight, QColor(56, 56, 60));
        p.setColor(QPalette::Mid, QColor(40, 40, 44));
        p.setColor(QPalette::Dark, QColor(16, 16, 18));
        p.setColor(QPalette::Shadow, Qt::black);
        p.setColor(QPalette::Highlight, amber());
        p.setColor(QPalette::HighlightedText, Qt::black);
        p.setColor(QPalette::Link, amber());
        p.setColor(QPalette::LinkVisited, amber().darker(130));
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(QPalette::Disabled, role, disabledText);
        p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(80, 80, 86));
        return p;
    }();
    return palette;
}

} // namespace corvane
