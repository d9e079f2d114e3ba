// The stb_image_write implementation lives in this file only, with static linkage; the
// file's warning relaxations are set in CMakeLists.txt.
#include "ui/png.h"

#include <algorithm>
#include <climits>
#include <fstream>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace tonvo::ui {
namespace {

void append_bytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

} // namespace

std::vector<uint8_t> encode_png(const Bitmap& bitmap) {
    const int w = bitmap.width();
    const int h = bitmap.height();
    // The encoder sizes its buffers in ints: (4 w + 1) h bytes of filtered rows and more.
    if (w == 0 || h == 0 || (int64_t{w} * 4 + 1) * h > INT_MAX / 2)
        return {};
    // The back buffer is opaque: then RGB, a quarter less to compress. A reader asking
    // for RGBA gets alpha 255 back either way.
    bool opaque = true;
    for (int y = 0; y < h && opaque; ++y) {
        const Color* src = bitmap.row(y);
        opaque = std::all_of(src, src + w, [](Color c) { return c.a == 255; });
    }
    const int channels = opaque ? 3 : 4;
    // Converted a row at a time: the back buffer keeps blue first, PNG wants red first.
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * channels);
    for (int y = 0; y < h; ++y) {
        const Color* src = bitmap.row(y);
        uint8_t* dst = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * channels;
        for (int x = 0; x < w; ++x, dst += channels) {
            dst[0] = src[x].r;
            dst[1] = src[x].g;
            dst[2] = src[x].b;
            if (channels == 4)
                dst[3] = src[x].a;
        }
    }
    // Smallest files for drawn images (flat colours and text, such as the golden images kept
    // in the repository): strongest compression, and no row filter, which compresses them
    // about a fifth better than the encoder's own choice. Set once, before any encoding.
    static const bool configured = [] {
        stbi_write_png_compression_level = 9;
        stbi_write_force_png_filter = 0;
        return true;
    }();
    (void)configured;
    std::vector<uint8_t> png;
    if (stbi_write_png_to_func(append_bytes, &png, w, h, channels, pixels.data(), w * channels) ==
        0)
        return {};
    return png;
}

bool write_png(const std::filesystem::path& path, const Bitmap& bitmap) {
    const std::vector<uint8_t> png = encode_png(bitmap);
    if (png.empty())
        return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    file.close();
    return !file.fail();
}

} // namespace tonvo::ui
