#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest/QTest>

#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;

namespace {

bool barsOff(const QAbstractScrollArea& area)
{
    return area.verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff &&
           area.horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff;
}

// The properties of a scroll area from QFrame down, but for the two policies
// and the frame's rectangle, which follows the size.
QVariantMap otherProperties(const QAbstractScrollArea& area)
{
    QVariantMap values;
    const QMetaObject* meta = area.metaObject();
    for (int i = QFrame::staticMetaObject.propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const QByteArray name = property.name();
        if (name == "verticalScrollBarPolicy" || name == "horizontalScrollBarPolicy" || name == "frameRect") continue;
        values.insert(QString::fromLatin1(name), property.read(&area));
    }
    return values;
}

QWidget* tall()
{
    auto content = new QWidget;
    content->setFixedSize(150, 2000);
    return content;
}

} // namespace

TEST(HiddenScrollers, TurnsOffEveryScrollAreaOfTheWindowOneTurnAfterShowAndNothingElse)
{
    QWidget window;
    auto column = new QVBoxLayout(&window);
    auto panel = new QWidget; // where a screen would call hidingScrollers
    column->addWidget(panel);
    auto first = new QScrollArea;
    first->setWidget(tall());
    first->setFrameShape(QFrame::Box);
    first->setAlignment(Qt::AlignRight);
    first->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto second = new QPlainTextEdit(QStringLiteral("texto"));
    second->setReadOnly(true);
    auto outer = new QScrollArea;
    auto document = new QWidget;
    auto inner = new QListWidget(document);
    inner->setGeometry(0, 0, 120, 80);
    document->setFixedSize(400, 400);
    outer->setWidget(document);
    column->addWidget(first);
    column->addWidget(second);
    column->addWidget(outer);
    window.resize(300, 500);

    HiddenScrollers* helper = hidingScrollers(panel);
    EXPECT_EQ(hidingScrollers(panel), helper);
    EXPECT_EQ(helper->size(), QSize(0, 0));
    const std::vector<QAbstractScrollArea*> areas{first, second, outer, inner};
    std::vector<QVariantMap> before;
    for (auto area : areas) before.push_back(otherProperties(*area));

    window.show();
    EXPECT_FALSE(helper->isVisible());
    for (auto area : areas) EXPECT_FALSE(barsOff(*area)); // not in this turn
    QCoreApplication::processEvents();
    for (size_t i = 0; i < areas.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(barsOff(*areas[i]));
        EXPECT_EQ(otherProperties(*areas[i]), before[i]);
    }

    // The wheel and the keys still scroll.
    ASSERT_GT(first->verticalScrollBar()->maximum(), 0);
    const QPointF at(20, 20);
    QWheelEvent wheel(at, first->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(first->viewport(), &wheel);
    const int wheeled = first->verticalScrollBar()->value();
    EXPECT_GT(wheeled, 0);
    QTest::keyClick(first, Qt::Key_PageDown);
    EXPECT_GT(first->verticalScrollBar()->value(), wheeled);

    // A scroll area added to the host later loses its bars when the host lays itself out again.
    auto later = new QTextEdit;
    auto panelColumn = new QVBoxLayout(panel);
    panelColumn->addWidget(later);
    EXPECT_TRUE(processEventsUntil([&] { return barsOff(*later); }, std::chrono::seconds(2)));

    // Dialogs of the window are windows of their own.
    auto dialog = new QTextEdit;
    dialog->setParent(&window, Qt::Dialog);
    helper->refresh();
    QCoreApplication::processEvents();
    EXPECT_FALSE(barsOff(*dialog));
}

TEST(HiddenScrollers, DoesNothingOutOfAWindowUntilPlacedInOne)
{
    QWidget window;
    auto area = new QScrollArea(&window);
    area->setWidget(tall());
    HiddenScrollers loose;
    loose.refresh();
    processEventsFor(std::chrono::milliseconds(30));
    EXPECT_FALSE(barsOff(*area));

    // Placed in the window, it acts one turn later.
    loose.setParent(&window);
    EXPECT_FALSE(barsOff(*area));
    QCoreApplication::processEvents();
    EXPECT_TRUE(barsOff(*area));

    // The window may itself be the scroll area.
    QScrollArea top;
    top.setWidget(tall());
    hidingScrollers(top.widget());
    QCoreApplication::processEvents();
    EXPECT_TRUE(barsOff(top));
}
