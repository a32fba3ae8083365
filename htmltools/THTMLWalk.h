#pragma once

#include <QString>
#include <QStringView>

// A single pass over an HTML text that cuts it into text runs, tags with their attributes, and
// comments, and reports each piece to the overridable operations below in document order. It
// builds no tree and rejects nothing: every input is walked to its end in one pass.
//
// Positions are indexes into the walked text, counted from 0; CurrentPos and TagPos count from 1.
// The walk goes to the text's full length: a document may hold zero characters, and the words
// after one are as visible as those before it.
class THTMLWalk {
public:
    virtual ~THTMLWalk() = default;

    // Walks Text from its start, calling Step until it returns false. The walker keeps a shared
    // copy of Text, so the views below stay valid until the next walk or the walker's end.
    void Walk(const QString& text);
    // Reads and reports one piece; false, having done nothing, when the walk is at its end.
    bool Step();

    // Whether TagName is Name, without regard to case.
    bool IsTag(QStringView name) const;
    // The 1-based offset of Current in the text.
    qsizetype CurrentPos() const { return Current + 1; }

    qsizetype TokenStart = 0; // where the piece being read starts
    qsizetype Current = 0;    // the scanning position
    qsizetype TagPos = 0;     // 1-based offset of the "<" of the last tag or comment met
    QStringView TagName;      // as written; an end tag's name keeps its slash
    QStringView AttrName;
    QStringView AttrValue; // quotes removed; empty when the attribute has none
    QStringView TextRun;   // as written, entities and line breaks not decoded

protected:
    // The whole text being walked.
    QStringView Source() const { return source_; }

    virtual void DoTag() {}
    virtual void DoTagBegin() {}
    virtual void DoTagEnd() {}
    virtual void DoTextBegin() {}
    virtual void DoText() {}
    virtual void DoAttributeBegin() {}
    virtual void DoAttributeName() {}
    virtual void DoAttributeValue() {}
    virtual void DoAttributeEnd() {}

private:
    // The character at I, or the zero character past the end (which no rule takes for more).
    char16_t At(qsizetype i) const { return i < source_.size() ? source_[i].unicode() : u'\0'; }
    bool AtEnd() const { return Current >= source_.size(); }
    bool AtBlank() const;
    bool AtTagEnd() const;
    bool AtTagStart() const;
    bool AtCommentStart() const;
    void SkipBlanks();
    QStringView Token() const {
        return QStringView(source_).sliced(TokenStart, Current - TokenStart);
    }

    void ReadText();
    void ReadComment();
    void ReadTag();
    void ReadAttribute();

    QString source_;
};
