// The tagged value stream the plug-in's state is stored in: a "TPF0" signature, then values
// each led by a one-byte tag (lists, integers, booleans, texts), numbers little-endian.
//
// The writer picks the smallest integer form and the text form that fits the characters; the
// reader accepts every form of a value. Internal text is UTF-8; 8-bit text in the stream is in
// the system's code page.
//
// Reader failures: bytes that do not follow the format throw EFormatError ("Invalid stream
// format" for a bad signature, "Invalid property value" for an unexpected tag); a stream that
// ends early or declares more bytes than it holds throws EReadError. A failed read leaves the
// stream position at the start of the value it was reading.
//
// Thread contract: one thread at a time, with the stream; not used on the audio path.
#pragma once

#include "engine/memory_stream.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tonvo {

namespace value_tag {
inline constexpr uint8_t kListEnd = 0x00;
inline constexpr uint8_t kListStart = 0x01;
inline constexpr uint8_t kInt8 = 0x02;
inline constexpr uint8_t kInt16 = 0x03;
inline constexpr uint8_t kInt32 = 0x04;
inline constexpr uint8_t kShortText = 0x06;
inline constexpr uint8_t kFalse = 0x08;
inline constexpr uint8_t kTrue = 0x09;
inline constexpr uint8_t kLongText = 0x0C;
inline constexpr uint8_t kWideText = 0x12;
inline constexpr uint8_t kUtf8Text = 0x14;
} // namespace value_tag

// Writes at the stream's position.
class ValueWriter {
public:
    explicit ValueWriter(MemoryStream& stream) noexcept : stream_(stream) {}

    void Signature();
    void ListStart();
    void ListEnd();
    void Integer(int32_t value);
    void Boolean(bool value);
    // Invalid UTF-8 is written with each bad sequence replaced by U+FFFD. Throws
    // std::length_error for a text whose length does not fit the 32-bit length field.
    void String(std::string_view utf8);

private:
    void WriteText(uint8_t tag, const void* data, size_t size);

    MemoryStream& stream_;
};

// Reads from the stream's position.
class ValueReader {
public:
    explicit ValueReader(MemoryStream& stream) noexcept : stream_(stream) {}

    void CheckSignature();
    void ExpectListStart();
    void ExpectListEnd();
    // Looks at the next tag without consuming it; throws EReadError at the end of the stream.
    bool NextIsListEnd() const;
    int32_t Integer();
    bool Boolean();
    // Always valid UTF-8, whatever the stream holds.
    std::string String();

private:
    MemoryStream& stream_;
};

} // namespace tonvo
