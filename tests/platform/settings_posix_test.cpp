// The file-based settings store: where a key's file lives, what it holds, and how it behaves
// when the file is damaged or cannot be written.
#include "platform/settings_store.h"
#include "posix_environment.h"
#include "temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace tonvo::platform {
namespace {

namespace fs = std::filesystem;
using test::read_text;
using test::write_text;

constexpr const char* kKey = "Software\\Brelwick\\Tonvo";

class FileSettings : public testing::Test {
protected:
    FileSettings() {
        environment_.Set("HOME", (temp_.Path() / "home").native());
        environment_.Set("XDG_CONFIG_HOME", Config().native());
    }
    fs::path Config() const { return temp_.Path() / "config"; }
    fs::path File() const { return Config() / "Brelwick" / "Tonvo.ini"; }

    test::TempFolder temp_;
    test::ScopedEnvironment environment_;
};

TEST_F(FileSettings, TheKeyNamesAnIniFileThatOpeningCreates) {
    open_settings_store(kKey);
    EXPECT_TRUE(fs::is_regular_file(File()));
    EXPECT_EQ(read_text(File()), "");

    open_settings_store("software\\Brelwick\\Other");
    open_settings_store("Brelwick\\Third");
    EXPECT_TRUE(fs::exists(Config() / "Brelwick" / "Other.ini"));
    EXPECT_TRUE(fs::exists(Config() / "Brelwick" / "Third.ini"));

    // Without (or with a relative) XDG_CONFIG_HOME, the file goes under $HOME/.config.
    environment_.Set("XDG_CONFIG_HOME", "relative");
    open_settings_store(kKey);
    EXPECT_TRUE(fs::exists(temp_.Path() / "home" / ".config" / "Brelwick" / "Tonvo.ini"));
}

TEST_F(FileSettings, KeysThatWouldLeaveTheConfigurationFolderAreRefused) {
    for (const char* key : {"", "Software\\..\\..\\escape", "Software\\Brelwick\\",
                            "Software\\\\Tonvo", "Software\\a/b", "Software\\."}) {
        EXPECT_THROW(open_settings_store(key), std::runtime_error) << key;
    }
    environment_.Unset("HOME");
    environment_.Unset("XDG_CONFIG_HOME");
    EXPECT_THROW(open_settings_store(kKey), std::runtime_error);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp_.Path()), {}), 0);
}

TEST_F(FileSettings, IntegersRoundTripAsDecimalTextInTheirSection) {
    {
        auto store = open_settings_store(kKey);
        store->WriteInteger("Config", "Style", 1);
        store->WriteInteger("Config", "LowestOctave", -2);
        store->WriteInteger("Limits", "Low", std::numeric_limits<int32_t>::min());
        store->WriteInteger("config", "STYLE", 3); // the same value, as in the registry
    }
    EXPECT_EQ(read_text(File()), "[Config]\nStyle=3\nLowestOctave=-2\n\n"
                                 "[Limits]\nLow=-2147483648\n");
    auto store = open_settings_store(kKey);
    EXPECT_EQ(store->ReadInteger("Config", "Style", 0), 3);
    EXPECT_EQ(store->ReadInteger("CONFIG", "lowestoctave", 0), -2);
    EXPECT_EQ(store->ReadInteger("Limits", "Low", 0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(store->ReadInteger("Config", "Missing", 42), 42);
    EXPECT_EQ(store->ReadInteger("Missing", "Style", -7), -7);
}

TEST_F(FileSettings, GarbageReadsAsTheFallbackAndWritingKeepsEverythingElse) {
    auto store = open_settings_store(kKey);
    write_text(File(), "; hand-written\n[Config]\nStyle=abc\nLowestOctave=99999999999\n"
                       "Empty=\n[Other]\nKeep=1\n");
    EXPECT_EQ(store->ReadInteger("Config", "Style", 5), 5);
    EXPECT_EQ(store->ReadInteger("Config", "LowestOctave", 5), 5);
    EXPECT_EQ(store->ReadInteger("Config", "Empty", 5), 5);

    store->WriteInteger("Config", "Style", 2);
    EXPECT_EQ(read_text(File()), "; hand-written\n[Config]\nStyle=2\nLowestOctave=99999999999\n"
                                 "Empty=\n[Other]\nKeep=1\n");

    std::string garbled(300, '\0');
    for (size_t i = 0; i < garbled.size(); ++i) {
        garbled[i] = static_cast<char>((i * 151 + 7) % 256);
    }
    write_text(File(), garbled);
    EXPECT_EQ(store->ReadInteger("Config", "Style", 6), 6);
    store->WriteInteger("Config", "Style", 4);
    EXPECT_EQ(store->ReadInteger("Config", "Style", 6), 4);
}

TEST_F(FileSettings, AFailedWriteReportsTheNameAndKeepsTheOldFile) {
    auto store = open_settings_store(kKey);
    store->WriteInteger("Config", "Style", 1);
    const std::string before = read_text(File());
    const auto expectFailure = [&](const std::string& name) {
        EXPECT_THAT(
            [&] { store->WriteInteger("Config", name, 2); },
            testing::ThrowsMessage<std::runtime_error>("Failed to set data for '" + name + "'"))
            << name;
    };
    {
        const test::FileSizeLimit limit(4);
        expectFailure("Style");
    }
    expectFailure("Bad=Name");
    EXPECT_EQ(read_text(File()), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(File().parent_path()), {}), 1);

    // Something unreadable in the file's place: reads fall back, and writes fail rather than
    // replace what could not be read.
    fs::remove(File());
    ASSERT_EQ(::mkfifo(File().c_str(), 0600), 0);
    EXPECT_EQ(store->ReadInteger("Config", "Style", 9), 9);
    expectFailure("Style");
    EXPECT_TRUE(fs::is_fifo(File()));
}

} // namespace
} // namespace tonvo::platform
