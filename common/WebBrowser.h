#pragma once

#include <QString>

// Starts a web browser on Target (a file's path or a URL): the desktop's default web browser
// (xdg-settings get default-web-browser), through its desktop entry, else x-www-browser. Never
// the handler of HTML files, which may be this program itself. False when there is neither.
bool StartWebBrowser(const QString& target);
