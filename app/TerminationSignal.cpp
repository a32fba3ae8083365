#include "app/TerminationSignal.h"

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

std::function<void()>& Handler() {
    static std::function<void()> handler;
    return handler;
}

// Only async-signal-safe calls here: the event loop does the closing when it reads the byte.
void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}
} // namespace

void CloseWindowsOnTermination() {
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte;
        if (::read(signalPipe[1], &byte, 1) != 1)
            return;
        if (Handler())
            Handler()();
        else
            QApplication::closeAllWindows();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    ::signal(SIGXFSZ, SIG_IGN);
}

void SetTerminationHandler(std::function<void()> onSignal) {
    Handler() = std::move(onSignal);
}
