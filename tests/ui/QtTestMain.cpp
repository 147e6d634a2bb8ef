// GoogleTest's main for window tests: one QApplication for the whole run, with the program's
// look.

#include <QApplication>
#include <gtest/gtest.h>

#include "ui/widgets/WindowStyle.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    runwell::ui::UseWindowLook();
    return RUN_ALL_TESTS();
}
