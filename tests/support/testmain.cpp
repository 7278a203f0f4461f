// The main of every test executable. Widget tests run on Qt's offscreen platform and
// find the control plug-ins of this build, also when a test binary is started by hand.

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
#ifdef KORVEL_BUILD_PLUGIN_DIR
    setenv("KORVEL_PLUGIN_DIR", KORVEL_BUILD_PLUGIN_DIR, 0);
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
