#pragma once

#include <QString>

// Serves local files to the embedded browser over HTTP on the loopback address. Each folder a
// page is shown from gets a random host name under "localhost" of its own, and a request is
// answered only for the files of that folder's tree: the pages are ordinary web pages, each
// folder tree its own origin, and no page can ask for a file outside its tree. Connections of
// other users of the machine are refused.
//
// The server runs on a thread of its own, started the first time an address is asked for, so a
// page goes on loading while the window is busy, and a program that shows no page never starts it.

// The address of FileName for the embedded browser; its folder's tree is served from now on.
QString LocalPageUrl(const QString& fileName);
