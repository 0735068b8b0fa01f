// Every shared control on one dark panel, on the X server of the test: the
// controls compose, lay out and draw together as the screens will use them.
#include <gtest/gtest.h>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/StudioColorRow.hpp"
#include "CorvaneApp/kit/internal/StudioColorSwatch.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/StudioSegmentedPicker.hpp"
#include "CorvaneApp/kit/StudioStepperRow.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;

namespace {

QWidget* column(std::initializer_list<QWidget*> widgets, int spacing = 8)
{
    auto box = new QWidget;
    auto stack = new QVBoxLayout(box);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(spacing);
    for (auto widget : widgets) stack->addWidget(widget);
    return box;
}

// Every named pictogram, a dozen to a line.
QWidget* symbols()
{
    auto box = new QWidget;
    auto grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(8);
    int i = 0;
    for (const auto& name : studioSymbolNames()) {
        auto label = new QLabel;
        label->setPixmap(studioSymbolIcon(name, 16, StudioAppearance::secondaryText()).pixmap(16, 16));
        label->setToolTip(name);
        grid->addWidget(label, i / 12, i % 12);
        ++i;
    }
    return box;
}

QWidget* chips()
{
    auto box = new QWidget;
    auto row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(new StudioChipButton(QStringLiteral("Ação"), 24));
    row->addWidget(new StudioChipButton(QStringLiteral("Escolhido"), 24, true));
    row->addWidget(new StudioChipButton(QStringLiteral("Outro"), 24, false));
    auto disabled = new StudioChipButton(QStringLiteral("Desligado"), 24, true);
    disabled->setEnabled(false);
    row->addWidget(disabled);
    auto symbol = new StudioChipButton(StudioChipButton::Symbol{QStringLiteral("trash")}, 24);
    symbol->setHelp(QStringLiteral("Apagar"));
    row->addWidget(symbol);
    row->addStretch();
    return box;
}

// The gallery: a panel with a section per control family, in a scroll area
// whose bars the kit hides.
struct Gallery {
    QWidget window;
    StudioColorRow* colorRow = nullptr;
    QScrollArea* scroll = nullptr;

    Gallery()
    {
        window.setAutoFillBackground(true);
        QPalette palette = StudioAppearance::darkPalette();
        palette.setColor(QPalette::Window, StudioAppearance::panel());
        window.setPalette(palette);
        window.resize(980, 760);
        auto outer = new QHBoxLayout(&window);
        outer->setContentsMargins(16, 16, 16, 16);
        outer->setSpacing(24);

        auto reset = new StudioChipButton(StudioChipButton::Symbol{QStringLiteral("arrow.counterclockwise")}, 19);
        reset->setHelp(QStringLiteral("Restaurar"));
        auto compact = new StudioMenuRow(QStringLiteral("Instrumento"),
                                         QStringLiteral("Piano de cauda com um nome muito comprido demais"),
                                         StudioAppearance::amber(), true, 150, true);
        compact->menu()->addAction(QStringLiteral("Piano"));
        auto plain = new StudioMenuRow(QStringLiteral("Saída"), QStringLiteral("Placa de som integrada analógica"),
                                       StudioAppearance::amber(), false, 140);
        auto stepper = new StudioStepperRow(QStringLiteral("Latência"), QStringLiteral("12 ms"), 1, 90, [](double) {});
        auto left = column({
            new StudioSection(QStringLiteral("Seção"), QStringLiteral("3 de 5"), chips(), reset),
            new StudioSection(QStringLiteral("Menus"), std::nullopt, column({compact, plain, stepper})),
            new StudioSection(QStringLiteral("Escolhas"), std::nullopt,
                              column({new StudioSwitch(QStringLiteral("Ativado")), new StudioSwitch(),
                                      new StudioSegmentedPicker({{QStringLiteral("Prática"), QStringLiteral("pianokeys")},
                                                                 {QStringLiteral("Visual"), QStringLiteral("sparkles")}},
                                                                1)})),
            new StudioSectionLabel(QStringLiteral("Rótulo de seção")),
            new StudioFieldLabel(QStringLiteral("Rótulo de campo")),
            new StudioSection(QStringLiteral("Símbolos"), std::nullopt, symbols()),
        });
        static_cast<QVBoxLayout*>(left->layout())->addStretch();
        qobject_cast<StudioSwitch*>(left->findChildren<StudioSwitch*>().front())->setChecked(true);

        auto rows = new QWidget;
        auto rowStack = new QVBoxLayout(rows);
        rowStack->setContentsMargins(0, 0, 0, 0);
        rowStack->setSpacing(6);
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Decimal"), 0.35, 0, 1, 0.01,
                                                   StudioValueFormat::decimal(2)));
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Percent"), 0.5, 0, 1, 0.01,
                                                   StudioValueFormat::percent()));
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Fino"), 0.125, 0, 1, 0.005,
                                                   StudioValueFormat::percentFine()));
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Pixels"), -160, -400, 400, 1,
                                                   StudioValueFormat::pixels()));
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Tempo"), 1500, 0, 2000, 1,
                                                   StudioValueFormat::milliseconds()));
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Segundos"), 5, 1, 30, 1,
                                                   StudioValueFormat::seconds()));
        rowStack->addWidget(StudioParameterRow::forInteger(QStringLiteral("Amostras"), 3, 0, 8));
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Matiz"), 0.3, 0, 1, 0.01,
                                                   StudioValueFormat::decimal(2), StudioSliderTrack::hue()));
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Saturação"), 0.6, 0, 1, 0.01,
                                                   StudioValueFormat::percent(),
                                                   StudioSliderTrack::saturation(0.3, 0.8)));
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Brilho"), 0.7, 0, 1, 0.01,
                                                   StudioValueFormat::percent(),
                                                   StudioSliderTrack::brightness(0.3, 0.6)));
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Opacidade"), 0.4, 0, 1, 0.01,
                                                   StudioValueFormat::percent(),
                                                   StudioSliderTrack::alpha(QColor(90, 200, 255))));
        rowStack->addWidget(new StudioParameterRow(QStringLiteral("Verde"), 0.55, 0, 1, 0.01,
                                                   StudioValueFormat::percent(),
                                                   StudioSliderTrack::accent(QColor(120, 220, 120))));
        colorRow = new StudioColorRow(QStringLiteral("Cor das notas"), 0.08, 0.7, 0.95, 0.6);
        rowStack->addWidget(colorRow);
        rowStack->addWidget(new StudioColorRow(QStringLiteral("Cor do grid"), 0.6, 0.3, 0.5));
        rowStack->addStretch();

        scroll = new QScrollArea;
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setWidget(rows);
        scroll->setMinimumWidth(560);
        scroll->viewport()->setAutoFillBackground(false);
        rows->setAutoFillBackground(false);
        outer->addWidget(left, 4);
        outer->addWidget(scroll, 6);
        hidingScrollers(&window);
    }
};

} // namespace

TEST(KitGallery, EveryControlDrawsOnOnePanelAndTheColourPickerOpensBesideItsRow)
{
    Gallery gallery;
    gallery.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&gallery.window));
    processEventsFor(std::chrono::milliseconds(300)); // fades and the scroll-bar pass

    EXPECT_EQ(gallery.scroll->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QTest::mouseClick(gallery.colorRow, Qt::LeftButton);
    ASSERT_TRUE(processEventsUntil([&] { return gallery.colorRow->isPickerPresented(); }));
    processEventsFor(std::chrono::milliseconds(200));
    const QWidget* popover = gallery.colorRow->popover();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isVisible());
    EXPECT_GE(popover->mapToGlobal(QPoint(0, 0)).x(),
              gallery.colorRow->swatch()->mapToGlobal(QPoint(gallery.colorRow->swatch()->width(), 0)).x() - 1);

    // The window and the open popover, as the screen shows them.
    QPixmap shot = gallery.window.screen()->grabWindow(0, gallery.window.geometry().x(), gallery.window.geometry().y(),
                                                       std::max(gallery.window.width(), popover->geometry().right() -
                                                                                            gallery.window.geometry().x() + 8),
                                                       gallery.window.height());
    EXPECT_TRUE(shot.save(QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/kit-gallery.png")));
    gallery.colorRow->togglePicker();
}
