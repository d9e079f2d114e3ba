#include "platform/files.h"
#include "temp_folder.h"

#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvo::platform {
namespace {

namespace fs = std::filesystem;
using test::read_text;
using test::utf8_of;
using test::write_text;
using testing::HasSubstr;
using testing::ThrowsMessage;

std::vector<uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<std::string> names_in(const std::vector<fs::path>& paths) {
    std::vector<std::string> names;
    for (const fs::path& path : paths) {
        names.push_back(utf8_of(path.filename()));
    }
    return names;
}

class Files : public testing::Test {
protected:
    fs::path Folder() const { return temp_.Path(); }
    size_t EntryCount() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(Folder()), {}));
    }

private:
    test::TempFolder temp_;
};

TEST_F(Files, ExistenceStripsOneQuoteAtEachEndBeforeTrimming) {
    const fs::path file = Folder() / "preset one.brelwickp";
    write_text(file, "x");
    const std::string name = utf8_of(file);

    EXPECT_TRUE(SafeFileExists(name));
    EXPECT_TRUE(SafeFileExists(file));
    EXPECT_TRUE(SafeFileExists("\"" + name + "\""));
    EXPECT_TRUE(SafeFileExists("\"" + name));
    EXPECT_TRUE(SafeFileExists("\"\t " + name + "\r\n\""));
    EXPECT_TRUE(SafeFileExists(name + std::string("\0\x1F ", 3)));
    // The quotes come off first, so a quote behind a blank stays and names another file.
    EXPECT_FALSE(SafeFileExists(" \"" + name + "\""));
    EXPECT_FALSE(SafeFileExists("\"\"" + name + "\"\""));
    EXPECT_FALSE(SafeFileExists(name + "!"));
}

TEST_F(Files, ExistenceIsFalseForFoldersMissingFilesAndEmptyOrCutNames) {
    const fs::path file = Folder() / "real";
    write_text(file, "x");
    EXPECT_FALSE(SafeFileExists(Folder()));
    EXPECT_FALSE(SafeFileExists("\"" + utf8_of(Folder()) + "\""));
    EXPECT_FALSE(SafeFileExists(Folder() / "missing"));
    EXPECT_FALSE(SafeFileExists(std::string()));
    EXPECT_FALSE(SafeFileExists(std::string("\"\"")));
    EXPECT_FALSE(SafeFileExists(std::string(" \t")));
    // A NUL inside must not let the shorter name before it answer.
    EXPECT_FALSE(SafeFileExists(utf8_of(file) + std::string("\0.bak", 5)));
}

TEST_F(Files, ReplacingWriteLeavesExactlyTheNewBytesAndNoTemporary) {
    const fs::path file = Folder() / "state.bin";
    write_file_replacing(file, bytes_of("first and rather longer contents"));
    write_file_replacing(file, bytes_of(std::string("\0\xFF\r\nend", 7)));
    EXPECT_EQ(read_file_bytes(file), bytes_of(std::string("\0\xFF\r\nend", 7)));
    write_file_replacing(file, {});
    EXPECT_TRUE(read_file_bytes(file).empty());
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(Files, FailedReplacingWriteThrowsNamingThePathAndChangesNothing) {
    // A folder where the file should go.
    const fs::path taken = Folder() / "taken.brelwickp";
    fs::create_directory(taken);
    write_text(taken / "keep.txt", "kept");
    EXPECT_THAT([&] { write_file_replacing(taken, bytes_of("new")); },
                ThrowsMessage<std::runtime_error>(HasSubstr("taken.brelwickp")));
    EXPECT_EQ(read_text(taken / "keep.txt"), "kept");

    // A regular file where the folder should be, and a folder that is missing.
    const fs::path plain = Folder() / "plain";
    write_text(plain, "old");
    EXPECT_THROW(write_file_replacing(plain / "child", bytes_of("new")), std::runtime_error);
    EXPECT_THROW(write_file_replacing(Folder() / "missing" / "x", bytes_of("new")),
                 std::runtime_error);
    EXPECT_EQ(read_text(plain), "old");
    EXPECT_EQ(EntryCount(), 2u); // no temporary left behind
}

TEST_F(Files, RespellingGoesThroughItsOwnNameAndAFailureKeepsTheOldName) {
    const fs::path file = Folder() / "Warm.brelwickp";
    write_text(file, "kept");
    write_text(Folder() / ".respell.tmp", "another writer's");
    // A folder holds the new name, so the second step fails.
    fs::create_directory(Folder() / "cold.brelwickp");
    write_text(Folder() / "cold.brelwickp" / "inner", "x");
    EXPECT_THROW(respell_file(file, Folder() / "cold.brelwickp"), std::runtime_error);
    EXPECT_EQ(read_text(file), "kept");
    EXPECT_EQ(EntryCount(), 3u) << "no temporary left behind";

    respell_file(file, Folder() / "WARM.brelwickp");
    EXPECT_EQ(names_in(list_files(Folder(), ".brelwickp")),
              (std::vector<std::string>{"WARM.brelwickp"}));
    EXPECT_EQ(read_text(Folder() / ".respell.tmp"), "another writer's");
    EXPECT_EQ(EntryCount(), 3u);
}

TEST_F(Files, ReadingAMissingFileOrAFolderThrows) {
    EXPECT_THAT([&] { read_file_bytes(Folder() / "absent.brelwickp"); },
                ThrowsMessage<std::runtime_error>(HasSubstr("absent.brelwickp")));
    EXPECT_THROW(read_file_bytes(Folder()), std::runtime_error);
}

TEST_F(Files, ListingKeepsMatchingFilesInOrderWithoutRegardToCase) {
    for (const char* name :
         {"beta.brelwickp", "Alpha.BRELWICKP", "Zed.BrelwickP", "alpha2.brelwickp", "notes.txt",
          "beta.brelwickp.bak", "xbrelwickp", "\303\211clair.brelwickp", "\303\251cho.brelwickp"}) {
        write_text(Folder() / fs::path(std::u8string(name, name + std::strlen(name))), "x");
    }
    fs::create_directory(Folder() / "folder.brelwickp");
    write_text(Folder() / "folder.brelwickp" / "inner.brelwickp", "x");

    // Case folding covers more than ASCII: "écho" goes before "Éclair".
    EXPECT_EQ(names_in(list_files(Folder(), ".brelwickp")),
              (std::vector<std::string>{"Alpha.BRELWICKP", "alpha2.brelwickp", "beta.brelwickp",
                                        "Zed.BrelwickP", "\303\251cho.brelwickp",
                                        "\303\211clair.brelwickp"}));
    EXPECT_EQ(list_files(Folder(), ".BRELWICKP").size(), 6u);
}

TEST_F(Files, ListingAFolderThatIsNotThereGivesNothing) {
    write_text(Folder() / "file.brelwickp", "x");
    EXPECT_TRUE(list_files(Folder() / "absent", ".brelwickp").empty());
    EXPECT_TRUE(list_files(Folder() / "absent" / "deeper", ".brelwickp").empty());
    EXPECT_TRUE(list_files(Folder() / "file.brelwickp", ".brelwickp").empty());
}

TEST_F(Files, FoldersAreCreatedWithParentsAndFilesDeletedOnce) {
    const fs::path nested = Folder() / "a" / "b" / "c";
    create_folders(nested);
    create_folders(nested);
    EXPECT_TRUE(fs::is_directory(nested));
    write_text(Folder() / "plain", "x");
    EXPECT_THROW(create_folders(Folder() / "plain" / "sub"), std::runtime_error);

    const fs::path file = nested / "gone.brelwickp";
    write_text(file, "x");
    remove_file(file);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_THROW(remove_file(file), std::runtime_error);
    EXPECT_THROW(remove_file(nested), std::runtime_error);
    EXPECT_TRUE(fs::is_directory(nested));
}

} // namespace
} // namespace tonvo::platform
