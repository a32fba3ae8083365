// Writing HTML: end tags closed as they are typed, in HTML and PHP documents.

#include "app/MarkupContext.h"
#include "app/TFormGlyphon.h"
#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/SettingsIni.h"

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
    };
}

void TFormGlyphon::MICloseTagsAsYouTypeClick() {
    SettingsIni().WriteBool(MainFormClassName(), kCloseTagsKey, MICloseTagsAsYouType->isChecked());
}

bool TFormGlyphon::EditsMarkup() const {
    return CurrentHighlighter() == &GlyphHTMLHighlighter ||
           CurrentHighlighter() == &GlyphPHPHighlighter;
}

TMarkupContext TFormGlyphon::MarkupContextBefore(int x) const {
    return MarkupContextAt([this](int y) { return GlyphEdit.LineText(y); }, GlyphEdit.CaretY(),
                           x - 1);
}

void TFormGlyphon::GlyphEditCharTyped(QChar ch) {
    if ((ch != u'>' && ch != u'/') || !MICloseTagsAsYouType->isChecked() || !EditsMarkup() ||
        GlyphEdit.ReadOnly())
        return;
    const int x = GlyphEdit.CaretX();
    const int y = GlyphEdit.CaretY();
    const QString line = GlyphEdit.LineText(y);
    // The character typed stands right before the caret (typing over a selection included).
    if (x < 2 || x - 2 >= line.size() || line.at(x - 2) != ch)
        return;
    const QStringView after = QStringView(line).mid(x - 1);
    QString insert;
    if (ch == u'>') {
        insert =
            EndTagForGreater(MarkupContextBefore(x - 1), x >= 3 ? line.at(x - 3) : QChar(), after);
    } else if (x >= 3 && line.at(x - 3) == u'<') {
        insert = EndTagNameForSlash(MarkupContextBefore(x - 2), after);
    }
    if (insert.isEmpty())
        return;
    // An insertion of its own, so that one Undo takes back only what was added.
    GlyphEdit.SetSelectedText(insert);
    if (ch == u'>')
        GlyphEdit.SetCaretXY({x, y});
}
