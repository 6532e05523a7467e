#pragma once

#include <QString>

namespace testing
{

// Starts an Xvfb server of the given screen size on a free display, points
// DISPLAY at it and selects the xcb platform.  Call before the QApplication
// exists; the server is stopped when the process ends.  False when no Xvfb
// could be started.
bool startXvfb(int width, int height, int depth = 24);

} // namespace testing

// A test main that runs its QApplication on its own Xvfb screen.
#define QTEST_XVFB_MAIN(TestObject, W, H)                                                          \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        if (!testing::startXvfb(W, H))                                                             \
            qFatal("Xvfb could not be started");                                                   \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
