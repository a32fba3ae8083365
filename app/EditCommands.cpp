// The Edit menu, the editor's pop-up menu, find and replace, Go To, Time/Date, the editor font,
// the read-only switch and the caret position in the status bar.

#include "app/TFindDialog.h"
#include "app/TFormGlyphon.h"
#include "app/TReplaceDialog.h"
#include "common/AppHelpers.h"
#include "common/FileDialogs.h"
#include "common/Prompts.h"
#include "editor/TGlyphEditView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QStatusBar>

namespace {

// Before a key is matched against the Edit menu's shortcuts, the menu's opening handler runs,
// as it does when the menu opens: a shortcut then acts on fresh enabled states, and a key
// whose item is disabled goes on to the widget with the focus (the editor has its own key
// table for the same keys).
class TEditShortcutRefresh : public QObject {
public:
    explicit TEditShortcutRefresh(TFormGlyphon& form) : QObject(&form), form_(form) {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != &form_)
            return false;
        const QKeySequence key(static_cast<QKeyEvent*>(event)->keyCombination());
        for (QAction* item : form_.MIEdit->actions()) {
            if (!item->shortcut().isEmpty() && item->shortcut() == key) {
                RunCommand([this] { form_.MIEditClick(); });
                break;
            }
        }
        return false;
    }

private:
    TFormGlyphon& form_;
};

// The current time in the user's short time format, a space and the date in the short date
// format.
QString TimeDateText(const QDateTime& now) {
    const QLocale locale;
    return locale.toString(now.time(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(now.date(), QLocale::ShortFormat);
}

// A replacement starts with the match the user sees selected (found by Find Next, say) rather
// than with the next one behind the caret: the caret goes to the selected match's far side
// from the search direction, where the search starts.
void StartAtSelectedMatch(TCustomGlyphEdit& edit, const QString& search,
                          TGlyphSearchOptions options) {
    if (!edit.HasSelection())
        return;
    const TBufferCoord start = edit.SelectionStart();
    const TBufferCoord end = edit.SelectionEnd();
    if (start.Y != end.Y)
        return;
    const Qt::CaseSensitivity sensitivity =
        options.testFlag(SearchMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (edit.SelectedText().compare(search, sensitivity) != 0)
        return;
    edit.SetCaretXYEx(options.testFlag(SearchBackward) ? end : start, false);
}

} // namespace

void TFormGlyphon::ConnectEditCommands() {
    const auto bind = [this](QAction* item, void (TFormGlyphon::*handler)()) {
        connect(item, &QAction::triggered, this,
                [this, handler] { RunCommand([&] { (this->*handler)(); }); });
    };
    bind(MIUndo, &TFormGlyphon::MIUndoClick);
    bind(MIRedo, &TFormGlyphon::MIRedoClick);
    bind(MICut, &TFormGlyphon::MICutClick);
    bind(MICopy, &TFormGlyphon::MICopyClick);
    bind(MIPaste, &TFormGlyphon::MIPasteClick);
    bind(MIDelete, &TFormGlyphon::MIDeleteClick);
    bind(MIFind, &TFormGlyphon::MIFindClick);
    bind(MIFindNext, &TFormGlyphon::MIFindNextClick);
    bind(MIReplace, &TFormGlyphon::MIReplaceClick);
    bind(MIGoTo, &TFormGlyphon::MIGoToClick);
    bind(MISelectAll, &TFormGlyphon::MISelectAllClick);
    bind(MITimeDate, &TFormGlyphon::MITimeDateClick);
    bind(MISetFont, &TFormGlyphon::MISetFontClick);
    bind(TBFind, &TFormGlyphon::MIFindClick);
    bind(TBCut, &TFormGlyphon::MICutClick);
    bind(TBCopy, &TFormGlyphon::MICopyClick);
    bind(TBPaste, &TFormGlyphon::MIPasteClick);
    new TEditShortcutRefresh(*this);

    // The pop-up menu of the editor.
    PopupMenuGlyphEdit = new QMenu(this);
    PopupMenuGlyphEdit->setObjectName("PopupMenuGlyphEdit");
    const auto item = [this](const QString& caption, const QString& name) {
        QAction* action = PopupMenuGlyphEdit->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    PMUndo = item("Undo", "PMUndo");
    PMRedo = item("Redo", "PMRedo");
    PopupMenuGlyphEdit->addSeparator();
    PMCut = item("Cut", "PMCut");
    PMCopy = item("Copy", "PMCopy");
    PMPaste = item("Paste", "PMPaste");
    PMDelete = item("Delete", "PMDelete");
    PopupMenuGlyphEdit->addSeparator();
    PMSelectAll = item("Select All", "PMSelectAll");
    PopupMenuGlyphEdit->addSeparator();
    PMReadOnly = item("Read Only", "PMReadOnly");
    PMReadOnly->setCheckable(true);
    bind(PMUndo, &TFormGlyphon::MIUndoClick);
    bind(PMRedo, &TFormGlyphon::MIRedoClick);
    bind(PMCut, &TFormGlyphon::MICutClick);
    bind(PMCopy, &TFormGlyphon::MICopyClick);
    bind(PMPaste, &TFormGlyphon::MIPasteClick);
    bind(PMDelete, &TFormGlyphon::MIDeleteClick);
    bind(PMSelectAll, &TFormGlyphon::MISelectAllClick);
    bind(PMReadOnly, &TFormGlyphon::PMReadOnlyClick);
    connect(PopupMenuGlyphEdit, &QMenu::aboutToShow, this,
            [this] { RunCommand([this] { PopupMenuGlyphEditPopup(); }); });
    GlyphEditView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(GlyphEditView, &QWidget::customContextMenuRequested, this, [this](QPoint point) {
        PopupMenuGlyphEdit->popup(GlyphEditView->viewport()->mapToGlobal(point));
    });

    GlyphEdit.OnStatusChange = [this](TCustomGlyphEdit*, TGlyphStatusChanges changes) {
        // A note of the last search stays until the caret or the selection moves again.
        if (statusNoteShown_ && (changes & (scCaretX | scCaretY | scSelection))) {
            statusNoteShown_ = false;
            if (QLabel* panel = StatusPanel(StatusBar, 0))
                panel->setText(DocumentFileName);
        }
        GlyphEditStatusChange();
    };
    GlyphEdit.OnKeyPress = [this](TCustomGlyphEdit*, QChar& ch) { GlyphEditKeyPress(ch); };
    GlyphEditStatusChange();
    // The editor starts with the keyboard focus.
    GlyphEditView->setFocus();
}

bool TFormGlyphon::GlyphEditFocused() const {
    const QWidget* focus = focusWidget();
    return focus && (focus == GlyphEditView || GlyphEditView->isAncestorOf(focus));
}

void TFormGlyphon::EnableEditItems(QAction* undo, QAction* redo, QAction* cut, QAction* copy,
                                   QAction* paste, QAction* del) {
    const bool focused = GlyphEditFocused();
    const bool selected = focused && GlyphEdit.HasSelection();
    undo->setEnabled(focused && GlyphEdit.UndoAvailable());
    redo->setEnabled(focused && GlyphEdit.RedoAvailable());
    cut->setEnabled(selected);
    copy->setEnabled(selected);
    del->setEnabled(selected);
    paste->setEnabled(focused && GlyphEdit.PasteAvailable());
}

void TFormGlyphon::PopupMenuGlyphEditPopup() {
    EnableEditItems(PMUndo, PMRedo, PMCut, PMCopy, PMPaste, PMDelete);
    PMReadOnly->setChecked(GlyphEdit.ReadOnly());
}

// ---------------------------------------------------------------------------------------------
// Find and replace

// The find and replace dialogs, each with its own text and settings, are made at their first
// use: most windows never search.
template <class T> T* TFormGlyphon::SearchDialog(T*& dialog) {
    if (!dialog) {
        dialog = new T(this);
        dialog->OnFind = [this](TFindDialog* sender) {
            RunCommand([this, sender] { FindDialogFind(sender); });
        };
    }
    return dialog;
}

TFindDialog* TFormGlyphon::FindDialog() {
    return SearchDialog(findDialog_);
}

TReplaceDialog* TFormGlyphon::ReplaceDialog() {
    return SearchDialog(replaceDialog_);
}

void TFormGlyphon::FindDialogFind(TFindDialog* sender) {
    const QString search = sender->FindText();
    const QString replacement =
        sender == replaceDialog_ ? replaceDialog_->ReplaceText() : QString();
    const TGlyphSearchOptions options = FindDialogSearchOptions(sender->Options());
    const TBufferCoord caret = GlyphEdit.CaretXY();
    if (options & (SearchReplace | SearchReplaceAll))
        StartAtSelectedMatch(GlyphEdit, search, options);
    int count = GlyphEditFindReplace.FindAndReplace(search, replacement, options);
    QString note;
    if (count == 0 && !options.testFlag(SearchReplaceAll)) {
        // Past the last match the search goes on from the other end of the document.
        count =
            GlyphEditFindReplace.FindAndReplace(search, replacement, options | SearchEntireText);
        note = options.testFlag(SearchBackward) ? QStringLiteral("Search wrapped to the bottom")
                                                : QStringLiteral("Search wrapped to the top");
    } else if (options.testFlag(SearchReplaceAll)) {
        note = count == 1 ? QStringLiteral("1 replacement")
                          : QStringLiteral("%1 replacements").arg(count);
    }
    if (count == 0) {
        // Nothing found: the caret stays where it was.
        GlyphEdit.SetCaretXYEx(caret, false);
        ShowInfo(QStringLiteral("Cannot find \"%1\"").arg(search));
    } else if (!note.isEmpty()) {
        ShowStatusNote(note);
    }
}

void TFormGlyphon::ShowStatusNote(const QString& note) {
    if (QLabel* panel = StatusPanel(StatusBar, 0)) {
        panel->setText(note);
        statusNoteShown_ = true;
    }
}

// Find and Replace start with the selected text when it is on one line, as it is then the
// word the user is after; a selection over lines is not a search text.
static void TakeSelectionAsSearch(const TCustomGlyphEdit& edit, TFindDialog& dialog) {
    if (edit.HasSelection() && edit.SelectionStart().Y == edit.SelectionEnd().Y)
        dialog.SetFindText(edit.SelectedText());
}

void TFormGlyphon::MIFindClick() {
    TakeSelectionAsSearch(GlyphEdit, *FindDialog());
    FindDialog()->Execute();
}

void TFormGlyphon::MIFindNextClick() {
    if (!findDialog_ || findDialog_->FindText().isEmpty())
        ClickMenuItem(MIFind);
    else
        FindDialogFind(findDialog_);
}

void TFormGlyphon::MIReplaceClick() {
    TakeSelectionAsSearch(GlyphEdit, *ReplaceDialog());
    ReplaceDialog()->Execute();
}

// ---------------------------------------------------------------------------------------------
// Editing

void TFormGlyphon::MIUndoClick() {
    GlyphEdit.Undo();
}

void TFormGlyphon::MIRedoClick() {
    GlyphEdit.Redo();
}

void TFormGlyphon::MICutClick() {
    GlyphEdit.ClipboardCut();
}

void TFormGlyphon::MICopyClick() {
    GlyphEdit.ClipboardCopy();
}

void TFormGlyphon::MIPasteClick() {
    GlyphEdit.ClipboardPaste();
}

void TFormGlyphon::MIDeleteClick() {
    if (GlyphEdit.HasSelection())
        GlyphEdit.SetSelectedText(QString());
}

void TFormGlyphon::MISelectAllClick() {
    GlyphEdit.SelectAll();
}

void TFormGlyphon::MITimeDateClick() {
    GlyphEdit.SetSelectedText(TimeDateText(TimeDateClock()));
    GlyphEdit.ScrollCaretIntoView();
}

void TFormGlyphon::MIGoToClick() {
    const std::optional<QString> answer =
        Prompts().InputBox("Goto line", "Line number:", QString::number(GlyphEdit.CaretY()));
    if (!answer)
        return;
    bool isNumber = false;
    const int line = answer->trimmed().toInt(&isNumber);
    if (!isNumber)
        return;
    // The editor clamps the line to the text; the column stays. A selection left behind would
    // be typed over out of sight, so it closes at the new place.
    GlyphEdit.SetCaretY(line);
    GlyphEdit.SetSelectionAnchor(GlyphEdit.CaretXY());
}

void TFormGlyphon::MISetFontClick() {
    QFont font = GlyphEditView->font();
    if (RunFontDialog(font))
        GlyphEditView->setFont(font);
}

void TFormGlyphon::PMReadOnlyClick() {
    GlyphEdit.SetReadOnly(!GlyphEdit.ReadOnly());
    PMReadOnly->setChecked(GlyphEdit.ReadOnly());
}

// ---------------------------------------------------------------------------------------------
// Editor events

void TFormGlyphon::GlyphEditStatusChange() {
    if (QLabel* panel = StatusPanel(StatusBar, 1))
        panel->setText(
            QStringLiteral("Ln %1, Col %2").arg(GlyphEdit.CaretY()).arg(GlyphEdit.CaretX()));
    // An edit may have given the last line of another break the common style.
    ShowTextFormat();
    ShowModified();
}

void TFormGlyphon::GlyphEditKeyPress(QChar ch) {
    // Only what the editor would type counts as a character: no control characters, and a
    // surrogate pair once.
    if (!GlyphEdit.ReadOnly() || ch.unicode() < 32 || ch.unicode() == 127 || ch.isLowSurrogate())
        return;
    ShowInfo(QStringLiteral("\"%1\" is a read only file.").arg(DocumentFileName));
}
