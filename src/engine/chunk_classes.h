// Chunk containers: a 4-byte name, a 32-bit length and the payload, as found in program chunks,
// the state block and preset files. With every flag clear the layout is
// name (4 bytes) | payload size (unsigned 32-bit little-endian) | payload.
//
// Loading checks lengths against the bytes actually present before anything is allocated, and
// a failed load leaves the container's payload as it was.
#pragma once

#include "engine/memory_stream.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tonvo {

enum ChunkFlag : uint32_t {
    cfSizeFirst = 1 << 0,          // the size field precedes the name
    cfReversedByteOrder = 1 << 1,  // the size field is big-endian
    cfPadded = 1 << 2,             // an odd-sized payload is followed by one pad byte
    cfIncludeChunkInSize = 1 << 3, // the size counts the 8 header bytes (TUnknownChunk only)
};

using ChunkId = std::array<char, 4>;

class TCustomChunk {
public:
    virtual ~TCustomChunk() = default;

    uint32_t ChunkFlags = 0;
    ChunkId ChunkName{};
    uint32_t ChunkSize = 0;

    std::string ChunkNameText() const { return {ChunkName.begin(), ChunkName.end()}; }

    virtual void SaveToStream(MemoryStream& stream) = 0;
    virtual void LoadFromStream(MemoryStream& stream) = 0;

protected:
    void WriteHeader(MemoryStream& stream) const;
    // Reads name and size in the order the flags say.
    void ReadHeader(MemoryStream& stream);
};

// A chunk whose name is fixed by its class; loading refuses any other name.
class TDefinedChunk : public TCustomChunk {
public:
    explicit TDefinedChunk(std::string_view className);

    // Fails with "Chunk name must always be '<name>'" for any other name.
    void SetChunkName(std::string_view name);
    size_t FilePosition = 0;

protected:
    // Fails, leaving the position unchanged, when the stream's next chunk has another name.
    void CheckName(const MemoryStream& stream) const;

private:
    ChunkId className_{};
};

// A defined chunk whose payload is a stream.
class TCustomStreamChunk : public TDefinedChunk {
public:
    using TDefinedChunk::TDefinedChunk;

    virtual MemoryStream& Payload() = 0;

    void SaveToStream(MemoryStream& stream) override;
    void LoadFromStream(MemoryStream& stream) override;
};

// A stream chunk that owns its payload in memory.
class TCustomMemoryStreamChunk : public TCustomStreamChunk {
public:
    using TCustomStreamChunk::TCustomStreamChunk;
    MemoryStream& Payload() override { return payload_; }

private:
    MemoryStream payload_;
};

// A payload under whatever name the stream holds.
class TUnknownChunk : public TCustomChunk {
public:
    MemoryStream& Payload() { return payload_; }

    void SaveToStream(MemoryStream& stream) override;
    void LoadFromStream(MemoryStream& stream) override;

private:
    MemoryStream payload_;
};

} // namespace tonvo
