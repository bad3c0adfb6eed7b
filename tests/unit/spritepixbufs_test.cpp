#include "core/spritepixbufs.hpp"

#include "test_support.hpp"

#include <functional>

namespace {

using namespace test_support;

constexpr std::uint8_t background = 6;
constexpr std::uint8_t colour = 1;
constexpr std::array<std::uint8_t, 4> four_colours = {6, 2, 5, 7};
constexpr Rgba clear_pixel = {0, 0, 0, 0};

// Expected pixel of an image at (x, y); an expected alpha of 0 checks the alpha only, as the
// colour of a transparent pixel is not written.
using Expectation = std::function<Rgba(int x, int y)>;

void expect_image(const GdkPixbuf *image, const Expectation &expected) {
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(image), 24);
    EXPECT_EQ(gdk_pixbuf_get_height(image), 21);
    ASSERT_EQ(gdk_pixbuf_get_n_channels(image), 4);
    EXPECT_EQ(gdk_pixbuf_get_bits_per_sample(image), 8);
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

// Byte 0x1B: pairs 00, 01, 10, 11 at pixels 0-1, 2-3, 4-5, 6-7 of each eight; as single colour
// pixels, 3, 4, 6 and 7 are set.
constexpr std::uint8_t ramp = 0x1B;
bool ramp_bit(int x) {
    return (ramp >> (7 - x % 8)) & 1;
}
int ramp_pair(int x) {
    return x % 8 / 2;
}

// Record 4 of the store holds the ramp in colour 8 with shared colours 0, 2 and 3; then the
// image the store makes of it.
PixbufPtr stored(std::int32_t multicolor, GdkPixbuf *(*make)()) {
    sprites_module_init();
    sprites_set_background_color(0);
    sprites_set_multicolor0(2);
    sprites_set_multicolor1(3);
    sprites_set_data_at_index(4, filled(ramp).data());
    sprites_set_color_at_index(4, 8);
    sprites_set_multicolor_at_index(4, multicolor);
    return PixbufPtr{make()};
}

Expectation all(int colour) {
    return [=](int, int) { return opaque(colour); };
}
const Expectation all_clear = [](int, int) { return clear_pixel; };

// The ramp's pairs in the given colours; pair 00 clear when transparent.
template <typename Colours> Expectation pairs(Colours colours, bool transparent) {
    return [=](int x, int) {
        return transparent && ramp_pair(x) == 0 ? clear_pixel : opaque(colours[ramp_pair(x)]);
    };
}

constexpr std::array<int, 4> store_order = {0, 2, 8, 3};
constexpr std::array<std::uint8_t, 4> explicit_colours = {11, 12, 13, 15};

struct ImageCase {
    const char *name;
    std::function<PixbufPtr()> make;
    Expectation expected;
};

class SpriteImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(SpriteImage, DrawsEveryPixel) {
    const PixbufPtr image = GetParam().make();
    expect_image(image.get(), GetParam().expected);
}

const ImageCase image_cases[] = {
    {"mono_empty_transparent", [] { return mono(filled(0), 1); }, all_clear},
    {"mono_empty_opaque", [] { return mono(filled(0), 0); }, all(background)},
    {"mono_diagonal", [] { return mono(diagonal(), 0); },
     [](int x, int y) { return opaque(x == y ? colour : background); }},
    {"mono_diagonal_transparent", [] { return mono(diagonal(), 1); },
     [](int x, int y) { return x == y ? opaque(colour) : clear_pixel; }},
    {"mono_full", [] { return mono(filled(0xFF), 1); }, all(colour)},
    {"multi_55_is_multicolour_0", [] { return multi(filled(0x55), 1); }, all(four_colours[1])},
    {"multi_aa_is_sprite_colour", [] { return multi(filled(0xAA), 1); }, all(four_colours[2])},
    {"multi_ff_is_multicolour_1", [] { return multi(filled(0xFF), 1); }, all(four_colours[3])},
    {"multi_empty_opaque_shows_background", [] { return multi(filled(0), 0); },
     all(four_colours[0])},
    {"multi_pairs_in_order", [] { return multi(filled(ramp), 0); }, pairs(four_colours, false)},
    {"multi_pairs_in_order_transparent", [] { return multi(filled(ramp), 1); },
     pairs(four_colours, true)},
    {"store_single_colour_record",
     [] { return stored(0, [] { return sprites_get_as_pixbuf_at_index(4, 0); }); },
     [](int x, int) { return opaque(ramp_bit(x) ? 8 : 0); }},
    {"store_any_nonzero_flag_is_multicolour",
     [] { return stored(2, [] { return sprites_get_as_pixbuf_at_index(4, 0); }); },
     pairs(store_order, false)},
    {"store_multicolour_transparent",
     [] { return stored(1, [] { return sprites_get_as_pixbuf_at_index(4, 1); }); },
     pairs(store_order, true)},
    {"store_explicit_mono_ignores_the_record",
     [] { return stored(1, [] { return sprites_get_at_index_mono(4, 9, 14, 0); }); },
     [](int x, int) { return opaque(ramp_bit(x) ? 14 : 9); }},
    {"store_explicit_multicolour_ignores_the_record",
     [] {
         return stored(
             0, [] { return sprites_get_at_index_as_multicolor(4, explicit_colours.data(), 0); });
     },
     pairs(explicit_colours, false)},
};

INSTANTIATE_TEST_SUITE_P(Modes, SpriteImage, ::testing::ValuesIn(image_cases), by_name);

TEST(SpriteImageData, NullBitmapOrImageIsLeftAlone) {
    const PixbufPtr image{spritepixbufs_new_pixbuf()};
    gdk_pixbuf_fill(image.get(), 0x11223344);
    spritepixbufs_set_pixbuf_data_from_sprite_data_mono(image.get(), nullptr, 0, 1, 0);
    spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(image.get(), nullptr,
                                                              four_colours.data(), 0);
    expect_image(image.get(), [](int, int) { return Rgba{0x11, 0x22, 0x33, 0x44}; });
    spritepixbufs_set_pixbuf_data_from_sprite_data_mono(nullptr, filled(0xFF).data(), 0, 1, 0);
    spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(nullptr, filled(0xFF).data(),
                                                              four_colours.data(), 0);
}

TEST(StoreSpriteImage, IndicesOutOfUseGiveNoImage) {
    sprites_module_init();
    EXPECT_EQ(sprites_get_as_pixbuf_at_index(40, 0), nullptr);
    EXPECT_EQ(sprites_get_at_index_mono(40, 0, 1, 0), nullptr);
    EXPECT_EQ(sprites_get_at_index_as_multicolor(40, explicit_colours.data(), 0), nullptr);
    EXPECT_NE(PixbufPtr{sprites_get_as_pixbuf_at_index(39, 0)}, nullptr);
}

TEST_F(PeptoTest, StoreSpriteImageFollowsThePaletteOfTheMoment) {
    const Rgb first_rgb = rgb_of(13);
    const PixbufPtr first = stored(0, [] { return sprites_get_at_index_mono(4, 0, 13, 0); });
    options_palette = 3;
    const Rgb second_rgb = rgb_of(13);
    const PixbufPtr second{sprites_get_at_index_mono(4, 0, 13, 0)};
    ASSERT_NE(first_rgb, second_rgb);
    // Pixel 3 is set, pixel 0 clear.
    EXPECT_EQ(pixel_at(first.get(), 3, 0), opaque(first_rgb));
    EXPECT_EQ(pixel_at(second.get(), 3, 0), opaque(second_rgb));
    EXPECT_EQ(pixel_at(second.get(), 0, 0), opaque(0));
}

} // namespace
