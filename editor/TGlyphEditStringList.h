#pragma once

#include "common/GlyphErrors.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class QIODevice;

// The index error of the line buffer: "Invalid stringlist index %d".
class EGlyphEditStringList : public EGlyphError {
public:
    explicit EGlyphEditStringList(int index);
};

enum TLineBreakStyle { lbsCrLf, lbsLf, lbsCr };

// How a file's bytes were turned into text, so that saving writes them back the same way.
enum class TTextEncoding { Utf8, Windows1252 };

enum TGlyphEditStringFlag : std::uint8_t {
    sfHasTabs = 1,
    sfHasNoTabs = 2,
    sfExpandedLengthUnknown = 4,
};

// One line of the buffer.
struct TGlyphEditStringRec {
    QString Chars;                 // the text without its line break
    void* UserData = nullptr;      // attached by callers; never owned
    std::intptr_t RangeState = -1; // scanner state at the start of the line; -1: not scanned
    std::int32_t ExpandedLength = -1;
    std::uint8_t TabFlags = sfExpandedLengthUnknown;
};
Q_DECLARE_TYPEINFO(TGlyphEditStringRec, Q_RELOCATABLE_TYPE);

// The text store of the editor: an indexed list of lines with a per-line scanner state and a
// cached expanded width; reads and writes whole files keeping their line-break style and
// encoding. Every change is reported through the notification hooks.
class TGlyphEditStringList {
public:
    using TNotify = std::function<void()>;
    using TLineNotify = std::function<void(int index, const QString& text)>;
    using TDeleteNotify = std::function<void(int index, int count)>;

    TGlyphEditStringList();

    // Notification hooks of the owning editor.
    TNotify OnBeginChanges;
    TNotify OnEndChanges;
    TLineNotify OnLineAdded;
    TLineNotify OnLineInserted;
    TLineNotify OnLineChanged;
    TDeleteNotify OnLinesDeleted;
    TNotify OnCleared;

    int LineCount() const { return static_cast<int>(records_.size()); }
    int Capacity() const { return static_cast<int>(records_.capacity()); }

    QString GetLine(int i) const;
    // Parts of a line without building the whole line: for very long lines.
    int LineLength(int i) const;
    QString LineMid(int i, qsizetype from, qsizetype count) const;
    void SetLine(int i, const QString& s);
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

    TLineBreakStyle LineBreakStyle() const { return lineBreakStyle_; }
    bool BreakAfterLastLine() const { return true; }
    TTextEncoding Encoding() const { return encoding_; }
    bool HasByteOrderMark() const { return byteOrderMark_; }

    QString AllText() const;
    void SetAllText(const QString& text);
    QStringList Lines() const;

    void LoadFile(const QString& fileName);
    void LoadStream(QIODevice& stream);
    void SaveFile(const QString& fileName) const;
    void SaveStream(QIODevice& stream) const;
    QByteArray SaveToBytes() const;

    void BeginChanges();
    void EndChanges();

private:
    TGlyphEditStringRec& Record(int i, int indexForError);
    void Grow(int needed);
    void CheckIndex(int i, int count) const;
    void LoadBytes(const QByteArray& bytes);
    QString DecodeLine(const char* begin, qsizetype length) const;
    void ExpandRecord(TGlyphEditStringRec& rec) const;

    QList<TGlyphEditStringRec> records_;
    TLineBreakStyle lineBreakStyle_ = lbsCrLf;
    TTextEncoding encoding_ = TTextEncoding::Utf8;
    bool byteOrderMark_ = false;
    int tabWidth_ = 8;
    int longestLineIndex_ = -1;
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

    // Adds the bytes of one line and its line break.
    void WriteLine(const QByteArray& line);
    // Adds bytes without a line break (the byte-order mark).
    void WriteRaw(const QByteArray& bytes);
    // Writes out what the buffer holds; throws EGlyphFileError when the device refuses it.
    void Flush();

private:
    void Put(const char* data, qsizetype size, bool withBreak);

    QIODevice& device_;
    QByteArray lineBreak_;
    QByteArray buffer_;
    qsizetype used_ = 0;
};
