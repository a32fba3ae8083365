#pragma once

#include <QColor>
#include <QList>
#include <QString>

class QColorDialog;

// The sixteen custom colours "CustomColors.txt" gives, "ColorA" to "ColorP". Each line reads
// name "=" six hexadecimal digits of a colour blue first, red last ("0000FF" is red). Slots the
// file does not name are white; a file that cannot be read, or names no slot readably, gives
// the default sixteen.
QList<QColor> ReadCustomColors(const QString& fileName);

// The default custom colours, ColorA to ColorP.
QList<QColor> DefaultCustomColors();

// The program's one colour dialog. Made on first use with the custom colours of the user's or
// the shipped "CustomColors.txt"; colours the user defines later stay for the rest of the run.
QColorDialog& ColorDialog();
