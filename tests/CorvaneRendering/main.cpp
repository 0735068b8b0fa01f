#include <QApplication>
#include <gtest/gtest.h>

// The pixel tests need a GUI application (for the OpenGL contexts and the view);
// it lives for the whole run.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
