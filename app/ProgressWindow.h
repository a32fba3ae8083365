#pragma once

#include <QProgressDialog>

// The progress of long work (an export, a print job) with Cancel; it appears only once the work
// has taken longer than the delay, so that short work shows nothing.
class TProgressWindow {
public:
    TProgressWindow(QWidget* parent, const QString& text, int delayMs);
    // Reports `done` of `total` steps; false once the user has cancelled.
    bool Step(int done, int total);

private:
    QProgressDialog dialog_;
};
