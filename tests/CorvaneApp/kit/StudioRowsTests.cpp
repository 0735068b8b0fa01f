#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <cmath>

#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioScrollColumn.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/StudioStepperRow.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;

namespace {

// The widget drawn alone over opaque black, so a fill of opacity a shows as a × its colour.
QImage renderedOverBlack(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// The largest value of one channel over the whole image.
int brightest(const QImage& image, int (QColor::*channel)() const)
{
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) most = std::max(most, (image.pixelColor(x, y).*channel)());
    return most;
}

} // namespace

TEST(StudioSection, HeaderStaysTwentyHighAndHoldsTheAccessoryWithoutTitleOrInfo)
{
    auto accessory = new QLabel(QStringLiteral("x"));
    StudioSection bare(std::nullopt, std::nullopt, new QWidget, accessory);
    bare.resize(240, 120);
    bare.show();
    EXPECT_EQ(bare.header()->height(), 20);
    EXPECT_EQ(accessory->parentWidget(), bare.header());
    EXPECT_TRUE(accessory->isVisible());
    EXPECT_EQ(bare.titleLabel(), nullptr);
    EXPECT_FALSE(bare.infoLabel()->isVisible());
    // The spacer pushes the accessory to the right end; the stack is padded by 4 and spaced by 12.
    EXPECT_EQ(accessory->geometry().right(), bare.header()->width() - 1);
    EXPECT_EQ(bare.header()->y(), 4);
    EXPECT_EQ(bare.content()->y(), 4 + 20 + 12);

    StudioSection titled(QStringLiteral("Mãos"), QStringLiteral("12"), new QWidget);
    titled.show();
    EXPECT_EQ(titled.header()->height(), 20);
    ASSERT_NE(titled.titleLabel(), nullptr);
    EXPECT_EQ(titled.titleLabel()->text(), QStringLiteral("MÃOS"));
    EXPECT_NEAR(titled.titleLabel()->tracking(), 0.7, 1.0 / 32); // fonts keep spacing in 64ths
    EXPECT_EQ(titled.infoLabel()->text(), QStringLiteral("12"));
    titled.setInfoText(std::nullopt);
    EXPECT_FALSE(titled.infoLabel()->isVisible());
    titled.setInfoText(QStringLiteral("3"));
    EXPECT_TRUE(titled.infoLabel()->isVisible());
    EXPECT_EQ(titled.infoText(), QStringLiteral("3"));
}

TEST(StudioChipButton, FillAndTextFollowTheGivenStateAndTheAccent)
{
    QWidget host;
    const QColor accent(0, 200, 100);
    setStudioAccent(&host, accent);
    StudioChipButton resting(QStringLiteral("Tocar"), 22, std::nullopt, &host);
    StudioChipButton selected(QStringLiteral("Tocar"), 22, true, &host);
    StudioChipButton unselected(QStringLiteral("Tocar"), 22, false, &host);
    EXPECT_EQ(resting.height(), 22);
    EXPECT_EQ(resting.width(), resting.sizeHint().width());

    // A point of the padding, clear of the rounded corners and of the label.
    const auto fillGreen = [](StudioChipButton& chip) {
        return renderedOverBlack(chip).pixelColor(3, chip.height() / 2).green();
    };
    EXPECT_NEAR(fillGreen(resting), 0.055 * 200, 1.5);
    EXPECT_NEAR(fillGreen(selected), 0.22 * 200, 1.5);
    EXPECT_NEAR(fillGreen(unselected), 0.055 * 200, 1.5);
    selected.setDown(true);
    EXPECT_NEAR(fillGreen(selected), 0.3 * 200, 1.5);
    selected.setDown(false);

    // The accent has no red: red in the label means the tertiary (white) text.
    EXPECT_LT(brightest(renderedOverBlack(resting), &QColor::red), 8);
    EXPECT_GT(brightest(renderedOverBlack(resting), &QColor::green), 100);
    EXPECT_LT(brightest(renderedOverBlack(selected), &QColor::red), 8);
    EXPECT_GT(brightest(renderedOverBlack(unselected), &QColor::red), 40);

    // Disabled: drawn at 0.4 and deaf to the pointer.
    host.show();
    selected.setEnabled(false);
    EXPECT_NEAR(fillGreen(selected), 0.4 * 0.22 * 200, 1.5);
    QSignalSpy disabledClicks(&selected, &QAbstractButton::clicked);
    QTest::mouseClick(&selected, Qt::LeftButton, {}, selected.rect().center());
    EXPECT_TRUE(disabledClicks.isEmpty());
}

TEST(StudioChipButton, ClicksNeverSelectAndSymbolChipsAreNamedByTheirHelp)
{
    StudioChipButton chip(QStringLiteral("Loop"), 20, false);
    chip.show();
    QSignalSpy clicks(&chip, &QAbstractButton::clicked);
    QTest::mouseClick(&chip, Qt::LeftButton, {}, chip.rect().center());
    QTest::mouseClick(&chip, Qt::LeftButton, {}, chip.rect().center());
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_FALSE(chip.isCheckable());
    EXPECT_FALSE(chip.isChecked());
    EXPECT_EQ(chip.isSelected(), false);
    EXPECT_NEAR(renderedOverBlack(chip).pixelColor(3, 10).red(), 0.055 * 255, 1.5);
    chip.setSelected(true);
    EXPECT_NEAR(renderedOverBlack(chip).pixelColor(3, 10).red(), 0.22 * 255, 1.5);

    auto named = [](QWidget& widget) { return QAccessible::queryAccessibleInterface(&widget)->text(QAccessible::Name); };
    EXPECT_EQ(named(chip), QStringLiteral("Loop"));
    chip.setText(QStringLiteral("Repetir"));
    EXPECT_EQ(named(chip), QStringLiteral("Repetir"));

    StudioChipButton symbol(StudioChipButton::Symbol{QStringLiteral("trash")}, 19);
    symbol.setHelp(QStringLiteral("Apagar"));
    EXPECT_EQ(symbol.systemImage(), QStringLiteral("trash"));
    EXPECT_EQ(symbol.property("systemImage").toString(), QStringLiteral("trash"));
    EXPECT_EQ(symbol.toolTip(), QStringLiteral("Apagar"));
    EXPECT_EQ(named(symbol), QStringLiteral("Apagar"));
}

TEST(StudioMenuRow, LongValuesEndInAnEllipsisWithinTheirWidthInBothForms)
{
    const QString longValue = QStringLiteral("Piano de cauda com ressonância longa e brilho");
    for (const bool compact : {true, false}) {
        SCOPED_TRACE(compact ? "compact" : "plain");
        StudioMenuRow row(QStringLiteral("Instrumento"), longValue, Qt::red, compact, 90);
        row.resize(400, 40);
        row.show();
        const QString shown = row.shownValue();
        EXPECT_TRUE(shown.endsWith(QStringLiteral("…"))) << shown.toStdString();
        EXPECT_LE(QFontMetricsF(studioCallout()).horizontalAdvance(shown), 90);
        EXPECT_LE(row.valueButton()->width(), 90 + (compact ? 20 : 0) + 1);
        // The value sits at the trailing end, the title is not squeezed.
        EXPECT_EQ(row.valueButton()->geometry().right(), row.width() - 1);
        EXPECT_EQ(row.titleLabel()->width(), row.titleLabel()->sizeHint().width());

        row.setValue(QStringLiteral("Órgão"));
        EXPECT_EQ(row.value(), QStringLiteral("Órgão"));
        EXPECT_TRUE(processEventsUntil([&] { return row.shownValue() == QStringLiteral("Órgão"); },
                                       std::chrono::seconds(1)));
    }
}

TEST(StudioMenuRow, EditorChipFadesInAndOutAndAsksTheScreenToOpenTheEditor)
{
    StudioMenuRow row(QStringLiteral("Instrumento"), QStringLiteral("Piano"), Qt::red, false, 120);
    int opened = 0;
    row.setOpenEditor([&] { ++opened; });
    row.resize(400, 40);
    row.show();
    StudioChipButton* chip = row.editorButton();
    EXPECT_TRUE(chip->isHidden());
    EXPECT_EQ(chip->systemImage(), QStringLiteral("macwindow"));
    EXPECT_EQ(chip->toolTip(), QStringLiteral("Abrir interface do instrumento"));

    row.setActiveInstrumentHasUserInterface(true);
    EXPECT_TRUE(chip->isVisible());
    EXPECT_LT(row.editorOpacity(), 1.0);
    EXPECT_TRUE(processEventsUntil([&] { return row.editorOpacity() == 1.0; }, std::chrono::seconds(2)));
    EXPECT_EQ(chip->height(), 19);
    EXPECT_EQ(chip->x(), row.titleLabel()->geometry().right() + 1 + 4);
    QTest::mouseClick(chip, Qt::LeftButton, {}, chip->rect().center());
    EXPECT_EQ(opened, 1);

    row.setActiveInstrumentHasUserInterface(false);
    EXPECT_TRUE(chip->isVisible()); // still fading out
    QTest::mouseClick(chip, Qt::LeftButton, {}, chip->rect().center());
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(processEventsUntil([&] { return chip->isHidden(); }, std::chrono::seconds(2)));
    EXPECT_EQ(row.editorOpacity(), 0.0);

    // The row made with the editor already there shows it without a fade.
    StudioMenuRow shown(QStringLiteral("Instrumento"), QStringLiteral("Piano"), Qt::red, true, 120, true);
    EXPECT_FALSE(shown.editorButton()->isHidden());
    EXPECT_EQ(shown.editorOpacity(), 1.0);
}

TEST(StudioMenuRow, ClickingTheValueOpensTheCallersMenuBelowIt)
{
    StudioMenuRow row(QStringLiteral("Saída"), QStringLiteral("Padrão"), Qt::red, true, 120);
    row.resize(300, 40);
    row.show();
    QMenu* menu = row.menu();
    ASSERT_NE(menu, nullptr);
    // An empty menu is not opened.
    QTest::mouseClick(row.valueButton(), Qt::LeftButton);
    EXPECT_FALSE(menu->isVisible());

    menu->addAction(QStringLiteral("Padrão"));
    menu->addAction(QStringLiteral("Fones"));
    QTest::mousePress(row.valueButton(), Qt::LeftButton);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(row.valueButton()->isDown());
    EXPECT_GE(menu->geometry().top(), row.valueButton()->mapToGlobal(QPoint(0, row.valueButton()->height())).y());
    menu->hide();

    auto given = new QMenu;
    row.setMenu(given);
    EXPECT_EQ(row.menu(), given);
    EXPECT_EQ(given->parent(), &row); // goes with the row
}

TEST(StudioStepperRow, NudgesByPlusOrMinusStepAndLeavesTheReadoutToTheCaller)
{
    std::vector<double> nudges;
    StudioStepperRow row(QStringLiteral("Transposição"), QStringLiteral("+2"), 0.5, 90,
                         [&](double amount) { nudges.push_back(amount); });
    row.show();
    EXPECT_EQ(row.titleLabel()->width(), 90);
    QTest::mouseClick(row.incrementButton(), Qt::LeftButton);
    QTest::mouseClick(row.decrementButton(), Qt::LeftButton);
    QTest::keyClick(&row, Qt::Key_Up);
    EXPECT_EQ(nudges, (std::vector<double>{0.5, -0.5, 0.5}));
    EXPECT_EQ(row.readout(), QStringLiteral("+2"));
    EXPECT_EQ(row.readoutLabel()->text(), QStringLiteral("+2"));

    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&row);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("Transposição"));
    EXPECT_EQ(access->text(QAccessible::Value), QStringLiteral("+2"));
    ASSERT_NE(access->actionInterface(), nullptr);
    nudges.clear();
    access->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    access->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(nudges, (std::vector<double>{0.5, -0.5}));
    row.setReadout(QStringLiteral("+3"));
    EXPECT_EQ(access->text(QAccessible::Value), QStringLiteral("+3"));

    // A step that is not a number never reaches the caller.
    nudges.clear();
    StudioStepperRow broken(QStringLiteral("Oitava"), QStringLiteral("0"), std::nan(""), 60,
                            [&](double amount) { nudges.push_back(amount); });
    broken.show();
    QTest::mouseClick(broken.incrementButton(), Qt::LeftButton);
    EXPECT_TRUE(nudges.empty());
}

TEST(StudioCapsLabel, ACutTitleIsItsTooltipAndAlwaysItsSpokenName)
{
    StudioFieldLabel label(QStringLiteral("Compasso inicial"));
    label.setFixedWidth(84);
    label.show();
    EXPECT_TRUE(label.isCut());
    EXPECT_EQ(label.toolTip(), QStringLiteral("Compasso inicial"));
    EXPECT_EQ(label.accessibleName(), QStringLiteral("Compasso inicial"));

    // Room enough: no tooltip repeats what is already read in full.
    label.setFixedWidth(label.sizeHint().width());
    EXPECT_FALSE(label.isCut());
    EXPECT_TRUE(label.toolTip().isEmpty());
    label.setFixedWidth(84);
    label.setTitle(QStringLiteral("Fim"));
    EXPECT_TRUE(label.toolTip().isEmpty());
    label.setTitle(QStringLiteral("Variação de cor"));
    EXPECT_EQ(label.toolTip(), QStringLiteral("Variação de cor"));
}

TEST(StudioChipButton, ASymbolBeforeTheTextWidensTheChipAndKeepsItsName)
{
    StudioChipButton plain(QStringLiteral("Escolher foto"), 24);
    StudioChipButton withSymbol(StudioChipButton::Symbol{QStringLiteral("photo.badge.plus")},
                                QStringLiteral("Escolher foto"), 24);
    EXPECT_EQ(withSymbol.systemImage(), QStringLiteral("photo.badge.plus"));
    EXPECT_EQ(withSymbol.text(), QStringLiteral("Escolher foto"));
    EXPECT_GT(withSymbol.sizeHint().width(), plain.sizeHint().width() + 10);
    EXPECT_EQ(withSymbol.sizeHint().height(), 24);
    EXPECT_FALSE(withSymbol.isSelected());
}

TEST(StudioScrollColumn, ThePanelBehindShowsThroughItsContent)
{
    QWidget panel;
    panel.resize(200, 200);
    QPalette red = panel.palette();
    red.setColor(QPalette::Window, QColor(120, 20, 20));
    panel.setPalette(red);
    panel.setAutoFillBackground(true);
    QVBoxLayout* column = nullptr;
    QScrollArea* area = makeStudioScrollColumn(&panel, column);
    area->setGeometry(10, 10, 180, 180);
    column->addWidget(new QLabel(QStringLiteral("Prática")));
    panel.show();
    EXPECT_FALSE(column->parentWidget()->autoFillBackground());
    EXPECT_EQ(panel.grab().toImage().pixelColor(100, 150), QColor(120, 20, 20));
}
