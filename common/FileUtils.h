#pragma once

#include <QByteArrayView>
#include <QString>

// A path counts as read-only when the process cannot write it (access with W_OK fails) or when
// its mode has no write bit at all, so that a 0444 file is read-only even for root. A path that
// cannot be examined counts as read-only too.
bool IsFileReadOnly(const QString& fileName);

// The folder part of FileName is read-only or cannot be examined; a name without a folder part
// and a folder that does not exist count as read-only.
bool IsFolderReadOnly(const QString& fileName);

// FileName lies in the program's internet cache folder (compared without regard to case).
bool IsInInternetCache(const QString& fileName);

// The file exists and can be saved over where it is.
bool CanSaveInPlace(const QString& fileName);

// The file can be written: its folder is writable, it is not an existing read-only file, and it
// is not a downloaded copy in the internet cache.
bool CanWriteFile(const QString& fileName);

// The backup name of FileName: the extension becomes ".~" + old extension without its dot
// ("page.htm" -> "page.~htm"); a name without extension gets ".~" added ("README" -> "README.~").
QString BackupFileName(const QString& fileName);

// Copies FileName to BackupFileName(FileName), replacing an older backup. A failed copy is not
// an error for the caller (the save goes on); the result tells whether the copy was made.
bool MakeBackupCopy(const QString& fileName);

// Kilobytes counted upward (any remainder adds one), with the locale's thousands separator and
// no decimals, followed by "KB": 1 -> "1KB", 1025 -> "2KB", 1024000 -> "1,000KB".
QString FormatKilobytes(qint64 bytes);

// Creates or truncates FileName and writes Text as UTF-8, nothing more (no byte-order mark, no
// added line break). Throws EGlyphFileError when the file cannot be written.
void SaveTextToFile(const QString& text, const QString& fileName);
// SaveTextToFile for bytes as they stand.
void SaveBytesToFile(const QByteArray& bytes, const QString& fileName);

// Writes all of Bytes to the open descriptor, again after an interruption or a short write.
// Answers 0, or the error that stopped it (ENOSPC when the system took nothing).
int WriteAllToDescriptor(int fd, QByteArrayView bytes);
