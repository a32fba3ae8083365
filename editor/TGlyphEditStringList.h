#pragma once

#include "common/GlyphErrors.h"
#include "editor/TGlyphEditLineChars.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

class QIODevice;

// The index error of the line buffer: "Invalid stringlist index %d".
class EGlyphEditStringList : public EGlyphError {
public:
    explicit EGlyphEditStringList(int index);
};

enum TLineBreakStyle { lbsCrLf, lbsLf, lbsCr };

// How a file's bytes were turned into text, so that saving writes them back the same way.
enum class TTextEncoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

// The names the user sees: "UTF-8", "UTF-8 with BOM", "UTF-16 LE", "UTF-16 BE",
// "Windows-1252"; "CR LF", "LF", "CR".
QString TextEncodingName(TTextEncoding encoding, bool byteOrderMark);
QString LineBreakStyleName(TLineBreakStyle style);

// Text as bytes of a single-byte or UTF-8 encoding (Utf8 or Windows1252); nothing when a
// character has no byte in Windows-1252.
std::optional<QByteArray> EncodeTextAs(const QString& text, TTextEncoding encoding);
// Bytes of Utf8 or Windows1252 as text; every Windows-1252 byte reads as one character.
QString DecodeTextAs(const QByteArray& bytes, TTextEncoding encoding);

// Neither tab flag: not yet looked at.
enum TGlyphEditStringFlag : std::uint8_t {
    sfHasTabs = 1,
    sfHasNoTabs = 2,
    sfTabFlags = 3,
    // A line whose break differs from the list's style keeps its own there: the style plus one,
    // shifted by sfBreakShift; 0 means the list's style.
    sfBreakShift = 2,
    sfOwnBreak = 3 << sfBreakShift,
};

// The most a load may hold: the line store counts lines and characters in ints.
struct TGlyphLoadLimits {
    qsizetype MaxLines = INT_MAX;
    qsizetype MaxLineLength = INT_MAX;
};

// One line of the buffer: 12 bytes besides the characters, so that a loaded line whose
// characters stay in their shared chunk costs little more than its own bytes. The caller's
// user data, rarely used, lives in a side table of the list. A line's expanded width is not
// kept: without tabs it is its length, and with tabs it is counted when asked for (the list
// keeps only the longest line's).
struct TGlyphEditStringRec {
    static constexpr int StateBits = 28;

    TGlyphEditLineChars Chars; // the text without its line break
    // Scanner state at the start of the line; -1: not scanned. A state that does not fit here
    // is kept in the list's table of large states, which this then numbers.
    std::int32_t State : StateBits = -1;
    // Whether the line holds tabs, filled in when first asked for (also through const
    // readers), and the line's own break (TGlyphEditStringFlag).
    mutable std::uint32_t TabFlags : 32 - StateBits = 0;
};
Q_DECLARE_TYPEINFO(TGlyphEditStringRec, Q_RELOCATABLE_TYPE);
static_assert(sizeof(TGlyphEditStringRec) == 12);

// The text store of the editor: an indexed list of lines with a per-line scanner state and the
// longest line's expanded width; reads and writes whole files keeping their encoding and each
// line's break, so that a file opened and saved unchanged keeps its bytes. Every change is reported
// through the notification hooks.
class TGlyphEditStringList {
public:
    using TNotify = std::function<void()>;
    using TLineNotify = std::function<void(int index, const QString& text)>;
    // A changed line is named by its index only: its text may be megabytes long, and a
    // listener that needs it asks for it.
    using TIndexNotify = std::function<void(int index)>;
    using TDeleteNotify = std::function<void(int index, int count)>;

    TGlyphEditStringList();

    // Notification hooks of the owning editor.
    TNotify OnBeginChanges;
    TNotify OnEndChanges;
    TLineNotify OnLineAdded;
    TLineNotify OnLineInserted;
    TIndexNotify OnLineChanged;
    TDeleteNotify OnLinesDeleted;
    // Lines [index, index + count) were rewritten in place, their number unchanged.
    TDeleteNotify OnLinesRewritten;
    TNotify OnCleared;
    // Before lines [index, index + count) are rewritten or removed; a count of 0: before lines
    // are inserted at index. Lets the editor note what the lines were, their breaks included.
    std::function<void(int index, int count)> OnLinesAboutToChange;

    int LineCount() const { return static_cast<int>(records_.size()); }
    int Capacity() const { return static_cast<int>(records_.capacity()); }

    QString GetLine(int i) const;
    // The same into `text`, reusing its room (see TGlyphEditLineChars::CopyTo).
    void GetLineInto(int i, QString& text) const;
    // Parts of a line without building the whole line: for very long lines.
    int LineLength(int i) const;
    // QString::mid semantics: a negative count takes the rest of the line.
    QString LineMid(int i, qsizetype from, qsizetype count) const;
    // The character at `pos`; a null character outside the line.
    QChar LineChar(int i, qsizetype pos) const;
    // Whether line i holds a tab (from the cached flags when they are known).
    bool LineHasTabs(int i) const;
    // Replaces `count` characters at `from` of line i by `text` without rebuilding the line;
    // from and count are clipped to the line. Keeps the expanded length and the longest line
    // up to date where the edit allows it; fires OnLineChanged(i); update bracket.
    void ReplaceChars(int i, qsizetype from, qsizetype count, QStringView text);
    // Where the latest OnLineChanged came from: an in-place edit of Line (From, Removed and
    // Inserted in characters), or Line -1 when the line was replaced whole. Listeners that keep
    // data by column (scanner checkpoints) shift it instead of comparing texts.
    struct TLineEdit {
        int Line = -1;
        qsizetype From = 0;
        qsizetype Removed = 0;
        qsizetype Inserted = 0;
    };
    const TLineEdit& LastLineEdit() const { return lastLineEdit_; }
    void SetLine(int i, const QString& s);
    void SetLine(int i, QStringView s);
    // Gives each line of `lines` (0-based, ascending) the characters at the same place of
    // `chars` and leaves the line's former characters there, as one change: one bracket, and one
    // OnLinesRewritten for each run of neighbouring lines. Swapping them back undoes it exactly;
    // a line that still points into a shared chunk moves over without a copy.
    void ExchangeLineChars(const std::vector<int>& lines, std::vector<TGlyphEditLineChars>& chars);
    void* GetLineData(int i) const;
    void SetLineData(int i, void* d);
    int AppendLine(const QString& s);
    void InsertLine(int i, const QString& s);
    void DeleteLine(int i);
    void SwapLines(int i, int j);
    void RemoveAll();
    void AppendLines(const TGlyphEditStringList& list);
    void InsertEmptyLines(int i, int n);
    void RemoveLines(int i, int n);

    std::intptr_t RangeState(int i) const;
    void SetRangeState(int i, std::intptr_t v);

    QString ExpandedText(int i);
    int LongestLineLength();
    int LongestLineIndex() const { return longestLineIndex_; }

    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int w);

    // The style of the loaded file's most frequent break: edited and new lines take it.
    TLineBreakStyle LineBreakStyle() const { return lineBreakStyle_; }
    // Gives every line this style (dropping the lines' own breaks).
    void SetLineBreakStyle(TLineBreakStyle style);
    // Whether some lines keep a break of their own that differs from the style.
    bool MixedLineBreaks() const { return ownBreaks_ > 0; }
    // Line i's own break; none when it takes the style (or i is no line).
    std::optional<TLineBreakStyle> OwnLineBreak(int i) const;
    // Gives line i a break of its own, or none; a break equal to the style is none.
    void SetOwnLineBreak(int i, std::optional<TLineBreakStyle> style);
    // Advances whenever every line's break is settled afresh (a load, a new style, clearing):
    // what was noted about the lines' own breaks before no longer holds.
    quint32 LineBreakEpoch() const { return lineBreakEpoch_; }
    // False when the loaded file's last line had no break, which saving keeps so.
    bool BreakAfterLastLine() const { return breakAfterLastLine_; }
    void SetBreakAfterLastLine(bool value) { breakAfterLastLine_ = value; }
    TTextEncoding Encoding() const { return encoding_; }
    bool HasByteOrderMark() const { return byteOrderMark_; }
    // The encoding the next saves use; Windows-1252 has no byte-order mark.
    void SetEncoding(TTextEncoding encoding, bool byteOrderMark);
    // Whether every character of the text can be written in that encoding.
    bool CanEncodeAs(TTextEncoding encoding) const;

    // Loads are refused, leaving the text as it was, when they would pass these.
    TGlyphLoadLimits LoadLimits;

    QString AllText() const;
    void SetAllText(const QString& text);
    QStringList Lines() const;

    // Loads the file's bytes in the given encoding, or in the one its bytes show without.
    // Everything is read and decoded before the old text goes, so a failure changes nothing.
    void LoadFile(const QString& fileName, std::optional<TTextEncoding> encoding = {});
    void LoadStream(QIODevice& stream, std::optional<TTextEncoding> encoding = {});
    void SaveFile(const QString& fileName) const;
    void SaveStream(QIODevice& stream) const;
    QByteArray SaveToBytes() const;

    void BeginChanges();
    void EndChanges();

private:
    void SetLineChars(int i, TGlyphEditLineChars&& chars);
    void Grow(int needed);
    void CheckIndex(int i, int count) const;
    void LoadDevice(QIODevice& device, std::optional<TTextEncoding> encoding,
                    const QString& errorStart, const QString& readError);
    void ForgetOwnBreak(const TGlyphEditStringRec& rec);
    void AboutToChange(int index, int count);
    template <typename Sink> void EncodeLines(Sink&& sink) const;
    // Whether the line holds a tab, noted in its flags the first time it is asked.
    bool HasTabs(const TGlyphEditStringRec& rec) const;
    int ExpandedLengthOf(const TGlyphEditStringRec& rec) const;
    std::int32_t StoredState(std::intptr_t state);
    // Keeps the longest line known across an edit of line i, where it is known.
    void AfterLineEdit(int i);
    void AfterLinesInserted(int i, int n);
    void AfterLinesRemoved(int i, int n);
    // Settles the longest line across the latest line set whole, before anything else changes.
    void SettleLongestLine();
    void ShiftUserData(int from, int delta);
    void DropUserData(int from, int count);

    QList<TGlyphEditStringRec> records_;
    std::map<int, void*> userData_; // by line index; only lines that carry data
    // Scanner states too large for a record, each stored once.
    std::vector<std::intptr_t> largeStates_;
    std::unordered_map<std::intptr_t, std::int32_t> largeStateNumbers_;
    TLineEdit lastLineEdit_;
    TLineBreakStyle lineBreakStyle_ = lbsCrLf;
    TTextEncoding encoding_ = TTextEncoding::Utf8;
    bool byteOrderMark_ = false;
    bool breakAfterLastLine_ = true;
    int ownBreaks_ = 0; // lines with a break of their own
    quint32 lineBreakEpoch_ = 0;
    int tabWidth_ = 8;
    int longestLineIndex_ = -1; // -1: to be found again
    int longestLength_ = 0;     // its expanded length, when it is known
    // A line set whole while the longest line was known: the longest line is then settled from
    // this line alone when next asked for, or before the next change.
    struct TUnsettledLine {
        int Line = -1;
        int LongestIndex = -1;
        int LongestLength = 0;
    } unsettled_;
    int updateCount_ = 0;
};

// Writes lines to a device through a 16384-byte output buffer with the given line break.
class TGlyphEditFiler {
public:
    static constexpr int BufferSize = 16384;
    virtual ~TGlyphEditFiler() = default;
};

class TGlyphEditFileWriter : public TGlyphEditFiler {
public:
    TGlyphEditFileWriter(QIODevice& device, TLineBreakStyle style);
    ~TGlyphEditFileWriter() override;
    TGlyphEditFileWriter(const TGlyphEditFileWriter&) = delete;
    TGlyphEditFileWriter& operator=(const TGlyphEditFileWriter&) = delete;

    // Adds the bytes of one line and the writer's line break, or the break given.
    void WriteLine(QByteArrayView line);
    void WriteLine(QByteArrayView line, QByteArrayView lineBreak);
    // Adds bytes without a line break (the byte-order mark).
    void WriteRaw(QByteArrayView bytes);
    // Writes out what the buffer holds; throws EGlyphFileError when the device refuses it.
    void Flush();

private:
    void Put(QByteArrayView data, QByteArrayView lineBreak);

    QIODevice& device_;
    QByteArray lineBreak_;
    QByteArray buffer_;
    qsizetype used_ = 0;
};
