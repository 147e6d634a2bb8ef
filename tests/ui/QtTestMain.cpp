// GoogleTest's main for window tests: one application object, the program's own, for the whole
// run, with the program's look. A test built with RUNWELL_TEST_SCREEN ("1366x768@1.5") runs on
// an offscreen screen of that many pixels at that scale factor.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/Application.h"
#include "ui/widgets/WindowStyle.h"

namespace {

#ifdef RUNWELL_TEST_SCREEN
/// Describes the screen to the offscreen platform in a file beside the test (a relative name:
/// the platform's arguments are separated by colons, which a Windows path has).
void UseTestScreen(const std::string& screen) {
    int width = 0;
    int height = 0;
    char scale[16] = {};
    if (std::sscanf(screen.c_str(), "%dx%d@%15s", &width, &height, scale) != 3) {
        std::fprintf(stderr, "bad RUNWELL_TEST_SCREEN %s\n", screen.c_str());
        std::exit(2);
    }
    const std::string config =
        "screen-" + std::to_string(width) + "x" + std::to_string(height) + ".json";
    std::ofstream(config) << "{\"screens\": [{\"name\": \"test\", \"x\": 0, \"y\": 0, \"width\": "
                          << width << ", \"height\": " << height
                          << ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n";
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
    qputenv("QT_SCALE_FACTOR", scale);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef RUNWELL_TEST_SCREEN
    UseTestScreen(RUNWELL_TEST_SCREEN);
#endif
    runwell::app::Application app(argc, argv);
    runwell::ui::UseWindowLook();
    return RUN_ALL_TESTS();
}
