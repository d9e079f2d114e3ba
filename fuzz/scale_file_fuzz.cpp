// Reads arbitrary bytes as a scale file and applies every line to a note map, as the wizard
// would. Every entry the map ends with must be blocked or a pitch class, and every line's name
// must be found by FindScale at that line or an earlier one.
#include "presets/scale_file.h"
#include "presets/scale_library.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> lines =
        tonvo::split_file_lines(tonvo::decode_scale_text({data, size}));
    (void)tonvo::scale_menu(lines);
    tonvo::TScaleMap map;
    for (size_t i = 0; i < lines.size() && i < 64; ++i) {
        const std::string name = tonvo::scale_caption(lines, static_cast<int32_t>(i));
        const int32_t found = tonvo::FindScale(lines, name);
        if (found < 0 || found > static_cast<int32_t>(i)) {
            std::abort();
        }
        tonvo::ApplyScale(map, lines[i], static_cast<int32_t>(i) - 20, i % 2 == 0);
        for (int32_t key = 0; key < 12; ++key) {
            const int32_t entry = map.GetScaleMap(key);
            if (entry < -1 || entry > 11) {
                std::abort();
            }
        }
    }
    return 0;
}
