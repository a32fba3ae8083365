#pragma once

#include <functional>

// From now on a SIGTERM or SIGHUP (a logout, a shutdown, a package upgrade, `kill`) runs
// OnSignal on the event loop, once it runs; until one is given, the program's windows close as
// the user would close them. A write past the file size limit fails as a full disk does,
// instead of ending the program.
void CloseWindowsOnTermination();
void SetTerminationHandler(std::function<void()> onSignal);
