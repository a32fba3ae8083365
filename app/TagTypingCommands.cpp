// Writing HTML in HTML and PHP documents: end tags closed as they are typed, and the completion
// list of elements, attributes, values, character references and CSS.

#include "app/MarkupContext.h"
#include "app/TFormGlyphon.h"
#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/SettingsIni.h"
#include "editor/TGlyphEditView.h"

#include <QMenu>

namespace {
const QString kCloseTagsKey = QStringLiteral("CloseTagsAsYouType");
} // namespace

void TFormGlyphon::ConnectTagTyping() {
    MICloseTagsAsYouType = new QAction("Close Tags as You Type", MIEdit);
    MICloseTagsAsYouType->setObjectName("MICloseTagsAsYouType");
    MICloseTagsAsYouType->setCheckable(true);
    MIEdit->insertAction(MICheckSpelling, MICloseTagsAsYouType);
    MIEdit->insertSeparator(MICheckSpelling);
    MICloseTagsAsYouType->setChecked(
        SettingsIni().ReadBool(MainFormClassName(), kCloseTagsKey, true));
    connect(MICloseTagsAsYouType, &QAction::triggered, this,
            [this] { RunCommand([this] { MICloseTagsAsYouTypeClick(); }); });
    GlyphEdit.OnCommandProcessed = [this](TCustomGlyphEdit*, TGlyphEditorCommand& command,
                                          QChar& ch, QVariant&) {
        if (command == ecChar)
            GlyphEditCharTyped(ch);
        else if (command == ecDeleteLastChar && CompletionPopup->isVisible())
            FilterCompletion();
        else
            CompletionPopup->hide();
    };
    CompletionPopup = new TCompletionPopup(this);
    connect(CompletionPopup, &TCompletionPopup::Chosen, this,
            [this](const QString& entry) { RunCommand([&] { AcceptCompletion(entry); }); });
}

void TFormGlyphon::MICloseTagsAsYouTypeClick() {
    SettingsIni().WriteBool(MainFormClassName(), kCloseTagsKey, MICloseTagsAsYouType->isChecked());
}

bool TFormGlyphon::EditsMarkup() const {
    const std::optional<TGlyphLanguageId> language = CurrentLanguage();
    return language && LanguageEntry(*language).Page;
}

TMarkupLines TFormGlyphon::DocumentLines() const {
    return {GlyphEdit.LineCount(), [this](int y) { return GlyphEdit.Lines().LineLength(y - 1); },
            [this](int y, int from, int count) {
                return GlyphEdit.Lines().LineMid(y - 1, from, count);
            }};
}

TMarkupContext TFormGlyphon::MarkupContextBefore(int x) const {
    return MarkupContextAt(DocumentLines(), GlyphEdit.CaretY(), x - 1);
}

void TFormGlyphon::GlyphEditCharTyped(QChar ch) {
    if (!EditsMarkup() || GlyphEdit.ReadOnly()) {
        CompletionPopup->hide();
        return;
    }
    // A character that cannot continue a name closes the list and is typed.
    const bool continuesName = ch.isLetterOrNumber() || ch == u'-' || ch == u'_' || ch == u':';
    if (CompletionPopup->isVisible() && continuesName)
        FilterCompletion();
    else
        CompletionPopup->hide();
    if (MICloseTagsAsYouType->isChecked())
        CloseTagTyped(ch);
    if (ch == u'<' || ch == u'&' || ch == u' ' || ch == u'"')
        OpenCompletion(ch);
}

void TFormGlyphon::CloseTagTyped(QChar ch) {
    if (ch != u'>' && ch != u'/')
        return;
    const int x = GlyphEdit.CaretX();
    const int y = GlyphEdit.CaretY();
    // The character typed stands right before the caret (typing over a selection included);
    // the end tags to compare with are short, so a little of the line after the caret will do.
    const TMarkupLines lines = DocumentLines();
    const int from = std::max(0, x - 3);
    const QString typed = lines.Mid(y, from, x - 1 - from);
    if (typed.isEmpty() || typed.back() != ch)
        return;
    const QChar previous = typed.size() >= 2 ? typed.at(typed.size() - 2) : QChar();
    const QString after = lines.Mid(y, x - 1, 256);
    if (ch == u'>' && DropEndTagTypedTwice(x, y))
        return;
    QString insert;
    if (ch == u'>')
        insert = EndTagForGreater(MarkupContextBefore(x - 1), previous, after);
    else if (previous == u'<')
        insert = EndTagNameForSlash(MarkupContextBefore(x - 2), after);
    if (insert.isEmpty())
        return;
    // An insertion of its own, so that one Undo takes back only what was added.
    GlyphEdit.SetSelectedText(insert);
    if (ch == u'>') {
        GlyphEdit.SetCaretXY({x, y});
        autoEndTag_ = TAutoEndTag{y, lines.Length(y) - (x - 1), lines.Mid(y, x - 1, 256),
                                  insert.mid(2, insert.size() - 3)};
    }
}

bool TFormGlyphon::DropEndTagTypedTwice(int x, int y) {
    if (!autoEndTag_ || autoEndTag_->Y != y)
        return false;
    const TMarkupLines lines = DocumentLines();
    const QString endTag = "</" + autoEndTag_->Name + '>';
    const int start = x - 1 - int(endTag.size());
    // Only the end tag put in, still where it was put and followed by what followed it then
    // (one the user wrote is theirs), and only when it no longer closes an element: typed inside
    // another of the same name, it closes that.
    if (start < 0 || lines.Length(y) - (x - 1) != autoEndTag_->FromEnd ||
        lines.Mid(y, start, int(endTag.size())).compare(endTag, Qt::CaseInsensitive) != 0 ||
        lines.Mid(y, x - 1, 256) != autoEndTag_->Tail ||
        MarkupContextBefore(x).InnermostOpen.compare(autoEndTag_->Name, Qt::CaseInsensitive) == 0)
        return false;
    autoEndTag_.reset();
    // A change of its own, so that one Undo brings it back.
    GlyphEdit.SetSelectionAnchor({x, y});
    GlyphEdit.SetSelectionActiveEnd({x + int(endTag.size()), y});
    GlyphEdit.SetSelectedText({});
    return true;
}

QString TFormGlyphon::InDocumentCase(const QString& markup) const {
    return TagsInCase(markup, WritesLowerCaseTags(DocumentLines()));
}

void TFormGlyphon::OpenCompletion(std::optional<QChar> automatic) {
    if (!EditsMarkup())
        return;
    const int x = GlyphEdit.CaretX();
    // Names and references are short: the end of the line before the caret will do.
    const int from = std::max(0, x - 1 - 256);
    const QString before = DocumentLines().Mid(GlyphEdit.CaretY(), from, x - 1 - from);
    const TCompletion completion =
        CompletionAt(MarkupContextBefore(x), before, WritesLowerCaseTags(DocumentLines()));
    if (automatic) {
        // Only the list that the character typed asks for opens by itself.
        const TCompletionKind wanted = *automatic == u'<'   ? TCompletionKind::Element
                                       : *automatic == u'&' ? TCompletionKind::Entity
                                       : *automatic == u' ' ? TCompletionKind::Attribute
                                                            : TCompletionKind::Value;
        const bool styleValue = *automatic == u'"' && before.endsWith(u"=\"") &&
                                completion.Kind == TCompletionKind::CssProperty;
        if (completion.Kind != wanted && !styleValue)
            return;
        if (*automatic == u'"' && !before.endsWith(u"=\""))
            return;
    }
    if (completion.Kind == TCompletionKind::None) {
        CompletionPopup->hide();
        return;
    }
    completionKind_ = completion.Kind;
    completionStartX_ = x - int(completion.Prefix.size());
    const QRect caret = GlyphEditView->CaretRect();
    CompletionPopup->Open(completion.Entries, completion.Prefix,
                          GlyphEditView->viewport()->mapToGlobal(caret.bottomLeft()));
}

void TFormGlyphon::FilterCompletion() {
    const int x = GlyphEdit.CaretX();
    if (completionKind_ == TCompletionKind::Element && x > completionStartX_) {
        OpenCompletion(); // the case of the name begun decides the case of the list
        return;
    }
    if (x < completionStartX_) {
        CompletionPopup->hide();
        return;
    }
    CompletionPopup->Filter(GlyphEdit.Lines().LineMid(GlyphEdit.CaretY() - 1, completionStartX_ - 1,
                                                      x - completionStartX_));
}

bool TFormGlyphon::CompletionKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Space && modifiers == Qt::ControlModifier && EditsMarkup()) {
        OpenCompletion();
        return true;
    }
    if (!CompletionPopup->isVisible() || (modifiers & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        AcceptCompletion(CompletionPopup->Choice());
        return true;
    case Qt::Key_Escape:
        CompletionPopup->hide();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        CompletionPopup->Move(key == Qt::Key_Up ? -1 : 1);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        CompletionPopup->Move(key == Qt::Key_PageUp ? -9 : 9);
        return true;
    default:
        return false;
    }
}

void TFormGlyphon::AcceptCompletion(const QString& entry) {
    CompletionPopup->hide();
    if (entry.isEmpty() || GlyphEdit.ReadOnly())
        return;
    const int y = GlyphEdit.CaretY();
    QString text = entry;
    int back = 0;
    if (completionKind_ == TCompletionKind::Attribute) {
        text += QStringLiteral("=\"\"");
        back = 1; // between the quotes
    } else if (completionKind_ == TCompletionKind::Entity) {
        text += u';';
    }
    GlyphEdit.SetSelectionAnchor({completionStartX_, y});
    GlyphEdit.SetSelectionActiveEnd(GlyphEdit.CaretXY());
    GlyphEdit.SetSelectedText(text);
    GlyphEdit.SetCaretX(GlyphEdit.CaretX() - back);
    GlyphEdit.ScrollCaretIntoView();
}
