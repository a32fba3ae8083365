#include "htmltools/ColorDialog.h"

#include "common/Paths.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

namespace {

constexpr int CustomColorCount = 16;

// A colour value blue first, red last, as the file and the defaults write it.
QColor FromBlueGreenRed(uint value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QColorDialog*& SharedColorDialog() {
    static QColorDialog* dialog = nullptr;
    return dialog;
}

// Widgets must go before the application object does.
void DeleteColorDialog() {
    delete SharedColorDialog();
    SharedColorDialog() = nullptr;
}

} // namespace

QList<QColor> DefaultCustomColors() {
    static const uint values[CustomColorCount] = {
        0x000000, 0x808080, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
        0xFFFFFF, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};
    QList<QColor> colours;
    for (const uint value : values)
        colours.append(FromBlueGreenRed(value));
    return colours;
}

QList<QColor> ReadCustomColors(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return DefaultCustomColors();
    static const QRegularExpression entry(R"(^\s*Color([A-P])\s*=\s*([0-9A-Fa-f]{1,6})\s*$)",
                                          QRegularExpression::CaseInsensitiveOption);
    QList<QColor> colours(CustomColorCount, QColor(Qt::white));
    bool anyRead = false;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QRegularExpressionMatch match = entry.match(QString::fromLatin1(line));
        if (!match.hasMatch())
            continue;
        const int slot = match.captured(1).toUpper().at(0).unicode() - 'A';
        colours[slot] = FromBlueGreenRed(match.captured(2).toUInt(nullptr, 16));
        anyRead = true;
    }
    return anyRead ? colours : DefaultCustomColors();
}

QColorDialog& ColorDialog() {
    QColorDialog*& dialog = SharedColorDialog();
    if (!dialog) {
        qAddPostRoutine(DeleteColorDialog);
        dialog = new QColorDialog;
        dialog->setOption(QColorDialog::DontUseNativeDialog);
        const QList<QColor> colours = ReadCustomColors(UserOrShippedFilePath("CustomColors.txt"));
        for (int i = 0; i < CustomColorCount; ++i)
            QColorDialog::setCustomColor(i, colours.at(i));
    }
    return *dialog;
}
