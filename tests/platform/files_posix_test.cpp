// File behaviour particular to systems other than Windows: the XDG documents folder, dot-hidden
// files, links, permissions, and opening through xdg-open (or its stand-in).
#include "platform/files.h"
#include "posix_environment.h"
#include "temp_folder.h"

#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace tonvo::platform {
namespace {

namespace fs = std::filesystem;
using test::read_text;
using test::write_text;

class PosixFiles : public testing::Test {
protected:
    PosixFiles() {
        fs::create_directory(Home());
        environment_.Set("HOME", Home());
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR", "TONVO_OPEN_COMMAND"}) {
            environment_.Unset(name);
        }
    }
    fs::path Folder() const { return temp_.Path(); }
    fs::path Home() const { return temp_.Path() / "home"; }
    void UserDirs(const std::string& text) {
        fs::create_directories(Home() / ".config");
        write_text(Home() / ".config" / "user-dirs.dirs", text);
    }

    test::TempFolder temp_;
    test::ScopedEnvironment environment_;
};

TEST_F(PosixFiles, DocumentsFolderComesFromTheVariableThenUserDirsThenHome) {
    EXPECT_EQ(documents_folder(), Home() / "Documents");

    UserDirs("# XDG_DOCUMENTS_DIR=\"/commented\"\n"
             "XDG_DOCUMENTS_DIR=\"relative/ignored\"\n"
             "XDG_MUSIC_DIR=\"$HOME/Music\"\n"
             "  XDG_DOCUMENTS_DIR = \"$HOME/My \\\"Docs\\\"/\"  # last valid line wins\n");
    EXPECT_EQ(documents_folder(), Home() / "My \"Docs\"");

    UserDirs("XDG_DOCUMENTS_DIR=\"/srv/papers\"\nXDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"\n");
    EXPECT_EQ(documents_folder(), fs::path("/srv/papers"));

    environment_.Set("XDG_CONFIG_HOME", (Folder() / "config").native());
    EXPECT_EQ(documents_folder(), Home() / "Documents"); // user-dirs.dirs is looked for there
    fs::create_directory(Folder() / "config");
    write_text(Folder() / "config" / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME\"\n");
    EXPECT_EQ(documents_folder(), Home());

    environment_.Set("XDG_DOCUMENTS_DIR", "/data/docs//");
    EXPECT_EQ(documents_folder(), fs::path("/data/docs"));
}

TEST_F(PosixFiles, DocumentsFolderWithoutHomeIsWhatTheConfigurationNamesOrNothing) {
    environment_.Unset("HOME");
    EXPECT_EQ(documents_folder(), fs::path());
    environment_.Set("XDG_CONFIG_HOME", Folder().native());
    write_text(Folder() / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
    EXPECT_EQ(documents_folder(), fs::path());
    write_text(Folder() / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"/\"\n");
    EXPECT_EQ(documents_folder(), fs::path("/"));
}

TEST_F(PosixFiles, ListingSkipsHiddenFilesAndLinksToFoldersAndKeepsCaseTwinsInOrder) {
    for (const char* name : {"same.brelwickp", "Same.brelwickp", ".hidden.brelwickp"}) {
        write_text(Folder() / name, "x");
    }
    fs::create_directory(Folder() / "real");
    fs::create_directory_symlink(Folder() / "real", Folder() / "linked.brelwickp");
    fs::create_symlink(Folder() / "same.brelwickp", Folder() / "alias.brelwickp");
    fs::create_symlink(Folder() / "nowhere", Folder() / "dangling.brelwickp");

    const std::vector<fs::path> expected = {
        Folder() / "alias.brelwickp", Folder() / "Same.brelwickp", Folder() / "same.brelwickp"};
    EXPECT_EQ(list_files(Folder(), ".brelwickp"), expected);
    EXPECT_FALSE(SafeFileExists(Folder() / "dangling.brelwickp"));
}

TEST_F(PosixFiles, WriteFailingPartWayLeavesTheOldFileAndNoTemporary) {
    const fs::path file = Folder() / "preset.brelwickp";
    write_text(file, "old contents");
    ::chmod(file.c_str(), 0640);
    {
        const test::FileSizeLimit limit(4);
        EXPECT_THROW(write_file_replacing(file, std::vector<uint8_t>(100, 'n')),
                     std::runtime_error);
    }
    EXPECT_EQ(read_text(file), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), {}), 2); // home and the file

    // A successful replacement keeps the permissions, and a link stays a link.
    fs::create_symlink(file, Folder() / "link.brelwickp");
    write_file_replacing(Folder() / "link.brelwickp", {'n', 'e', 'w'});
    EXPECT_TRUE(fs::is_symlink(Folder() / "link.brelwickp"));
    EXPECT_EQ(read_text(file), "new");
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(PosixFiles, ReadingSomethingOtherThanAFileFailsAtOnce) {
    const fs::path pipe = Folder() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_THROW(read_file_bytes(pipe), std::runtime_error); // no writer: would block forever
}

class Opening : public PosixFiles {
protected:
    Opening() {
        const fs::path script = Folder() / "recorder.sh";
        write_text(script, "#!/bin/sh\n"
                           "printf '%s\\0' \"$0\" \"$@\" > \"$TONVO_TEST_RECORD.part\"\n"
                           "mv \"$TONVO_TEST_RECORD.part\" \"$TONVO_TEST_RECORD\"\n");
        fs::permissions(script, fs::perms::owner_all);
        environment_.Set("TONVO_OPEN_COMMAND", script.native());
        environment_.Set("TONVO_TEST_RECORD", Record().native());
    }
    fs::path Record() const { return Folder() / "record"; }

    // The arguments the stand-in received, its own name first.
    std::vector<std::string> Recorded() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fs::exists(Record()) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const std::string text = read_text(Record());
        fs::remove(Record());
        std::vector<std::string> arguments;
        for (size_t start = 0; start < text.size();) {
            const size_t end = text.find('\0', start);
            arguments.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return arguments;
    }
};

TEST_F(Opening, TheTargetArrivesAsOneUntouchedArgument) {
    const fs::path odd = Folder() / "my \"odd\" $HOME; name's\nhere.brelwickp";
    ASSERT_TRUE(ShellOpen(odd));
    EXPECT_EQ(Recorded(),
              (std::vector<std::string>{(Folder() / "recorder.sh").native(), odd.native()}));
    ASSERT_TRUE(show_folder(Folder()));
    EXPECT_EQ(Recorded().at(1), Folder().native());
    // A relative name that looks like an option is passed as a path.
    ASSERT_TRUE(ShellOpen("-rf"));
    EXPECT_EQ(Recorded().at(1), "./-rf");
}

TEST_F(Opening, FailsWhenTheOpenerCannotStartOrThereIsNothingToOpen) {
    EXPECT_FALSE(ShellOpen(fs::path()));
    environment_.Set("TONVO_OPEN_COMMAND", (Folder() / "no-such-program").native());
    EXPECT_FALSE(ShellOpen(Folder()));
    EXPECT_FALSE(show_folder(Folder()));
}

} // namespace
} // namespace tonvo::platform
