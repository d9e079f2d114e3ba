#include "engine/value_stream.h"

#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

namespace tonvo {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes written(const std::function<void(ValueWriter&)>& write) {
    MemoryStream stream;
    ValueWriter writer(stream);
    write(writer);
    return Bytes(stream.Bytes().begin(), stream.Bytes().end());
}

Bytes string_bytes(std::string_view text) {
    return written([&](ValueWriter& w) { w.String(text); });
}

Bytes concat(Bytes head, std::string_view tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

MemoryStream stream_of(const Bytes& bytes) {
    MemoryStream stream;
    stream.Write(bytes);
    stream.SetPosition(0);
    return stream;
}

// The message of the exception read throws; fails the test when it throws nothing or another
// type.
template <typename E>
std::string failure(const Bytes& bytes, const std::function<void(ValueReader&)>& read) {
    MemoryStream stream = stream_of(bytes);
    ValueReader reader(stream);
    try {
        read(reader);
    } catch (const E& e) {
        EXPECT_EQ(stream.Position(), 0u) << "a failed read must not move the stream";
        return e.what();
    }
    ADD_FAILURE() << "no exception of the expected type";
    return {};
}

const std::function<void(ValueReader&)> kReadString = [](ValueReader& r) { r.String(); };
const std::function<void(ValueReader&)> kReadInteger = [](ValueReader& r) { r.Integer(); };
const std::function<void(ValueReader&)> kReadBoolean = [](ValueReader& r) { r.Boolean(); };

TEST(ValueWriter, IntegersTakeTheSmallestFormAndSignatureListsAndBooleansTheirOwn) {
    auto bytes = [](int32_t v) { return written([v](ValueWriter& w) { w.Integer(v); }); };
    EXPECT_EQ(bytes(0), (Bytes{0x02, 0x00}));
    EXPECT_EQ(bytes(127), (Bytes{0x02, 0x7F}));
    EXPECT_EQ(bytes(-128), (Bytes{0x02, 0x80}));
    EXPECT_EQ(bytes(128), (Bytes{0x03, 0x80, 0x00}));
    EXPECT_EQ(bytes(-129), (Bytes{0x03, 0x7F, 0xFF}));
    EXPECT_EQ(bytes(32767), (Bytes{0x03, 0xFF, 0x7F}));
    EXPECT_EQ(bytes(-32768), (Bytes{0x03, 0x00, 0x80}));
    EXPECT_EQ(bytes(32768), (Bytes{0x04, 0x00, 0x80, 0x00, 0x00}));
    EXPECT_EQ(bytes(-32769), (Bytes{0x04, 0xFF, 0x7F, 0xFF, 0xFF}));
    EXPECT_EQ(bytes(std::numeric_limits<int32_t>::min()), (Bytes{0x04, 0x00, 0x00, 0x00, 0x80}));
    // The signature, lists and booleans.
    EXPECT_EQ(written([](ValueWriter& w) {
                  w.Signature();
                  w.ListStart();
                  w.Boolean(true);
                  w.Boolean(false);
                  w.ListEnd();
              }),
              (Bytes{'T', 'P', 'F', '0', 0x01, 0x09, 0x08, 0x00}));
}

// Each text takes the smallest form: ASCII short up to 255 bytes, then long; UTF-16 when that
// is no bigger than UTF-8 (equal sizes too); UTF-8 for mostly ASCII text with other
// characters; invalid UTF-8 with replacement characters.
TEST(ValueWriter, TextTakesTheSmallestForm) {
    const std::string s255(255, 'a');
    const std::string s256(256, 'a');
    const std::pair<std::string, Bytes> cases[] = {
        {"1.00", {0x06, 0x04, '1', '.', '0', '0'}},
        {s255, concat({0x06, 0xFF}, s255)},
        {s256, concat({0x0C, 0x00, 0x01, 0x00, 0x00}, s256)},
        {"", {0x12, 0, 0, 0, 0}},
        // "Лад": 6 UTF-8 bytes, 3 UTF-16 units; "音階": 6 bytes against 2 units; an emoji is a
        // surrogate pair, 4 bytes against 2 units; "é" 2 bytes against 1 unit.
        {"\xD0\x9B\xD0\xB0\xD0\xB4", {0x12, 3, 0, 0, 0, 0x1B, 0x04, 0x30, 0x04, 0x34, 0x04}},
        {"\xE9\x9F\xB3\xE9\x9A\x8E", {0x12, 2, 0, 0, 0, 0xF3, 0x97, 0x8E, 0x96}},
        {"\xF0\x9F\x8E\xB5", {0x12, 2, 0, 0, 0, 0x3C, 0xD8, 0xB5, 0xDF}},
        {"\xC3\xA9", {0x12, 1, 0, 0, 0, 0xE9, 0x00}},
        {"Caf\xC3\xA9 Minor", concat({0x14, 11, 0, 0, 0}, "Caf\xC3\xA9 Minor")},
        {"\xC3\xA9"
         "a",
         concat({0x14, 3, 0, 0, 0}, "\xC3\xA9"
                                    "a")},
        {"A\xF0\x9F\x8E\xB5", concat({0x14, 5, 0, 0, 0}, "A\xF0\x9F\x8E\xB5")},
        {"\xFF", {0x12, 1, 0, 0, 0, 0xFD, 0xFF}},
        {"ab\xC3", concat({0x14, 5, 0, 0, 0}, "ab\xEF\xBF\xBD")},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(string_bytes(text), bytes) << text;
    }
}

TEST(ValueStream, WhatIsWrittenReadsBack) {
    const std::vector<std::string> texts = {"",
                                            "1.00",
                                            std::string(255, 'x'),
                                            std::string(256, 'y'),
                                            std::string(70000, 'z'),
                                            "Caf\xC3\xA9 Minor",
                                            "\xD0\x9B\xD0\xB0\xD0\xB4",
                                            "\xE9\x9F\xB3\xE9\x9A\x8E",
                                            "A\xF0\x9F\x8E\xB5",
                                            std::string("nul\0inside", 10)};
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const std::vector<int32_t> integers = {0,     -1,    127,    128,    -128, -129,
                                           32767, 32768, -32768, -32769, kMax, kMin};
    MemoryStream stream;
    ValueWriter writer(stream);
    writer.Signature();
    writer.ListStart();
    for (const auto& text : texts) {
        writer.String(text);
    }
    for (const int32_t value : integers) {
        writer.Integer(value);
    }
    writer.Boolean(true);
    writer.Boolean(false);
    writer.ListEnd();

    stream.SetPosition(0);
    ValueReader reader(stream);
    reader.CheckSignature();
    reader.ExpectListStart();
    for (const auto& text : texts) {
        EXPECT_FALSE(reader.NextIsListEnd());
        EXPECT_EQ(reader.String(), text);
    }
    for (const int32_t value : integers) {
        EXPECT_EQ(reader.Integer(), value);
    }
    EXPECT_TRUE(reader.Boolean());
    EXPECT_FALSE(reader.Boolean());
    EXPECT_TRUE(reader.NextIsListEnd());
    reader.ExpectListEnd();
    EXPECT_EQ(stream.Remaining(), 0u);
}

TEST(ValueReader, AcceptsEveryFormOfAValue) {
    auto text = [](const Bytes& bytes) {
        MemoryStream stream = stream_of(bytes);
        return ValueReader(stream).String();
    };
    auto integer = [](const Bytes& bytes) {
        MemoryStream stream = stream_of(bytes);
        return ValueReader(stream).Integer();
    };
    EXPECT_EQ(text({0x06, 0x00}), "");
    EXPECT_EQ(text({0x06, 0x05, 'C', 'a', 'f', 0xE9, 0x80}), "Caf\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(text({0x0C, 2, 0, 0, 0, 'o', 'k'}), "ok");
    EXPECT_EQ(text({0x0C, 1, 0, 0, 0, 0x80}), "\xE2\x82\xAC");
    EXPECT_EQ(text({0x12, 2, 0, 0, 0, 0x3C, 0xD8, 0xB5, 0xDF}), "\xF0\x9F\x8E\xB5");
    EXPECT_EQ(text({0x12, 2, 0, 0, 0, 0x3C, 0xD8, 'a', 0}), "\xEF\xBF\xBD"
                                                            "a");
    EXPECT_EQ(text({0x14, 0, 0, 0, 0}), "");
    EXPECT_EQ(text({0x14, 4, 0, 0, 0, 'a', 0xC0, 0xAF, 'b'}), "a\xEF\xBF\xBD\xEF\xBF\xBD"
                                                              "b");
    EXPECT_EQ(integer({0x02, 0xFF}), -1);
    EXPECT_EQ(integer({0x03, 0x05, 0x00}), 5);
    EXPECT_EQ(integer({0x03, 0xFF, 0xFF}), -1);
    EXPECT_EQ(integer({0x04, 0x05, 0x00, 0x00, 0x00}), 5);
    EXPECT_EQ(integer({0x04, 0xFE, 0xFF, 0xFF, 0xFF}), -2);
}

TEST(ValueReader, UnexpectedTagsAreInvalidValuesAndTheSignatureMustBeTpf0) {
    const std::string invalid = "Invalid property value";
    for (const uint8_t tag : std::initializer_list<uint8_t>{0x00, 0x01, 0x05, 0x07, 0x0A, 0x0B,
                                                            0x0D, 0x11, 0x13, 0x15, 0xFF}) {
        const Bytes bytes = {tag, 0, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(failure<EFormatError>(bytes, kReadString), invalid) << int{tag};
        EXPECT_EQ(failure<EFormatError>(bytes, kReadInteger), invalid) << int{tag};
        EXPECT_EQ(failure<EFormatError>(bytes, kReadBoolean), invalid) << int{tag};
    }
    EXPECT_EQ(failure<EFormatError>({0x06, 0x00}, kReadInteger), invalid);
    EXPECT_EQ(failure<EFormatError>({0x02, 0x00}, kReadString), invalid);
    EXPECT_EQ(failure<EFormatError>({0x00}, [](ValueReader& r) { r.ExpectListStart(); }), invalid);
    EXPECT_EQ(failure<EFormatError>({0x01}, [](ValueReader& r) { r.ExpectListEnd(); }), invalid);

    // The signature must be "TPF0".
    auto check = [](ValueReader& r) { r.CheckSignature(); };
    EXPECT_EQ(failure<EFormatError>({'T', 'P', 'F', '1'}, check), "Invalid stream format");
    EXPECT_EQ(failure<EFormatError>({'t', 'p', 'f', '0', 0x01}, check), "Invalid stream format");
    EXPECT_EQ(failure<EReadError>({'T', 'P', 'F'}, check), "Stream read error");
    EXPECT_EQ(failure<EReadError>({}, check), "Stream read error");
}

TEST(ValueReader, EveryTruncatedValueAndAHugeDeclaredLengthFailAsAReadError) {
    const std::pair<Bytes, const std::function<void(ValueReader&)>&> values[] = {
        {{0x06, 3, 'a', 'b', 'c'}, kReadString},
        {{0x0C, 2, 0, 0, 0, 'a', 'b'}, kReadString},
        {{0x12, 1, 0, 0, 0, 'a', 0}, kReadString},
        {{0x14, 2, 0, 0, 0, 0xC3, 0xA9}, kReadString},
        {{0x02, 1}, kReadInteger},
        {{0x03, 1, 0}, kReadInteger},
        {{0x04, 1, 0, 0, 0}, kReadInteger}};
    for (const auto& [full, read] : values) {
        for (size_t size = 0; size < full.size(); ++size) {
            const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_EQ(failure<EReadError>(cut, read), "Stream read error")
                << int{full[0]} << " cut to " << size;
        }
    }
    failure<EReadError>({}, kReadBoolean);
    failure<EReadError>({}, [](ValueReader& r) { r.ExpectListEnd(); });
    failure<EReadError>({}, [](ValueReader& r) { r.NextIsListEnd(); });

    // Huge declared lengths fail before allocating.
    for (const uint8_t tag : std::initializer_list<uint8_t>{0x0C, 0x12, 0x14}) {
        EXPECT_EQ(failure<EReadError>({tag, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'}, kReadString),
                  "Stream read error");
        // 2 * 0x80000000 wraps to 0 in 32-bit arithmetic.
        EXPECT_EQ(failure<EReadError>({tag, 0x00, 0x00, 0x00, 0x80, 'a', 'b'}, kReadString),
                  "Stream read error");
    }
    failure<EReadError>({0x06, 0xFF, 'a'}, kReadString);
}

} // namespace
} // namespace tonvo
