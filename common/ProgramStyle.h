#pragma once

// Installs the program's style over the desktop's: the same look, but the overflow buttons of
// the tool bars and the menu bar draw their chevrons themselves. The style's own images of them
// are PNG files, and reading any image loads every image-format plug-in (and the libraries
// they need, a JPEG library among them) to ask whether it reads PNG: a sixth of the window's
// start for one small button.
void InstallProgramStyle();
