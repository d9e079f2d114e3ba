#include "base/case_fold.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string_view>

namespace tonvo::base {
namespace {

// As a number, so failures print readably.
uint32_t fold(char32_t cp) {
    return fold_case(cp);
}

TEST(FoldCase, PairsCapitalAndSmallLettersAtEveryRangeEdge) {
    struct Pair {
        char32_t Capital;
        char32_t Small;
    };
    // The first and last letter of each range rule, and the letters listed one by one.
    constexpr Pair kPairs[] = {
        {U'A', U'a'}, {U'Z', U'z'}, {U'À', U'à'}, {U'Þ', U'þ'}, {U'Ā', U'ā'},   {U'Ķ', U'ķ'},
        {U'Ĺ', U'ĺ'}, {U'Ň', U'ň'}, {U'Ŋ', U'ŋ'}, {U'Ŷ', U'ŷ'}, {U'Ÿ', U'ÿ'},   {U'Ž', U'ž'},
        {U'ſ', U's'}, {U'µ', U'μ'}, {U'Ͱ', U'ͱ'}, {U'Ά', U'ά'}, {U'Ί', U'ί'},   {U'Ώ', U'ώ'},
        {U'Α', U'α'}, {U'Ϋ', U'ϋ'}, {U'ς', U'σ'}, {U'ϐ', U'β'}, {U'Ϙ', U'ϙ'},   {U'Ϯ', U'ϯ'},
        {U'Ͻ', U'ͻ'}, {U'Ѐ', U'ѐ'}, {U'Џ', U'џ'}, {U'Я', U'я'}, {U'Ҁ', U'ҁ'},   {U'Ҋ', U'ҋ'},
        {U'Ӏ', U'ӏ'}, {U'Ӂ', U'ӂ'}, {U'Ӎ', U'ӎ'}, {U'Ӑ', U'ӑ'}, {U'Ԯ', U'ԯ'}, {U'\u212A', U'k'},
    };
    for (const Pair& pair : kPairs) {
        EXPECT_EQ(fold(pair.Capital), fold(pair.Small)) << uint32_t{pair.Capital};
        EXPECT_EQ(fold(pair.Small), uint32_t{pair.Small == U'ς' ? U'σ' : pair.Small});
    }
    // Letters with no simple folding, and neighbours that are not letters.
    for (char32_t alone :
         {U'×', U'÷', U'ß', U'İ', U'ı', U'ĸ', U'ŉ', U'\u03A2', U'\u0482', U'\u0530', U'@', U'['}) {
        EXPECT_EQ(fold(alone), uint32_t{alone});
    }
    // Every folding is a fixed point: no range rule lands on a letter that folds again.
    for (char32_t cp = 0; cp < 0x600; ++cp) {
        ASSERT_EQ(fold(fold_case(cp)), fold(cp)) << uint32_t{cp};
    }
}

// The text in a heap block of exactly its size, so a read past either view's end is caught by
// the address sanitizer.
class Exact {
public:
    explicit Exact(std::string_view text) : size_(text.size()), bytes_(new char[text.size()]) {
        std::memcpy(bytes_.get(), text.data(), text.size());
    }
    std::string_view View() const { return {bytes_.get(), size_}; }

private:
    size_t size_;
    std::unique_ptr<char[]> bytes_;
};

bool equal(std::string_view a, std::string_view b) {
    const Exact x(a);
    const Exact y(b);
    return equal_ignoring_case(x.View(), y.View()) && equal_ignoring_case(y.View(), x.View());
}

TEST(EqualIgnoringCase, FoldsWellFormedCharactersAndComparesBadBytesAsTheyAre) {
    EXPECT_TRUE(equal("ΔΩΡΙΚΌΣ", "δωρικός"));
    EXPECT_FALSE(equal("Éolien", "Eolien"));
    EXPECT_FALSE(equal("maj", "major"));
    // Ill-formed parts (a truncated lead, a stray continuation, Latin-1 bytes, an overlong form,
    // an encoded surrogate) each equal only the same bytes.
    EXPECT_TRUE(equal("ab\xC3", "AB\xC3"));
    EXPECT_FALSE(equal("\xC3", "\xC3\x89"));
    EXPECT_TRUE(equal("\x89\xC9x", "\x89\xC9X"));
    EXPECT_FALSE(equal("\xC9", "\xE9")) << "Latin-1 bytes are not folded";
    EXPECT_FALSE(equal("\xC1\x81", "a")) << "an overlong 'A' is not a letter";
    EXPECT_TRUE(equal("\xED\xA0\x80Z", "\xED\xA0\x80z"));
    EXPECT_FALSE(equal("\xE2\x84\xAA", "\xE2\x84"));
    // A bad lead byte does not swallow the well-formed character after it.
    EXPECT_TRUE(equal("\xE0\xC3\x89", "\xE0\xC3\xA9"));
}

} // namespace
} // namespace tonvo::base
