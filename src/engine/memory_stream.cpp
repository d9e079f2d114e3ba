#include "engine/memory_stream.h"

#include <cstring>

namespace tonvo {

void MemoryStream::Write(const void* data, size_t count) {
    if (count == 0) {
        return;
    }
    if (position_ + count > bytes_.size()) {
        bytes_.resize(position_ + count);
    }
    std::memcpy(bytes_.data() + position_, data, count);
    position_ += count;
}

void MemoryStream::WriteUInt32LE(uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    Write(bytes, 4);
}

void MemoryStream::Read(void* data, size_t count) {
    if (count > Remaining()) {
        throw EReadError();
    }
    if (count > 0) {
        std::memcpy(data, bytes_.data() + position_, count);
    }
    position_ += count;
}

uint8_t MemoryStream::ReadByte() {
    uint8_t value = 0;
    Read(&value, 1);
    return value;
}

uint32_t MemoryStream::ReadUInt32LE() {
    uint8_t bytes[4];
    Read(bytes, 4);
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

uint8_t MemoryStream::PeekByte() const {
    if (Remaining() == 0) {
        throw EReadError();
    }
    return bytes_[position_];
}

} // namespace tonvo
