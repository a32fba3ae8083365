#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Runs Action once Condition holds, polling from a timer, so a test can drive a modal dialog
// that runs its own event loop. When the deadline passes first, the test fails and the active
// modal dialog is rejected so that nothing waits for ever.
inline void WhenTrue(std::function<bool()> condition, std::function<void()> action,
                     int deadlineMs = 10000) {
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        const bool ready = condition();
        if (!ready && !clock->hasExpired(deadlineMs))
            return;
        timer->stop();
        timer->deleteLater();
        if (ready) {
            action();
            return;
        }
        ADD_FAILURE() << "the awaited condition never came true";
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            modal->reject();
    });
    timer->start(5);
}

// The first visible window of type T, or nullptr.
template <class T> T* VisibleWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<T*>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

// Runs Action on the first window of type T that shows up.
template <class T> void WhenShown(std::function<void(T*)> action, int deadlineMs = 10000) {
    WhenTrue([] { return VisibleWindow<T>() != nullptr; }, [action] { action(VisibleWindow<T>()); },
             deadlineMs);
}
