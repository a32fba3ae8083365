#pragma once

#include <sched.h>

// Work that the user does not wait for key by key (the web engine's processes, the building of
// preview pages) is kept off the first processor this program may use, so that the scheduler
// finds that one free for the window's thread and a key typed while a long page is built and
// laid out is not kept waiting for a core. With a single processor nothing changes.

// Moves the web engine's processes (its renderers, its utility processes and the zygote that
// forks later ones), with all their threads, off the first processor; other programs this one
// starts are left alone. Cheap enough to call after every page load: it reads a few files of
// /proc.
void KeepEngineProcessesOffFirstCore();

// While it lives, the calling thread keeps off the first processor.
class TOffFirstCore {
public:
    TOffFirstCore();
    ~TOffFirstCore();
    TOffFirstCore(const TOffFirstCore&) = delete;
    TOffFirstCore& operator=(const TOffFirstCore&) = delete;

private:
    cpu_set_t saved_;
    bool moved_ = false;
};
