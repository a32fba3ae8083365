#include "net/FtpListing.h"

#include <QRegularExpression>

namespace {
// "20240131235959" (seconds may carry a fraction), as UTC.
QDateTime ParseMlsdTime(const QString& text) {
    QDateTime time = QDateTime::fromString(text.left(14), "yyyyMMddHHmmss");
    if (time.isValid())
        time.setTimeSpec(Qt::UTC);
    return time;
}

// "type=file;size=12;modify=20240101000000; name"
bool ParseMlsdLine(const QString& line, TFtpFindData& entry) {
    const qsizetype space = line.indexOf("; ");
    if (space < 0 || !line.left(space).contains('='))
        return false;
    entry.Name = line.mid(space + 2);
    bool typed = false;
    for (const QString& fact : line.left(space).split(';', Qt::SkipEmptyParts)) {
        const qsizetype eq = fact.indexOf('=');
        if (eq < 0)
            continue;
        const QString key = fact.left(eq).toLower();
        const QString value = fact.mid(eq + 1);
        if (key == "type") {
            const QString type = value.toLower();
            if (type == "cdir" || type == "pdir")
                return false; // the folder itself and its parent: not entries
            entry.Directory = type == "dir";
            typed = true;
        } else if (key == "size") {
            entry.Size = qMax<qint64>(0, value.toLongLong());
        } else if (key == "modify") {
            entry.LastWriteTime = ParseMlsdTime(value);
        }
    }
    return typed && !entry.Name.isEmpty();
}

// "drwxr-xr-x 2 user group 4096 Jan 31 12:00 name" or "... Jan 31  2020 name"
bool ParseUnixLine(const QString& line, TFtpFindData& entry) {
    static const QRegularExpression pattern(
        R"(^([-dlbcps])[-rwxsStTl+.@]{9,10}\s+(?:\S+\s+){2,3}?(\d+)\s+([A-Za-z]{3})\s+(\d{1,2})\s+(\d{1,2}:\d{2}|\d{4})\s(.+)$)");
    const QRegularExpressionMatch m = pattern.match(line);
    if (!m.hasMatch())
        return false;
    entry.Directory = m.captured(1) == "d";
    entry.Size = qMax<qint64>(0, m.captured(2).toLongLong());
    QString name = m.captured(6);
    if (m.captured(1) == "l") {
        const qsizetype arrow = name.indexOf(" -> ");
        if (arrow >= 0)
            name.truncate(arrow);
    }
    entry.Name = name;
    const QString when = m.captured(5);
    static const QStringList months = {"jan", "feb", "mar", "apr", "may", "jun",
                                       "jul", "aug", "sep", "oct", "nov", "dec"};
    const int month = int(months.indexOf(m.captured(3).toLower())) + 1;
    const int day = m.captured(4).toInt();
    if (month > 0) {
        const bool hasYear = !when.contains(':');
        int year = hasYear ? when.toInt() : QDate::currentDate().year();
        QTime time = hasYear ? QTime(0, 0) : QTime::fromString(when, "H:mm");
        QDate date(year, month, day);
        // Without a year the date lies within the last twelve months.
        if (!hasYear && date.isValid() && date > QDate::currentDate().addDays(1))
            date = QDate(year - 1, month, day);
        entry.LastWriteTime = QDateTime(date, time);
    }
    return !entry.Name.isEmpty();
}

// "01-31-24  11:59PM       <DIR>          name" or "...  1234 name"
bool ParseDosLine(const QString& line, TFtpFindData& entry) {
    static const QRegularExpression pattern(
        R"(^(\d{2})-(\d{2})-(\d{2,4})\s+(\d{1,2}):(\d{2})([AaPp][Mm])\s+(<DIR>|\d+)\s+(.+)$)");
    const QRegularExpressionMatch m = pattern.match(line);
    if (!m.hasMatch())
        return false;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 70 ? 2000 : 1900;
    int hour = m.captured(4).toInt() % 12;
    if (m.captured(6).toUpper() == "PM")
        hour += 12;
    entry.LastWriteTime = QDateTime(QDate(year, m.captured(1).toInt(), m.captured(2).toInt()),
                                    QTime(hour, m.captured(5).toInt()));
    entry.Directory = m.captured(7) == "<DIR>";
    entry.Size = entry.Directory ? 0 : qMax<qint64>(0, m.captured(7).toLongLong());
    entry.Name = m.captured(8);
    return true;
}
} // namespace

QList<TFtpFindData> ParseFtpListing(QByteArrayView text) {
    QList<TFtpFindData> entries;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArrayView raw = text.sliced(start, end - start);
        start = end + 1;
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        TFtpFindData entry;
        if (ParseMlsdLine(line, entry) || ParseUnixLine(line, entry) || ParseDosLine(line, entry)) {
            if (!entry.LastWriteTime.isValid())
                entry.LastWriteTime = {};
            entries.append(entry);
        }
    }
    return entries;
}

bool IsSafeLocalFileName(const QString& name) {
    if (name.isEmpty() || name.startsWith('.'))
        return false;
    for (const QChar c : name)
        if (c == '/' || c == '\\' || c == QChar(0) || c == '\r' || c == '\n')
            return false;
    return true;
}

QString PrintableFileName(const QString& name) {
    QString text;
    text.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool bidi = u == 0x061C || u == 0x200E || u == 0x200F ||
                          (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
        if (u == '\r')
            text += "\\r";
        else if (u == '\n')
            text += "\\n";
        else if (u == 0)
            text += "\\0";
        else if (bidi || c.category() == QChar::Other_Control || u == 0x2028 || u == 0x2029)
            text += "\\u" + QString::number(uint(u), 16).toUpper().rightJustified(4, '0');
        else
            text += c;
    }
    return text;
}
