// Sprite images, pixel by pixel against the VIC-II's rules: one record in single colour or
// multicolour, the two side-border images and the list page made of them, the selection's alpha
// and frames, and the exported screen composed of borders and picture.

#include "core/spritepixbufs.hpp"
#include "core/spriteviews.hpp"
#include "test_support.hpp"

#include <cstdlib>
#include <functional>

namespace {

using namespace test_support;
using enum SpriteviewsSide;
using Frames = std::vector<SpriteviewsRect>;

constexpr int background = 6;
constexpr int multicolor0 = 2;
constexpr int multicolor1 = 8;
constexpr Rgba black = {0, 0, 0, 255};

// Test data of record i: every byte different, colours cycling, every third record multicolour.
Bitmap bitmap_of(unsigned i) {
    Bitmap bytes{};
    for (unsigned j = 0; j < bytes.size(); ++j)
        bytes[j] = static_cast<std::uint8_t>(i * 29 + j * 11 + 3);
    return bytes;
}
int colour_of(unsigned i) {
    return static_cast<int>(i * 7 + 1) % 16;
}
bool multicolour_of(unsigned i) {
    return i % 3 == 0;
}

// A set bit is 1 and a clear bit 0 in single colour; in multicolour a double-wide pixel is the
// bit pair 0-3, leftmost pair in bits 7-6.
int sprite_value(const Bitmap &bitmap, bool multicolour, int x, int y) {
    const int byte = bitmap[3 * y + x / 8];
    return multicolour ? byte >> (6 - (x % 8 & 6)) & 3 : byte >> (7 - x % 8) & 1;
}

// Pixel (x, y) of record i on the background: pairs 00, 01, 10, 11 show the background, $D025,
// the sprite's colour and $D026.
Rgba record_pixel(unsigned i, int x, int y) {
    const int value = sprite_value(bitmap_of(i), multicolour_of(i), x, y);
    if (!multicolour_of(i))
        return opaque(value == 1 ? colour_of(i) : background);
    const int colours[] = {background, multicolor0, colour_of(i), multicolor1};
    return opaque(colours[value]);
}

class SpriteImages : public FreshState {
  protected:
    void SetUp() override {
        FreshState::SetUp();
        fill_store(128);
    }
    static void fill_store(unsigned count) {
        sprites_set_array_size(count);
        for (unsigned i = 0; i < count; i++) {
            sprites_set_data_at_index(i, bitmap_of(i).data());
            sprites_set_color_at_index(i, static_cast<std::uint8_t>(colour_of(i)));
            sprites_set_multicolor_at_index(i, multicolour_of(i) ? 1 : 0);
        }
        sprites_set_background_color(background);
        sprites_set_multicolor0(multicolor0);
        sprites_set_multicolor1(multicolor1);
    }
};

// Copies an image of the store, which the caller owns, onto target.
void paste(GdkPixbuf *image, GdkPixbuf *target) {
    const PixbufPtr owner{image};
    gdk_pixbuf_copy_area(image, 0, 0, 24, 21, target, 0, 0);
}

// Images of one record with transparent or opaque clear pixels (the border and list images show
// the other modes): the store's record 6 (multicolour; any flag but 0 counts), in explicit
// colours, and drawn directly into a view of a larger image, outside which nothing is written.
TEST_F(SpriteImages, RecordImagesShowEveryPixel) {
    const std::array<std::uint8_t, 4> colours = {11, 12, 13, 15};
    const Bitmap bits = bitmap_of(9);
    sprites_set_multicolor_at_index(6, 2);
    using Make = std::function<void(GdkPixbuf *)>;
    using Expect = std::function<Rgba(int, int)>;
    const std::tuple<const char *, Make, Expect> cases[] = {
        {"store, multicolour transparent",
         [](GdkPixbuf *target) { paste(sprites_get_as_pixbuf_at_index(6, 1), target); },
         [](int x, int y) {
             return sprite_value(bitmap_of(6), true, x, y) == 0 ? transparent
                                                                : record_pixel(6, x, y);
         }},
        {"store, explicit single colour",
         [](GdkPixbuf *target) { paste(sprites_get_at_index_mono(6, 9, 14, 1), target); },
         [](int x, int y) {
             return sprite_value(bitmap_of(6), false, x, y) ? opaque(14) : transparent;
         }},
        {"store, explicit multicolour",
         [&](GdkPixbuf *target) {
             paste(sprites_get_at_index_as_multicolor(4, colours.data(), 0), target);
         },
         [&](int x, int y) { return opaque(colours[sprite_value(bitmap_of(4), true, x, y)]); }},
        {"direct, multicolour transparent",
         [&](GdkPixbuf *target) {
             spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(target, bits.data(),
                                                                       colours.data(), 1);
         },
         [&](int x, int y) {
             const int value = sprite_value(bits, true, x, y);
             return value == 0 ? transparent : opaque(colours[value]);
         }},
        {"direct, no bitmap leaves the image",
         [&](GdkPixbuf *target) {
             spritepixbufs_set_pixbuf_data_from_sprite_data_mono(target, nullptr, 3, 7, 0);
             spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(target, nullptr,
                                                                       colours.data(), 0);
             spritepixbufs_set_pixbuf_data_from_sprite_data_mono(nullptr, bits.data(), 3, 7, 0);
         },
         [](int, int) {
             return Rgba{0x11, 0x22, 0x33, 0x44};
         }},
    };
    const PixbufPtr fresh{spritepixbufs_new_pixbuf()};
    EXPECT_EQ(std::tuple(gdk_pixbuf_get_width(fresh.get()), gdk_pixbuf_get_height(fresh.get()),
                         gdk_pixbuf_get_n_channels(fresh.get())),
              std::tuple(24, 21, 4));
    for (const auto &[name, make, expected] : cases) {
        const PixbufPtr frame{gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 26, 23)};
        gdk_pixbuf_fill(frame.get(), 0x11223344);
        const PixbufPtr target{gdk_pixbuf_new_subpixbuf(frame.get(), 1, 1, 24, 21)};
        make(target.get());
        EXPECT_TRUE(same_image(frame.get(), 26, 23, [&](int x, int y) {
            const bool inside = x >= 1 && x < 25 && y >= 1 && y < 22;
            return inside ? expected(x - 1, y - 1) : Rgba{0x11, 0x22, 0x33, 0x44};
        })) << name;
    }
}

// Border pixel (x, y) with count sprites in use: the viewer opens the left border on rows
// 48-248 and the right one on rows 47-247; sprite slots start at row 40, two a row, 21 rows
// apart; sprites 0, 1, 4, 5 ... stand left and 2, 3, 6, 7 ... right; only 40 show.
Rgba border_pixel(SpriteviewsSide side, unsigned count, int x, int y) {
    const int band_top = side == left ? 48 : 47;
    if (y < band_top || y >= band_top + 201)
        return opaque(background);
    const unsigned index = 4 * ((y - 40) / 21) + (side == left ? 0 : 2) + x / 24;
    return index < std::min(count, 40u) ? record_pixel(index, x % 24, (y - 40) % 21)
                                        : opaque(background);
}

// List page pixel: 8 sprites a row from first_row on, each on its own background; black where
// no sprite is in use.
Rgba list_pixel(unsigned count, unsigned first_row, int x, int y) {
    const std::uint64_t index = 8 * (std::uint64_t{first_row} + y / 21) + x / 24;
    return index < count ? record_pixel(static_cast<unsigned>(index), x % 24, y % 21) : black;
}

// Repainting fills first, so an image holding anything else gives the same picture.
TEST_F(SpriteImages, BordersAndListShowTheSpritesInUseInTheirSlots) {
    for (const unsigned count : {128u, 10u, 0u}) {
        fill_store(count);
        for (const SpriteviewsSide side : {left, right}) {
            const auto expected = [&](int x, int y) { return border_pixel(side, count, x, y); };
            const PixbufPtr image = spriteviews_new_border_pixbuf(side, 0, background);
            EXPECT_TRUE(same_image(image.get(), 48, 296, expected)) << count;
            gdk_pixbuf_fill(image.get(), 0x808080FF);
            spriteviews_repaint_border(image.get(), side, spriteviews_method_both, background);
            EXPECT_TRUE(same_image(image.get(), 48, 296, expected)) << count;
        }
    }
    for (const auto &[count, first_row] :
         {std::pair{128u, 0u}, std::pair{128u, 11u}, std::pair{50u, 3u}, std::pair{40u, 1u << 29},
          std::pair{40u, 4000000000u}}) {
        fill_store(count);
        const PixbufPtr list = spriteviews_new_list_pixbuf(first_row, 0);
        gdk_pixbuf_fill(list.get(), 0x808080FF);
        spriteviews_repaint_list(list.get(), first_row, spriteviews_method_alpha);
        EXPECT_TRUE(same_image(list.get(), 192, 105,
                               [&](int x, int y) { return list_pixel(count, first_row, x, y); }))
            << count << " from row " << first_row;
    }
}

// Per channel within one step: GdkPixbuf rounds its blend by integer division.
bool blends(const Rgba &got, const Rgba &over, const Rgba &under, int alpha) {
    for (int c = 0; c < 3; c++)
        if (std::abs(got[c] - (alpha * over[c] + (255 - alpha) * under[c]) / 255) > 1)
            return false;
    return got[3] == 255;
}

// Unselected sprites are blended at 192 when the method dims them (alpha, both); border sprites
// over the background, list sprites over black.
TEST_F(SpriteImages, SelectionMethodDimsUnselectedSprites) {
    sprites_set_multicolor_at_index(5, 0);
    sprites_set_data_at_index(5, filled(0xF0).data());
    for (const auto &[method, selected, alpha] :
         {std::tuple{spriteviews_method_frame, 0, 255},
          std::tuple{spriteviews_method_frame, 1, 255},
          std::tuple{spriteviews_method_alpha, 0, 192},
          std::tuple{spriteviews_method_alpha, 1, 255}, std::tuple{spriteviews_method_both, 0, 192},
          std::tuple{spriteviews_method_both, 1, 255},
          std::tuple{spriteviews_method_alpha, 2, 192}}) {
        SCOPED_TRACE(testing::Message() << "method " << method << " selected " << selected);
        EXPECT_EQ(spriteviews_get_sprite_alpha(method, selected), alpha);
        sprites_select_none();
        sprites_set_selected_at_index(5, selected);
        const PixbufPtr image = spriteviews_new_border_pixbuf(left, method, background);
        const Rgba sprite = opaque(colour_of(5));
        EXPECT_TRUE(blends(pixel_at(image.get(), 24, 61), sprite, opaque(background), alpha));
        EXPECT_TRUE(
            blends(pixel_at(image.get(), 28, 61), opaque(background), opaque(background), 0));
        const PixbufPtr list = spriteviews_new_list_pixbuf(0, method);
        EXPECT_TRUE(blends(pixel_at(list.get(), 5 * 24, 0), sprite, black, alpha));
        EXPECT_TRUE(blends(pixel_at(list.get(), 5 * 24 + 4, 0), opaque(background), black, alpha));
    }
}

// Frames stroke one pixel inside the zoomed slot of each selected sprite in use, unless the
// method marks selection by alpha only.
TEST_F(SpriteImages, FramesMarkSelectedSpritesInUse) {
    sprites_select_none();
    sprites_set_selected_at_index(5, 1);
    const Frames sprite_5 = {{49, 123, 47, 41}};
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_frame, 2), sprite_5);
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_both, 2), sprite_5);
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_alpha, 2), Frames{});
    EXPECT_EQ(spriteviews_get_border_frames(right, spriteviews_method_frame, 2), Frames{});
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_both, 3),
              (Frames{{5 * 72 + 1, 1, 71, 62}}));
    sprites_set_selected_at_index(9, 1);
    EXPECT_EQ(spriteviews_get_list_frames(1, spriteviews_method_frame, 2),
              (Frames{{49, 1, 47, 41}}));
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_alpha, 2), Frames{});
    EXPECT_EQ(spriteviews_get_list_frames(2, spriteviews_method_frame, 2), Frames{});

    sprites_select_all();
    Frames page;
    for (int k = 0; k < 5; k++)
        for (int c = 0; c < 8; c++)
            page.push_back({24 * c + 1, 21 * k + 1, 23, 20});
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_frame, 1), page);
    EXPECT_EQ(spriteviews_get_list_frames(15, spriteviews_method_frame, 1).size(), 8u);
    for (const SpriteviewsSide side : {left, right}) // only the 40 border sprites have slots
        EXPECT_EQ(spriteviews_get_border_frames(side, spriteviews_method_frame, 1).size(), 20u);
    sprites_set_array_size(10);
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_frame, 1).size(), 6u);
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_frame, 2).size(), 10u);
}

TEST_F(SpriteImages, DisplayBackgroundComesFromThePictureUnlessHiresOrNone) {
    sprites_set_background_color(9);
    for (const auto &[loaded, format, expected] :
         {std::tuple{1, picture_format_koala, 3}, std::tuple{1, picture_format_petscii, 3},
          std::tuple{1, picture_format_blazing_paddles, 3}, std::tuple{1, 2, 9},
          std::tuple{1, 5, 9}, std::tuple{0, picture_format_koala, 9}})
        EXPECT_EQ(spriteviews_get_display_background_index(loaded, format, 3), expected) << format;
}

// The 416x272 exported screen is rows 13-284 of the display: the left border image at x 0, the
// right one at x 368, the picture at (48, 48), the background elsewhere; a missing image leaves
// the background.
TEST_F(SpriteImages, ExportedScreenPlacesBordersAndPicture) {
    const PixbufPtr left_image = spriteviews_new_border_pixbuf(left, 0, background);
    const PixbufPtr right_image = spriteviews_new_border_pixbuf(right, 0, background);
    const PixbufPtr picture{gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200)};
    for (int y = 0; y < 200; ++y) // every pixel of the picture different
        gdk_pixbuf_fill(PixbufPtr{gdk_pixbuf_new_subpixbuf(picture.get(), 0, y, 320, 1)}.get(),
                        0x00400FFu | guint32(y) << 24);
    for (const bool with_picture : {true, false}) {
        const PixbufPtr screen = spriteviews_compose_screen_pixbuf(
            left_image.get(), with_picture ? right_image.get() : nullptr,
            with_picture ? picture.get() : nullptr, 3);
        EXPECT_TRUE(same_image(screen.get(), 416, 272, [&](int x, int y) {
            const int row = y + 13;
            if (x < 48)
                return pixel_at(left_image.get(), x, row);
            if (x >= 368 && with_picture)
                return pixel_at(right_image.get(), x - 368, row);
            if (x >= 48 && x < 368 && row >= 48 && row < 248 && with_picture)
                return pixel_at(picture.get(), x - 48, row - 48);
            return opaque(3);
        }));
    }
}

} // namespace
