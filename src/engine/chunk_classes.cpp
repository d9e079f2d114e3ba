#include "engine/chunk_classes.h"

#include <algorithm>
#include <cstring>

namespace tonvo {

namespace {

uint32_t reversed(uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

ChunkId name_of(std::string_view text) {
    ChunkId name{};
    std::copy_n(text.begin(), std::min<size_t>(text.size(), name.size()), name.begin());
    return name;
}

// Copies exactly count bytes of the stream into a fresh payload; checks first, so a short
// stream neither allocates nor changes anything.
void copy_payload(MemoryStream& from, size_t count, MemoryStream& to) {
    if (count > from.Remaining()) {
        throw EReadError();
    }
    MemoryStream fresh;
    fresh.Write(from.Data() + from.Position(), count);
    fresh.SetPosition(0);
    from.SetPosition(from.Position() + count);
    to = std::move(fresh);
}

void skip_pad(MemoryStream& stream, uint32_t flags, size_t size) {
    if ((flags & cfPadded) != 0 && size % 2 == 1) {
        stream.SetPosition(stream.Position() + 1);
    }
}

} // namespace

void TCustomChunk::WriteHeader(MemoryStream& stream) const {
    const uint32_t size = (ChunkFlags & cfReversedByteOrder) != 0 ? reversed(ChunkSize) : ChunkSize;
    if ((ChunkFlags & cfSizeFirst) != 0) {
        stream.WriteUInt32LE(size);
        stream.Write(ChunkName.data(), ChunkName.size());
    } else {
        stream.Write(ChunkName.data(), ChunkName.size());
        stream.WriteUInt32LE(size);
    }
}

void TCustomChunk::ReadHeader(MemoryStream& stream) {
    if (stream.Remaining() < 8) {
        throw EReadError();
    }
    ChunkId name{};
    uint32_t size = 0;
    if ((ChunkFlags & cfSizeFirst) != 0) {
        size = stream.ReadUInt32LE();
        stream.Read(name.data(), name.size());
    } else {
        stream.Read(name.data(), name.size());
        size = stream.ReadUInt32LE();
    }
    ChunkName = name;
    ChunkSize = (ChunkFlags & cfReversedByteOrder) != 0 ? reversed(size) : size;
}

TDefinedChunk::TDefinedChunk(std::string_view className) : className_(name_of(className)) {
    ChunkName = className_;
}

void TDefinedChunk::SetChunkName(std::string_view name) {
    if (name.size() != 4 || name_of(name) != className_) {
        throw EVstError("Chunk name must always be '" +
                        std::string(className_.begin(), className_.end()) + "'");
    }
    ChunkName = className_;
}

void TDefinedChunk::CheckName(const MemoryStream& stream) const {
    const size_t at = stream.Position() + ((ChunkFlags & cfSizeFirst) != 0 ? 4 : 0);
    if (stream.Size() < at + 4) {
        throw EReadError();
    }
    if (std::memcmp(stream.Data() + at, className_.data(), className_.size()) != 0) {
        throw EVstError("Chunk name must always be '" +
                        std::string(className_.begin(), className_.end()) + "'");
    }
}

void TCustomStreamChunk::SaveToStream(MemoryStream& stream) {
    MemoryStream& payload = Payload();
    ChunkSize = static_cast<uint32_t>(payload.Size());
    WriteHeader(stream);
    stream.Write(payload.Bytes());
    skip_pad(stream, ChunkFlags, ChunkSize);
}

void TCustomStreamChunk::LoadFromStream(MemoryStream& stream) {
    CheckName(stream);
    const size_t start = stream.Position();
    const uint32_t oldSize = ChunkSize;
    try {
        ReadHeader(stream);
        copy_payload(stream, ChunkSize, Payload());
    } catch (...) {
        stream.SetPosition(start);
        ChunkSize = oldSize;
        throw;
    }
    skip_pad(stream, ChunkFlags, ChunkSize);
}

void TUnknownChunk::SaveToStream(MemoryStream& stream) {
    const size_t size = payload_.Size();
    ChunkSize = static_cast<uint32_t>((ChunkFlags & cfIncludeChunkInSize) != 0 ? size + 8 : size);
    WriteHeader(stream);
    stream.Write(payload_.Bytes());
    skip_pad(stream, ChunkFlags, size);
}

void TUnknownChunk::LoadFromStream(MemoryStream& stream) {
    const size_t start = stream.Position();
    const ChunkId oldName = ChunkName;
    const uint32_t oldSize = ChunkSize;
    size_t size = 0;
    try {
        ReadHeader(stream);
        size = ChunkSize;
        if ((ChunkFlags & cfIncludeChunkInSize) != 0) {
            if (size < 8) {
                throw EReadError();
            }
            size -= 8;
        }
        copy_payload(stream, size, payload_);
    } catch (...) {
        stream.SetPosition(start);
        ChunkName = oldName;
        ChunkSize = oldSize;
        throw;
    }
    skip_pad(stream, ChunkFlags, size);
}

} // namespace tonvo
