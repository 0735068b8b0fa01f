#include <gtest/gtest.h>

#include <QAccessible>
#include <QSignalSpy>
#include <QtTest/QTest>

#include "CorvaneApp/kit/StudioSegmentedPicker.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"

using namespace corvane;

TEST(StudioSwitch, TogglesByMouseSpaceAndAccessibilityAndReportsItsState)
{
    StudioSwitch toggle(QStringLiteral("Metrônomo"));
    toggle.show();
    EXPECT_GE(toggle.width(), 26);
    EXPECT_EQ(toggle.trackRect().size(), QSizeF(26, 15));
    EXPECT_EQ(toggle.trackRect().right(), toggle.width());
    QSignalSpy toggled(&toggle, &QAbstractButton::toggled);

    QTest::mouseClick(&toggle, Qt::LeftButton, {}, toggle.trackRect().center().toPoint());
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_TRUE(toggled.last().at(0).toBool());
    QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(2, toggle.height() / 2)); // on the label
    EXPECT_FALSE(toggle.isChecked());
    QTest::keyClick(&toggle, Qt::Key_Space);
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_EQ(toggled.count(), 3);

    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&toggle);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::CheckBox);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("Metrônomo"));
    EXPECT_TRUE(access->state().checkable);
    EXPECT_TRUE(access->state().checked);
    access->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_FALSE(access->state().checked);
    EXPECT_EQ(toggled.count(), 4);

    // The owner mirrors its model with the signals blocked: nothing comes back.
    {
        const QSignalBlocker quiet(toggle);
        toggle.setChecked(true);
    }
    EXPECT_EQ(toggled.count(), 4);
    EXPECT_TRUE(toggle.isChecked());

    toggle.setEnabled(false);
    QTest::mouseClick(&toggle, Qt::LeftButton, {}, toggle.trackRect().center().toPoint());
    EXPECT_TRUE(toggle.isChecked());
}

TEST(StudioSegmentedPicker, ChoosesByMouseKeysAndAccessibilityButNotBySetter)
{
    StudioSegmentedPicker picker({{QStringLiteral("Ambas"), {}},
                                  {QStringLiteral("Esquerda"), QStringLiteral("hand.raised")},
                                  {QStringLiteral("Direita"), {}}},
                                 0);
    picker.show();
    QSignalSpy edits(&picker, &StudioSegmentedPicker::currentIndexEdited);
    EXPECT_EQ(picker.count(), 3);
    EXPECT_EQ(picker.currentIndex(), 0);
    EXPECT_EQ(picker.segmentButton(1)->systemImage(), QStringLiteral("hand.raised"));
    // Segments share the width.
    EXPECT_EQ(picker.segmentButton(0)->width(), picker.segmentButton(2)->width());

    QTest::mouseClick(picker.segmentButton(2), Qt::LeftButton);
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits.last().at(0).toInt(), 2);
    EXPECT_EQ(picker.currentIndex(), 2);
    EXPECT_TRUE(picker.segmentButton(2)->isSelected());
    EXPECT_FALSE(picker.segmentButton(0)->isSelected());
    QTest::mouseClick(picker.segmentButton(2), Qt::LeftButton); // already chosen
    EXPECT_EQ(edits.count(), 1);
    EXPECT_TRUE(picker.segmentButton(2)->isSelected()); // a click never unselects

    QTest::keyClick(&picker, Qt::Key_Right); // already at the end
    EXPECT_EQ(edits.count(), 1);
    QTest::keyClick(&picker, Qt::Key_Left);
    EXPECT_EQ(edits.last().at(0).toInt(), 1);
    EXPECT_EQ(picker.currentIndex(), 1);

    picker.setCurrentIndex(0);
    picker.setCurrentIndex(7);
    picker.setCurrentIndex(-1);
    EXPECT_EQ(edits.count(), 2);
    EXPECT_EQ(picker.currentIndex(), 0);
    int selected = 0;
    for (int i = 0; i < picker.count(); ++i) selected += picker.segmentButton(i)->isSelected();
    EXPECT_EQ(selected, 1);

    QAccessibleInterface* group = QAccessible::queryAccessibleInterface(&picker);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->role(), QAccessible::PageTabList);
    ASSERT_EQ(group->childCount(), 3);
    QAccessibleInterface* right = group->child(2);
    EXPECT_EQ(right->role(), QAccessible::Button);
    EXPECT_EQ(right->text(QAccessible::Name), QStringLiteral("Direita"));
    EXPECT_EQ(group->child(1)->text(QAccessible::Name), QStringLiteral("Esquerda"));
    EXPECT_TRUE(group->child(0)->state().checked);
    EXPECT_FALSE(right->state().checked);
    right->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(edits.last().at(0).toInt(), 2);
    EXPECT_TRUE(right->state().checked);

    StudioSegmentedPicker empty({}, 0);
    EXPECT_EQ(empty.currentIndex(), -1);
    QTest::keyClick(&empty, Qt::Key_Right);
    EXPECT_EQ(empty.currentIndex(), -1);
}
