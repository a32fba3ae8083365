#include "highlight/TGlyphPerlHighlighter.h"

using namespace GlyphLanguage;

namespace {

const char* const kPerlReservedWords[] = {"abs",
                                          "accept",
                                          "alarm",
                                          "atan2",
                                          "bind",
                                          "binmode",
                                          "bless",
                                          "caller",
                                          "chdir",
                                          "chmod",
                                          "chomp",
                                          "chop",
                                          "chown",
                                          "chr",
                                          "chroot",
                                          "close",
                                          "closedir",
                                          "connect",
                                          "cos",
                                          "crypt",
                                          "dbmclose",
                                          "dbmopen",
                                          "defined",
                                          "delete",
                                          "die",
                                          "do",
                                          "dump",
                                          "each",
                                          "else",
                                          "elsif",
                                          "endgrent",
                                          "endhostent",
                                          "endnetent",
                                          "endprotoent",
                                          "endpwent",
                                          "endservent",
                                          "eof",
                                          "eval",
                                          "exec",
                                          "exists",
                                          "exit",
                                          "exp",
                                          "fcntl",
                                          "fileno",
                                          "flock",
                                          "for",
                                          "foreach",
                                          "fork",
                                          "format",
                                          "formline",
                                          "getc",
                                          "getgrent",
                                          "getgrgid",
                                          "getgrnam",
                                          "gethostbyaddr",
                                          "gethostbyname",
                                          "gethostent",
                                          "getlogin",
                                          "getnetbyaddr",
                                          "getnetbyname",
                                          "getnetent",
                                          "getpeername",
                                          "getpgrp",
                                          "getppid",
                                          "getpriority",
                                          "getprotobyname",
                                          "getprotobynumber",
                                          "getprotoent",
                                          "getpwent",
                                          "getpwnam",
                                          "getpwuid",
                                          "getservbyname",
                                          "getservbyport",
                                          "getservent",
                                          "getsockname",
                                          "getsockopt",
                                          "glob",
                                          "gmtime",
                                          "goto",
                                          "grep",
                                          "hex",
                                          "if",
                                          "import",
                                          "index",
                                          "int",
                                          "ioctl",
                                          "join",
                                          "keys",
                                          "kill",
                                          "last",
                                          "lc",
                                          "lcfirst",
                                          "length",
                                          "link",
                                          "listen",
                                          "local",
                                          "localtime",
                                          "log",
                                          "lstat",
                                          "m",
                                          "map",
                                          "mkdir",
                                          "msgctl",
                                          "msgget",
                                          "msgrcv",
                                          "msgsnd",
                                          "my",
                                          "next",
                                          "no",
                                          "oct",
                                          "open",
                                          "opendir",
                                          "ord",
                                          "pack",
                                          "package",
                                          "pipe",
                                          "pop",
                                          "pos",
                                          "print",
                                          "push",
                                          "q",
                                          "qq",
                                          "quotemeta",
                                          "qw",
                                          "qx",
                                          "rand",
                                          "read",
                                          "readdir",
                                          "readlink",
                                          "recv",
                                          "redo",
                                          "ref",
                                          "rename",
                                          "require",
                                          "reset",
                                          "return",
                                          "reverse",
                                          "rewinddir",
                                          "rindex",
                                          "rmdir",
                                          "scalar",
                                          "seek",
                                          "seekdir",
                                          "select",
                                          "semctl",
                                          "semget",
                                          "semop",
                                          "send",
                                          "setgrent",
                                          "sethostent",
                                          "setnetent",
                                          "setpgrp",
                                          "setpriority",
                                          "setprotoent",
                                          "setpwent",
                                          "setservent",
                                          "setsockopt",
                                          "shift",
                                          "shmctl",
                                          "shmget",
                                          "shmread",
                                          "shmwrite",
                                          "shutdown",
                                          "sin",
                                          "sleep",
                                          "socket",
                                          "socketpair",
                                          "sort",
                                          "splice",
                                          "split",
                                          "sprintf",
                                          "sqrt",
                                          "srand",
                                          "stat",
                                          "study",
                                          "sub",
                                          "substr",
                                          "symlink",
                                          "syscall",
                                          "sysread",
                                          "system",
                                          "syswrite",
                                          "tell",
                                          "telldir",
                                          "tie",
                                          "time",
                                          "times",
                                          "tr",
                                          "truncate",
                                          "uc",
                                          "ucfirst",
                                          "umask",
                                          "undef",
                                          "unless",
                                          "unlink",
                                          "unpack",
                                          "unshift",
                                          "untie",
                                          "use",
                                          "utime",
                                          "values",
                                          "vec",
                                          "wait",
                                          "waitpid",
                                          "wantarray",
                                          "warn",
                                          "while",
                                          "write"};

const char* const kPerlVariables[] = {"$ACCUMULATOR",
                                      "$ARG",
                                      "$ARGV",
                                      "$BASETIME",
                                      "$CHILD_ERROR",
                                      "$DEBUGGING",
                                      "$EFFECTIVE_GROUP_ID",
                                      "$EFFECTIVE_USER_ID",
                                      "$EGID",
                                      "$ENV",
                                      "$ERRNO",
                                      "$EUID",
                                      "$EVAL_ERROR",
                                      "$EXECUTABLE_NAME",
                                      "$FORMAT_FORMFEED",
                                      "$FORMAT_LINE_BREAK_CHARACTERS",
                                      "$FORMAT_LINES_LEFT",
                                      "$FORMAT_LINES_PER_PAGE",
                                      "$FORMAT_NAME",
                                      "$FORMAT_PAGE_NUMBER",
                                      "$FORMAT_TOP_NAME",
                                      "$GID",
                                      "$INPLACE_EDIT",
                                      "$INPUT_LINE_NUMBER",
                                      "$INPUT_RECORD_SEPARATOR",
                                      "$LAST_PAREN_MATCH",
                                      "$LIST_SEPARATOR",
                                      "$MATCH",
                                      "$MULTILINE_MATCHING",
                                      "$NR",
                                      "$OFMT",
                                      "$ORS",
                                      "$OS_ERROR",
                                      "$OUTPUT_AUTOFLUSH",
                                      "$OUTPUT_FIELD_SEPARATOR",
                                      "$PERL_VERSION",
                                      "$PERLDB",
                                      "$PID",
                                      "$POSTMATCH",
                                      "$PREMATCH",
                                      "$PROCESS_ID",
                                      "$PROGRAM_NAME",
                                      "$REAL_GROUP_ID",
                                      "$REAL_USER_ID",
                                      "$RS",
                                      "$SIG",
                                      "$SUBSCRIPT_SEPARATOR",
                                      "$SUBSEP",
                                      "$SYSTEM_FD_MAX",
                                      "$UID",
                                      "$WARNING",
                                      "%INC",
                                      "@ARGV",
                                      "@INC"};

const char* const kPerlOperators[] = {"and", "cmp", "eq",  "ge", "gt", "le",
                                      "lt",  "ne",  "not", "or", "xor"};

const char* const kPerlPragmas[] = {"constant", "diagnostics", "integer", "less", "locale",
                                    "sigtrap",  "strict",      "subs",    "vars"};

bool IsPerlNumberChar(char16_t c) {
    return IsHexDigit(c) || c == u'.' || c == u'_' || c == u'X' || c == u'x';
}

bool IsAsciiPunctuation(char16_t c) {
    return c > 32 && c < 127 && !IsAsciiLetter(c) && !IsAsciiDigit(c);
}

} // namespace

TGlyphPerlHighlighter::TGlyphPerlHighlighter()
    : TGlyphLanguageHighlighter(plLineEnd, plSpace, 1, TGlyphKeywordTable::CaseSensitive),
      table_(&TGlyphPerlHighlighter::SymbolProc) {
    comment_ = AddAttribute(QStringLiteral("Comment"));
    comment_->SetStyle(fsItalic);
    identifier_ = AddAttribute(QStringLiteral("Identifier"));
    invalid_ = AddAttribute(QStringLiteral("Illegal char"));
    number_ = AddAttribute(QStringLiteral("Number"));
    operator_ = AddAttribute(QStringLiteral("Operator"));
    pragma_ = AddAttribute(QStringLiteral("Pragma"));
    pragma_->SetStyle(fsBold);
    key_ = AddAttribute(QStringLiteral("Reserved word"));
    key_->SetStyle(fsBold);
    space_ = AddAttribute(QStringLiteral("Space"));
    string_ = AddAttribute(QStringLiteral("String"));
    symbol_ = AddAttribute(QStringLiteral("Symbol"));
    variable_ = AddAttribute(QStringLiteral("Variable"));
    variable_->SetStyle(fsBold);
    ConnectAttributes();
    SetDefaultFilter(QStringLiteral("Perl files (*.pl,*.pm,*.cgi)|*.pl;*.pm;*.cgi"));

    SetStandardAttributes({comment_, identifier_, key_, string_, space_, symbol_});
    SetKindAttribute(plComment, comment_);
    SetKindAttribute(plIdentifier, identifier_);
    SetKindAttribute(plIllegalChar, invalid_);
    SetKindAttribute(plNumber, number_);
    SetKindAttribute(plOperator, operator_);
    SetKindAttribute(plPragma, pragma_);
    SetKindAttribute(plReservedWord, key_);
    SetKindAttribute(plSpace, space_);
    SetKindAttribute(plString, string_);
    SetKindAttribute(plSymbol, symbol_);
    SetKindAttribute(plVariable, variable_);

    AddKeywords(kPerlReservedWords, plReservedWord);
    AddKeywords(kPerlVariables, plVariable);
    AddKeywords(kPerlOperators, plOperator);
    AddKeywords(kPerlPragmas, plPragma);
    SetReservedKind(plReservedWord);

    using H = TGlyphPerlHighlighter;
    SetCommonHandlers(table_);
    table_.SetRange(u'A', u'Z', &H::IdentProc);
    table_.SetRange(u'a', u'z', &H::IdentProc);
    table_.Set(u'_', &H::IdentProc);
    table_.Set(u'x', &H::XProc);
    table_.Set(u'$', &H::DollarProc);
    table_.Set(u'%', &H::PercentProc);
    table_.Set(u'@', &H::AtProc);
    table_.SetRange(u'0', u'9', &H::NumberProc);
    table_.Set(u'"', &H::DoubleQuoteProc);
    table_.Set(u'\'', &H::SingleQuoteProc);
    table_.Set(u'#', &H::CommentProc);
    table_.Set(u'`', &H::IllegalProc);
    table_.SetRange(127, 255, &H::IllegalProc);
    table_.SetAbove(&H::AboveProc);
}

TGlyphCharSet TGlyphPerlHighlighter::WordChars() const {
    return LanguageWordChars(u"$%@");
}

QString TGlyphPerlHighlighter::LanguageTitle() const {
    return QStringLiteral("Perl");
}

void TGlyphPerlHighlighter::ApplyMainWindowSettings() {
    ApplyFormColours(true);
}

void TGlyphPerlHighlighter::Advance() {
    BeginToken();
    table_.Dispatch(*this, line_, pos_);
}

// Whether a name (a letter or an underscore) starts at `pos`.
bool TGlyphPerlHighlighter::WordFollows(int pos) const {
    const char16_t c = line_[pos];
    return !line_.AtEnd(pos) && (IsAsciiLetter(c) || c == u'_' || (c > 255 && IsWordStartAbove(c)));
}

// Names are looked up with their $, % or @, so $ARGV is a special variable and $argv is not.
void TGlyphPerlHighlighter::IdentProc() {
    WordToken(WordEnd(pos_ + 1), plIdentifier);
}

// x is the repetition operator when = or the line end follows it.
void TGlyphPerlHighlighter::XProc() {
    if (line_[pos_ + 1] == u'=') {
        kind_ = plSymbol;
        pos_ += 2;
    } else if (AtLineBreak(pos_ + 1)) {
        OneChar(plSymbol);
    } else {
        IdentProc();
    }
}

// $^ and a letter, $ and one punctuation character or digit, or $ and a name.
void TGlyphPerlHighlighter::DollarProc() {
    const char16_t next = line_[pos_ + 1];
    if (next == u'^' && QStringView(u"ADFILPTWX").contains(QChar(line_[pos_ + 2]))) {
        kind_ = plVariable;
        pos_ += 3;
    } else if (WordFollows(pos_ + 1) && (next != u'_' || IsWordPartChar(line_[pos_ + 2]))) {
        IdentProc();
    } else if (!line_.AtEnd(pos_ + 1) && (IsAsciiPunctuation(next) || IsAsciiDigit(next))) {
        kind_ = plVariable;
        pos_ += 2;
    } else {
        OneChar(plSymbol);
    }
}

// %name is a hash; % before = or the line end, or before anything but a name, is the operator.
void TGlyphPerlHighlighter::PercentProc() {
    if (line_[pos_ + 1] == u'=') {
        kind_ = plSymbol;
        pos_ += 2;
    } else if (WordFollows(pos_ + 1)) {
        IdentProc();
    } else {
        OneChar(plSymbol);
    }
}

void TGlyphPerlHighlighter::AtProc() {
    if (WordFollows(pos_ + 1)) {
        IdentProc();
    } else {
        OneChar(plSymbol);
    }
}

// Digits with hexadecimal letters, x, underscores and dots; a minus belongs to the number only
// as the sign of an exponent (1e-5).
void TGlyphPerlHighlighter::NumberProc() {
    kind_ = plNumber;
    ++pos_;
    for (;;) {
        const char16_t c = line_[pos_];
        if (line_.AtEnd(pos_)) {
            return;
        }
        if (c == u'-' && (line_[pos_ - 1] == u'e' || line_[pos_ - 1] == u'E')) {
            ++pos_;
        } else if (IsPerlNumberChar(c)) {
            ++pos_;
        } else {
            return;
        }
    }
}

void TGlyphPerlHighlighter::DoubleQuoteProc() {
    kind_ = plString;
    QuotedString(true);
}

// Single-quoted strings know no escapes.
void TGlyphPerlHighlighter::SingleQuoteProc() {
    kind_ = plString;
    QuotedString(false);
}

void TGlyphPerlHighlighter::CommentProc() {
    RestOfLine(plComment);
}

void TGlyphPerlHighlighter::SymbolProc() {
    OneChar(plSymbol);
}

void TGlyphPerlHighlighter::IllegalProc() {
    OneChar(plIllegalChar);
}

void TGlyphPerlHighlighter::AboveProc() {
    if (IsWordStartAbove(line_[pos_])) {
        IdentProc();
    } else {
        IllegalProc();
    }
}
