#include "app/ProgressWindow.h"

#include "common/AppTitle.h"

TProgressWindow::TProgressWindow(QWidget* parent, const QString& text, int delayMs)
    : dialog_(text, QStringLiteral("Cancel"), 0, 0, parent) {
    dialog_.setObjectName("ProgressWindow");
    dialog_.setWindowTitle(ApplicationTitle());
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(delayMs);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
}

bool TProgressWindow::Step(int done, int total) {
    if (dialog_.maximum() != total)
        dialog_.setMaximum(total);
    // A modal progress window takes the events of the window while it is up, Cancel included.
    dialog_.setValue(std::min(done, total));
    return !dialog_.wasCanceled();
}
