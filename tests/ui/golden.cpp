#include "golden.h"

#include "ui/png.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>

namespace tonvo::ui {

namespace fs = std::filesystem;

// Both folders come from the build as absolute paths (see tests/CMakeLists.txt).
fs::path golden_output_folder() {
    return fs::path(TONVO_GOLDEN_OUTPUT_DIR);
}

namespace {

fs::path golden_folder() {
    return fs::path(TONVO_GOLDEN_DIR);
}

std::string shown(const fs::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

bool updating() {
    const char* value = std::getenv("TONVO_UPDATE_GOLDEN");
    return value != nullptr && std::string_view(value) == "1";
}

std::optional<std::vector<uint8_t>> read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                               std::istreambuf_iterator<char>()};
    if (file.bad())
        return std::nullopt;
    return bytes;
}

// Counts the pixels that differ, a pixel present in only one image included, and draws
// them red over a faded copy of the expected image, in the larger of the two sizes.
int compare(const Bitmap& actual, const Bitmap& expected, Bitmap& diff) {
    const int w = std::max(actual.width(), expected.width());
    const int h = std::max(actual.height(), expected.height());
    diff.resize(w, h);
    int differing = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool in_actual = actual.bounds().contains(x, y);
            const bool in_expected = expected.bounds().contains(x, y);
            if (in_actual && in_expected && actual.pixel(x, y) == expected.pixel(x, y)) {
                const Color e = expected.pixel(x, y);
                const auto fade = [](uint8_t v) { return static_cast<uint8_t>(170 + v / 3); };
                diff.pixel(x, y) = Color::rgb(fade(e.r), fade(e.g), fade(e.b));
            } else {
                diff.pixel(x, y) = Color::rgb(255, 0, 0);
                ++differing;
            }
        }
    }
    return differing;
}

} // namespace

bool matches_golden(const Bitmap& actual, std::string_view name) {
    Bitmap expected;
    Bitmap diff;
    const std::optional<std::vector<uint8_t>> stored =
        read_file(golden_folder() / (std::string(name) + ".png"));
    return stored && decode_png(*stored, expected) && compare(actual, expected, diff) == 0;
}

void expect_golden(const Bitmap& actual, std::string_view name) {
    const std::string file_name(name);
    const fs::path golden = golden_folder() / (file_name + ".png");
    std::error_code ignored;

    if (updating()) {
        fs::create_directories(golden_folder(), ignored);
        if (write_png(golden, actual))
            std::printf("[ golden   ] wrote %s\n", shown(golden).c_str());
        else
            ADD_FAILURE() << "cannot write golden image " << shown(golden);
        return;
    }

    std::string problem;
    Bitmap expected;
    int differing = 0;
    const std::optional<std::vector<uint8_t>> stored = read_file(golden);
    if (!stored) {
        problem = "is missing or unreadable";
    } else if (!decode_png(*stored, expected)) {
        problem = "is not a PNG image";
    } else {
        Bitmap diff;
        differing = compare(actual, expected, diff);
        if (differing == 0)
            return;
        problem = "differs in " + std::to_string(differing) + " pixel(s); expected " +
                  std::to_string(expected.width()) + " x " + std::to_string(expected.height()) +
                  ", got " + std::to_string(actual.width()) + " x " +
                  std::to_string(actual.height());
        fs::create_directories(golden_output_folder(), ignored);
        const fs::path diff_path = golden_output_folder() / (file_name + ".diff.png");
        if (write_png(diff_path, diff))
            problem += "\n  diff:   " + shown(diff_path);
    }
    fs::create_directories(golden_output_folder(), ignored);
    const fs::path actual_path = golden_output_folder() / (file_name + ".actual.png");
    if (write_png(actual_path, actual))
        problem += "\n  actual: " + shown(actual_path);
    ADD_FAILURE() << "golden image " << shown(golden) << " " << problem
                  << "\n  (run with TONVO_UPDATE_GOLDEN=1 to accept the new rendering)";
}

} // namespace tonvo::ui
