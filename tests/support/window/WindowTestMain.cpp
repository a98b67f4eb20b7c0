// The main of every window test program: the application object of the
// program (with its default handler) on Qt's offscreen platform, the
// libraries' start-up steps, then GoogleTest.

#include "Startup.h"
#include "TApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    dwindle::TApplication app(argc, argv);
    // Tests close windows one after another; none of that ends the program.
    app.setQuitOnLastWindowClosed(false);
    dwindle::InitLibraries();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
