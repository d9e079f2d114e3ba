// A growable byte buffer with a read/write position: program chunk streams, chunk payloads
// and the state block are built and read in it. Reads past the end fail with "Stream read
// error" and leave the position where it was.
//
// Thread contract: one thread at a time; not used on the audio path.
#pragma once

#include "engine/errors.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tonvo {

class MemoryStream {
public:
    size_t Size() const noexcept { return bytes_.size(); }
    size_t Position() const noexcept { return position_; }
    // Positions past the end are allowed; writing there fills the gap with zeros.
    void SetPosition(size_t position) noexcept { position_ = position; }
    size_t Remaining() const noexcept {
        return position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    }
    void Clear() noexcept {
        bytes_.clear();
        position_ = 0;
    }

    const uint8_t* Data() const noexcept { return bytes_.data(); }
    std::span<const uint8_t> Bytes() const noexcept { return bytes_; }

    // Writes at the position, growing the buffer as needed, and moves past what was written.
    void Write(const void* data, size_t count);
    void Write(std::span<const uint8_t> data) { Write(data.data(), data.size()); }
    void WriteByte(uint8_t value) { Write(&value, 1); }
    void WriteUInt32LE(uint32_t value);

    // Reads exactly count bytes or fails without moving.
    void Read(void* data, size_t count);
    uint8_t ReadByte();
    uint32_t ReadUInt32LE();
    // The next byte without moving; fails at the end.
    uint8_t PeekByte() const;

private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

} // namespace tonvo
