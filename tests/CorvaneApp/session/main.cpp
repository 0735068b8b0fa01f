#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// The controller runs on the Qt main thread; the tests spin its event loop.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
