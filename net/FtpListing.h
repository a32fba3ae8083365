#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

// One entry of a remote folder listing, as the find-data record of a listing carries it.
struct TFtpFindData {
    QString Name;
    qint64 Size = 0;
    QDateTime LastWriteTime; // invalid when the server gave none that can be read
    bool Directory = false;
};

// The entries of a listing text, in the order given. Understands the machine listing (MLSD
// facts), the Unix "ls -l" form and the DOS/IIS form; lines of any other shape are skipped.
// Total on any input: no text can make it fail, and nothing outside the text is looked at
// except the current year for Unix lines without one.
QList<TFtpFindData> ParseFtpListing(QByteArrayView text);

// Name, given by a server, may be used as the name of a local file in the chosen folder: it is
// not empty, does not begin with "." (no hidden file, nor "." or ".."), holds no "/", "\", NUL,
// CR or LF (so it cannot name a path or break a line).
bool IsSafeLocalFileName(const QString& name);

// Name as a list or the log may show it: control characters and the characters that turn the
// direction of text (which can make "exe.txt" read as "txt.exe") written out as escapes.
QString PrintableFileName(const QString& name);
