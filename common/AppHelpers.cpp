#include "common/AppHelpers.h"

#include "common/AppTitle.h"
#include "common/GlyphErrors.h"
#include "common/Prompts.h"

#include <QLabel>
#include <QPointer>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace {
QMessageBox::StandardButton Box(const QString& text, QMessageBox::Icon icon,
                                QMessageBox::StandardButtons buttons) {
    return Prompts().MessageBox(ApplicationTitle(), text, icon, buttons);
}

// Panels are found again by this property, which holds their index.
constexpr const char* PanelIndexProperty = "glyphonStatusPanel";

QList<QLabel*> Panels(const QStatusBar* bar) {
    QList<QLabel*> panels;
    for (QLabel* label : bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        const QVariant index = label->property(PanelIndexProperty);
        if (index.isValid())
            panels.append(label);
    }
    std::sort(panels.begin(), panels.end(), [](QLabel* a, QLabel* b) {
        return a->property(PanelIndexProperty).toInt() < b->property(PanelIndexProperty).toInt();
    });
    return panels;
}
} // namespace

void ShowInfo(const QString& text) {
    Box(text, QMessageBox::Information, QMessageBox::Ok);
}

bool AskYesNo(const QString& text) {
    return Box(text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QMessageBox::StandardButton AskYesNoCancel(const QString& text) {
    return Box(text, QMessageBox::Warning,
               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

void ShowWarning(const QString& text) {
    Box(text, QMessageBox::Warning, QMessageBox::Ok);
}

void ShowErrorBox(const QString& text) {
    Box(text, QMessageBox::Critical, QMessageBox::Ok);
}

void RaiseError(const QString& text) {
    throw EGlyphError(text);
}

namespace {
int runningCommands = 0;

QList<QPair<QPointer<QObject>, std::function<void()>>>& Waiting() {
    static QList<QPair<QPointer<QObject>, std::function<void()>>> waiting;
    return waiting;
}
} // namespace

int RunningCommands() {
    return runningCommands;
}

void WhenNoCommandRuns(QObject* context, std::function<void()> later) {
    if (runningCommands == 0) {
        QTimer::singleShot(0, context, std::move(later));
        return;
    }
    Waiting().append({QPointer<QObject>(context), std::move(later)});
}

bool RunCommand(const std::function<void()>& command) {
    ++runningCommands;
    const auto ended = qScopeGuard([] {
        if (--runningCommands > 0)
            return;
        // After the command's own last step, never inside it.
        for (auto& [context, later] : std::exchange(Waiting(), {})) {
            if (context)
                QTimer::singleShot(0, context.data(), std::move(later));
        }
    });
    try {
        command();
        return true;
    } catch (const EGlyphError& error) {
        ShowErrorBox(error.Message());
    } catch (const std::exception& error) {
        ShowErrorBox(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

void SetFileCaption(QWidget* form, const QString& fileName, bool modified) {
    const QString mark = modified ? QStringLiteral(" *") : QString();
    if (fileName.isEmpty()) {
        form->setWindowTitle(ApplicationTitle() + mark);
        return;
    }
    // Qt reads "[*]" in a title as the modified marker; a file name holding it must show as is.
    QString shown = fileName;
    shown.replace("[*]", "[*][*]");
    form->setWindowTitle(ApplicationTitle() + " - [" + shown + "]" + mark);
}

QLabel* AddStatusPanel(QStatusBar* bar, int width) {
    const int index = StatusPanelCount(bar);
    auto* panel = new QLabel(bar);
    panel->setProperty(PanelIndexProperty, index);
    // A panel of fixed size keeps its new text to itself: the caret panel changes at every
    // keystroke, and a panel that could grow would lay out the whole window each time.
    if (index == 0)
        panel->setFixedWidth(width);
    else
        panel->setFixedSize(width, panel->sizeHint().height());
    // Panel 0 stretches into what the others leave; they keep their width.
    bar->addWidget(panel, index == 0 ? 1 : 0);
    return panel;
}

int StatusPanelCount(const QStatusBar* bar) {
    return static_cast<int>(Panels(bar).size());
}

QLabel* StatusPanel(const QStatusBar* bar, int index) {
    const QList<QLabel*> panels = Panels(bar);
    return index >= 0 && index < panels.size() ? panels.at(index) : nullptr;
}

void FitFirstStatusPanel(QStatusBar* bar) {
    const QList<QLabel*> panels = Panels(bar);
    if (panels.isEmpty())
        return;
    int others = 0;
    for (qsizetype i = 1; i < panels.size(); ++i)
        others += panels.at(i)->width();
    // The bar's own margins take a few pixels, so panel 0 may be laid out a little narrower
    // than this, but never wider, so the other panels always stay whole.
    panels.first()->setMinimumWidth(0);
    panels.first()->setMaximumWidth(qMax(0, bar->width() - others));
}
