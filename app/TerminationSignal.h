#pragma once

// From now on a SIGTERM (a logout, a package upgrade, `kill`) closes the program's windows as
// the user would: a changed document is offered for saving, and the recent files, bar layout
// and colours are kept. A signal that comes before the event loop runs is served once it does.
void CloseWindowsOnTermination();
