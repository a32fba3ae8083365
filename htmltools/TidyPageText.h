#pragma once

// What the editor does to a page's text around a Tidy run: its server-side blocks are hidden
// from Tidy and put back afterwards, and the characters that the chosen output encoding cannot
// hold are written as character references.

#include <QList>
#include <QString>
#include <QStringList>

// Server-side blocks (<?php ?>, <?= ?>, <% %>, <!--# -->) replaced by placeholders that Tidy
// leaves alone, and put back after the run.
struct TServerBlocks {
    QStringList Originals;
    QStringList Patterns; // what each block's placeholder may look like after the run
    QList<int> Lines;     // the line each block starts on, from 1
};
QString ProtectServerBlocks(const QString& text, TServerBlocks& blocks);
// Puts every block back; throws EGlyphError naming the line of the first block whose
// placeholder Tidy did not keep, so that nothing half restored ever replaces a document.
QString RestoreServerBlocks(const QString& text, const TServerBlocks& blocks);

// Text (Tidy's UTF-8 output) with every character outside the Tidy output encoding named
// Encoding ("ascii", "latin1", "win1252", "mac", "iso2022"; "utf8" and "raw" hold them all)
// written as a numeric character reference, in text and attribute values. Comments, scripts
// and styles keep their characters: a reference there would change what they say.
QString WriteAsReferencesOutside(const QString& text, const QByteArray& encoding);
