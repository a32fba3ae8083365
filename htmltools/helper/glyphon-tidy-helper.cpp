// The Tidy helper: runs one document through libtidy outside the editor's process, so that a
// crash or an endless loop inside the library cannot take the editor or its unsaved text down.
// It reads a request on standard input and writes the response on standard output
// (TidyHelperProtocol.h); it exits with 0 only after writing a whole response.

#include "htmltools/TidyHelperProtocol.h"

#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct TMessages {
    std::string Fields;
    unsigned long Count = 0;
};

// Tidy hands the filter its whole console line, "line L column C - Level: text"; the editor
// wants only the text, the place and level travel beside it.
std::string BareMessage(const char* message) {
    std::string text = message ? message : "";
    unsigned line = 0, column = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "line %u column %u - %n", &line, &column, &used) == 2 && used > 0)
        text.erase(0, size_t(used));
    for (const char* label : {"Info: ", "Warning: ", "Config: ", "Access: ", "Error: ",
                              "Document: ", "Panic: ", "Bad Document: ", "Fatal Error: "}) {
        if (text.rfind(label, 0) == 0) {
            text.erase(0, std::strlen(label));
            break;
        }
    }
    return text;
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
        TidyProtocol::PutField(messages->Fields, std::to_string(EditorLevel(level)));
        TidyProtocol::PutField(messages->Fields, std::to_string(line));
        TidyProtocol::PutField(messages->Fields, std::to_string(column));
        TidyProtocol::PutField(messages->Fields, BareMessage(message));
        ++messages->Count;
    }
    return yes;
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

} // namespace

int main(int argc, char** argv) {
    std::string request;
    char chunk[1 << 16];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0;)
        request.append(chunk, n);
    // Hidden switches for the tests of a helper that dies or never answers.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--crash-for-test") == 0)
            std::raise(SIGSEGV);
        if (std::strcmp(argv[i], "--hang-for-test") == 0) {
            for (;;)
                pause();
        }
    }

    TidyProtocol::TRequest parsed;
    const char* why = nullptr;
    if (!TidyProtocol::TakeRequest(request, parsed, why))
        return Fail(why);
    const std::vector<std::pair<std::string, std::string>> rows(parsed.Options.begin(),
                                                                parsed.Options.end());
    const std::string document(parsed.Document);

    TMessages messages;
    TidyBuffer output;
    TidyBuffer errors;
    tidyBufInit(&output);
    tidyBufInit(&errors);
    const TidyDoc doc = tidyCreate();
    // Tidy's own report of each message goes nowhere: the messages travel in the response.
    tidySetErrorBuffer(doc, &errors);
    const bool accepted = ApplyTidyOptions(doc, rows);
    tidySetAppData(doc, &messages);
    tidySetReportFilter(doc, ReportFilter);
    // The same steps as the tidy program: without the clean-up pass the clean, bare, Word 2000
    // and empty-paragraph options would do nothing.
    if (tidyParseString(doc, document.c_str()) >= 0 && tidyCleanAndRepair(doc) >= 0)
        tidyRunDiagnostics(doc);
    tidySaveBuffer(doc, &output);
    tidySetReportFilter(doc, nullptr);

    std::string response;
    TidyProtocol::PutField(
        response, output.bp
                      ? std::string_view(reinterpret_cast<const char*>(output.bp), output.size)
                      : std::string_view());
    TidyProtocol::PutField(response, accepted ? "1" : "0");
    TidyProtocol::PutField(response, std::to_string(messages.Count));
    response += messages.Fields;
    tidyBufFree(&output);
    tidyBufFree(&errors);
    tidyRelease(doc);

    const bool written =
        std::fwrite(response.data(), 1, response.size(), stdout) == response.size() &&
        std::fflush(stdout) == 0;
    return written ? 0 : Fail("cannot write the response");
}
