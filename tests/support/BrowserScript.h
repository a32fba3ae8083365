#pragma once

#include "common/TEmbeddedWB.h"

#include <QTest>

// Whether Script, run on the page Browser shows, gives true within Deadline milliseconds.
inline bool PageReports(TEmbeddedWB& browser, const QString& script, int deadline = 30000) {
    if (!browser.EngineStarted())
        return false;
    bool answered = false;
    bool result = false;
    browser.EvaluateScript(script, [&](const QVariant& value) {
        answered = true;
        result = value.toBool();
    });
    return QTest::qWaitFor([&] { return answered; }, deadline) && result;
}
