#pragma once

#include <gtest/gtest.h>

#include <QtTest/QTest>

#include "CorvaneApp/ControllerHarness.hpp"
#include "support/QtEventLoop.hpp"

// Mouse gestures with the button held between the steps.
inline void drag(QWidget* widget, QPoint from, QPoint to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QTest::mouseMove(widget, to);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}
