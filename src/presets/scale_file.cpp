#include "presets/scale_file.h"

#include "base/utf.h"
#include "platform/files.h"
#include "platform/text.h"
#include "presets/scale_library.h"

#include <algorithm>
#include <exception>
#include <initializer_list>

namespace tonvo {

namespace {

bool starts_with(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

std::string utf16_bytes_to_utf8(std::span<const uint8_t> bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2 + 1);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const uint8_t high = bigEndian ? bytes[i] : bytes[i + 1];
        const uint8_t low = bigEndian ? bytes[i + 1] : bytes[i];
        units.push_back(static_cast<char16_t>((high << 8) | low));
    }
    if (bytes.size() % 2 != 0) {
        units.push_back(u'\uFFFD');
    }
    return base::utf16_to_utf8(units);
}

std::string_view as_chars(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

} // namespace

std::vector<uint8_t> built_in_scale_file_bytes() {
    std::string text;
    for (const std::string_view line : BuiltInScales) {
        text += line;
        text += "\r\n";
    }
    const std::string encoded = platform::utf8_to_code_page8(text);
    return {encoded.begin(), encoded.end()};
}

std::string decode_scale_text(std::span<const uint8_t> bytes) {
    if (starts_with(bytes, {0xEF, 0xBB, 0xBF})) {
        // Round trip so ill-formed UTF-8 cannot reach the list.
        return base::utf16_to_utf8(base::utf8_to_utf16(as_chars(bytes.subspan(3))));
    }
    if (starts_with(bytes, {0xFF, 0xFE})) {
        return utf16_bytes_to_utf8(bytes.subspan(2), false);
    }
    if (starts_with(bytes, {0xFE, 0xFF})) {
        return utf16_bytes_to_utf8(bytes.subspan(2), true);
    }
    return platform::code_page8_to_utf8(as_chars(bytes));
}

std::vector<std::string> split_file_lines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            continue;
        }
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

LoadedScales LoadScaleList(const std::filesystem::path& dataFolder) {
    const std::filesystem::path path = dataFolder / kScaleFileName;
    LoadedScales result;
    try {
        if (!platform::SafeFileExists(path)) {
            platform::create_folders(dataFolder);
            platform::write_file_replacing(path, built_in_scale_file_bytes());
        }
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        // When the size cannot be had, the read below reports the reason.
        if (!error && size > kMaxScaleFileBytes) {
            result.Error = base::path_to_utf8(path) + ": the scale file is larger than 1 MiB";
            return result;
        }
        const std::vector<uint8_t> bytes = platform::read_file_bytes(path);
        if (bytes.size() > kMaxScaleFileBytes) { // grew after the size was taken
            result.Error = base::path_to_utf8(path) + ": the scale file is larger than 1 MiB";
            return result;
        }
        result.Lines = split_file_lines(decode_scale_text(bytes));
    } catch (const std::exception& e) {
        result.Lines.clear();
        result.Error = e.what();
        if (result.Error.empty()) {
            result.Error = base::path_to_utf8(path) + ": the scale file cannot be read";
        }
    }
    return result;
}

} // namespace tonvo
