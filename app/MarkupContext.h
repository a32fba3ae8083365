#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Where a position of an HTML (or PHP) document stands, found by scanning the text before it:
// what the closing of tags as they are typed and the completion list need to know.
enum class TMarkupPlace {
    Text,           // between tags
    TagName,        // in the name right after <
    TagBody,        // in a tag after its name, outside values
    AttributeValue, // in a value (quoted or not)
    Comment,        // in <!-- ... -->
    RawText,        // in a script, style, textarea or title element
    ServerBlock,    // in <?php ... ?>, <? ... ?> or <% ... %>
};

struct TMarkupContext {
    TMarkupPlace Place = TMarkupPlace::Text;
    QString InnermostOpen;     // the nearest element left open, its name as written
    QString TagName;           // in a tag: its name as written; an end tag's starts with /
    QStringList TagAttributes; // in a tag: the attribute names written so far
    QString AttributeName;     // in a value: its attribute's name
    QChar Quote;               // in a value: its quote, null when unquoted
    QString Value;             // in a value: its text up to the position
    QString RawElement;        // in raw text: the element's name in lower case
    QString RawText;           // in raw text: its text up to the position
};

// A document's lines (1-based), read in parts so that a very long line is never copied whole.
struct TMarkupLines {
    int Count = 0;
    std::function<int(int y)> Length;
    std::function<QString(int y, int from, int count)> Mid;
};

// The context at column `x` (0-based) of line `y` (1-based). The scan starts at most
// `lookBack` characters before the position: open elements further up are not seen, and a
// position is taken to be in text there. So a keystroke costs the same anywhere in any file.
TMarkupContext MarkupContextAt(const TMarkupLines& lines, int y, int x, int lookBack = 16384);

// Whether Name's elements have no end tag.
bool IsVoidElement(QStringView name);

// What typing `>` inserts after the caret: the end tag of the start tag it ends, given the
// context before the `>`, the character before it and the text after the caret; empty when
// nothing is to be inserted (void elements, end tags, <!...>, />, outside a tag, and when the
// same end tag already follows).
QString EndTagForGreater(const TMarkupContext& before, QChar previous, QStringView after);

// What typing `</` inserts: the name of the nearest element left open and `>`, given the
// context before the `<` and the text after the caret; empty outside text or with none open.
QString EndTagNameForSlash(const TMarkupContext& beforeLess, QStringView after);

// What the completion list offers at a position: the names that can stand there and the part
// of one already typed before the position.
enum class TCompletionKind { None, Element, Attribute, Value, Entity, CssProperty, CssValue };
struct TCompletion {
    TCompletionKind Kind = TCompletionKind::None;
    QString Prefix;
    QStringList Entries;
};

// The completion at the end of Context; LineBefore is the line's text before the position.
// Element names are written in lower case or in upper case as LowerCaseTags says.
TCompletion CompletionAt(const TMarkupContext& context, QStringView lineBefore, bool lowerCaseTags);

// Whether the document writes its tags in lower case, judged by its first tag (looked for in
// the first thousand lines); a document without tags is written in upper case.
bool WritesLowerCaseTags(const TMarkupLines& lines);

// Markup with the names of its tags in the document's case; attributes and values unchanged.
QString TagsInCase(const QString& markup, bool lowerCase);
