#pragma once

// What the editor and its Tidy helper process send each other through the helper's standard
// input and output. Every field is written as its length in decimal digits, a colon and its
// bytes, so any byte, NUL included, crosses unchanged.
//
// Request:  option count, then name and value of each option, then the document.
// Response: level, line, column and text of each message, then an empty field; then "1" when
//           every option was accepted (else "0"), then Tidy's output. The messages go first and
//           as Tidy reports them, so that the editor reads them while Tidy is still at work.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace TidyProtocol {

// The head of a field of Size bytes, for bytes that are sent after it without being copied.
inline void PutFieldHead(std::string& out, size_t size) {
    out += std::to_string(size);
    out += ':';
}

inline void PutField(std::string& out, std::string_view value) {
    PutFieldHead(out, value.size());
    out.append(value);
}

// Takes the next field off In; false when In does not start with a whole field.
inline bool TakeField(std::string_view& in, std::string_view& value) {
    const size_t colon = in.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 19)
        return false;
    size_t size = 0;
    for (size_t i = 0; i < colon; ++i) {
        if (in[i] < '0' || in[i] > '9')
            return false;
        size = size * 10 + size_t(in[i] - '0');
    }
    if (in.size() - colon - 1 < size)
        return false;
    value = in.substr(colon + 1, size);
    in.remove_prefix(colon + 1 + size);
    return true;
}

// The field read as a non-negative number of at most nine digits; false when it is none.
inline bool AsNumber(std::string_view field, unsigned long& number) {
    if (field.empty() || field.size() > 9)
        return false;
    number = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<unsigned long>(c - '0');
    }
    return true;
}

// The next field read as a number; false when it is none.
inline bool TakeNumber(std::string_view& in, unsigned long& number) {
    std::string_view field;
    return TakeField(in, field) && AsNumber(field, number);
}

// A request as the helper reads it; the views point into the request's bytes.
struct TRequest {
    std::vector<std::pair<std::string_view, std::string_view>> Options;
    std::string_view Document;
};

// Reads a whole request off In into Request; otherwise false with Why telling what was missing.
inline bool TakeRequest(std::string_view in, TRequest& request, const char*& why) {
    unsigned long count = 0;
    if (!TakeNumber(in, count)) {
        why = "no option count";
        return false;
    }
    request.Options.clear();
    for (unsigned long i = 0; i < count; ++i) {
        std::string_view name, value;
        if (!TakeField(in, name) || !TakeField(in, value)) {
            why = "bad option";
            return false;
        }
        request.Options.emplace_back(name, value);
    }
    if (!TakeField(in, request.Document)) {
        why = "no document";
        return false;
    }
    return true;
}

} // namespace TidyProtocol
