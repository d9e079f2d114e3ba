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

// An extension matches without regard to case, but only after a name.
TEST(FileNames, ExtensionsMatchWithoutCaseAfterAName) {
    EXPECT_FALSE(has_extension_no_case(".brelwickp", ".brelwickp"));
    // The Kelvin sign is a K in three bytes: the name is still no more than the extension.
    EXPECT_FALSE(has_extension_no_case(".BRELWIC\xE2\x84\xAAP", ".brelwickp"));
    EXPECT_TRUE(has_extension_no_case("a.BRELWIC\xE2\x84\xAAP", ".brelwickp"));
}

} // namespace
} // namespace tonvo::base
