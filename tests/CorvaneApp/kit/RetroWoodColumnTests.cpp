#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QImage>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/RetroWoodColumn.hpp"
#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"

using namespace corvane;

namespace {

const RetroWoodPlank wood1{QStringLiteral("wood1"), 38, 2, 28};
const RetroWoodPlank wood2{QStringLiteral("wood2"), 53, 14, 25};
const RetroWoodPlank wood3{QStringLiteral("wood3"), 39, 14, 25};

// The column painted at `offset` into an image `size`, filled with `ground` first.
QImage rendered(RetroWoodColumn& column, QSize size, QPoint offset, QColor ground)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(ground);
    column.render(&image, offset, QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

TEST(RetroWoodColumn, ScalesTheImageSoThatThePlankFillsTheColumn)
{
    const QRectF first = RetroWoodColumn::imageRect(wood1, 19, 762);
    EXPECT_NEAR(first.width(), 25.79, 0.005);
    EXPECT_NEAR(first.left(), -1.36, 0.005);
    EXPECT_EQ(first.top(), 0);
    EXPECT_EQ(first.height(), 762);

    // Every plank starts on the column's leading edge and ends on its trailing one.
    for (const auto& plank : {wood1, wood2, wood3}) {
        const QRectF rect = RetroWoodColumn::imageRect(plank, 19, 100);
        const double pixel = rect.width() / plank.artPixels;
        EXPECT_NEAR(rect.left() + plank.plankStartPixel * pixel, 0, 1e-9) << plank.asset.toStdString();
        EXPECT_NEAR(rect.left() + (plank.plankStartPixel + plank.plankPixels) * pixel, 19, 1e-9);
    }
    const QRectF second = RetroWoodColumn::imageRect(wood2, 19, 100);
    EXPECT_NEAR(second.width(), 40.28, 1e-9);
    EXPECT_NEAR(second.left(), -10.64, 1e-9);
    // wood3's plank is the image's last: nothing of the image lies after the column.
    const QRectF third = RetroWoodColumn::imageRect(wood3, 19, 100);
    EXPECT_NEAR(third.width(), 29.64, 1e-9);
    EXPECT_NEAR(third.right(), 19, 1e-9);

    // A plank without width cannot be scaled: the image just fills the column.
    EXPECT_EQ(RetroWoodColumn::imageRect({QStringLiteral("wood1"), 38, 2, 0}, 19, 50), QRectF(0, 0, 19, 50));
}

TEST(RetroWoodColumn, MissingImageIsAFlatStripExactlyTheColumnWide)
{
    RetroWoodColumn column({QStringLiteral("no-such-wood-image"), 38, 2, 28}, 19);
    column.resize(19, 40);
    EXPECT_FALSE(column.hasImage());
    const QColor marker(0, 200, 255);
    const QImage image = rendered(column, {40, 40}, {7, 0}, marker);
    for (int y = 0; y < image.height(); y += 13)
        for (int x = 0; x < image.width(); ++x) {
            const bool inside = x >= 7 && x < 7 + 19;
            EXPECT_EQ(image.pixelColor(x, y).rgb(), (inside ? RetroPalette::woodFallback() : marker).rgb())
                << x << "," << y;
        }
}

TEST(RetroWoodColumn, GeneratedImagesAreInTheBundleAndFillTheirColumns)
{
    const struct {
        const char* name;
        int width;
        int height;
    } expected[] = {{"wood1", 38, 1524}, {"wood2", 53, 1524}, {"wood3", 39, 1524}, {"wood-horizontal-piano", 2048, 16}};
    for (const auto& [name, width, height] : expected) {
        ASSERT_TRUE(StudioResourceBundle::url(name, "png")) << name;
        const auto image = StudioResourceBundle::image(name, "png");
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->size(), QSize(width, height)) << name;
        // Dark warm wood: red over green over blue, nowhere near white.
        const QColor middle = image->pixelColor(width / 2, height / 2);
        EXPECT_GT(middle.red(), middle.green()) << name;
        EXPECT_GT(middle.green(), middle.blue()) << name;
        EXPECT_LT(middle.red(), 200) << name;
    }

    // The scaled image covers every pixel of each column, with wood, not the stand-in.
    for (const auto& plank : {wood1, wood2, wood3}) {
        RetroWoodColumn column(plank, 19);
        column.resize(19, 60);
        ASSERT_TRUE(column.hasImage()) << plank.asset.toStdString();
        const QImage image = rendered(column, {19, 60}, {0, 0}, Qt::transparent);
        for (int y = 0; y < image.height(); y += 7)
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                ASSERT_EQ(pixel.alpha(), 255) << plank.asset.toStdString() << " " << x << "," << y;
                EXPECT_GE(pixel.red(), pixel.blue());
            }
    }
}

TEST(RetroWoodColumn, KeepsItsWidthAndTakesNoInput)
{
    QWidget window;
    auto row = new QHBoxLayout(&window);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto column = new RetroWoodColumn(wood2, 19, &window);
    auto filler = new QWidget(&window);
    row->addWidget(column);
    row->addWidget(filler, 1);
    window.resize(400, 300);
    window.show();
    EXPECT_EQ(column->geometry(), QRect(0, 0, 19, 300));
    window.resize(600, 500);
    window.layout()->activate();
    EXPECT_EQ(column->geometry(), QRect(0, 0, 19, 500));
    EXPECT_EQ(column->plank(), wood2);
    EXPECT_EQ(column->columnWidth(), 19);

    // Clicks fall through to what lies beneath; nothing to focus or to name.
    EXPECT_EQ(window.childAt(9, 100), nullptr);
    EXPECT_EQ(column->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(column->accessibleName().isEmpty());
}
