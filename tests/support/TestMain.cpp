#include "common/Paths.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // The home, XDG and program folders must point into a fresh temporary folder before Qt or
    // any test reads them.
    TestEnvironment environment;
    QApplication app(argc, argv);
    environment.ApplyProgramFolder();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
