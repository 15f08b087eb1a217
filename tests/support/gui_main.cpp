// Test main for tests that paint: a QApplication on the offscreen platform unless told otherwise;
// OpenGL tests ask for the compatibility profile the 3D scene needs.
#include <QApplication>
#ifdef KARST_TEST_OPENGL
#include "window/support_gl.h"
#endif

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef KARST_TEST_OPENGL
    ks::UseCompatibilityOpenGL();
#endif
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
