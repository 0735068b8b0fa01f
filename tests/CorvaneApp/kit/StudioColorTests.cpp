#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <cmath>
#include <limits>

#include "CorvaneApp/kit/internal/ColorSpectrumPicker.hpp"
#include "CorvaneApp/kit/StudioColorRow.hpp"
#include "CorvaneApp/kit/internal/StudioColorSwatch.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;
using Channel = ColorSpectrumPicker::Channel;

namespace {

QList<double> values(const QSignalSpy& spy)
{
    QList<double> out;
    for (const auto& arguments : spy) out << arguments.at(0).toDouble();
    return out;
}

void nudge(QWidget& widget, const QString& action)
{
    QAccessibleInterface* interface = QAccessible::queryAccessibleInterface(&widget);
    ASSERT_NE(interface, nullptr);
    ASSERT_NE(interface->actionInterface(), nullptr);
    interface->actionInterface()->doAction(action);
}

} // namespace

TEST(StudioColorSwatch, ShowsTheCheckerboardOnlyBelowFullOpacity)
{
    QImage image(26, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paintStudioColorSwatch(painter, image.rect(), Qt::red, 0);
    }
    // Squares of 3 from a dark top-left one; the clear colour hides nothing.
    const QColor dark = image.pixelColor(7, 7);
    const QColor light = image.pixelColor(10, 7);
    EXPECT_NEAR(dark.redF(), 0.3, 0.01);
    EXPECT_NEAR(light.redF(), 0.44, 0.01);
    EXPECT_EQ(dark.red(), dark.blue());

    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paintStudioColorSwatch(painter, image.rect(), Qt::red, 1);
    }
    EXPECT_EQ(image.pixelColor(7, 7), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(10, 7), QColor(Qt::red));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0); // the rounded corner
}

TEST(StudioColorRow, OffersAnOpacityRowAndCheckerboardOnlyWithAnOpacity)
{
    StudioColorRow plain(QStringLiteral("Fundo"), 0.5, 0.4, 0.8);
    EXPECT_EQ(plain.value(), std::nullopt);
    EXPECT_EQ(plain.accessory(), plain.swatch());
    EXPECT_EQ(plain.swatch()->size(), QSize(26, 20));
    EXPECT_EQ(plain.swatch()->opacity(), 1);
    EXPECT_FALSE(plain.swatch()->showsCheckerboard());
    EXPECT_EQ(plain.picker()->rowCount(), 3);
    EXPECT_EQ(plain.picker()->slider(Channel::opacity), nullptr);
    EXPECT_NE(plain.picker()->field(), nullptr);

    StudioColorRow translucent(QStringLiteral("Grade"), 0.5, 0.4, 0.8, 0.35);
    EXPECT_TRUE(translucent.swatch()->showsCheckerboard());
    EXPECT_EQ(translucent.picker()->rowCount(), 4);
    ASSERT_NE(translucent.picker()->slider(Channel::opacity), nullptr);
    // Opacity reads as a percentage unless told otherwise.
    EXPECT_EQ(translucent.picker()->readoutText(Channel::opacity), QStringLiteral("35%"));
    EXPECT_EQ(translucent.picker()->slider(Channel::opacity)->track(),
              StudioSliderTrack::alpha(studioHsbColor(0.5, 0.4, 0.8)));

    // Edits in the picker come out of the row, and the swatch follows at once.
    QSignalSpy opacities(&translucent, &StudioColorRow::opacityEdited);
    QSignalSpy brightnesses(&translucent, &StudioColorRow::brightnessEdited);
    translucent.picker()->slider(Channel::opacity)->resize(214, 20);
    QTest::mousePress(translucent.picker()->slider(Channel::opacity), Qt::LeftButton, {}, QPoint(500, 10));
    QTest::mouseRelease(translucent.picker()->slider(Channel::opacity), Qt::LeftButton, {}, QPoint(500, 10));
    EXPECT_EQ(values(opacities), QList<double>{1});
    EXPECT_FALSE(translucent.swatch()->showsCheckerboard());
    nudge(*translucent.picker()->slider(Channel::brightness), QAccessibleActionInterface::decreaseAction());
    ASSERT_EQ(brightnesses.count(), 1);
    EXPECT_NEAR(translucent.brightness(), 0.798, 1e-12);
    EXPECT_EQ(translucent.swatch()->color(), studioHsbColor(0.5, 0.4, 0.798));
    EXPECT_EQ(translucent.picker()->largeSwatchColor(), studioHsbColor(0.5, 0.4, 0.798));

    // The caller's values arrive without echo.
    translucent.setHue(0.1);
    EXPECT_EQ(translucent.picker()->hue(), 0.1);
    EXPECT_EQ(translucent.picker()->field()->hue(), 0.1);
    EXPECT_EQ(translucent.swatch()->color(), studioHsbColor(0.1, 0.4, 0.798));
    EXPECT_EQ(opacities.count() + brightnesses.count(), 2);
}

TEST(ColorSpectrumPicker, ReadsOutAndRetintsItsRows)
{
    ColorSpectrumPicker picker(0.5, 0.255, 0.5, std::nullopt, StudioValueFormat::percent(), QStringLiteral("Cor"));
    EXPECT_EQ(picker.readoutText(Channel::hue), QStringLiteral("180"));
    EXPECT_EQ(picker.readoutText(Channel::saturation), QStringLiteral("26"));
    EXPECT_EQ(picker.readoutText(Channel::brightness), QStringLiteral("50,0%"));
    EXPECT_EQ(picker.slider(Channel::hue)->step(), 0.01);
    EXPECT_EQ(picker.slider(Channel::brightness)->step(), 0.002);
    EXPECT_EQ(picker.slider(Channel::hue)->track(), StudioSliderTrack::hue());
    EXPECT_EQ(picker.slider(Channel::saturation)->track(), StudioSliderTrack::saturation(0.5, 0.5));

    QSignalSpy hues(&picker, &ColorSpectrumPicker::hueEdited);
    nudge(*picker.slider(Channel::hue), QAccessibleActionInterface::increaseAction());
    ASSERT_EQ(hues.count(), 1);
    EXPECT_NEAR(picker.hue(), 0.51, 1e-12);
    EXPECT_EQ(picker.readoutText(Channel::hue), QStringLiteral("184"));
    EXPECT_EQ(picker.slider(Channel::saturation)->track(), StudioSliderTrack::saturation(picker.hue(), 0.5));
    EXPECT_EQ(picker.slider(Channel::brightness)->track(), StudioSliderTrack::brightness(picker.hue(), 0.255));

    picker.setHue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(picker.readoutText(Channel::hue), QStringLiteral("—"));
    EXPECT_EQ(picker.color(), studioHsbColor(0, 0.255, 0.5));
}

TEST(ColorSpectrumField, DragWritesHueThenSaturationWithinTheField)
{
    ColorSpectrumPicker picker(0.5, 0.5, 1);
    ColorSpectrumField* field = picker.field();
    picker.resize(280, picker.sizeHint().height());
    picker.show();
    ASSERT_EQ(field->height(), 132);
    const int w = field->width();
    QStringList order;
    QObject::connect(&picker, &ColorSpectrumPicker::hueEdited, [&](double) { order << "hue"; });
    QObject::connect(&picker, &ColorSpectrumPicker::saturationEdited, [&](double) { order << "saturation"; });

    QTest::mousePress(field, Qt::LeftButton, {}, QPoint(-30, -30));
    EXPECT_EQ(order, (QStringList{"hue", "saturation"}));
    EXPECT_EQ(picker.hue(), 0);
    EXPECT_EQ(picker.saturation(), 0);
    EXPECT_EQ(field->markerCentre(), QPointF(7, 7));
    QTest::mouseMove(field, QPoint(w + 40, 400));
    EXPECT_EQ(picker.hue(), 1);
    EXPECT_EQ(picker.saturation(), 1);
    EXPECT_EQ(field->markerCentre(), QPointF(w - 7, 132 - 7));
    QTest::mouseMove(field, QPoint(w / 4, 33));
    QTest::mouseRelease(field, Qt::LeftButton, {}, QPoint(w / 4, 33));
    EXPECT_DOUBLE_EQ(picker.hue(), double(w / 4) / w);
    EXPECT_DOUBLE_EQ(picker.saturation(), 0.25);
    EXPECT_EQ(picker.readoutText(Channel::saturation), QStringLiteral("25"));
    EXPECT_EQ(picker.brightness(), 1); // untouched

    // A field with no width yet writes hue 0 instead of dividing by zero.
    ColorSpectrumField bare;
    bare.setHue(0.5);
    bare.resize(0, 132);
    QSignalSpy bareHues(&bare, &ColorSpectrumField::hueEdited);
    QTest::mousePress(&bare, Qt::LeftButton, {}, QPoint(5, 66));
    EXPECT_EQ(values(bareHues), QList<double>{0});
    EXPECT_DOUBLE_EQ(bare.saturation(), 0.5);
}

TEST(ColorSpectrumField, AccessibilityTurnsTheHueRoundTheCircle)
{
    ColorSpectrumField field;
    QAccessibleInterface* interface = QAccessible::queryAccessibleInterface(&field);
    ASSERT_NE(interface, nullptr);
    EXPECT_EQ(interface->text(QAccessible::Name), QStringLiteral("Espectro de cor"));
    field.setHue(0.5);
    field.setSaturation(0.257);
    EXPECT_EQ(interface->text(QAccessible::Value), QStringLiteral("Matiz 180 graus, saturação 25 por cento"));

    QSignalSpy hues(&field, &ColorSpectrumField::hueEdited);
    QSignalSpy saturations(&field, &ColorSpectrumField::saturationEdited);
    field.setHue(0.99);
    nudge(field, QAccessibleActionInterface::increaseAction());
    EXPECT_NEAR(field.hue(), 0.01, 1e-12);
    field.setHue(0.01);
    nudge(field, QAccessibleActionInterface::decreaseAction());
    EXPECT_NEAR(field.hue(), 0.99, 1e-12);
    field.setHue(0.98);
    nudge(field, QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(field.hue(), 0.0);
    field.setHue(std::numeric_limits<double>::quiet_NaN());
    nudge(field, QAccessibleActionInterface::increaseAction());
    EXPECT_NEAR(field.hue(), 0.02, 1e-12);
    EXPECT_EQ(hues.count(), 4);
    EXPECT_EQ(saturations.count(), 0);
    for (double hue : values(hues)) {
        EXPECT_GE(hue, 0);
        EXPECT_LT(hue, 1);
    }
}

TEST(StudioColorRow, ClickOpensThePickerBesideTheSwatchAndAClickOnTheRowClosesIt)
{
    QWidget window;
    window.resize(320, 60);
    auto row = new StudioColorRow(QStringLiteral("Fundo"), 0.1, 0.6, 0.9, std::nullopt, StudioValueFormat::percent(),
                                  &window);
    row->setGeometry(10, 10, 300, 28);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(row->isPickerPresented());

    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(40, 14));
    ASSERT_TRUE(processEventsUntil([&] { return row->isPickerPresented(); }));
    QWidget* popover = row->popover();
    EXPECT_TRUE(popover->isWindow());
    EXPECT_EQ(row->picker()->width(), 280);
    EXPECT_EQ(popover->width(), 280 + 2 * 14);
    const QRect swatch(row->swatch()->mapToGlobal(QPoint(0, 0)), row->swatch()->size());
    EXPECT_GT(popover->geometry().left(), swatch.right());

    // A press outside a pop-up goes to the pop-up, which closes; Qt then
    // replays it to the widget beneath unless told not to. Landing on the
    // row, the replay would click the row and open the picker again, so the
    // press must close it and stop there. (The offscreen platform never
    // replays, so what is checked is the pop-up's refusal.)
    QSignalSpy rowPresses(row, &QAbstractButton::pressed);
    const QPoint onRow = row->mapToGlobal(QPoint(40, 14));
    QTest::mousePress(popover, Qt::LeftButton, {}, popover->mapFromGlobal(onRow));
    EXPECT_FALSE(row->isPickerPresented());
    EXPECT_TRUE(popover->testAttribute(Qt::WA_NoMouseReplay));
    QTest::mouseRelease(row, Qt::LeftButton, {}, QPoint(40, 14));
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_FALSE(row->isPickerPresented());
    EXPECT_EQ(rowPresses.count(), 0);

    // A press anywhere else closes it and is passed on.
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(40, 14));
    ASSERT_TRUE(processEventsUntil([&] { return row->isPickerPresented(); }));
    QTest::mousePress(popover, Qt::LeftButton, {}, popover->mapFromGlobal(window.mapToGlobal(QPoint(5, 50))));
    EXPECT_FALSE(row->isPickerPresented());
    EXPECT_FALSE(popover->testAttribute(Qt::WA_NoMouseReplay));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(5, 50));

    // Opening again, and a click that reaches the row itself toggles it shut.
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(40, 14));
    ASSERT_TRUE(processEventsUntil([&] { return row->isPickerPresented(); }));
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(40, 14));
    processEventsFor(std::chrono::milliseconds(50));
    EXPECT_FALSE(row->isPickerPresented());
}
