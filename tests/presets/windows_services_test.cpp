// The Windows side of the services an instance runs with, read back the way Windows keeps
// them: registry values of the current user, the documents folder, the drive test.
#include "formats/vst2/plugin.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "presets/desktop_services.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace tonvo {
namespace {

const wchar_t* const kConfigKey = L"Software\\Brelwick\\Tonvo\\Config";

// The raw registry value: its type and bytes.
struct RawValue {
    DWORD Type = 0;
    std::wstring Text;
    DWORD Bytes = 0;
};

RawValue read_raw(const wchar_t* name) {
    RawValue value;
    wchar_t buffer[64] = {};
    DWORD size = sizeof buffer;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return value;
    }
    if (RegQueryValueExW(key, name, nullptr, &value.Type, reinterpret_cast<BYTE*>(buffer), &size) ==
        ERROR_SUCCESS) {
        value.Text = buffer;
        value.Bytes = size;
    }
    RegCloseKey(key);
    return value;
}

void write_dword(const wchar_t* name, DWORD data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
}

class WindowsServices : public testing::Test {
protected:
    std::unique_ptr<TVSTPlugin> Make() {
        return TVSTModule::Create<TVSTPlugin>(
            [this](const std::string& text) { reports.push_back(text); },
            DesktopServices::Instance());
    }
    test::TempHome home;
    std::vector<std::string> reports;
};

TEST_F(WindowsServices, SettingsAreDecimalTextValuesOfTheCurrentUser) {
    auto plugin = Make();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Brelwick\\Tonvo", 0, KEY_READ, &key),
              ERROR_SUCCESS)
        << "creating an instance makes the key";
    RegCloseKey(key);
    EXPECT_EQ(read_raw(L"Style").Type, 0u) << "but writes nothing";

    plugin->SetSkin(1);
    plugin->SetLowestOctave(-1);
    const RawValue style = read_raw(L"Style");
    EXPECT_EQ(style.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(style.Text, L"1");
    EXPECT_EQ(style.Bytes, 2 * sizeof(wchar_t)) << "the terminating zero is written";
    EXPECT_EQ(read_raw(L"LowestOctave").Text, L"-1");
    EXPECT_EQ(Make()->LowestOctave, -1);
}

TEST_F(WindowsServices, AValueOfAnotherTypeGivesTheDefaultsAndIsReported) {
    write_dword(L"Style", 3);
    auto plugin = Make();
    EXPECT_EQ(plugin->Style, 0);
    EXPECT_EQ(plugin->LowestOctave, -2);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "Invalid data type for 'Style'");
    std::unique_ptr<SettingsStore> store =
        platform::open_settings_store("Software\\Brelwick\\Tonvo");
    EXPECT_THROW(store->ReadInteger("Config", "Style", 0), std::runtime_error);
    EXPECT_EQ(store->ReadInteger("Config", "Missing", 7), 7);
}

TEST_F(WindowsServices, DocumentsFolderAndDriveTest) {
    const std::filesystem::path documents = platform::documents_folder();
    ASSERT_FALSE(documents.empty());
    const std::wstring text = documents.wstring();
    EXPECT_NE(text.back(), L'\\');
    EXPECT_TRUE(std::filesystem::is_directory(documents));

    const std::filesystem::path file = documents / L"tonvo-\u00e9\u65e5.txt";
    platform::write_file_replacing(file, {'x'});
    EXPECT_TRUE(platform::SafeFileExists(file));
    EXPECT_TRUE(platform::SafeFileExists("\"" + documents.string() + "\\tonvo-test-missing\"") ==
                false);
    EXPECT_FALSE(platform::SafeFileExists(documents));
    EXPECT_FALSE(platform::SafeFileExists(std::string("Q:\\nothing\\here.txt")));
    platform::remove_file(file);
    EXPECT_FALSE(platform::SafeFileExists(file));
}

TEST_F(WindowsServices, OpeningAMissingDocumentIsRefused) {
    EXPECT_FALSE(platform::ShellOpen(platform::documents_folder() / "no such guide.pdf"));
}

} // namespace
} // namespace tonvo
