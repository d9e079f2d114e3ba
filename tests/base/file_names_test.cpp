#include "base/case_fold.h"
#include "base/file_names.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace tonvo::base {
namespace {

TEST(FileNames, NamesEqualButForCaseKeepOneOrderWhateverTheInput) {
    const std::vector<std::pair<std::string, std::filesystem::path>> forward = {
        {"b", "b"}, {"B", "B"}, {"a", "a"}, {"\xCE\xA3", "Sigma"}, {"\xCF\x83", "sigma"}};
    const std::vector<std::pair<std::string, std::filesystem::path>> backward(forward.rbegin(),
                                                                              forward.rend());
    const std::vector<std::filesystem::path> expected = {"a", "B", "b", "Sigma", "sigma"};
    EXPECT_EQ(SortByNameNoCase(forward), expected);
    EXPECT_EQ(SortByNameNoCase(backward), expected);
}

TEST(FileNames, CaseFoldingSpansScriptsButKeepsDistinctLetters) {
    EXPECT_TRUE(equal_ignoring_case("\xC3\x84rger", "\xC3\xA4RGER")); // Ärger
    EXPECT_TRUE(equal_ignoring_case("\xC5\xBD"
                                    "al",
                                    "\xC5\xBE"
                                    "AL"));                                   // Žal
    EXPECT_TRUE(equal_ignoring_case("\xCE\x86\xCE\xA3", "\xCE\xAC\xCF\x82")); // ΆΣ, άς
    EXPECT_TRUE(equal_ignoring_case("\xD0\x81\xD0\xAF", "\xD1\x91\xD1\x8F")); // ЁЯ, ёя
    EXPECT_FALSE(equal_ignoring_case("\xC3\x97", "\xC3\xB7"));                // × is not ÷
    EXPECT_FALSE(equal_ignoring_case("\xC4\xB0", "\xC4\xB1"));                // İ is not ı
    EXPECT_FALSE(has_extension_no_case(".brelwickp", ".brelwickp"));
    // The Kelvin sign is a K in three bytes: the name is still no more than the extension.
    EXPECT_FALSE(has_extension_no_case(".BRELWIC\xE2\x84\xAAP", ".brelwickp"));
    EXPECT_TRUE(has_extension_no_case("a.BRELWIC\xE2\x84\xAAP", ".brelwickp"));
}

} // namespace
} // namespace tonvo::base
