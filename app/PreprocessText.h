#pragma once

#include <QDateTime>
#include <QString>

// Nested includes beyond this depth stop the preprocessor: a file that includes itself, or a
// cycle of includes, would otherwise never end.
inline constexpr int MaxIncludeDepth = 16;

// Replacing macros may write and reread this many characters in one run, and
// PreprocessWorkPerCharacter more for each character of the text and of the files it includes,
// so that a long page using macros on every line still goes through.
inline constexpr qsizetype MaxPreprocessWork = qsizetype(1) << 22;
inline constexpr qsizetype PreprocessWorkPerCharacter = 64;

// The most an included file, and all the files one text includes together, may hold.
inline constexpr qint64 MaxIncludeBytes = qint64(16) << 20;

// The quick preview's preprocessor: replaces the macros "$Time$", "$DateTime$", "$Date$" (from
// Now), "$FileName$", "$FilePath$", "$FileExt$" (from the file each line comes from) and the
// names of "#define" directives, and carries out "#define", "#undef" and "#include". Every
// resulting line is followed by CR LF. An included file must be a file that FileName's site may
// show (SiteFiles.h), at most MaxIncludeBytes long, and within MaxIncludeBytes with the files
// included before it: otherwise EGlyphError "Cannot include "<file>": <reason>." is thrown. Throws
// EGlyphFileError when an included file cannot be read, EGlyphError "Include nested too deeply:
// <file>" past MaxIncludeDepth, and EGlyphError "Preprocessed text too large." past that work.
QString PreprocessText(const QString& text, const QString& fileName,
                       const QDateTime& now = QDateTime::currentDateTime());
