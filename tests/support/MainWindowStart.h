#pragma once

#include "app/TFormGlyphon.h"
#include "common/CommandLine.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// Starts the main window as the program does, without a file, and waits for its new document.
inline std::unique_ptr<TFormGlyphon> StartMainWindow() {
    SetCommandLineArgs({"glyphon"});
    auto form = std::make_unique<TFormGlyphon>();
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->DocumentFileName.isEmpty(); }, 5000));
    return form;
}
