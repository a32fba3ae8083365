#include "common/CommandLine.h"

#include <QCoreApplication>
#include <optional>

namespace {
std::optional<QStringList>& StoredArgs() {
    static std::optional<QStringList> args;
    return args;
}

bool IsSeparator(QChar c) {
    return c == ' ' || c.category() == QChar::Other_Control;
}

// Reads a quoted item starting at the opening quote; Pos ends after the closing quote.
QString ReadQuoted(const QString& line, qsizetype& pos) {
    QString item;
    ++pos;
    while (pos < line.size()) {
        if (line.at(pos) == '"') {
            if (pos + 1 < line.size() && line.at(pos + 1) == '"') {
                item += '"';
                pos += 2;
                continue;
            }
            ++pos;
            break;
        }
        item += line.at(pos++);
    }
    return item;
}

const QString EndOfOptions = QStringLiteral("--");

// The index of the first "--" after the program, or the item count when there is none.
qsizetype OptionsEnd(const QStringList& args) {
    const qsizetype end = args.indexOf(EndOfOptions, 1);
    return end < 0 ? args.size() : end;
}
} // namespace

QStringList SplitCommandLine(const QString& commandLine) {
    QStringList items;
    qsizetype pos = 0;
    while (pos < commandLine.size()) {
        if (IsSeparator(commandLine.at(pos))) {
            ++pos;
            continue;
        }
        if (commandLine.at(pos) == '"') {
            items.append(ReadQuoted(commandLine, pos));
            continue;
        }
        const qsizetype start = pos;
        while (pos < commandLine.size() && !IsSeparator(commandLine.at(pos)))
            ++pos;
        items.append(commandLine.mid(start, pos - start));
    }
    return items;
}

const QStringList& CommandLineArgs() {
    if (!StoredArgs())
        StoredArgs() = QCoreApplication::arguments();
    return *StoredArgs();
}

void SetCommandLineArgs(const QStringList& args) {
    StoredArgs() = args;
}

QString CommandLineFile() {
    const QStringList& args = CommandLineArgs();
    if (args.size() >= 2 && !args.at(1).startsWith('-'))
        return args.at(1);
    const qsizetype end = OptionsEnd(args);
    return end + 1 < args.size() ? args.at(end + 1) : QString();
}

bool CommandLineHasFile() {
    return !CommandLineFile().isEmpty();
}

QString CommandLineOption(const QString& name, const QString& defaultValue) {
    const QStringList& args = CommandLineArgs();
    const QString option = '-' + name;
    for (qsizetype i = 1; i + 1 < OptionsEnd(args); ++i) {
        if (args.at(i).compare(option, Qt::CaseInsensitive) == 0)
            return args.at(i + 1);
    }
    return defaultValue;
}

int CommandLineIntOption(const QString& name, int defaultValue) {
    bool ok = false;
    const int value = CommandLineOption(name).toInt(&ok);
    return ok ? value : defaultValue;
}
