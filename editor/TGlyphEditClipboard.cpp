#include "editor/TGlyphEditClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QClipboard* Clipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
               ? QGuiApplication::clipboard()
               : nullptr;
}

QString CopyFailed() {
    return QStringLiteral("Clipboard copy operation failed");
}

QString PasteFailed() {
    return QStringLiteral("Clipboard paste operation failed.");
}

} // namespace

QByteArray EncodeGlyphClipboardBlock(const QString& text, TGlyphSelectionMode mode) {
    QByteArray bytes;
    const QByteArray utf8 = text.toUtf8();
    bytes.reserve(utf8.size() + 2);
    bytes.append(static_cast<char>(mode));
    bytes.append(utf8);
    bytes.append('\0');
    return bytes;
}

bool DecodeGlyphClipboardBlock(const QByteArray& bytes, TGlyphSelectionMode& mode, QString& text) {
    if (bytes.size() < 2 || bytes.back() != '\0')
        return false;
    const auto byte = static_cast<unsigned char>(bytes.front());
    if (byte > smColumn)
        return false;
    mode = static_cast<TGlyphSelectionMode>(byte);
    // Only the last NUL ends the block: a NUL before it is a character of the text, which
    // lines may hold like any other.
    text = QString::fromUtf8(QByteArrayView(bytes).sliced(1, bytes.size() - 2));
    return true;
}

void PutGlyphClipboardText(const QString& text, TGlyphSelectionMode mode) {
    QClipboard* clipboard = Clipboard();
    if (clipboard == nullptr)
        throw EGlyphEditError(CopyFailed());
    auto* data = new QMimeData;
    data->setText(text);
    data->setData(QString::fromLatin1(GlyphEditClipboardMimeType),
                  EncodeGlyphClipboardBlock(text, mode));
    clipboard->setMimeData(data);
    // The platform gives no status for setMimeData; reading the formats back tells whether the
    // clipboard took them.
    const QMimeData* check = clipboard->mimeData();
    if (check == nullptr || !check->hasText() ||
        !check->hasFormat(QString::fromLatin1(GlyphEditClipboardMimeType)))
        throw EGlyphEditError(CopyFailed());
}

bool GlyphClipboardHasText() {
    QClipboard* clipboard = Clipboard();
    const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    return data != nullptr &&
           (data->hasText() || data->hasFormat(QString::fromLatin1(GlyphEditClipboardMimeType)));
}

TGlyphClipboardText GetGlyphClipboardText() {
    TGlyphClipboardText result;
    QClipboard* clipboard = Clipboard();
    const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    if (data == nullptr)
        return result;
    const QString privateType = QString::fromLatin1(GlyphEditClipboardMimeType);
    if (data->hasFormat(privateType)) {
        if (!DecodeGlyphClipboardBlock(data->data(privateType), result.Mode, result.Text))
            throw EGlyphEditError(PasteFailed());
        result.Available = true;
        result.Private = true;
        return result;
    }
    if (data->hasText()) {
        result.Available = true;
        result.Text = data->text();
    }
    return result;
}
