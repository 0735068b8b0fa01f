#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include "CorvaneApp/commands/WindowSpacebarShortcut.hpp"

using corvane::WindowSpacebarShortcut;

namespace {

// Any focusable widget of the window; counts the presses of Space, Return,
// Enter and Escape that reach it (modifier keys themselves are not counted).
class KeyTarget : public QWidget {
public:
    explicit KeyTarget(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }
    int received = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
            event->key() == Qt::Key_Escape)
            ++received;
    }
};

// A window with a key target, a name field and a note view, and its shortcut.
struct ShortcutWindow {
    QWidget window;
    KeyTarget* target = new KeyTarget(&window);
    QLineEdit* field = new QLineEdit(&window);
    QTextEdit* notes = new QTextEdit(&window);
    WindowSpacebarShortcut* shortcut = new WindowSpacebarShortcut(&window);
    int toggles = 0;
    int returns = 0;

    ShortcutWindow()
    {
        auto layout = new QVBoxLayout(&window);
        layout->addWidget(target);
        layout->addWidget(field);
        layout->addWidget(notes);
        shortcut->setAction([this] { ++toggles; });
        shortcut->setReturnToStartAction([this] { ++returns; });
        window.show();
        target->setFocus();
    }
};

} // namespace

TEST(WindowSpacebarShortcut, SpaceAndReturnOnlyWithoutModifiersOrRepeats)
{
    ShortcutWindow w;
    QTest::keyClick(w.target, Qt::Key_Space);
    QTest::keyClick(w.target, Qt::Key_Return);
    // The keypad's Enter carries the keypad flag; that is no held modifier.
    QTest::keyClick(w.target, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(w.toggles, 1);
    EXPECT_EQ(w.returns, 2);
    EXPECT_EQ(w.target->received, 0);

    for (auto modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier}) {
        QTest::keyClick(w.target, Qt::Key_Space, modifier);
        QTest::keyClick(w.target, Qt::Key_Return, modifier);
    }
    EXPECT_EQ(w.toggles, 1);
    EXPECT_EQ(w.returns, 2);
    EXPECT_EQ(w.target->received, 8);

    // A held Space toggles once; its repeats pass on.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(w.target, &repeat);
    QTest::keyClick(w.target, Qt::Key_Escape);
    EXPECT_EQ(w.toggles, 1);
    EXPECT_EQ(w.target->received, 10);

    // Without a return action, Return belongs to the window.
    w.shortcut->setReturnToStartAction({});
    QTest::keyClick(w.target, Qt::Key_Return);
    EXPECT_EQ(w.returns, 2);
    EXPECT_EQ(w.target->received, 11);
}

TEST(WindowSpacebarShortcut, TextBeingTypedKeepsItsSpaces)
{
    ShortcutWindow w;
    w.field->setFocus();
    QTest::keyClicks(w.field, QStringLiteral("a b"));
    EXPECT_EQ(w.field->text(), "a b");

    w.notes->setFocus();
    QTest::keyClick(w.notes, Qt::Key_Space);
    EXPECT_EQ(w.notes->toPlainText(), " ");
    EXPECT_EQ(w.toggles, 0);

    // A note view that cannot be edited does not stop the shortcut.
    w.notes->setReadOnly(true);
    QTest::keyClick(w.notes, Qt::Key_Space);
    EXPECT_EQ(w.toggles, 1);
}

TEST(WindowSpacebarShortcut, EachWindowHasItsOwnAndItEndsWithTheWidget)
{
    ShortcutWindow first;
    ShortcutWindow second;
    QTest::keyClick(second.target, Qt::Key_Space);
    EXPECT_EQ(first.toggles, 0);
    EXPECT_EQ(second.toggles, 1);

    delete first.shortcut;
    QTest::keyClick(first.target, Qt::Key_Space);
    EXPECT_EQ(first.toggles, 0);
    EXPECT_EQ(first.target->received, 1);
    QTest::keyClick(second.target, Qt::Key_Space);
    EXPECT_EQ(second.toggles, 2);
}
