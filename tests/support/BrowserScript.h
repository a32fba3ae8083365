#pragma once

#include "common/TEmbeddedWB.h"

#include <QTest>
#include <memory>
#include <optional>

// Whether Script, run on the page Browser shows, gives true within Deadline milliseconds.
inline bool PageReports(TEmbeddedWB& browser, const QString& script, int deadline = 30000) {
    if (!browser.EngineStarted())
        return false;
    // An answer that comes after the deadline still has somewhere to go.
    const auto answer = std::make_shared<std::optional<bool>>();
    browser.EvaluateScript(script, [answer](const QVariant& value) { *answer = value.toBool(); });
    return QTest::qWaitFor([&] { return answer->has_value(); }, deadline) && answer->value();
}
