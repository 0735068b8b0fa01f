#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// The monitor posts received events to the Qt main thread, so the tests run
// with an application object whose event loop they spin.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
