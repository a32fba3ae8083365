#pragma once

// Waiting in tests for what the event loop brings, with a deadline. QTest's own QTRY_ macros
// report a timeout only to QTest, which is not running under GoogleTest, so a check made with
// them could never fail; these fail the GoogleTest test.

#include "tests/support/QtPrinters.h"

#include <QTest>
#include <gtest/gtest.h>

#define ASSERT_SOON(condition, milliseconds)                                                       \
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, milliseconds)) << #condition

#define ASSERT_SOON_EQ(actual, expected, milliseconds)                                             \
    do {                                                                                           \
        (void)QTest::qWaitFor([&] { return bool((actual) == (expected)); }, milliseconds);         \
        ASSERT_EQ(actual, expected);                                                               \
    } while (false)
