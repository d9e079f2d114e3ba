// The stb_image decoder, for the tests only, with static linkage; the file's warning
// relaxations are set in tests/CMakeLists.txt.
#include "golden.h"

#include <climits>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

namespace tonvo::ui {

bool decode_png(const std::vector<uint8_t>& png, Bitmap& out) {
    if (png.empty() || png.size() > INT_MAX)
        return false;
    int w = 0, h = 0, channels = 0;
    stbi_uc* rgba =
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 4);
    if (rgba == nullptr)
        return false;
    out.resize(w, h);
    for (int y = 0; y < h; ++y) {
        const stbi_uc* src = rgba + static_cast<size_t>(y) * static_cast<size_t>(w) * 4;
        Color* dst = out.row(y);
        for (int x = 0; x < w; ++x)
            dst[x] = Color::rgb(src[4 * x], src[4 * x + 1], src[4 * x + 2], src[4 * x + 3]);
    }
    stbi_image_free(rgba);
    return true;
}

} // namespace tonvo::ui
