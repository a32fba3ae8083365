#pragma once

// Takes the running-instance lock named after the application title, once per process, and
// holds it until the process ends. Every running copy holds it shared, so outside programs can
// tell whether the program runs; nothing in the program waits on it.
void CreateRunningInstanceMutex();
