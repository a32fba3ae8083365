#pragma once

#include <functional>

class TFormGlyphon;

// The program from its start to its end: the application, the main window and the windows
// that live as long as it, then the event loop. AfterShow, when given, runs once the main
// window is shown (a test build of the program drives the window from there).
int RunGlyphon(int argc, char** argv, const std::function<void(TFormGlyphon&)>& afterShow = {});
