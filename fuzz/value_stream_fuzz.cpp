// Feeds arbitrary bytes to the value reader the way a state block is read: signature, then a
// list of mixed values, nested lists included. Format and read errors are the expected outcome
// for most inputs; anything else (a crash, a sanitizer report, an oversized allocation, text
// that is not valid UTF-8, a failed read that moved the stream) is a finding.
#include "base/utf.h"
#include "engine/value_stream.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using tonvo::EFormatError;
using tonvo::EReadError;
using tonvo::MemoryStream;
using tonvo::ValueReader;

// Nesting is bounded so a run of list-start bytes cannot exhaust the stack.
constexpr int kMaxDepth = 32;

void check_text(const std::string& text) {
    if (tonvo::base::utf16_to_utf8(tonvo::base::utf8_to_utf16(text)) != text) {
        std::abort();
    }
}

// A failed read must leave the stream where the value started.
template <typename F>
void guarded(MemoryStream& stream, F read) {
    const size_t start = stream.Position();
    try {
        read();
    } catch (...) {
        if (stream.Position() != start) {
            std::abort();
        }
        throw;
    }
}

void read_list(MemoryStream& stream, ValueReader& reader, int depth) {
    reader.ExpectListStart();
    while (!reader.NextIsListEnd()) {
        // Tries each kind of value in turn; an EFormatError means "not this kind" here.
        try {
            guarded(stream, [&] { check_text(reader.String()); });
            continue;
        } catch (const EFormatError&) {
        }
        try {
            guarded(stream, [&] { reader.Integer(); });
            continue;
        } catch (const EFormatError&) {
        }
        try {
            guarded(stream, [&] { reader.Boolean(); });
            continue;
        } catch (const EFormatError&) {
        }
        if (depth >= kMaxDepth) {
            throw EFormatError("Invalid property value");
        }
        read_list(stream, reader, depth + 1);
    }
    reader.ExpectListEnd();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryStream stream;
    stream.Write(data, size);
    stream.SetPosition(0);
    ValueReader reader(stream);
    try {
        reader.CheckSignature();
        read_list(stream, reader, 0);
    } catch (const EFormatError&) {
    } catch (const EReadError&) {
    }
    return 0;
}
