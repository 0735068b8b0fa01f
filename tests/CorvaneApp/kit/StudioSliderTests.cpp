#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <climits>
#include <cmath>
#include <limits>

#include "CorvaneApp/kit/internal/StudioCheckerboard.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "CorvaneApp/kit/style/StudioValueFormat.hpp"

using namespace corvane;

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// A continuous slider with thumb 14 this wide travels 200 from x = 7.
constexpr int travelWidth = 214;

void showAtWidth(QWidget& widget, int width)
{
    widget.resize(width, widget.sizeHint().height());
    widget.show();
}

QList<double> values(const QSignalSpy& spy)
{
    QList<double> out;
    for (const auto& arguments : spy) out << arguments.at(0).toDouble();
    return out;
}

void drag(QWidget& widget, std::initializer_list<int> xs)
{
    const int y = widget.height() / 2;
    bool first = true;
    for (int x : xs) {
        if (first) QTest::mousePress(&widget, Qt::LeftButton, {}, QPoint(x, y));
        else QTest::mouseMove(&widget, QPoint(x, y));
        first = false;
    }
    QTest::mouseRelease(&widget, Qt::LeftButton, {}, QPoint(*(xs.end() - 1), y));
}

QAccessibleInterface* accessible(QWidget& widget)
{
    QAccessibleInterface* interface = QAccessible::queryAccessibleInterface(&widget);
    EXPECT_NE(interface, nullptr);
    EXPECT_NE(interface->actionInterface(), nullptr);
    return interface;
}

void increase(QWidget& widget)
{
    accessible(widget)->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
}

void decrease(QWidget& widget)
{
    accessible(widget)->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
}

QRgb pixel(const QImage& image, int x, int y) { return image.pixel(x, y); }

} // namespace

TEST(StudioValueFormat, PrintsInBrazilianPortugueseWhateverTheProcessLocale)
{
    ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(".")); // the suite runs in English
    EXPECT_EQ(StudioValueFormat::decimal(2).text(1234.5), QStringLiteral("1.234,50"));
    EXPECT_EQ(StudioValueFormat::decimal(2).text(0.35), QStringLiteral("0,35"));
    EXPECT_EQ(StudioValueFormat::milliseconds().text(12.6), QStringLiteral("13 ms"));
    EXPECT_EQ(StudioValueFormat::milliseconds().text(1500), QStringLiteral("1.500 ms"));
    EXPECT_EQ(StudioValueFormat::milliseconds().text(-0.4), QStringLiteral("0 ms"));
    EXPECT_EQ(StudioValueFormat::seconds().text(5), QStringLiteral("5 s"));
    EXPECT_EQ(StudioValueFormat::percent().text(0.5), QStringLiteral("50%"));
    EXPECT_EQ(StudioValueFormat::percentFine().text(0.125), QStringLiteral("12,5%"));
    EXPECT_EQ(StudioValueFormat::pixels().text(notANumber), QStringLiteral("—"));
    EXPECT_EQ(StudioValueFormat::percent().text(infinity), QStringLiteral("—"));
    EXPECT_EQ(StudioValueFormat::pixels().readoutWidth(), 58);
    EXPECT_EQ(StudioValueFormat::percentFine().readoutWidth(), 48);
}

TEST(StudioCheckerboard, TilesFromADarkCornerCutsTheEdgeAndStaysBounded)
{
    const StudioCheckerboardGrid grid = studioCheckerboardGrid(QSizeF(10, 8), 4);
    EXPECT_EQ(grid, (StudioCheckerboardGrid{4, 3, 2}));
    EXPECT_EQ(studioCheckerboardGrid(QSizeF(0, 0), 4), (StudioCheckerboardGrid{4, 1, 1}));

    QImage image(16, 12, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paintStudioCheckerboard(painter, QRectF(0, 0, 10, 8), 4, Qt::white, Qt::black);
    }
    EXPECT_EQ(pixel(image, 1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(pixel(image, 5, 1), qRgb(255, 255, 255));
    EXPECT_EQ(pixel(image, 9, 1), qRgb(0, 0, 0)); // the third column, cut to 2
    EXPECT_EQ(pixel(image, 1, 5), qRgb(255, 255, 255));
    EXPECT_EQ(pixel(image, 9, 5), qRgb(255, 255, 255));
    EXPECT_EQ(qAlpha(pixel(image, 10, 1)), 0);
    EXPECT_EQ(qAlpha(pixel(image, 1, 8)), 0);

    // Sides that are not a positive number draw nothing.
    for (double square : {0.0, -4.0, notANumber, infinity}) {
        EXPECT_EQ(studioCheckerboardGrid(QSizeF(10, 8), square).columns, 0);
        QImage untouched(8, 8, QImage::Format_ARGB32);
        untouched.fill(Qt::transparent);
        QPainter painter(&untouched);
        paintStudioCheckerboard(painter, QRectF(0, 0, 8, 8), square, Qt::white, Qt::black);
        painter.end();
        EXPECT_EQ(qAlpha(untouched.pixel(3, 3)), 0);
    }

    // A tiny square over a vast or a long thin area draws a bounded number of squares.
    for (QSizeF size : {QSizeF(1e6, 1e6), QSizeF(1e7, 1), QSizeF(1, 1e9)}) {
        const StudioCheckerboardGrid huge = studioCheckerboardGrid(size, 1e-9);
        EXPECT_GE(huge.square, 0.5);
        EXPECT_LE(double(huge.columns) * double(huge.rows), 1e6) << size.width() << "x" << size.height();
    }
    QElapsedTimer clock;
    clock.start();
    QPainter painter(&image);
    paintStudioCheckerboard(painter, QRectF(0, 0, 1e5, 1e5), 1e-6, Qt::white, Qt::black);
    painter.end();
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST(StudioTrackSlider, DragSnapsToMultiplesOfTheStepFromZeroAndClampsToTheRange)
{
    StudioTrackSlider slider(1, 2, 0.3);
    showAtWidth(slider, travelWidth);
    EXPECT_EQ(slider.height(), 20);
    slider.setValue(1.5);
    QSignalSpy edits(&slider, &StudioTrackSlider::valueEdited);
    EXPECT_EQ(edits.count(), 0); // the owner's value is not echoed

    // 25 % is 1.25, which snaps to 1.2 (4 × 0.3), not to 1.3 (1 + 0.3).
    drag(slider, {7 + 50, 7 + 51, 7 + 52});
    ASSERT_EQ(edits.count(), 1);
    EXPECT_NEAR(values(edits)[0], 1.2, 1e-12);

    edits.clear();
    QList<int> sweep;
    for (int x = -40; x <= travelWidth + 40; ++x) sweep << x;
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(sweep.first(), 10));
    for (int x : sweep) QTest::mouseMove(&slider, QPoint(x, 10));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(sweep.last(), 10));
    const QList<double> written = values(edits);
    // Each value once, in order: the bounds and the multiples of 0.3 between them.
    const QList<double> expected{1, 1.2, 1.5, 1.8, 2};
    ASSERT_EQ(written.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) EXPECT_NEAR(written[i], expected[i], 1e-12);
    EXPECT_EQ(written.first(), 1.0);
    EXPECT_EQ(written.last(), 2.0);
    EXPECT_EQ(slider.value(), 2.0);
    EXPECT_DOUBLE_EQ(slider.fraction(), 1.0);

    // Keys step the same way.
    edits.clear();
    QTest::keyClick(&slider, Qt::Key_Left);
    QTest::keyClick(&slider, Qt::Key_Down);
    QTest::keyClick(&slider, Qt::Key_Up);
    EXPECT_EQ(edits.count(), 3);
    EXPECT_NEAR(slider.value(), 1.8, 1e-12);
}

TEST(StudioTrackSlider, LadderLightsWholeCellsAndDragsAcrossItsFullWidth)
{
    StudioTrackSlider slider(0, 8, 1.0, std::nullopt, 8);
    showAtWidth(slider, 200);
    EXPECT_EQ(slider.drawnCells(), 8);
    EXPECT_EQ(slider.litCells(), 0);
    slider.setValue(3);
    EXPECT_EQ(slider.litCells(), 3);
    slider.setValue(8);
    EXPECT_EQ(slider.litCells(), 8);
    slider.setValue(0);

    QSignalSpy edits(&slider, &StudioTrackSlider::valueEdited);
    drag(slider, {80}); // 40 %: 3.2
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(values(edits)[0], 3.0);
    EXPECT_EQ(slider.litCells(), 3);
    drag(slider, {199, 400});
    EXPECT_EQ(values(edits).last(), 8.0);

    // Cells that would be under a pixel are merged: the ladder stays as cheap as its width.
    StudioTrackSlider ladder(0, 1'000'000, 1.0, std::nullopt, 1'000'000);
    showAtWidth(ladder, 300);
    EXPECT_GT(ladder.drawnCells(), 0);
    EXPECT_LE(ladder.drawnCells(), 300);
    ladder.setValue(500'000);
    EXPECT_EQ(ladder.litCells(), 500'000);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ladder.grab().isNull());
    EXPECT_LT(clock.elapsed(), 2000);

    for (int cells : {0, -5}) {
        StudioTrackSlider none(0, 8, 1.0, std::nullopt, cells);
        showAtWidth(none, 200);
        none.setValue(5);
        EXPECT_EQ(none.drawnCells(), 0);
        EXPECT_EQ(none.litCells(), 0);
        EXPECT_FALSE(none.grab().isNull());
    }
}

TEST(StudioTrackSlider, AccessibilityStepsByTheStepOrATwentiethInTheUsersLocale)
{
    StudioTrackSlider slider(0, 100);
    slider.setValue(50);
    QSignalSpy edits(&slider, &StudioTrackSlider::valueEdited);
    increase(slider);
    EXPECT_EQ(values(edits), QList<double>{55});
    EXPECT_EQ(accessible(slider)->text(QAccessible::Value), QStringLiteral("55.00"));
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(accessible(slider)->text(QAccessible::Value), QStringLiteral("55,00"));
    QLocale::setDefault(before);
    slider.setValue(99);
    increase(slider);
    EXPECT_EQ(slider.value(), 100.0);
    increase(slider); // already at the top: nothing new to write
    EXPECT_EQ(edits.count(), 2);

    StudioTrackSlider stepped(0, 1, 0.25);
    stepped.setValue(0.3);
    QSignalSpy steppedEdits(&stepped, &StudioTrackSlider::valueEdited);
    increase(stepped); // 0.55 snaps to 0.5
    decrease(stepped);
    decrease(stepped);
    decrease(stepped);
    EXPECT_EQ(values(steppedEdits), (QList<double>{0.5, 0.25, 0.0}));
}

TEST(StudioTrackSlider, FaultyInputsNeverWriteAnythingNonFinite)
{
    // Steps of 0, below 0 or not a number snap nothing and do not adjust.
    for (double step : {0.0, -0.3, notANumber, infinity}) {
        StudioTrackSlider slider(0, 1, step);
        showAtWidth(slider, travelWidth);
        slider.setValue(0.5);
        QSignalSpy edits(&slider, &StudioTrackSlider::valueEdited);
        increase(slider);
        decrease(slider);
        QTest::keyClick(&slider, Qt::Key_Right);
        EXPECT_EQ(edits.count(), 0) << step;
        drag(slider, {7 + 33});
        ASSERT_EQ(edits.count(), 1) << step;
        EXPECT_DOUBLE_EQ(values(edits)[0], 0.165) << step;
    }

    // A value that is not a number sits at the start and lights nothing;
    // adjusting it starts from the lower bound.
    StudioTrackSlider ladder(2, 10, 1.0, std::nullopt, 8);
    ladder.setValue(notANumber);
    EXPECT_EQ(ladder.fraction(), 0);
    EXPECT_EQ(ladder.litCells(), 0);
    QSignalSpy ladderEdits(&ladder, &StudioTrackSlider::valueEdited);
    increase(ladder);
    EXPECT_EQ(values(ladderEdits), QList<double>{3});

    // Reversed and empty ranges collapse to the lower bound.
    for (auto [lower, upper] : {std::pair{5.0, 1.0}, std::pair{3.0, 3.0}}) {
        StudioTrackSlider slider(lower, upper);
        showAtWidth(slider, travelWidth);
        slider.setValue(upper);
        EXPECT_EQ(slider.fraction(), 0);
        QSignalSpy edits(&slider, &StudioTrackSlider::valueEdited);
        drag(slider, {150, 0, 300});
        increase(slider);
        decrease(slider);
        for (double v : values(edits)) EXPECT_EQ(v, lower);
        EXPECT_EQ(slider.value(), lower);
    }

    // Unbounded ranges and a NaN value never produce a NaN or an infinity.
    StudioTrackSlider unbounded(-infinity, infinity);
    showAtWidth(unbounded, travelWidth);
    unbounded.setValue(notANumber);
    QSignalSpy unboundedEdits(&unbounded, &StudioTrackSlider::valueEdited);
    drag(unbounded, {0, 7, 100, 300});
    increase(unbounded);
    decrease(unbounded);
    for (double v : values(unboundedEdits)) EXPECT_TRUE(std::isfinite(v)) << v;
    EXPECT_FALSE(unbounded.grab().isNull());
}

TEST(StudioParameterRow, LaysOutTheLabelSliderAndReadoutAndFollowsItsValue)
{
    StudioParameterRow row(QStringLiteral("Atraso"), 1234.5, 0, 2000, 0.5, StudioValueFormat::decimal(2),
                           std::nullopt, std::nullopt, 84);
    showAtWidth(row, 400);
    EXPECT_EQ(row.accessibleName(), QStringLiteral("Atraso"));
    EXPECT_EQ(row.label()->width(), 84);
    EXPECT_EQ(row.readoutText(), QStringLiteral("1.234,50"));
    // Wider than the 44 the format keeps: the read-out grows rather than cut digits.
    EXPECT_GE(row.readoutWidth(), QFontMetrics(studioReadoutLarge()).horizontalAdvance(row.readoutText()));
    EXPECT_EQ(row.slider()->thumbSize(), 14);
    EXPECT_EQ(row.slider()->trackHeight(), 6);
    EXPECT_EQ(row.slider()->cellHeight(), 10);

    QSignalSpy edits(&row, &StudioParameterRow::valueEdited);
    row.setValue(0.35);
    EXPECT_EQ(row.readoutText(), QStringLiteral("0,35"));
    EXPECT_EQ(edits.count(), 0);
    drag(*row.slider(), {-10});
    EXPECT_EQ(values(edits), QList<double>{0});
    EXPECT_EQ(row.readoutText(), QStringLiteral("0,00"));

    StudioParameterRow pixels(QStringLiteral("Raio"), 12, 0, 40, std::nullopt, StudioValueFormat::pixels());
    EXPECT_EQ(pixels.readoutWidth(), 58);
    const QList<std::pair<StudioValueFormat, double>> readouts{{StudioValueFormat::milliseconds(), 12.6},
                                                                {StudioValueFormat::seconds(), 5},
                                                                {StudioValueFormat::percent(), 0.5},
                                                                {StudioValueFormat::percentFine(), 0.125},
                                                                {StudioValueFormat::milliseconds(), 1500}};
    const QStringList texts{"13 ms", "5 s", "50%", "12,5%", "1.500 ms"};
    for (qsizetype i = 0; i < readouts.size(); ++i) {
        StudioParameterRow shown(QStringLiteral("X"), readouts[i].second, 0, 5000, std::nullopt, readouts[i].first);
        EXPECT_EQ(shown.readoutText(), texts[i]);
        // The format's width, unless the text needs more: no digit is ever cut off.
        const int textWidth = QFontMetrics(studioReadoutLarge()).horizontalAdvance(texts[i]);
        if (textWidth + 2 < readouts[i].first.readoutWidth())
            EXPECT_EQ(shown.readoutWidth(), readouts[i].first.readoutWidth()) << texts[i].toStdString();
        else
            EXPECT_GE(shown.readoutWidth(), textWidth) << texts[i].toStdString();
    }
    EXPECT_GT(StudioParameterRow(QStringLiteral("X"), 1500, 0, 5000, std::nullopt, StudioValueFormat::milliseconds())
                  .readoutWidth(),
              StudioValueFormat::milliseconds().readoutWidth());
}

TEST(StudioParameterRow, IntegerRowWritesRoundedWholeNumbersWithoutOverflow)
{
    EXPECT_EQ(studioRoundedInteger(2.5, 0, 8), 3);
    EXPECT_EQ(studioRoundedInteger(-2.5, -8, 8), -3);
    EXPECT_EQ(studioRoundedInteger(2.49, 0, 8), 2);
    EXPECT_EQ(studioRoundedInteger(9.7, 0, 8), 8);
    EXPECT_EQ(studioRoundedInteger(notANumber, 0, 8), std::nullopt);
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    constexpr qint64 least = std::numeric_limits<qint64>::min();
    EXPECT_EQ(studioRoundedInteger(infinity, least, most), most);
    EXPECT_EQ(studioRoundedInteger(-infinity, least, most), least);
    EXPECT_EQ(studioRoundedInteger(9.3e18, least, most), most);
    EXPECT_EQ(studioRoundedInteger(4, 7, 2), 7);
    EXPECT_EQ(studioIntegerCellCount(0, 8), 8);
    EXPECT_EQ(studioIntegerCellCount(8, 0), 0);
    EXPECT_EQ(studioIntegerCellCount(least, most), INT_MAX);
    EXPECT_EQ(studioIntegerCellCount(most - 3, most), 3);

    std::unique_ptr<StudioParameterRow> row(StudioParameterRow::forInteger(QStringLiteral("Amostras"), 0, 0, 8));
    EXPECT_TRUE(row->isInteger());
    EXPECT_EQ(row->slider()->discreteCells(), 8);
    EXPECT_EQ(row->slider()->step(), 1.0);
    EXPECT_EQ(row->readoutText(), QStringLiteral("0"));
    showAtWidth(*row, 400);
    QSignalSpy ints(row.get(), &StudioParameterRow::intValueEdited);
    QSignalSpy doubles(row.get(), &StudioParameterRow::valueEdited);
    const int width = row->slider()->width();
    drag(*row->slider(), {int(width * 0.4), int(width * 0.41)});
    ASSERT_EQ(ints.count(), 1);
    EXPECT_EQ(ints.at(0).at(0).toLongLong(), 3);
    EXPECT_EQ(doubles.count(), 0);
    EXPECT_EQ(row->readoutText(), QStringLiteral("3"));
    EXPECT_EQ(row->slider()->litCells(), 3);

    // Near the ends of the 64-bit range the slider's doubles still land on valid whole numbers.
    std::unique_ptr<StudioParameterRow> huge(StudioParameterRow::forInteger(QStringLiteral("Tudo"), 0, least, most));
    EXPECT_EQ(huge->slider()->discreteCells(), INT_MAX);
    showAtWidth(*huge, 400);
    QSignalSpy hugeInts(huge.get(), &StudioParameterRow::intValueEdited);
    drag(*huge->slider(), {huge->slider()->width() + 50, -50});
    ASSERT_EQ(hugeInts.count(), 2);
    EXPECT_EQ(hugeInts.at(0).at(0).toLongLong(), most);
    EXPECT_EQ(hugeInts.at(1).at(0).toLongLong(), least);
    EXPECT_FALSE(huge->grab().isNull());
}
