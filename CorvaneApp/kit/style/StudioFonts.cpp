#include "CorvaneApp/kit/style/StudioFonts.hpp"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

#include "CorvaneApp/kit/style/StudioTypography.hpp"

namespace corvane {

namespace {

constexpr const char* plexSans = "IBM Plex Sans";
constexpr const char* plexMono = "IBM Plex Mono";
constexpr const char* barlowCondensed = "Barlow Condensed";

void setPixelSize(QFont& font, double pixels)
{
    if (pixels == std::floor(pixels)) {
        font.setPixelSize(static_cast<int>(pixels));
        return;
    }
    // Qt takes whole pixel sizes only; a half pixel goes through the
    // screen's logical resolution instead.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPointSizeF(pixels * 72.0 / dpi);
}

QFont make(const char* family, double pixels, QFont::Weight weight)
{
    return studioFont(family, pixels, weight, StudioTypography::isAvailable());
}

} // namespace

QFont studioFont(const char* family, double pixels, QFont::Weight weight, bool bundled)
{
    QFont font = bundled ? QFont(QString::fromLatin1(family)) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    setPixelSize(font, pixels);
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QFont studioDisplay(double pixels) { return make(plexMono, pixels, QFont::DemiBold); }

const QFont& studioLegend()
{
    static const QFont font = make(barlowCondensed, 11.5, QFont::DemiBold);
    return font;
}

const QFont& studioTitleSmall()
{
    static const QFont font = make(barlowCondensed, 17, QFont::DemiBold);
    return font;
}

const QFont& studioHeadline()
{
    static const QFont font = make(plexSans, 13.5, QFont::DemiBold);
    return font;
}

const QFont& studioCallout()
{
    static const QFont font = make(plexSans, 12.5, QFont::Normal);
    return font;
}

const QFont& studioCaption()
{
    static const QFont font = make(plexSans, 10.5, QFont::Normal);
    return font;
}

const QFont& studioBody()
{
    static const QFont font = make(plexSans, 13, QFont::Normal);
    return font;
}

const QFont& studioReadoutBody()
{
    static const QFont font = make(plexMono, 13, QFont::Normal);
    return font;
}

const QFont& studioReadout()
{
    static const QFont font = make(plexMono, 10.5, QFont::Normal);
    return font;
}

const QFont& studioReadoutLarge()
{
    static const QFont font = make(plexMono, 12.5, QFont::Medium);
    return font;
}

} // namespace corvane
