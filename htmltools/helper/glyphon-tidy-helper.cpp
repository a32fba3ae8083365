// The Tidy helper: runs one document through libtidy outside the editor's process, so that a
// crash or an endless loop inside the library cannot take the editor or its unsaved text down.
// It reads a request on standard input and writes the response on standard output
// (TidyHelperProtocol.h); it exits with 0 only after writing a whole response.

#include "htmltools/TidyHelperProtocol.h"

#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

#include <cctype>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

bool WriteAll(std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

// The messages go out in blocks of this size while Tidy runs: the editor reads them meanwhile,
// and a big broken page's hundreds of thousands of messages are never held here all at once.
constexpr size_t MessageBlockSize = 64 * 1024;

struct TMessages {
    std::string Fields;
    bool WriteFailed = false;

    void Flush() {
        WriteFailed = WriteFailed || !WriteAll(Fields) || std::fflush(stdout) != 0;
        Fields.clear();
    }
};

void SkipBlanks(std::string_view& in) {
    while (!in.empty() && std::isspace(static_cast<unsigned char>(in.front())))
        in.remove_prefix(1);
}

// Skips blanks, then Word; false when In does not go on with it.
bool SkipWord(std::string_view& in, std::string_view word) {
    SkipBlanks(in);
    if (in.substr(0, word.size()) != word)
        return false;
    in.remove_prefix(word.size());
    return true;
}

// Skips blanks, then a run of digits; false when there is none.
bool SkipNumber(std::string_view& in) {
    SkipBlanks(in);
    size_t digits = 0;
    while (digits < in.size() && in[digits] >= '0' && in[digits] <= '9')
        ++digits;
    in.remove_prefix(digits);
    return digits > 0;
}

// Tidy hands the filter its whole console line, "line L column C - Level: text"; the editor
// wants only the text, the place and level travel beside it. Tens of thousands of messages
// come from a big broken page, so this reads in place rather than through a scanf.
std::string_view BareMessage(const char* message) {
    std::string_view text = message ? message : "";
    std::string_view rest = text;
    if (SkipWord(rest, "line") && SkipNumber(rest) && SkipWord(rest, "column") &&
        SkipNumber(rest) && SkipWord(rest, "-")) {
        SkipBlanks(rest);
        text = rest;
    }
    for (const std::string_view label :
         {"Info: ", "Warning: ", "Config: ", "Access: ", "Error: ", "Document: ", "Panic: ",
          "Bad Document: ", "Fatal Error: "}) {
        if (text.substr(0, label.size()) == label) {
            text.remove_prefix(label.size());
            break;
        }
    }
    return text;
}

void PutNumber(std::string& out, unsigned long number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    TidyProtocol::PutField(out, std::string_view(digits, size_t(end - digits)));
}

// The level as the editor numbers them (Info 0 to Fatal 6); libtidy's own numbers differ
// between its versions. Levels the editor has no name for keep a number above 6.
int EditorLevel(TidyReportLevel level) {
    switch (level) {
    case TidyInfo:
        return 0;
    case TidyWarning:
        return 1;
    case TidyConfig:
        return 2;
    case TidyAccess:
        return 3;
    case TidyError:
        return 4;
    case TidyBadDocument:
        return 5;
    case TidyFatal:
        return 6;
    default:
        return 7 + int(level);
    }
}

Bool TIDY_CALL ReportFilter(TidyDoc doc, TidyReportLevel level, uint line, uint column,
                            ctmbstr message) {
    if (auto* messages = static_cast<TMessages*>(tidyGetAppData(doc))) {
        PutNumber(messages->Fields, static_cast<unsigned long>(EditorLevel(level)));
        PutNumber(messages->Fields, line);
        PutNumber(messages->Fields, column);
        TidyProtocol::PutField(messages->Fields, BareMessage(message));
        if (messages->Fields.size() >= MessageBlockSize)
            messages->Flush();
    }
    // The message travels in the response; Tidy need not write its report line as well.
    return no;
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() < 10 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

// Sets one option by its configuration name in the way its type takes values.
bool SetOption(TidyDoc doc, const std::string& name, const std::string& value) {
    const TidyOption option = tidyGetOptionByName(doc, name.c_str());
    if (!option)
        return false;
    const TidyOptionId id = tidyOptGetId(option);
    switch (tidyOptGetType(option)) {
    case TidyBoolean:
        return tidyOptSetBool(doc, id, value == "0" ? no : yes);
    case TidyInteger:
        if (IsNumber(value))
            return tidyOptSetInt(doc, id, std::stoul(value));
        return tidyOptSetValue(doc, id, value.c_str());
    case TidyString:
        return tidyOptSetValue(doc, id, value.c_str());
    }
    return false;
}

// Proprietary attributes are kept whatever Tidy's default; then each option in order, stopping
// at the first one Tidy refuses.
bool ApplyTidyOptions(TidyDoc doc, const std::vector<std::pair<std::string, std::string>>& rows) {
    tidyOptSetBool(doc, TidyDropPropAttrs, no);
    for (const auto& [name, value] : rows) {
        if (!SetOption(doc, name, value))
            return false;
    }
    return true;
}

int Fail(const char* why) {
    std::fprintf(stderr, "glyphon-tidy-helper: %s\n", why);
    return 2;
}

// Tidy's output goes straight into a string: Tidy's own buffer checks its room on every byte.
void TIDY_CALL PutOutputByte(void* sinkData, byte value) {
    static_cast<std::string*>(sinkData)->push_back(static_cast<char>(value));
}

std::string ReadAll(std::FILE* in) {
    std::string bytes;
    char chunk[1 << 16];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
        bytes.append(chunk, n);
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    const std::string request = ReadAll(stdin);
    // Validating wants the messages only; Tidy then writes no output (as the tidy program's -e).
    bool writeOutput = true;
    // Hidden switches for the tests of a helper that dies or never answers.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--crash-for-test") == 0)
            std::raise(SIGSEGV);
        if (std::strcmp(argv[i], "--hang-for-test") == 0) {
            for (;;)
                pause();
        }
        if (std::strcmp(argv[i], "--messages-only") == 0)
            writeOutput = false;
    }

    TidyProtocol::TRequest parsed;
    const char* why = nullptr;
    if (!TidyProtocol::TakeRequest(request, parsed, why))
        return Fail(why);
    const std::vector<std::pair<std::string, std::string>> rows(parsed.Options.begin(),
                                                                parsed.Options.end());
    // The document is the request's last field, so it is already ended by a NUL unless
    // something trails it.
    std::string copy;
    const char* document = parsed.Document.data();
    if (document + parsed.Document.size() != request.data() + request.size()) {
        copy = parsed.Document;
        document = copy.c_str();
    }

    TMessages messages;
    messages.Fields.reserve(MessageBlockSize + 4096);
    TidyBuffer errors;
    tidyBufInit(&errors);
    const TidyDoc doc = tidyCreate();
    // Tidy's own report goes nowhere: the messages travel in the response.
    tidySetErrorBuffer(doc, &errors);
    const bool accepted = ApplyTidyOptions(doc, rows);
    tidySetAppData(doc, &messages);
    tidySetReportFilter(doc, ReportFilter);
    // The same steps as the tidy program: without the clean-up pass the clean, bare, Word 2000
    // and empty-paragraph options would do nothing.
    if (tidyParseString(doc, document) >= 0 && tidyCleanAndRepair(doc) >= 0)
        tidyRunDiagnostics(doc);
    std::string output;
    if (writeOutput) {
        // Tidy's output is seldom much longer than its input.
        output.reserve(parsed.Document.size() + parsed.Document.size() / 2 + 4096);
        TidyOutputSink sink;
        tidyInitSink(&sink, &output, PutOutputByte);
        tidySaveSink(doc, &sink);
    }
    // Tidy's document is not released: the process ends with the response, and freeing the
    // tree of a big page node by node would only keep the editor waiting.

    // The last messages, their end, and the output as it is, without one more copy of it.
    TidyProtocol::PutField(messages.Fields, "");
    TidyProtocol::PutField(messages.Fields, accepted ? "1" : "0");
    TidyProtocol::PutFieldHead(messages.Fields, output.size());
    messages.Flush();
    const bool written = !messages.WriteFailed && WriteAll(output) && std::fflush(stdout) == 0;
    return written ? 0 : Fail("cannot write the response");
}
