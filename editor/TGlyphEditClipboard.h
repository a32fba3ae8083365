#pragma once

#include "editor/TGlyphEditTypes.h"

#include <QByteArray>
#include <QString>

// The MIME type under which the editor's private clipboard format "GlyphEdit Control Block
// Type" travels: one byte with the selection mode, then the text in UTF-8 (NUL characters
// included) and a closing NUL. A copy and paste inside the program keeps the selection mode
// through it.
inline constexpr char GlyphEditClipboardMimeType[] = "application/x-glyphedit-control-block-type";

// What the clipboard offers the editor.
struct TGlyphClipboardText {
    bool Available = false; // plain text or the private format is present
    bool Private = false;   // the text came from the private format
    TGlyphSelectionMode Mode = smNormal;
    QString Text;
};

// The bytes of the private format for a text copied in `mode`.
QByteArray EncodeGlyphClipboardBlock(const QString& text, TGlyphSelectionMode mode);
// Reads the private format; false when the bytes are not a valid block.
bool DecodeGlyphClipboardBlock(const QByteArray& bytes, TGlyphSelectionMode& mode, QString& text);

// Puts `text` on the clipboard as plain text and in the private format. Throws EGlyphEditError
// "Clipboard copy operation failed" when the clipboard does not take it.
void PutGlyphClipboardText(const QString& text, TGlyphSelectionMode mode);
// Whether the clipboard holds plain text or the private format.
bool GlyphClipboardHasText();
// The clipboard's text, from the private format when present. Throws EGlyphEditError
// "Clipboard paste operation failed." when the private format cannot be read.
TGlyphClipboardText GetGlyphClipboardText();
