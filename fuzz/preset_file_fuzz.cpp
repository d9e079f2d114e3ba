// Hands arbitrary bytes to the preset tool as a preset file, to "check" and to "show": the
// file is read and parsed the way Load Preset does. Whatever the bytes, both must answer with
// an exit status (0 or 1), never crash, and agree on whether the file loads.
#include "preset_tool/preset_tool.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

const std::filesystem::path& File() {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("tonvo-preset-fuzz-" + std::to_string(getpid()) + ".brelwickp");
    return file;
}

int run_tool(const char* command) {
    std::ostringstream out;
    std::ostringstream err;
    return tonvo::tools::run_preset_tool({command, File().string()}, out, err);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream file(File(), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const int checked = run_tool("check");
    const int shown = run_tool("show");
    if ((checked != 0 && checked != 1) || checked != shown) {
        std::abort();
    }
    return 0;
}
