// Widgets need an application object. The suite's platform (offscreen, or
// the X server of xvfb-run) and an English locale are set for this process
// and the programs it starts, so that the fixed pt_BR texts are proven fixed.
#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <cstdlib>

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", BRELMO_TEST_PLATFORM, 1);
    ::setenv("LANG", "C.UTF-8", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::setenv("LANGUAGE", "en", 1);
    std::setlocale(LC_ALL, "");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
