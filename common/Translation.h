#pragma once

#include <QString>

class QObject;

// The interface texts of "lang.txt": sections of (source text, translation) pairs, both held in
// escaped form, sections and source texts compared without regard to case.

// C-style escaping of the file: control characters, double quotes and backslashes.
QString EscapeTranslationText(const QString& text);
// Reverses EscapeTranslationText and also reads octal codes, "\x" codes and "\'", "\?".
// A code of 256 or more throws EGlyphError "Numeric constant too large.".
QString UnescapeTranslationText(const QString& text);

// Fills the table from the user's own "lang.txt", else the shipped one, replacing what was
// loaded before. A missing or unreadable file leaves the table empty; lines that cannot be read
// are skipped.
void LoadTranslations();
// Fills the table from the file at Path (LoadTranslations's work, for any file).
void LoadTranslationsFrom(const QString& path);

// The translation of Text within Section, or Text itself.
QString TranslateText(const QString& text, const QString& section);

// The section of a component: the class name of the nearest window it belongs to, starting with
// itself; "Application" when it belongs to none.
QString TranslationSection(const QObject* component);

// Replaces the texts of Component and of everything it owns with their translations: captions,
// hints, combo box items (keeping the selection), tab captions and column captions. Owned windows
// are left alone: every window translates itself with this call at the end of its constructor.
// A translation that cannot be unescaped leaves its text as it was.
void TranslateComponent(QObject* component);
