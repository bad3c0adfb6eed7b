// Reading a PNG frame back: what opening a drawing from a paint program costs, the background
// search of a picture alone included.

#include "core/c64pixbufs.hpp"
#include "core/glib_ptr.hpp"
#include "core/pixbufs.hpp"
#include "core/pngreader.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

// A busy multicolour picture: every cell uses all four of its colours.
std::vector<std::uint8_t> busy_bytes(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 151 + (i >> 8) * 7 + seed);
    }
    return bytes;
}

constexpr std::uint8_t background = 6;

// The frame as the PNG export composes it: the picture and the template sprites in the borders.
PixbufPtr busy_frame() {
    sprites_module_init();
    sprites_set_background_color(background);
    const std::vector<std::uint8_t> bitmap = busy_bytes(picture_bitmap_size, 1);
    const std::vector<std::uint8_t> screen = busy_bytes(picture_cell_count, 3);
    const std::vector<std::uint8_t> colour = busy_bytes(picture_cell_count, 5);
    const PixbufPtr picture(pixbufs_new_from_hires_opaque(bitmap.data(), screen.data(),
                                                          colour.data(), background, 40, 25));
    const PixbufPtr left =
        spriteviews_new_border_pixbuf(SpriteviewsSide::left, spriteviews_method_frame, background);
    const PixbufPtr right =
        spriteviews_new_border_pixbuf(SpriteviewsSide::right, spriteviews_method_frame, background);
    return spriteviews_compose_screen_pixbuf(left.get(), right.get(), picture.get(), background);
}

void convert(benchmark::State &state, bool frame) {
    c64pixbufs_module_init();
    const PixbufPtr composed = busy_frame();
    const PixbufPtr image(
        frame ? gdk_pixbuf_copy(composed.get())
              : gdk_pixbuf_new_subpixbuf(composed.get(), spriteviews_picture_x,
                                         spriteviews_picture_y - spriteviews_export_top, 320, 200));
    gchar *buffer = nullptr;
    gsize size = 0;
    gdk_pixbuf_save_to_buffer(image.get(), &buffer, &size, "png", nullptr, nullptr);
    const GCharPtr owner(buffer);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t *>(buffer), size);
    PngreaderImage result;
    for (auto _ : state) {
        GError *error = nullptr;
        if (!pngreader_read_bytes(bytes, &result, &error)) {
            state.SkipWithError(error->message);
            g_error_free(error);
            break;
        }
        benchmark::DoNotOptimize(result.picture.bitmap);
    }
}

BENCHMARK_CAPTURE(convert, frame, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convert, picture_alone, false)->Unit(benchmark::kMillisecond);

} // namespace
