#include "engine/chunk_classes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tonvo {
namespace {

class TestChunk : public TCustomMemoryStreamChunk {
public:
    TestChunk() : TCustomMemoryStreamChunk("tEsT") {}
};

std::vector<uint8_t> bytes(const MemoryStream& stream) {
    return {stream.Bytes().begin(), stream.Bytes().end()};
}

void fill(MemoryStream& stream, const std::string& text) {
    stream.Clear();
    stream.Write(text.data(), text.size());
}

TEST(ChunkContainers, LayoutFollowsEachFlagAndReadsBack) {
    struct Case {
        uint32_t Flags;
        std::vector<uint8_t> Expected;
    };
    const Case cases[] = {
        {0, {'t', 'E', 's', 'T', 3, 0, 0, 0, 'a', 'b', 'c'}},
        {cfSizeFirst, {3, 0, 0, 0, 't', 'E', 's', 'T', 'a', 'b', 'c'}},
        {cfReversedByteOrder, {'t', 'E', 's', 'T', 0, 0, 0, 3, 'a', 'b', 'c'}},
        {cfPadded, {'t', 'E', 's', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0}},
        {cfSizeFirst | cfReversedByteOrder, {0, 0, 0, 3, 't', 'E', 's', 'T', 'a', 'b', 'c'}},
    };
    for (const Case& c : cases) {
        TestChunk chunk;
        chunk.ChunkFlags = c.Flags;
        fill(chunk.Payload(), "abc");
        MemoryStream stream;
        chunk.SaveToStream(stream);
        stream.WriteByte(0x5A); // whatever follows the container, after the pad byte
        std::vector<uint8_t> expected = c.Expected;
        expected.push_back(0x5A);
        EXPECT_EQ(bytes(stream), expected) << c.Flags;

        TestChunk loaded;
        loaded.ChunkFlags = c.Flags;
        stream.SetPosition(0);
        loaded.LoadFromStream(stream);
        EXPECT_EQ(bytes(loaded.Payload()), (std::vector<uint8_t>{'a', 'b', 'c'})) << c.Flags;
        EXPECT_EQ(loaded.ChunkSize, 3u);
        EXPECT_EQ(stream.Position(), c.Expected.size()) << "positioned after the container";
    }
}

TEST(ChunkContainers, AShortPayloadOrAWrongNameFailsAndChangesNothing) {
    TestChunk chunk;
    fill(chunk.Payload(), "keep");
    MemoryStream stream;
    const auto load = [&](const std::string& bytes) {
        fill(stream, bytes);
        stream.SetPosition(0);
        chunk.LoadFromStream(stream);
    };
    EXPECT_THROW(load(std::string("tEsT\x09\0\0\0xy", 10)), EReadError); // 9 declared, 2 there
    EXPECT_EQ(stream.Position(), 0u);
    EXPECT_EQ(bytes(chunk.Payload()), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_THROW(load("tEsT\xFF\xFF\xFF\xFF"), EReadError);
    EXPECT_THROW(load("tEs"), EReadError);

    EXPECT_THAT([&] { load(std::string("mmst\x01\0\0\0z", 9)); },
                testing::ThrowsMessage<EVstError>("Chunk name must always be 'tEsT'"));
    EXPECT_EQ(bytes(chunk.Payload()), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_THROW(chunk.SetChunkName("mmst"), EVstError);
    EXPECT_NO_THROW(chunk.SetChunkName("tEsT"));
}

TEST(ChunkContainers, UnknownChunkTakesAnyNameAndCanCountItsHeader) {
    TUnknownChunk chunk;
    chunk.ChunkName = {'a', 'b', 'c', 'd'};
    chunk.ChunkFlags = cfIncludeChunkInSize;
    fill(chunk.Payload(), "xy");
    MemoryStream stream;
    chunk.SaveToStream(stream);
    EXPECT_EQ(bytes(stream), (std::vector<uint8_t>{'a', 'b', 'c', 'd', 10, 0, 0, 0, 'x', 'y'}));

    TUnknownChunk loaded;
    loaded.ChunkFlags = cfIncludeChunkInSize;
    stream.SetPosition(0);
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.ChunkNameText(), "abcd");
    EXPECT_EQ(bytes(loaded.Payload()), (std::vector<uint8_t>{'x', 'y'}));

    fill(stream, std::string("abcd\x07\0\0\0", 8)); // counts less than its own header
    stream.SetPosition(0);
    EXPECT_THROW(loaded.LoadFromStream(stream), EReadError);
    EXPECT_EQ(loaded.ChunkNameText(), "abcd");
}

} // namespace
} // namespace tonvo
