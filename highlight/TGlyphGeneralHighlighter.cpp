#include "highlight/TGlyphGeneralHighlighter.h"

#include <QRegularExpression>
#include <QSettings>

using namespace GlyphLanguage;

namespace {

const QString kKeyWordsValue = QStringLiteral("KeyWords");

bool IsAsciiPunctuation(char16_t c) {
    return c > 32 && c < 127 && !IsAsciiLetter(c) && !IsAsciiDigit(c);
}

// Opens a key the way the attribute storage does (a leading backslash makes it absolute) and
// gives the caller's group back afterwards.
class TKeyGroup {
public:
    TKeyGroup(QSettings& root, const QString& key) : root_(root) {
        if (key.startsWith(QLatin1Char('\\'))) {
            saved_ = root.group();
            while (!root.group().isEmpty()) {
                root.endGroup();
            }
        }
        root.beginGroup(HighlighterStoreGroup(key));
    }
    ~TKeyGroup() {
        root_.endGroup();
        if (!saved_.isEmpty()) {
            root_.beginGroup(saved_);
        }
    }
    TKeyGroup(const TKeyGroup&) = delete;
    TKeyGroup& operator=(const TKeyGroup&) = delete;

private:
    QSettings& root_;
    QString saved_;
};

} // namespace

TGlyphGeneralHighlighter::TGlyphGeneralHighlighter()
    : TGlyphLanguageHighlighter(gtLineEnd, gtSpace, 4, TGlyphKeywordTable::IgnoreCase),
      identifierChars_(LanguageWordChars()), table_(&TGlyphGeneralHighlighter::UnknownProc) {
    comment_ = AddAttribute(QStringLiteral("Comment"));
    comment_->SetStyle(fsItalic);
    identifier_ = AddAttribute(QStringLiteral("Identifier"));
    number_ = AddAttribute(QStringLiteral("Number"));
    preprocessor_ = AddAttribute(QStringLiteral("Preprocessor"));
    key_ = AddAttribute(QStringLiteral("Reserved word"));
    key_->SetStyle(fsBold);
    space_ = AddAttribute(QStringLiteral("Space"));
    string_ = AddAttribute(QStringLiteral("String"));
    symbol_ = AddAttribute(QStringLiteral("Symbol"));
    ConnectAttributes();
    SetDefaultFilter(QStringLiteral("Text Files (*.txt)|*.txt"));

    SetStandardAttributes({comment_, identifier_, key_, string_, space_, symbol_});
    SetKindAttribute(gtComment, comment_);
    SetKindAttribute(gtIdentifier, identifier_);
    SetKindAttribute(gtNumber, number_);
    SetKindAttribute(gtPreprocessor, preprocessor_);
    SetKindAttribute(gtReservedWord, key_);
    SetKindAttribute(gtSpace, space_);
    SetKindAttribute(gtString, string_);
    SetKindAttribute(gtSymbol, symbol_);
    SetReservedKind(gtReservedWord);

    BuildTable();
}

TGlyphCharSet TGlyphGeneralHighlighter::WordChars() const {
    return identifierChars_;
}

TGlyphHighlighterCapabilities TGlyphGeneralHighlighter::Features() const {
    return hcRegistry | hcUserSettings;
}

QString TGlyphGeneralHighlighter::LanguageTitle() const {
    return QStringLiteral("General");
}

void TGlyphGeneralHighlighter::ApplyMainWindowSettings() {
    BeginUpdate();
    ApplyFormColours(false);
    SetComments(0);
    SetDetectPreprocessor(false);
    SetIdentifierChars(TGlyphCharSet().AddRange(33, 255).SetAbove(TGlyphCharSet::PrintableAbove));
    SetEnabled(false);
    EndUpdate();
}

void TGlyphGeneralHighlighter::SetKeyWords(const QStringList& words) {
    keyWordList_ = words;
    keywords_ = TGlyphKeywordTable(TGlyphKeywordTable::IgnoreCase);
    for (const QString& word : words) {
        const QString trimmed = word.trimmed();
        if (!trimmed.isEmpty()) {
            keywords_.Add(QStringView(trimmed), gtReservedWord);
        }
    }
    HighlightChanged();
}

void TGlyphGeneralHighlighter::SetComments(TGeneralCommentStyles styles) {
    if (comments_ != styles) {
        comments_ = styles;
        BuildTable();
        HighlightChanged();
    }
}

void TGlyphGeneralHighlighter::SetDetectPreprocessor(bool detect) {
    if (detectPreprocessor_ != detect) {
        detectPreprocessor_ = detect;
        BuildTable();
        HighlightChanged();
    }
}

void TGlyphGeneralHighlighter::SetIdentifierChars(const TGlyphCharSet& chars) {
    if (!(identifierChars_ == chars)) {
        identifierChars_ = chars;
        BuildTable();
        HighlightChanged();
    }
}

void TGlyphGeneralHighlighter::SetStringDelimiter(QChar delimiter) {
    if (stringDelimiter_ != delimiter) {
        stringDelimiter_ = delimiter;
        BuildTable();
        HighlightChanged();
    }
}

// The table follows the settings; later rules win: identifier characters, digits, the string
// delimiter, the comment openers, the preprocessor mark, and blanks and line breaks above all.
void TGlyphGeneralHighlighter::BuildTable() {
    using H = TGlyphGeneralHighlighter;
    table_ = TGlyphHandlerTable<H>(&H::UnknownProc);
    for (char16_t c = 33; c < 127; ++c) {
        if (IsAsciiPunctuation(c)) {
            table_.Set(c, &H::SymbolProc);
        }
    }
    for (char16_t c = 1; c < 256; ++c) {
        if (identifierChars_.Contains(c)) {
            table_.Set(c, &H::IdentProc);
        }
    }
    table_.SetRange(u'0', u'9', &H::NumberProc);
    if (stringDelimiter_.unicode() < 256) {
        table_.Set(stringDelimiter_.unicode(), &H::StringProc);
    }
    if (comments_ & csAnsiStyle) {
        table_.Set(u'(', &H::AnsiProc);
    }
    if (comments_ & csPasStyle) {
        table_.Set(u'{', &H::PascalProc);
    }
    if (comments_ & csCStyle) {
        table_.Set(u'/', &H::SlashProc);
    }
    if (comments_ & csAsmStyle) {
        table_.Set(u';', &H::LineCommentProc);
    }
    if (comments_ & csBasStyle) {
        table_.Set(u'\'', &H::LineCommentProc);
    }
    if (detectPreprocessor_) {
        table_.Set(u'#', &H::HashProc);
    }
    SetCommonHandlers(table_);
    table_.SetAbove(&H::AboveProc);
}

void TGlyphGeneralHighlighter::Advance() {
    BeginToken();
    if (state_ != grNormal && !AtLineBreak(pos_)) {
        CommentRule();
    } else {
        table_.Dispatch(*this, line_, pos_);
    }
}

void TGlyphGeneralHighlighter::CommentRule() {
    kind_ = gtComment;
    QStringView closer;
    switch (state_) {
    case grAnsiComment:
        closer = u"*)";
        break;
    case grPascalComment:
        closer = u"}";
        break;
    case grCComment:
        closer = u"*/";
        break;
    default:
        // A state this highlighter never stores: start the line afresh.
        state_ = grNormal;
        table_.Dispatch(*this, line_, pos_);
        return;
    }
    if (SkipPast(closer)) {
        state_ = grNormal;
    }
}

void TGlyphGeneralHighlighter::BlockComment(TGeneralRangeState state, int openerLength) {
    state_ = state;
    kind_ = gtComment;
    pos_ += openerLength;
    CommentRule();
}

void TGlyphGeneralHighlighter::IdentProc() {
    int end = pos_ + 1;
    while (!line_.AtEnd(end) && identifierChars_.Contains(line_[end])) {
        ++end;
    }
    WordToken(end, gtIdentifier);
}

void TGlyphGeneralHighlighter::NumberProc() {
    kind_ = gtNumber;
    ++pos_;
    while (IsAsciiDigit(line_[pos_]) || (line_[pos_] == u'.' && line_[pos_ + 1] != u'.')) {
        ++pos_;
    }
}

void TGlyphGeneralHighlighter::StringProc() {
    kind_ = gtString;
    QuotedString(false);
}

void TGlyphGeneralHighlighter::AnsiProc() {
    if (line_[pos_ + 1] == u'*') {
        BlockComment(grAnsiComment, 2);
    } else {
        FallbackProc();
    }
}

void TGlyphGeneralHighlighter::PascalProc() {
    BlockComment(grPascalComment, 1);
}

void TGlyphGeneralHighlighter::SlashProc() {
    if (line_[pos_ + 1] == u'*') {
        BlockComment(grCComment, 2);
    } else if (line_[pos_ + 1] == u'/') {
        RestOfLine(gtComment);
    } else {
        FallbackProc();
    }
}

void TGlyphGeneralHighlighter::LineCommentProc() {
    RestOfLine(gtComment);
}

// # begins a preprocessor line only as the first character of the line that is not blank.
void TGlyphGeneralHighlighter::HashProc() {
    if (OnlyBlanksBefore()) {
        RestOfLine(gtPreprocessor);
    } else {
        FallbackProc();
    }
}

// What a comment or preprocessor opener is when it opens nothing.
void TGlyphGeneralHighlighter::FallbackProc() {
    const char16_t c = line_[pos_];
    if (identifierChars_.Contains(c)) {
        IdentProc();
    } else if (IsAsciiPunctuation(c)) {
        SymbolProc();
    } else {
        UnknownProc();
    }
}

void TGlyphGeneralHighlighter::SymbolProc() {
    OneChar(gtSymbol);
}

void TGlyphGeneralHighlighter::UnknownProc() {
    OneChar(gtUnknown);
}

void TGlyphGeneralHighlighter::AboveProc() {
    const char16_t c = line_[pos_];
    if (c == stringDelimiter_.unicode()) {
        StringProc();
    } else if (identifierChars_.Contains(c)) {
        IdentProc();
    } else {
        UnknownProc();
    }
}

bool TGlyphGeneralHighlighter::LoadAttributes(QSettings& root, const QString& key) {
    {
        TKeyGroup open(root, key);
        if (root.contains(kKeyWordsValue)) {
            static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
            SetKeyWords(root.value(kKeyWordsValue).toString().split(lineBreak, Qt::SkipEmptyParts));
        }
    }
    return TGlyphLanguageHighlighter::LoadAttributes(root, key);
}

bool TGlyphGeneralHighlighter::SaveAttributes(QSettings& root, const QString& key) const {
    if (!root.isWritable()) {
        return false;
    }
    {
        TKeyGroup open(root, key);
        SetStoreValue(root, kKeyWordsValue, keyWordList_.join(QStringLiteral("\r\n")));
    }
    return TGlyphLanguageHighlighter::SaveAttributes(root, key);
}

void TGlyphGeneralHighlighter::Assign(const TGlyphCustomHighlighter& other) {
    BeginUpdate();
    TGlyphLanguageHighlighter::Assign(other);
    if (const auto* general = dynamic_cast<const TGlyphGeneralHighlighter*>(&other)) {
        SetKeyWords(general->keyWordList_);
        SetComments(general->comments_);
        SetDetectPreprocessor(general->detectPreprocessor_);
        SetIdentifierChars(general->identifierChars_);
        SetStringDelimiter(general->stringDelimiter_);
    }
    EndUpdate();
}
