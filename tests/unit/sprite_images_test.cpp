// Sprite images against the VIC-II's rules: records, side borders, the list, selection marks.

#include "core/spritepixbufs.hpp"
#include "core/spriteviews.hpp"
#include "test_support.hpp"

namespace {

using namespace test_support;
using enum SpriteviewsSide;
using Frames = std::vector<SpriteviewsRect>;

constexpr int background = 6;
constexpr int multicolor0 = 2;
constexpr int multicolor1 = 8;
constexpr Rgba black = {0, 0, 0, 255};

// Record i: bytes and colours vary, every third multicolour, every fifth unselected.
Bitmap bitmap_of(unsigned i) {
    Bitmap bytes{};
    for (unsigned j = 0; j < bytes.size(); ++j)
        bytes[j] = static_cast<std::uint8_t>(i * 29 + j * 11 + 3);
    return bytes;
}
int colour_of(unsigned i) {
    return static_cast<int>(i * 7 + 1) % 16;
}

Rgba record_pixel(unsigned i, int x, int y) {
    return sprite_pixel(bitmap_of(i), i % 3 == 0, colour_of(i),
                        {background, multicolor0, multicolor1}, x, y);
}

// An unselected sprite is blended at 192 over what lies below when the method dims (alpha, both).
Rgba shown(unsigned i, int method, int x, int y, const Rgba &under) {
    const int alpha = i % 5 == 0 && method != spriteviews_method_frame ? 192 : 255;
    Rgba blend = record_pixel(i, x, y);
    for (int c = 0; c < 3; c++)
        blend[c] = static_cast<std::uint8_t>((alpha * blend[c] + (255 - alpha) * under[c]) / 255);
    return blend;
}

void fill_store(unsigned count) {
    sprites_set_array_size(count);
    for (unsigned i = 0; i < count; i++) {
        sprites_set_data_at_index(i, bitmap_of(i).data());
        sprites_set_color_at_index(i, static_cast<std::uint8_t>(colour_of(i)));
        sprites_set_multicolor_at_index(i, i % 3 == 0 ? 1 : 0);
        sprites_set_selected_at_index(i, i % 5 == 0 ? 0 : 1);
    }
    sprites_set_background_color(background);
    sprites_set_multicolor0(multicolor0);
    sprites_set_multicolor1(multicolor1);
}

using SpriteImages = FreshState;

// Borders open on rows 48-248 (left) and 47-247 (right); slots from row 40, 21 rows apart.
// The list shows 8 a row from first_row, black past the sprites in use.
TEST_F(SpriteImages, BordersAndListShowTheSpritesInUseInTheirSlots) {
    for (const int method :
         {spriteviews_method_frame, spriteviews_method_alpha, spriteviews_method_both}) {
        for (const unsigned count : {128u, 10u, 0u}) {
            fill_store(count);
            for (const SpriteviewsSide side : {left, right}) {
                const auto expected = [&](int x, int y) {
                    const auto i = border_record(side == left, x, y, count);
                    return i ? shown(*i, method, x % 24, (y - 40) % 21, opaque(background))
                             : opaque(background);
                };
                const PixbufPtr image = spriteviews_new_border_pixbuf(side, method, background);
                EXPECT_TRUE(same_image(image.get(), 48, 296, expected)) << count << method;
                gdk_pixbuf_fill(image.get(), 0x808080FF);
                spriteviews_repaint_border(image.get(), side, method, background);
                EXPECT_TRUE(same_image(image.get(), 48, 296, expected)) << count << method;
            }
        }
        for (const auto &[count, first_row] :
             {std::pair{128u, 0u}, std::pair{128u, 11u}, std::pair{50u, 3u},
              std::pair{40u, 1u << 29}, std::pair{40u, 4000000000u}}) {
            fill_store(count);
            const auto expected = [&](int x, int y) {
                const std::uint64_t i = 8 * (std::uint64_t{first_row} + y / 21) + x / 24;
                return i < count ? shown(unsigned(i), method, x % 24, y % 21, black) : black;
            };
            const PixbufPtr list = spriteviews_new_list_pixbuf(first_row, method);
            EXPECT_TRUE(same_image(list.get(), 192, 105, expected)) << count << first_row;
            gdk_pixbuf_fill(list.get(), 0x808080FF);
            spriteviews_repaint_list(list.get(), first_row, method);
            EXPECT_TRUE(same_image(list.get(), 192, 105, expected))
                << count << " from row " << first_row;
        }
    }
    EXPECT_EQ(std::tuple(spriteviews_get_sprite_alpha(spriteviews_method_alpha, 2),
                         spriteviews_get_sprite_alpha(spriteviews_method_both, 0)),
              std::tuple(192, 192));
}

// A record's own image holds each pixel in its colour, its background see-through when asked;
// the fills write every pixel of the image they are given, whatever it held.
TEST_F(SpriteImages, RecordImagesShowEachPixelInItsColour) {
    fill_store(6);
    for (unsigned i = 0; i < 6; i++) {
        const bool multicolour = i % 3 == 0;
        for (const int transparent : {0, 1}) {
            const auto expected = [&](int x, int y) {
                const bool background_pixel = sprite_value(bitmap_of(i), multicolour, x, y) == 0;
                return transparent == 1 && background_pixel ? Rgba{} : record_pixel(i, x, y);
            };
            const PixbufPtr image{sprites_get_as_pixbuf_at_index(i, transparent)};
            EXPECT_TRUE(same_image(image.get(), 24, 21, expected)) << i << " " << transparent;

            const PixbufPtr refilled{spritepixbufs_new_pixbuf()};
            gdk_pixbuf_fill(refilled.get(), 0xFFFFFFFF);
            const std::array<std::uint8_t, 4> colours = {
                background, multicolor0, static_cast<std::uint8_t>(colour_of(i)), multicolor1};
            if (multicolour)
                spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(
                    refilled.get(), bitmap_of(i).data(), colours.data(), transparent);
            else
                spritepixbufs_set_pixbuf_data_from_sprite_data_mono(
                    refilled.get(), bitmap_of(i).data(), background, colours[2], transparent);
            EXPECT_TRUE(same_image(refilled.get(), 24, 21, expected)) << i << " " << transparent;
        }
    }
}

// Frames sit one pixel inside each selected slot unless the method marks by alpha only.
TEST_F(SpriteImages, FramesMarkSelectedSpritesInUse) {
    sprites_set_array_size(128);
    sprites_select_none();
    sprites_set_selected_at_index(5, 1);
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_both, 2),
              (Frames{{49, 123, 47, 41}}));
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_alpha, 2), Frames{});
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_both, 3),
              (Frames{{5 * 72 + 1, 1, 71, 62}}));
    sprites_set_selected_at_index(9, 1);
    EXPECT_EQ(spriteviews_get_list_frames(1, spriteviews_method_frame, 2),
              (Frames{{49, 1, 47, 41}}));
    sprites_select_all();
    for (const SpriteviewsSide side : {left, right}) // only the 40 border sprites have slots
        EXPECT_EQ(spriteviews_get_border_frames(side, spriteviews_method_frame, 1).size(), 20u);
    sprites_set_array_size(10);
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_frame, 1).size(), 6u);
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_frame, 2).size(), 10u);
}

} // namespace
