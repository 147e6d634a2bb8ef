// GoogleTest's main for window tests: one application object, the program's own, for the whole
// run, with the program's look.

#include <gtest/gtest.h>

#include "app/Application.h"
#include "ui/widgets/WindowStyle.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    runwell::app::Application app(argc, argv);
    runwell::ui::UseWindowLook();
    return RUN_ALL_TESTS();
}
