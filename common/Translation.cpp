#include "common/Translation.h"

#include "common/GlyphErrors.h"
#include "common/Paths.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHash>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStringDecoder>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <cstring>

namespace {

// Section -> (source text -> translation); sections and source texts case-folded.
using TTranslationTable = QHash<QString, QHash<QString, QString>>;

TTranslationTable& Table() {
    static TTranslationTable table;
    return table;
}

// The control characters with a letter escape, in code order from 7 (bell) to 13.
constexpr char ControlLetters[] = "abtnvfr";

int HexValue(QChar c) {
    if (c >= '0' && c <= '9')
        return c.unicode() - '0';
    if (c >= 'a' && c <= 'f')
        return c.unicode() - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c.unicode() - 'A' + 10;
    return -1;
}

QChar CodeToChar(int code) {
    if (code >= 256)
        throw EGlyphError(QStringLiteral("Numeric constant too large."));
    return QChar(code);
}

// The text after the first "=" of a line, trimmed.
QString ValueOfLine(const QString& line) {
    return line.mid(line.indexOf('=') + 1).trimmed();
}

// The section a "<" line selects: after the first "//", up to the next "-"; empty otherwise.
QString SectionOfLine(const QString& line) {
    const qsizetype start = line.indexOf(QLatin1String("//"));
    if (start < 0)
        return {};
    const qsizetype end = line.indexOf('-', start + 2);
    if (end < 0)
        return {};
    return line.mid(start + 2, end - start - 2).trimmed();
}

// A file that is not UTF-8 is taken as Latin-1, so that any byte still reads as a character.
QString DecodeFile(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// A text of a control replaced by its translation; a translation that cannot be read leaves the
// text alone, so a faulty lang.txt never stops a window from opening.
template <class Get, class Set> void TranslateProperty(const QString& section, Get get, Set set) {
    const QString text = get();
    if (text.isEmpty())
        return;
    try {
        const QString translated = TranslateText(text, section);
        if (translated != text)
            set(translated);
    } catch (const EGlyphError&) {
    }
}

void TranslateHint(QObject* component, const QString& section) {
    if (auto* widget = qobject_cast<QWidget*>(component)) {
        TranslateProperty(
            section, [&] { return widget->toolTip(); },
            [&](const QString& t) { widget->setToolTip(t); });
    }
}

void TranslateComboBox(QComboBox* box, const QString& section) {
    const int index = box->currentIndex();
    for (int i = 0; i < box->count(); ++i) {
        TranslateProperty(
            section, [&] { return box->itemText(i); },
            [&](const QString& t) { box->setItemText(i, t); });
    }
    box->setCurrentIndex(index);
    if (box->isEditable()) {
        TranslateProperty(
            section, [&] { return box->currentText(); },
            [&](const QString& t) { box->setEditText(t); });
    }
}

void TranslateTabBar(QTabBar* bar, const QString& section) {
    for (int i = 0; i < bar->count(); ++i) {
        TranslateProperty(
            section, [&] { return bar->tabText(i); },
            [&](const QString& t) { bar->setTabText(i, t); });
    }
}

void TranslateHeader(QTreeWidgetItem* header, const QString& section) {
    for (int i = 0; i < header->columnCount(); ++i) {
        TranslateProperty(
            section, [&] { return header->text(i); },
            [&](const QString& t) { header->setText(i, t); });
    }
}

// The caption or window text of any other visual control. Text the user types (edit boxes) is
// not an interface text and stays as it is.
void TranslateCaption(QWidget* widget, const QString& section) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        TranslateProperty(
            section, [&] { return label->text(); }, [&](const QString& t) { label->setText(t); });
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        TranslateProperty(
            section, [&] { return button->text(); }, [&](const QString& t) { button->setText(t); });
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        TranslateProperty(
            section, [&] { return group->title(); }, [&](const QString& t) { group->setTitle(t); });
    } else if (auto* menu = qobject_cast<QMenu*>(widget)) {
        // A menu's caption is its title; its action is the same item seen from the menu bar.
        TranslateProperty(
            section, [&] { return menu->title(); }, [&](const QString& t) { menu->setTitle(t); });
    }
    TranslateProperty(
        section, [&] { return widget->windowTitle(); },
        [&](const QString& t) { widget->setWindowTitle(t); });
}

void TranslateAction(QAction* action, const QString& section) {
    // A menu's own action shares the menu's title, which the menu translates.
    if (action->menu())
        return;
    const bool ownHint = action->toolTip() != QString(action->text()).remove('&');
    TranslateProperty(
        section, [&] { return action->text(); }, [&](const QString& t) { action->setText(t); });
    if (ownHint) {
        TranslateProperty(
            section, [&] { return action->toolTip(); },
            [&](const QString& t) { action->setToolTip(t); });
    }
}

bool IsWindow(const QObject* object) {
    return qobject_cast<const QMainWindow*>(object) || qobject_cast<const QDialog*>(object);
}

void TranslateOne(QObject* component, const QString& section) {
    if (qobject_cast<QGuiApplication*>(component)) {
        TranslateProperty(
            section, [] { return QGuiApplication::applicationDisplayName(); },
            [](const QString& t) { QGuiApplication::setApplicationDisplayName(t); });
        return;
    }
    if (auto* action = qobject_cast<QAction*>(component)) {
        TranslateAction(action, section);
        return;
    }
    auto* widget = qobject_cast<QWidget*>(component);
    if (!widget)
        return;
    TranslateHint(widget, section);
    if (auto* box = qobject_cast<QComboBox*>(widget)) {
        TranslateComboBox(box, section);
    } else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
        TranslateCaption(widget, section);
        TranslateTabBar(tabs->tabBar(), section);
    } else if (auto* bar = qobject_cast<QTabBar*>(widget)) {
        // The bar of a tab widget is translated with its widget.
        if (!qobject_cast<QTabWidget*>(bar->parent()))
            TranslateTabBar(bar, section);
    } else if (auto* tree = qobject_cast<QTreeWidget*>(widget)) {
        TranslateHeader(tree->headerItem(), section);
    } else if (auto* table = qobject_cast<QTableWidget*>(widget)) {
        for (int i = 0; i < table->columnCount(); ++i) {
            if (QTableWidgetItem* item = table->horizontalHeaderItem(i)) {
                TranslateProperty(
                    section, [&] { return item->text(); },
                    [&](const QString& t) { item->setText(t); });
            }
        }
    } else {
        TranslateCaption(widget, section);
    }
}

void TranslateTree(QObject* component, bool top) {
    // Another window translates itself when it is made.
    if (!top && IsWindow(component))
        return;
    TranslateOne(component, TranslationSection(component));
    for (QObject* child : component->children())
        TranslateTree(child, false);
}

} // namespace

QString EscapeTranslationText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= 7 && code <= 13) {
            out += '\\';
            out += QLatin1Char(ControlLetters[code - 7]);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (code < 32) {
            out += QStringLiteral("\\x") +
                   QStringLiteral("%1").arg(int(code), 2, 16, QLatin1Char('0')).toUpper();
        } else {
            out += c;
        }
    }
    return out;
}

QString UnescapeTranslationText(const QString& text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != '\\' || i + 1 == n) {
            out += c;
            continue;
        }
        const QChar next = text.at(i + 1);
        if (next == '"' || next == '\'' || next == '?' || next == '\\') {
            out += next;
            ++i;
        } else if (const char* letter = next.unicode() < 128 && next != '\0'
                                            ? std::strchr(ControlLetters, char(next.unicode()))
                                            : nullptr) {
            out += QChar(int(letter - ControlLetters) + 7);
            ++i;
        } else if (next >= '0' && next <= '7') {
            int code = 0;
            qsizetype j = i + 1;
            for (; j < n && j < i + 4 && text.at(j) >= '0' && text.at(j) <= '7'; ++j)
                code = code * 8 + (text.at(j).unicode() - '0');
            out += CodeToChar(code);
            i = j - 1;
        } else if (next == 'x' && i + 2 < n && HexValue(text.at(i + 2)) >= 0) {
            int code = HexValue(text.at(i + 2));
            qsizetype j = i + 3;
            if (j < n && HexValue(text.at(j)) >= 0)
                code = code * 16 + HexValue(text.at(j++));
            out += CodeToChar(code);
            i = j - 1;
        } else {
            out += c; // the backslash stays; the next character is read as itself
        }
    }
    return out;
}

void LoadTranslationsFrom(const QString& path) {
    TTranslationTable& table = Table();
    table.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = DecodeFile(file.readAll());
    QString section;
    QString source;
    QString translation;
    for (QStringView raw : QStringView(text).tokenize(QLatin1Char('\n'))) {
        const QString line = raw.trimmed().toString();
        if (line.isEmpty() || line.startsWith(';')) {
            continue;
        } else if (line.startsWith('<')) {
            section = SectionOfLine(line);
        } else if (line.startsWith(QLatin1String("E="))) {
            source = ValueOfLine(line);
        } else if (line.startsWith(QLatin1String("T="))) {
            translation = ValueOfLine(line);
            if (!section.isEmpty() && !source.isEmpty() && !translation.isEmpty() &&
                translation != QLatin1String("*"))
                table[section.toCaseFolded()].insert(source.toCaseFolded(), translation);
            source.clear();
            translation.clear();
        }
    }
}

void LoadTranslations() {
    LoadTranslationsFrom(UserOrShippedFilePath(QStringLiteral("lang.txt")));
}

QString TranslateText(const QString& text, const QString& section) {
    const auto found = Table().constFind(section.toCaseFolded());
    if (found == Table().constEnd())
        return text;
    const QString escaped = EscapeTranslationText(text);
    return UnescapeTranslationText(found->value(escaped.toCaseFolded(), escaped));
}

QString TranslationSection(const QObject* component) {
    for (const QObject* o = component; o; o = o->parent()) {
        if (IsWindow(o))
            return QString::fromLatin1(o->metaObject()->className());
    }
    return QStringLiteral("Application");
}

void TranslateComponent(QObject* component) {
    if (component && !Table().isEmpty())
        TranslateTree(component, true);
}
