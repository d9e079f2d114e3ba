// tonvo-preset: makes, shows and checks Tonvo preset files.
#include "base/utf.h"
#include "preset_tool/preset_tool.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// After windows.h, whose declarations it needs.
#include <shellapi.h>
#endif

namespace {

// The arguments in UTF-8. On Windows argv holds the ANSI code page, which cannot name every
// file, so the wide command line is read instead.
std::vector<std::string> utf8_arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> args;
        for (int i = 1; i < count; ++i) {
            const std::wstring_view text(wide[i]);
            args.push_back(tonvo::base::utf16_to_utf8(std::u16string(text.begin(), text.end())));
        }
        LocalFree(wide);
        return args;
    }
#endif
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

} // namespace

int main(int argc, char** argv) {
    try {
        const int status =
            tonvo::tools::run_preset_tool(utf8_arguments(argc, argv), std::cout, std::cerr);
        std::cout.flush();
        // Output that never arrived (a full disk, a closed pipe) is a failure, not success.
        if (!std::cout) {
            std::cerr << "tonvo-preset: cannot write the output\n";
            return tonvo::tools::kPresetToolFailed;
        }
        return status;
    } catch (...) {
        std::cerr << "tonvo-preset: unexpected failure\n";
        return tonvo::tools::kPresetToolFailed;
    }
}
