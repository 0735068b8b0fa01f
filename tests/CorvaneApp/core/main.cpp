#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// The application module's pieces expect a Qt application object, as they
// have one in the program.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
