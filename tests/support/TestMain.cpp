#include "common/Paths.h"
#include "support/ScriptedPrompts.h"
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
    // A prompt no test expected fails that test and is cancelled, instead of waiting for a
    // user who is not there; tests that expect prompts install their own double over this one.
    ScriptedPrompts unexpectedPrompts;
    return RUN_ALL_TESTS();
}
