// The Tidy helper's request reader on any bytes: it ends, every field it gives lies inside the
// request, and a request written back from what was read reads back to the same fields.
#include "htmltools/TidyHelperProtocol.h"

#include <cstdint>
#include <cstdlib>

namespace {

void CheckInside(std::string_view field, std::string_view whole) {
    if (field.data() < whole.data() || field.data() + field.size() > whole.data() + whole.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view request(reinterpret_cast<const char*>(data), size);
    TidyProtocol::TRequest read;
    const char* why = nullptr;
    if (!TidyProtocol::TakeRequest(request, read, why)) {
        if (!why)
            std::abort();
        return 0;
    }
    std::string written;
    TidyProtocol::PutField(written, std::to_string(read.Options.size()));
    for (const auto& [name, value] : read.Options) {
        CheckInside(name, request);
        CheckInside(value, request);
        TidyProtocol::PutField(written, name);
        TidyProtocol::PutField(written, value);
    }
    CheckInside(read.Document, request);
    TidyProtocol::PutField(written, read.Document);

    TidyProtocol::TRequest again;
    if (!TidyProtocol::TakeRequest(written, again, why) || again.Document != read.Document ||
        again.Options.size() != read.Options.size())
        std::abort();
    for (std::size_t i = 0; i < read.Options.size(); ++i) {
        if (again.Options[i] != read.Options[i])
            std::abort();
    }
    return 0;
}
