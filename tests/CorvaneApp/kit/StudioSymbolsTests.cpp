#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>
#include <utility>

#include "CorvaneApp/kit/RetroTransportButton.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"

using namespace corvane;

namespace {

QImage blankImage()
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Unpremultiplied, so a pixel reads as the colour it shows.
QImage drawn(const QString& name, const QRectF& box, const QColor& color)
{
    QImage image = blankImage();
    QPainter painter(&image);
    paintStudioSymbol(painter, name, box, color);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The sum of alpha over the image: how much of it is covered.
long coverage(const QImage& image)
{
    long sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += qAlpha(image.pixel(x, y));
    return sum;
}

} // namespace

TEST(StudioSymbols, EveryNameDrawsInsideItsSquareInItsColourOnce)
{
    const QStringList expected{"trash",
                               "plus",
                               "pencil",
                               "checkmark",
                               "ellipsis",
                               "play.fill",
                               "pause.fill",
                               "backward.fill",
                               "forward.fill",
                               "arrow.clockwise",
                               "arrow.counterclockwise",
                               "music.note",
                               "music.note.list",
                               "music.note.house",
                               "books.vertical",
                               "clock",
                               "calendar",
                               "sparkles",
                               "folder",
                               "folder.badge.plus",
                               "folder.badge.questionmark",
                               "doc.badge.plus",
                               "text.badge.plus",
                               "photo",
                               "photo.badge.plus",
                               "exclamationmark.triangle",
                               "lock.open.trianglebadge.exclamationmark",
                               "waveform",
                               "pianokeys",
                               "gearshape",
                               "macwindow",
                               "hand.raised.fill",
                               "flag.fill",
                               "flag.checkered",
                               "repeat.circle",
                               "repeat.circle.fill",
                               "speaker.wave.2.fill",
                               "speaker.slash",
                               "speaker.slash.fill",
                               "slider.horizontal.3",
                               "sidebar.leading",
                               "magnifyingglass",
                               "paintpalette"};
    const QStringList& names = studioSymbolNames();
    EXPECT_EQ(names.size(), expected.size());
    QStringList distinct = names;
    EXPECT_EQ(distinct.removeDuplicates(), 0);

    // A wide box: the symbol takes the centred square 30 × 30 at (17.5, 16.25).
    const QRectF box(12.5, 16.25, 40, 30);
    const QRectF square(17.5, 16.25, 30, 30);
    const QColor color(30, 140, 220);
    const QColor translucent(30, 140, 220, 100);
    for (const QString& name : expected) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(isStudioSymbol(name));
        EXPECT_TRUE(names.contains(name));

        const QImage image = drawn(name, box, color);
        int inside = 0;
        bool outsideClear = true;
        bool inColour = true;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 0) continue;
                if (!square.contains(QPointF(x + 0.5, y + 0.5))) outsideClear = false;
                if (qAlpha(pixel) == 255) ++inside;
                // Edges are blended; where mostly covered the colour shows through.
                if (qAlpha(pixel) >= 128) {
                    const QColor seen = QColor::fromRgba(pixel);
                    if (std::abs(seen.red() - color.red()) > 3 || std::abs(seen.green() - color.green()) > 3 ||
                        std::abs(seen.blue() - color.blue()) > 3)
                        inColour = false;
                }
            }
        }
        EXPECT_TRUE(outsideClear);
        EXPECT_GT(inside, 20);
        EXPECT_TRUE(inColour);

        // Where parts meet, a translucent colour is laid down once, never doubled.
        const QImage faint = drawn(name, box, translucent);
        int deepest = 0;
        for (int y = 0; y < faint.height(); ++y)
            for (int x = 0; x < faint.width(); ++x) deepest = std::max(deepest, qAlpha(faint.pixel(x, y)));
        EXPECT_LE(deepest, translucent.alpha() + 1);
        EXPECT_GE(deepest, translucent.alpha() - 1);
    }

    // The painter comes back as it was handed over.
    QImage image = blankImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::green);
    painter.setPen(QPen(Qt::red, 3));
    painter.translate(2, 3);
    paintStudioSymbol(painter, QStringLiteral("gearshape"), box, color);
    EXPECT_FALSE(painter.testRenderHint(QPainter::Antialiasing));
    EXPECT_EQ(painter.brush().color(), QColor(Qt::green));
    EXPECT_EQ(painter.pen().color(), QColor(Qt::red));
    EXPECT_EQ(painter.transform(), QTransform::fromTranslate(2, 3));
}

TEST(StudioSymbols, UnknownNamesAndEmptyBoxesDrawNothing)
{
    const QRectF box(8, 8, 32, 32);
    for (const QString name : {"", "Trash", "trash.fill", "play", " plus", "folder.badge"}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(isStudioSymbol(name));
        EXPECT_EQ(coverage(drawn(name, box, Qt::white)), 0);
        EXPECT_TRUE(studioSymbolIcon(name, 16, Qt::white).isNull());
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    for (const QRectF& empty : {QRectF(8, 8, 0, 32), QRectF(8, 8, 32, -4), QRectF(nan, 8, 32, 32),
                                QRectF(8, 8, infinity, infinity), QRectF(8, 8, nan, 32)})
        EXPECT_EQ(coverage(drawn(QStringLiteral("plus"), empty, Qt::white)), 0);
    EXPECT_TRUE(studioSymbolIcon(QStringLiteral("plus"), 0, Qt::white).isNull());
}

TEST(StudioSymbols, IconsHoldSharpPixmapsForOneAndTwoTimesScreens)
{
    const QIcon icon = studioSymbolIcon(QStringLiteral("folder.badge.plus"), 16, Qt::white);
    ASSERT_FALSE(icon.isNull());
    for (const double ratio : {1.0, 2.0}) {
        const QPixmap pixmap = icon.pixmap(QSize(16, 16), ratio);
        EXPECT_EQ(pixmap.size(), QSize(16, 16) * ratio);
        EXPECT_EQ(pixmap.devicePixelRatio(), ratio);
        EXPECT_GT(coverage(pixmap.toImage()), 0);
    }
    // The 2× pixmap is drawn at its own size, not stretched from the 1× one.
    const QImage twice = icon.pixmap(QSize(16, 16), 2.0).toImage();
    const QImage scaledUp = icon.pixmap(QSize(16, 16), 1.0).toImage().scaled(32, 32);
    EXPECT_NE(twice.convertToFormat(QImage::Format_ARGB32), scaledUp.convertToFormat(QImage::Format_ARGB32));
}

TEST(StudioSymbols, FilledVariantsCoverMoreThanTheirOutlines)
{
    const QRectF box(8, 8, 48, 48);
    for (const auto& [outline, filled] : {std::pair("repeat.circle", "repeat.circle.fill"),
                                          std::pair("speaker.slash", "speaker.slash.fill")}) {
        SCOPED_TRACE(outline);
        EXPECT_GT(coverage(drawn(filled, box, Qt::white)), coverage(drawn(outline, box, Qt::white)) * 11 / 10);
    }
}

TEST(StudioSymbols, TransportButtonShowsTheSymbolItNames)
{
    RetroTransportButton button(QStringLiteral("play.fill"), 17);
    EXPECT_EQ(button.systemImage(), "play.fill");
    EXPECT_EQ(button.property("systemImage").toString(), "play.fill");
    const QImage play = button.grab().toImage();
    button.setSymbol(QStringLiteral("pause.fill"), 17);
    EXPECT_EQ(button.systemImage(), "pause.fill");
    const QImage pause = button.grab().toImage();
    EXPECT_NE(play, pause);
    // The glyph is dark on the cream face, in the middle of the button.
    const QColor centre = QColor::fromRgb(play.pixel(play.width() / 2 + 1, play.height() / 2 - 1));
    EXPECT_LT(centre.lightness(), 80);
}

// The outlines are made ahead on a worker while the window already draws
// them: both get the same pictures, whichever made each outline first.
TEST(StudioSymbols, OutlinesMadeOnOtherThreadsMeanwhileDrawTheSame)
{
    const auto& names = studioSymbolNames();
    std::vector<std::thread> workers;
    for (int i = 0; i < 3; ++i) workers.emplace_back([] { prepareStudioSymbols(); });
    std::vector<QImage> first;
    for (const QString& name : names) first.push_back(drawn(name, QRectF(4, 4, 56, 56), Qt::white));
    for (auto& worker : workers) worker.join();
    for (qsizetype i = 0; i < names.size(); ++i)
        EXPECT_EQ(drawn(names[i], QRectF(4, 4, 56, 56), Qt::white), first[static_cast<std::size_t>(i)])
            << names[i].toStdString();
}
