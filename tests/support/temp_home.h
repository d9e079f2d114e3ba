// A throw-away home for one test. On Linux HOME, the documents folder and the settings folder
// point into a fresh temporary folder. On Windows (under Wine, with a private prefix) the
// documents folder and the registry are the prefix's own; the plug-in's folder and key are
// removed before and after the test instead.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tonvo::test {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    std::filesystem::path Documents() const { return documents_; }
    std::filesystem::path Presets() const { return Documents() / "Brelwick" / "Tonvo" / "Presets"; }
    // Where the settings file lives (Linux only).
    std::filesystem::path SettingsFile() const { return settingsFile_; }

private:
    void Clean();

    std::filesystem::path root_;
    std::filesystem::path documents_;
    std::filesystem::path settingsFile_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace tonvo::test
