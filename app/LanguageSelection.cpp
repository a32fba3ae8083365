#include "app/LanguageSelection.h"

#include <QFileInfo>

namespace {

bool IsBlankOrControl(QChar c) {
    return c == u' ' || c.category() == QChar::Other_Control;
}

// Splits a filter into its pieces: at ";" and "|" outside quotes, leading blanks and control
// characters skipped, quotes removed, empty pieces dropped.
QStringList FilterPieces(const QString& filter) {
    QStringList pieces;
    qsizetype i = 0;
    const qsizetype n = filter.size();
    while (i < n) {
        while (i < n && IsBlankOrControl(filter[i]))
            ++i;
        QString piece;
        if (i < n && (filter[i] == u'"' || filter[i] == u'\'')) {
            const QChar quote = filter[i++];
            while (i < n && filter[i] != quote)
                piece += filter[i++];
            if (i < n)
                ++i;
        }
        while (i < n && filter[i] != u';' && filter[i] != u'|')
            piece += filter[i++];
        if (i < n)
            ++i;
        if (!piece.isEmpty())
            pieces << piece;
    }
    return pieces;
}

} // namespace

QString DocumentExtension(const QString& documentFileName) {
    const QString name = QFileInfo(documentFileName).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

bool ExtensionInFilter(const QString& filter, const QString& extension) {
    if (extension.isEmpty())
        return false;
    const QString wanted = u'*' + extension;
    for (const QString& piece : FilterPieces(filter)) {
        if (piece.compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

TGlyphLanguageId ChooseLanguage(const QString& documentFileName) {
    const QString extension = DocumentExtension(documentFileName);
    for (TGlyphLanguageId id : LanguageChoiceOrder()) {
        if (ExtensionInFilter(QString::fromLatin1(LanguageEntry(id).Filter), extension))
            return id;
    }
    return glGeneral;
}
