// The editor's reader of the Tidy helper's response on any bytes: it ends, takes a response only
// when the bytes hold exactly one, reads the same whole or in pieces, never gives more than the
// bytes could hold, and a response written back from what it read reads back the same.
#include "htmltools/TidyHelperProtocol.h"
#include "htmltools/TidyRunner.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void PutNumber(std::string& out, int number) {
    TidyProtocol::PutField(out, std::to_string(number));
}

std::string Written(const TTidyHelperResult& result) {
    std::string out;
    for (const TTidyMessage& message : result.Messages) {
        PutNumber(out, message.Level);
        PutNumber(out, message.Line);
        PutNumber(out, message.Column);
        TidyProtocol::PutField(out, message.Text.toStdString());
    }
    TidyProtocol::PutField(out, "");
    TidyProtocol::PutField(out, result.OptionsAccepted ? "1" : "0");
    TidyProtocol::PutField(out, std::string_view(result.Text.data(), size_t(result.Text.size())));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto read = ParseTidyResponse(bytes);
    // Read as it arrives, in pieces of a length the bytes choose, it reads the same.
    TTidyResponseReader pieces;
    const qsizetype step = size > 0 ? data[0] % 13 + 1 : 1;
    for (qsizetype at = 0; at < bytes.size(); at += step)
        pieces.Feed(bytes.mid(at, step));
    const auto pieced = pieces.Finish();
    if (pieced.has_value() != read.has_value() ||
        (read && (pieced->Text != read->Text || pieced->Messages.size() != read->Messages.size())))
        std::abort();
    if (!read)
        return 0;
    // Every message takes at least eight bytes.
    if (size_t(read->Text.size()) > size || size_t(read->Messages.size()) * 8 > size)
        std::abort();
    const auto again = ParseTidyResponse(QByteArray::fromStdString(Written(*read)));
    if (!again || again->Text != read->Text || again->OptionsAccepted != read->OptionsAccepted ||
        again->Messages.size() != read->Messages.size())
        std::abort();
    for (qsizetype i = 0; i < read->Messages.size(); ++i) {
        const TTidyMessage& a = read->Messages.at(i);
        const TTidyMessage& b = again->Messages.at(i);
        if (a.Level != b.Level || a.Line != b.Line || a.Column != b.Column || a.Text != b.Text)
            std::abort();
    }
    return 0;
}
