#include "engine/value_stream.h"

#include "base/utf.h"
#include "platform/text.h"

#include <limits>
#include <stdexcept>

namespace tonvo {
namespace {

constexpr uint8_t kSignature[4] = {'T', 'P', 'F', '0'};

EFormatError invalid_value() {
    return EFormatError("Invalid property value");
}

// Puts the stream back where the value started unless the read completed, so a failure never
// leaves the position in the middle of a value.
class Rewind {
public:
    explicit Rewind(MemoryStream& stream) noexcept : stream_(stream), start_(stream.Position()) {}
    Rewind(const Rewind&) = delete;
    Rewind& operator=(const Rewind&) = delete;
    ~Rewind() {
        if (!done_) {
            stream_.SetPosition(start_);
        }
    }
    void Done() noexcept { done_ = true; }

private:
    MemoryStream& stream_;
    size_t start_;
    bool done_ = false;
};

void expect_tag(MemoryStream& stream, uint8_t tag) {
    if (stream.PeekByte() != tag) {
        throw invalid_value();
    }
    stream.ReadByte();
}

// Reads count bytes, checking the declared count against what the stream holds before
// allocating anything for it.
std::string read_bytes(MemoryStream& stream, size_t count) {
    if (count > stream.Remaining()) {
        throw EReadError();
    }
    std::string bytes(count, '\0');
    stream.Read(bytes.data(), count);
    return bytes;
}

} // namespace

void ValueWriter::Signature() {
    stream_.Write(kSignature, sizeof kSignature);
}

void ValueWriter::ListStart() {
    stream_.WriteByte(value_tag::kListStart);
}

void ValueWriter::ListEnd() {
    stream_.WriteByte(value_tag::kListEnd);
}

void ValueWriter::Integer(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    uint8_t bytes[5] = {0, static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                        static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    size_t size = 0;
    if (value >= std::numeric_limits<int8_t>::min() &&
        value <= std::numeric_limits<int8_t>::max()) {
        bytes[0] = value_tag::kInt8;
        size = 2;
    } else if (value >= std::numeric_limits<int16_t>::min() &&
               value <= std::numeric_limits<int16_t>::max()) {
        bytes[0] = value_tag::kInt16;
        size = 3;
    } else {
        bytes[0] = value_tag::kInt32;
        size = 5;
    }
    stream_.Write(bytes, size);
}

void ValueWriter::Boolean(bool value) {
    stream_.WriteByte(value ? value_tag::kTrue : value_tag::kFalse);
}

void ValueWriter::String(std::string_view utf8) {
    const std::u16string wide = base::utf8_to_utf16(utf8);
    // Re-encoded rather than taken as given, so what is written is always valid UTF-8.
    const std::string bytes = base::utf16_to_utf8(wide);

    // UTF-16 when it is no bigger than UTF-8 (mostly non-Latin text, and the empty text).
    if (bytes.size() >= 2 * wide.size()) {
        if (wide.size() > std::numeric_limits<uint32_t>::max()) {
            throw std::length_error("Text too long for the value stream");
        }
        std::string le;
        le.reserve(2 * wide.size());
        for (const char16_t unit : wide) {
            le.push_back(static_cast<char>(unit & 0xFF));
            le.push_back(static_cast<char>(unit >> 8));
        }
        stream_.WriteByte(value_tag::kWideText);
        stream_.WriteUInt32LE(static_cast<uint32_t>(wide.size()));
        stream_.Write(le.data(), le.size());
        return;
    }
    for (const char c : bytes) {
        if (static_cast<uint8_t>(c) >= 0x80) {
            WriteText(value_tag::kUtf8Text, bytes.data(), bytes.size());
            return;
        }
    }
    // Pure ASCII reads the same in every 8-bit code page.
    if (bytes.size() <= std::numeric_limits<uint8_t>::max()) {
        stream_.WriteByte(value_tag::kShortText);
        stream_.WriteByte(static_cast<uint8_t>(bytes.size()));
        stream_.Write(bytes.data(), bytes.size());
    } else {
        WriteText(value_tag::kLongText, bytes.data(), bytes.size());
    }
}

void ValueWriter::WriteText(uint8_t tag, const void* data, size_t size) {
    if (size > std::numeric_limits<uint32_t>::max()) {
        throw std::length_error("Text too long for the value stream");
    }
    stream_.WriteByte(tag);
    stream_.WriteUInt32LE(static_cast<uint32_t>(size));
    stream_.Write(data, size);
}

void ValueReader::CheckSignature() {
    Rewind rewind(stream_);
    uint8_t bytes[sizeof kSignature];
    stream_.Read(bytes, sizeof bytes);
    for (size_t i = 0; i < sizeof bytes; ++i) {
        if (bytes[i] != kSignature[i]) {
            throw EFormatError("Invalid stream format");
        }
    }
    rewind.Done();
}

void ValueReader::ExpectListStart() {
    expect_tag(stream_, value_tag::kListStart);
}

void ValueReader::ExpectListEnd() {
    expect_tag(stream_, value_tag::kListEnd);
}

bool ValueReader::NextIsListEnd() const {
    return stream_.PeekByte() == value_tag::kListEnd;
}

int32_t ValueReader::Integer() {
    Rewind rewind(stream_);
    int32_t value = 0;
    switch (stream_.ReadByte()) {
    case value_tag::kInt8: value = static_cast<int8_t>(stream_.ReadByte()); break;
    case value_tag::kInt16: {
        uint8_t bytes[2];
        stream_.Read(bytes, sizeof bytes);
        value = static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
        break;
    }
    case value_tag::kInt32: value = static_cast<int32_t>(stream_.ReadUInt32LE()); break;
    default: throw invalid_value();
    }
    rewind.Done();
    return value;
}

bool ValueReader::Boolean() {
    switch (stream_.PeekByte()) {
    case value_tag::kFalse: stream_.ReadByte(); return false;
    case value_tag::kTrue: stream_.ReadByte(); return true;
    default: throw invalid_value();
    }
}

std::string ValueReader::String() {
    Rewind rewind(stream_);
    std::string text;
    switch (stream_.ReadByte()) {
    case value_tag::kShortText:
        text = platform::code_page8_to_utf8(read_bytes(stream_, stream_.ReadByte()));
        break;
    case value_tag::kLongText:
        text = platform::code_page8_to_utf8(read_bytes(stream_, stream_.ReadUInt32LE()));
        break;
    case value_tag::kWideText: {
        const uint32_t units = stream_.ReadUInt32LE();
        // Compared as a unit count: 2 * units could overflow a 32-bit size_t.
        if (units > stream_.Remaining() / 2) {
            throw EReadError();
        }
        const std::string le = read_bytes(stream_, 2 * static_cast<size_t>(units));
        std::u16string wide(units, u'\0');
        for (size_t i = 0; i < wide.size(); ++i) {
            wide[i] = static_cast<char16_t>(static_cast<uint8_t>(le[2 * i]) |
                                            (static_cast<uint8_t>(le[2 * i + 1]) << 8));
        }
        text = base::utf16_to_utf8(wide);
        break;
    }
    case value_tag::kUtf8Text:
        // Re-encoded so a malformed text comes out with U+FFFD in place of each bad sequence.
        text =
            base::utf16_to_utf8(base::utf8_to_utf16(read_bytes(stream_, stream_.ReadUInt32LE())));
        break;
    default: throw invalid_value();
    }
    rewind.Done();
    return text;
}

} // namespace tonvo
