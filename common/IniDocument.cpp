#include "common/IniDocument.h"

namespace {
bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Qt's ini format wrote names percent-escaped ("My%20Site", "%U20AC") with "/" as "\"; a name
// made only of what that form leaves plain, holding an escape, is read in that form.
QString DecodeLegacyName(const QString& name) {
    bool escaped = false;
    for (const QChar c : name) {
        if (c == '%' || c == '\\')
            escaped = true;
        else if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != '_' && c != '-' && c != '.')
            return name;
    }
    if (!escaped)
        return name;
    QString decoded;
    for (qsizetype i = 0; i < name.size(); ++i) {
        bool ok = false;
        if (name[i] == '\\') {
            decoded += '/';
        } else if (name[i] == '%' && name.mid(i + 1, 1) == "U") {
            const char16_t code = char16_t(name.mid(i + 2, 4).toUInt(&ok, 16));
            if (!ok || name.mid(i + 2, 4).size() != 4)
                return name;
            decoded += QChar(code);
            i += 5;
        } else if (name[i] == '%') {
            const uint code = name.mid(i + 1, 2).toUInt(&ok, 16);
            if (!ok || name.mid(i + 1, 2).size() != 2)
                return name;
            decoded += QChar(char16_t(code));
            i += 2;
        } else {
            decoded += name[i];
        }
    }
    return decoded;
}

// A value between quotation marks, with the backslash escapes Qt's ini format and this one use.
QString Unquote(QStringView quoted) {
    QString value;
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        if (quoted[i] != '\\' || i + 1 == quoted.size()) {
            value += quoted[i];
            continue;
        }
        const QChar c = quoted[++i];
        switch (c.unicode()) {
        case 'n':
            value += '\n';
            break;
        case 'r':
            value += '\r';
            break;
        case 't':
            value += '\t';
            break;
        case '0':
            value += QChar(0);
            break;
        case 'a':
            value += '\a';
            break;
        case 'b':
            value += '\b';
            break;
        case 'f':
            value += '\f';
            break;
        case 'v':
            value += '\v';
            break;
        case 'x': {
            qsizetype end = i + 1;
            while (end < quoted.size() && end < i + 5 && isxdigit(quoted[end].unicode()))
                ++end;
            value += QChar(char16_t(quoted.sliced(i + 1, end - i - 1).toUInt(nullptr, 16)));
            i = end - 1;
            break;
        }
        default:
            value += c; // \\, \", and anything else stands for itself
        }
    }
    return value;
}

QByteArray EncodeValue(const QString& value) {
    bool plain =
        value.isEmpty() || (!value.front().isSpace() && !value.back().isSpace() &&
                            !(value.size() >= 2 && value.front() == '"' && value.back() == '"'));
    for (const QChar c : value)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            plain = false;
    if (plain)
        return value.toUtf8();
    QString quoted = "\"";
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            quoted += "\\\\";
            break;
        case '"':
            quoted += "\\\"";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                quoted += QString("\\x%1").arg(c.unicode(), 2, 16, QChar('0'));
            else
                quoted += c;
        }
    }
    return (quoted + '"').toUtf8();
}

// A name as a line can hold it: a line break would start another line.
QString OneLine(QString name) {
    for (QChar& c : name)
        if (c == '\r' || c == '\n')
            c = ' ';
    return name;
}
} // namespace

TIniDocument TIniDocument::Parse(const QByteArray& text) {
    TIniDocument document;
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    TSection* current = nullptr;
    for (QByteArray raw : lines) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        const QString trimmed = line.trimmed();
        QList<TLine>& target = current ? current->Lines : document.preamble_;
        if (trimmed.startsWith('[') && trimmed.contains(']')) {
            const QString written = trimmed.mid(1, trimmed.lastIndexOf(']') - 1).trimmed();
            const QString name = DecodeLegacyName(written);
            // A section named twice is one section, as readers of such files have it.
            current = document.Find(name);
            if (!current) {
                // An escaped name is written anew as it reads.
                document.sections_.append({name, name == written ? raw : QByteArray(), {}});
                current = &document.sections_.last();
            }
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        const bool comment = trimmed.startsWith(';') || trimmed.startsWith('#');
        if (comment || equals <= 0 || line.left(equals).trimmed().isEmpty()) {
            target.append({{}, {}, raw});
            continue;
        }
        const QString value = line.mid(equals + 1).trimmed();
        const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
        target.append({DecodeLegacyName(line.left(equals).trimmed()),
                       quoted ? Unquote(QStringView(value).sliced(1, value.size() - 2)) : value,
                       {}});
    }
    return document;
}

QByteArray TIniDocument::Text() const {
    QByteArray text;
    auto write = [&text](const QList<TLine>& lines) {
        for (const TLine& line : lines)
            text += line.Key.isEmpty() ? line.Raw + '\n'
                                       : line.Key.toUtf8() + '=' + EncodeValue(line.Value) + '\n';
    };
    write(preamble_);
    for (const TSection& section : sections_) {
        if (!text.isEmpty() && !text.endsWith("\n\n") && section.Header.isEmpty())
            text += '\n';
        text +=
            section.Header.isEmpty() ? '[' + section.Name.toUtf8() + "]\n" : section.Header + '\n';
        write(section.Lines);
    }
    return text;
}

TIniDocument::TSection* TIniDocument::Find(const QString& section) {
    for (TSection& s : sections_)
        if (SameName(s.Name, section))
            return &s;
    return nullptr;
}

const TIniDocument::TSection* TIniDocument::Find(const QString& section) const {
    return const_cast<TIniDocument*>(this)->Find(section);
}

QStringList TIniDocument::Sections() const {
    QStringList names;
    for (const TSection& s : sections_)
        names.append(s.Name);
    return names;
}

bool TIniDocument::HasSection(const QString& section) const {
    return Find(section) != nullptr;
}

QStringList TIniDocument::Keys(const QString& section) const {
    QStringList keys;
    if (const TSection* s = Find(section))
        for (const TLine& line : s->Lines)
            if (!line.Key.isEmpty() && !keys.contains(line.Key, Qt::CaseInsensitive))
                keys.append(line.Key);
    return keys;
}

std::optional<QString> TIniDocument::Value(const QString& section, const QString& key) const {
    std::optional<QString> value;
    if (const TSection* s = Find(section))
        for (const TLine& line : s->Lines)
            if (!line.Key.isEmpty() && SameName(line.Key, key))
                value = line.Value; // the last one counts
    return value;
}

void TIniDocument::SetValue(const QString& section, const QString& key, const QString& value) {
    TSection* s = Find(section);
    if (!s) {
        sections_.append({OneLine(section), {}, {}});
        s = &sections_.last();
    }
    qsizetype at = -1;
    for (qsizetype i = s->Lines.size() - 1; i >= 0; --i) {
        if (s->Lines[i].Key.isEmpty() || !SameName(s->Lines[i].Key, key))
            continue;
        if (at >= 0) {
            s->Lines.removeAt(i); // an earlier duplicate would only confuse a reader
            --at;
        } else {
            at = i;
        }
    }
    if (at >= 0) {
        s->Lines[at].Value = value;
        return;
    }
    // After the section's last key, before the blank lines and comments that lead to the next.
    qsizetype end = s->Lines.size();
    while (end > 0 && s->Lines[end - 1].Key.isEmpty())
        --end;
    s->Lines.insert(end, {OneLine(key), value, {}});
}

bool TIniDocument::RemoveKey(const QString& section, const QString& key) {
    TSection* s = Find(section);
    if (!s)
        return false;
    return s->Lines.removeIf([&](const TLine& line) {
        return !line.Key.isEmpty() && SameName(line.Key, key);
    }) > 0;
}

bool TIniDocument::RemoveSection(const QString& section) {
    return sections_.removeIf([&](const TSection& s) { return SameName(s.Name, section); }) > 0;
}
