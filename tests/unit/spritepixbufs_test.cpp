#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "core/spritepixbufs.hpp"
#include "core/sprites.hpp"
#include "sprite_test_support.hpp"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

namespace {

using sprite_test::opaque;
using sprite_test::pixel_at;
using sprite_test::rgb_of;
using sprite_test::Rgba;

using Bitmap = std::array<std::uint8_t, sprite_data_size>;

Bitmap filled(std::uint8_t value) {
    Bitmap bytes{};
    bytes.fill(value);
    return bytes;
}

constexpr std::uint8_t background = 6;
constexpr std::uint8_t colour = 1;
constexpr std::array<std::uint8_t, 4> four_colours = {6, 2, 5, 7};

// Expected pixel of an image at (x, y); an expected alpha of 0 checks the alpha only, as the
// colour of a transparent pixel is not written.
using Expectation = std::function<Rgba(int x, int y)>;

void expect_image(const GdkPixbuf *image, const Expectation &expected) {
    ASSERT_NE(image, nullptr);
    for (int y = 0; y < 21; y++)
        for (int x = 0; x < 24; x++) {
            const Rgba want = expected(x, y);
            const Rgba got = pixel_at(image, x, y);
            if (want[3] == 0)
                EXPECT_EQ(got[3], 0) << "(" << x << ", " << y << ")";
            else
                EXPECT_EQ(got, want) << "(" << x << ", " << y << ")";
        }
}

constexpr Rgba clear_pixel = {0, 0, 0, 0};

PixbufPtr mono(const Bitmap &bitmap, int transparent) {
    PixbufPtr image{spritepixbufs_new_pixbuf()};
    spritepixbufs_set_pixbuf_data_from_sprite_data_mono(image.get(), bitmap.data(), background,
                                                        colour, transparent);
    return image;
}

PixbufPtr multi(const Bitmap &bitmap, int transparent) {
    PixbufPtr image{spritepixbufs_new_pixbuf()};
    spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(image.get(), bitmap.data(),
                                                              four_colours.data(), transparent);
    return image;
}

TEST(SpriteImage, IsA24By21RgbaImage) {
    const PixbufPtr image{spritepixbufs_new_pixbuf()};
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(image.get()), 24);
    EXPECT_EQ(gdk_pixbuf_get_height(image.get()), 21);
    EXPECT_EQ(gdk_pixbuf_get_n_channels(image.get()), 4);
    EXPECT_TRUE(gdk_pixbuf_get_has_alpha(image.get()));
    EXPECT_EQ(gdk_pixbuf_get_bits_per_sample(image.get()), 8);
}

struct ImageCase {
    const char *name;
    std::function<PixbufPtr()> make;
    Expectation expected;
};

class SpriteImageMode : public ::testing::TestWithParam<ImageCase> {};

TEST_P(SpriteImageMode, DrawsEveryPixel) {
    const PixbufPtr image = GetParam().make();
    expect_image(image.get(), GetParam().expected);
}

Bitmap first_pixel_only() {
    Bitmap bytes{};
    bytes[0] = 0x80;
    return bytes;
}

// Row r has only pixel r set (pixels 0-20): checks the bit order across all three bytes.
Bitmap diagonal() {
    Bitmap bytes{};
    for (unsigned r = 0; r < 21; r++)
        bytes[3 * r + r / 8] = static_cast<std::uint8_t>(0x80 >> (r % 8));
    return bytes;
}

// Pairs 00, 01, 10, 11 in every byte: image pixels 0-1, 2-3, 4-5, 6-7 of each eight.
Bitmap pair_ramp() {
    return filled(0x1B);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SpriteImageMode,
    ::testing::Values(
        ImageCase{"mono_empty_transparent", [] { return mono(filled(0), 1); },
                  [](int, int) { return clear_pixel; }},
        ImageCase{"mono_empty_opaque", [] { return mono(filled(0), 0); },
                  [](int, int) { return opaque(background); }},
        ImageCase{"mono_first_byte_80", [] { return mono(first_pixel_only(), 0); },
                  [](int x, int y) { return opaque(x == 0 && y == 0 ? colour : background); }},
        ImageCase{"mono_first_byte_80_transparent", [] { return mono(first_pixel_only(), 1); },
                  [](int x, int y) { return x == 0 && y == 0 ? opaque(colour) : clear_pixel; }},
        ImageCase{"mono_diagonal", [] { return mono(diagonal(), 0); },
                  [](int x, int y) { return opaque(x == y ? colour : background); }},
        ImageCase{"mono_full", [] { return mono(filled(0xFF), 1); },
                  [](int, int) { return opaque(colour); }},
        ImageCase{"multi_55_is_multicolour_0", [] { return multi(filled(0x55), 1); },
                  [](int, int) { return opaque(four_colours[1]); }},
        ImageCase{"multi_aa_is_sprite_colour", [] { return multi(filled(0xAA), 1); },
                  [](int, int) { return opaque(four_colours[2]); }},
        ImageCase{"multi_ff_is_multicolour_1", [] { return multi(filled(0xFF), 1); },
                  [](int, int) { return opaque(four_colours[3]); }},
        ImageCase{"multi_empty_transparent", [] { return multi(filled(0), 1); },
                  [](int, int) { return clear_pixel; }},
        ImageCase{"multi_empty_opaque_shows_background", [] { return multi(filled(0), 0); },
                  [](int, int) { return opaque(four_colours[0]); }},
        ImageCase{"multi_pairs_in_order", [] { return multi(pair_ramp(), 0); },
                  [](int x, int) { return opaque(four_colours[(x % 8) / 2]); }},
        ImageCase{"multi_pairs_in_order_transparent", [] { return multi(pair_ramp(), 1); },
                  [](int x, int) {
                      return x % 8 < 2 ? clear_pixel : opaque(four_colours[(x % 8) / 2]);
                  }}),
    [](const auto &info) { return std::string{info.param.name}; });

TEST(SpriteImage, NullBitmapLeavesTheImageAlone) {
    const PixbufPtr image{spritepixbufs_new_pixbuf()};
    gdk_pixbuf_fill(image.get(), 0x11223344);
    spritepixbufs_set_pixbuf_data_from_sprite_data_mono(image.get(), nullptr, 0, 1, 0);
    spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(image.get(), nullptr,
                                                              four_colours.data(), 0);
    expect_image(image.get(), [](int, int) { return Rgba{0x11, 0x22, 0x33, 0x44}; });
    const Bitmap bitmap = filled(0xFF);
    spritepixbufs_set_pixbuf_data_from_sprite_data_mono(nullptr, bitmap.data(), 0, 1, 0);
    spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(nullptr, bitmap.data(),
                                                              four_colours.data(), 0);
}

class StoreSpriteImage : public ::testing::Test {
  protected:
    void SetUp() override {
        sprites_module_init();
        sprites_set_background_color(0);
        sprites_set_multicolor0(2);
        sprites_set_multicolor1(3);
        const Bitmap ramp = pair_ramp();
        sprites_set_data_at_index(4, ramp.data());
        sprites_set_color_at_index(4, 8);
    }
    void TearDown() override { options_palette = 0; }
};

TEST_F(StoreSpriteImage, SingleColourRecordUsesItsColourAndTheSharedBackground) {
    const PixbufPtr image{sprites_get_as_pixbuf_at_index(4, 0)};
    // 0x1B = 00011011: pixels 3, 4, 6 and 7 of each eight are set.
    expect_image(image.get(), [](int x, int) {
        const bool set = (0x1B >> (7 - x % 8)) & 1;
        return opaque(set ? 8 : 0);
    });
}

TEST_F(StoreSpriteImage, AnyNonZeroMulticolourFlagMeansMulticolour) {
    sprites_set_multicolor_at_index(4, 2);
    const std::array<int, 4> order = {0, 2, 8, 3};
    const PixbufPtr transparent{sprites_get_as_pixbuf_at_index(4, 1)};
    expect_image(transparent.get(),
                 [&](int x, int) { return x % 8 < 2 ? clear_pixel : opaque(order[(x % 8) / 2]); });
    const PixbufPtr opaque_image{sprites_get_as_pixbuf_at_index(4, 0)};
    expect_image(opaque_image.get(), [&](int x, int) { return opaque(order[(x % 8) / 2]); });
}

TEST_F(StoreSpriteImage, ExplicitColoursIgnoreTheRecordsAttributes) {
    sprites_set_multicolor_at_index(4, 1);
    const PixbufPtr image{sprites_get_at_index_mono(4, 9, 14, 0)};
    expect_image(image.get(), [](int x, int) {
        const bool set = (0x1B >> (7 - x % 8)) & 1;
        return opaque(set ? 14 : 9);
    });
    const std::array<std::uint8_t, 4> colours = {11, 12, 13, 15};
    const PixbufPtr multi_image{sprites_get_at_index_as_multicolor(4, colours.data(), 0)};
    expect_image(multi_image.get(),
                 [&](int x, int) { return opaque(colours[static_cast<unsigned>(x % 8) / 2]); });
}

TEST_F(StoreSpriteImage, IndicesOutOfUseGiveNoImage) {
    const std::array<std::uint8_t, 4> colours = {0, 1, 2, 3};
    EXPECT_EQ(sprites_get_as_pixbuf_at_index(40, 0), nullptr);
    EXPECT_EQ(sprites_get_at_index_mono(40, 0, 1, 0), nullptr);
    EXPECT_EQ(sprites_get_at_index_as_multicolor(40, colours.data(), 0), nullptr);
    const PixbufPtr last{sprites_get_as_pixbuf_at_index(39, 0)};
    EXPECT_NE(last, nullptr);
}

TEST_F(StoreSpriteImage, FollowsThePaletteOfTheMoment) {
    const auto first_rgb = rgb_of(13);
    const PixbufPtr first{sprites_get_at_index_mono(4, 0, 13, 0)};
    options_palette = 3;
    const auto second_rgb = rgb_of(13);
    const PixbufPtr second{sprites_get_at_index_mono(4, 0, 13, 0)};
    ASSERT_NE(first_rgb, second_rgb);
    // Pixel 3 is set, pixel 0 clear.
    EXPECT_EQ(pixel_at(first.get(), 3, 0), opaque(first_rgb));
    EXPECT_EQ(pixel_at(second.get(), 3, 0), opaque(second_rgb));
    EXPECT_EQ(pixel_at(second.get(), 0, 0), opaque(0));
}

} // namespace
