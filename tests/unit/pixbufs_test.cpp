#include "core/pixbufs.hpp"

#include "core/c64pixbufs.hpp"
#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "picture_test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using picture_test::alpha_at;
using picture_test::pepto;
using picture_test::PrintTo;
using picture_test::rgb_at;

constexpr int columns = 40;
constexpr int rows = 25;
constexpr int cells = columns * rows;
constexpr int last_cell = cells - 1;

// High contrast colours the palette switch tests look for.
constexpr std::uint32_t high_contrast_red = 0x860000;
constexpr std::uint32_t high_contrast_dark_grey = 0x3D3D3D;
constexpr std::uint32_t high_contrast_yellow = 0xFFEB72;

struct Screen {
    std::vector<std::uint8_t> bitmap = std::vector<std::uint8_t>(cells * 8);
    std::vector<std::uint8_t> screen = std::vector<std::uint8_t>(cells);
    std::vector<std::uint8_t> colour = std::vector<std::uint8_t>(cells);
    std::uint8_t background = 0;

    PixbufPtr multicolor() const {
        return PixbufPtr(pixbufs_new_from_hires_opaque(bitmap.data(), screen.data(), colour.data(),
                                                       background, columns, rows));
    }
    PixbufPtr hires() const {
        return PixbufPtr(pixbufs_new_from_hires_opaque(bitmap.data(), screen.data(), nullptr,
                                                       background, columns, rows));
    }
    PixbufPtr petscii() const {
        return PixbufPtr(pixbufs_new_from_hires_opaque(nullptr, screen.data(), colour.data(),
                                                       background, columns, rows));
    }
};

// Top-left pixel of a cell.
int cell_x(int cell) {
    return cell % columns * 8;
}
int cell_y(int cell) {
    return cell / columns * 8;
}

class RenderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { c64pixbufs_module_init(); }
    void SetUp() override {
        saved_palette_ = options_palette;
        options_palette = 0;
        c64pixbuf_set_case(1);
    }
    void TearDown() override {
        options_palette = saved_palette_;
        c64pixbuf_set_case(1);
    }

  private:
    int saved_palette_ = 0;
};

struct ModeCase {
    const char *name;
    PixbufPtr (Screen::*render)() const;
};

class RenderModeTest : public RenderTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(RenderModeTest, gives_an_opaque_rgba_image_of_the_whole_screen) {
    Screen data;
    for (int i = 0; i < cells; ++i) {
        data.screen[i] = static_cast<std::uint8_t>(i * 7);
        data.colour[i] = static_cast<std::uint8_t>(i * 3);
    }
    for (int i = 0; i < cells * 8; ++i) {
        data.bitmap[i] = static_cast<std::uint8_t>(i * 13);
    }
    const PixbufPtr image = (data.*GetParam().render)();
    ASSERT_TRUE(image);
    EXPECT_EQ(gdk_pixbuf_get_width(image.get()), 320);
    EXPECT_EQ(gdk_pixbuf_get_height(image.get()), 200);
    EXPECT_EQ(gdk_pixbuf_get_n_channels(image.get()), 4);
    EXPECT_EQ(gdk_pixbuf_get_bits_per_sample(image.get()), 8);
    ASSERT_TRUE(gdk_pixbuf_get_has_alpha(image.get()));
    int translucent = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) {
            translucent += alpha_at(image.get(), x, y) != 255;
        }
    }
    EXPECT_EQ(translucent, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, RenderModeTest,
                         ::testing::Values(ModeCase{"multicolor", &Screen::multicolor},
                                           ModeCase{"hires", &Screen::hires},
                                           ModeCase{"petscii", &Screen::petscii}),
                         [](const auto &info) { return std::string(info.param.name); });

struct BitPairCase {
    const char *name;
    std::uint8_t bits;
    std::array<int, 4> colours; // of the four double-wide pixels, left to right
};

class BitPairTest : public RenderTest, public ::testing::WithParamInterface<BitPairCase> {};

// Background 0x1B (colour 11), screen 0x25 (01 red, 10 green), colour RAM 0xF7 (11 yellow; the
// high nibble is junk as in real files).
TEST_P(BitPairTest, pairs_read_left_to_right_as_double_wide_pixels) {
    Screen data;
    data.background = 0x1B;
    data.screen[0] = data.screen[last_cell] = 0x25;
    data.colour[0] = data.colour[last_cell] = 0xF7;
    data.bitmap[0] = GetParam().bits;
    data.bitmap[last_cell * 8 + 7] = GetParam().bits;
    const PixbufPtr image = data.multicolor();
    ASSERT_TRUE(image);
    for (int pair = 0; pair < 4; ++pair) {
        const std::uint32_t expected = pepto[GetParam().colours[pair]];
        for (int half = 0; half < 2; ++half) {
            const int x = pair * 2 + half;
            EXPECT_EQ(rgb_at(image.get(), x, 0), expected) << "first cell, x " << x;
            EXPECT_EQ(rgb_at(image.get(), cell_x(last_cell) + x, cell_y(last_cell) + 7), expected)
                << "last cell, x " << x;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, BitPairTest,
    ::testing::Values(BitPairCase{"background_01_10_11", 0b00'01'10'11, {11, 2, 5, 7}},
                      BitPairCase{"11_10_01_background", 0b11'10'01'00, {7, 5, 2, 11}},
                      BitPairCase{"all_background", 0x00, {11, 11, 11, 11}},
                      BitPairCase{"all_colour_ram", 0xFF, {7, 7, 7, 7}},
                      BitPairCase{"only_the_first_pixel_01", 0b01'00'00'00, {2, 11, 11, 11}},
                      BitPairCase{"only_the_last_pixel_10", 0b00'00'00'10, {11, 11, 11, 5}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RenderTest, multicolor_cells_take_their_own_screen_byte) {
    Screen data;
    for (int cell = 0; cell < cells; ++cell) {
        data.screen[cell] = static_cast<std::uint8_t>((cell % 16) << 4);
    }
    std::fill(data.bitmap.begin(), data.bitmap.end(), std::uint8_t{0x55}); // every pair 01
    const PixbufPtr image = data.multicolor();
    ASSERT_TRUE(image);
    for (int cell = 0; cell < cells; ++cell) {
        for (int corner : {0, 7}) {
            ASSERT_EQ(rgb_at(image.get(), cell_x(cell) + corner, cell_y(cell) + corner),
                      pepto[cell % 16])
                << "cell " << cell;
        }
    }
}

TEST_F(RenderTest, multicolor_bitmap_byte_k_is_pixel_row_k_of_its_cell) {
    Screen data;
    data.background = 0;
    data.colour[41] = 1;
    data.bitmap[41 * 8 + 3] = 0xFF;
    const PixbufPtr image = data.multicolor();
    ASSERT_TRUE(image);
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(rgb_at(image.get(), cell_x(41) + 4, cell_y(41) + row),
                  row == 3 ? pepto[1] : pepto[0])
            << "row " << row;
    }
}

TEST_F(RenderTest, hires_set_bits_take_the_high_nibble_and_clear_bits_the_low) {
    Screen data;
    data.background = 0x07; // not used by hires
    data.screen[1] = 0x2D;
    data.bitmap[8 + 0] = 0b1010'0000;
    const PixbufPtr image = data.hires();
    ASSERT_TRUE(image);
    const std::array<int, 8> expected = {2, 13, 2, 13, 13, 13, 13, 13};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(rgb_at(image.get(), 8 + x, 0), pepto[expected[x]]) << "x " << x;
    }
    EXPECT_EQ(rgb_at(image.get(), 8, 1), pepto[13]);
}

// Expected PETSCII cell: every pixel of the glyph's shape in the colour, the rest background.
void expect_cell(const GdkPixbuf *image, int cell, const std::array<std::uint8_t, 8> &shape,
                 std::uint32_t on, std::uint32_t off) {
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool lit = (shape[y] & (0x80 >> x)) != 0;
            EXPECT_EQ(rgb_at(image, cell_x(cell) + x, cell_y(cell) + y), lit ? on : off)
                << "cell " << cell << " pixel " << x << "," << y;
        }
    }
}

constexpr std::array<std::uint8_t, 8> solid = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr std::array<std::uint8_t, 8> blank = {};
constexpr std::array<std::uint8_t, 8> capital_a = {0x18, 0x3C, 0x66, 0x7E, 0x66, 0x66, 0x66, 0x00};
constexpr std::array<std::uint8_t, 8> small_a = {0x00, 0x00, 0x3C, 0x06, 0x3E, 0x66, 0x3E, 0x00};

TEST_F(RenderTest, petscii_160_in_white_is_a_solid_white_block) {
    Screen data;
    data.background = 0x1B;
    std::fill(data.screen.begin(), data.screen.end(), std::uint8_t{160});
    std::fill(data.colour.begin(), data.colour.end(), std::uint8_t{1});
    const PixbufPtr image = data.petscii();
    ASSERT_TRUE(image);
    expect_cell(image.get(), 0, solid, pepto[1], pepto[11]);
    expect_cell(image.get(), last_cell, solid, pepto[1], pepto[11]);
}

TEST_F(RenderTest, petscii_32_shows_only_the_background) {
    Screen data;
    data.background = 0x16; // junk high nibble: colour 6
    std::fill(data.screen.begin(), data.screen.end(), std::uint8_t{32});
    std::fill(data.colour.begin(), data.colour.end(), std::uint8_t{1});
    const PixbufPtr image = data.petscii();
    ASSERT_TRUE(image);
    for (int cell : {0, 517, last_cell}) {
        expect_cell(image.get(), cell, blank, pepto[1], pepto[6]);
    }
}

TEST_F(RenderTest, petscii_cells_take_their_own_code_and_colour) {
    Screen data;
    data.background = 0;
    data.screen[0] = 1;
    data.colour[0] = 0xF2; // only the low nibble is a colour
    data.screen[1] = 160;
    data.colour[1] = 5;
    data.screen[40] = 1;
    data.colour[40] = 7;
    const PixbufPtr image = data.petscii();
    ASSERT_TRUE(image);
    expect_cell(image.get(), 0, capital_a, pepto[2], pepto[0]);
    expect_cell(image.get(), 1, solid, pepto[5], pepto[0]);
    expect_cell(image.get(), 40, capital_a, pepto[7], pepto[0]);
}

TEST_F(RenderTest, petscii_follows_the_selected_character_set) {
    Screen data;
    data.background = 6;
    data.screen[0] = 1;
    data.colour[0] = 14;
    c64pixbuf_set_case(0);
    const PixbufPtr lower = data.petscii();
    c64pixbuf_set_case(1);
    const PixbufPtr upper = data.petscii();
    ASSERT_TRUE(lower);
    ASSERT_TRUE(upper);
    expect_cell(lower.get(), 0, small_a, pepto[14], pepto[6]);
    expect_cell(upper.get(), 0, capital_a, pepto[14], pepto[6]);
}

TEST_F(RenderTest, multicolor_uses_the_current_palette) {
    Screen data;
    data.background = 0x1B;
    data.screen[0] = 0x20;
    data.colour[0] = 0x07;
    data.bitmap[0] = 0b00'01'00'11;
    options_palette = 1;
    const PixbufPtr image = data.multicolor();
    ASSERT_TRUE(image);
    EXPECT_EQ(rgb_at(image.get(), 0, 0), high_contrast_dark_grey);
    EXPECT_EQ(rgb_at(image.get(), 2, 0), high_contrast_red);
    EXPECT_EQ(rgb_at(image.get(), 6, 0), high_contrast_yellow);
}

TEST_F(RenderTest, petscii_recognises_glyph_pixels_whatever_the_palette) {
    Screen data;
    data.background = 0x0B;
    data.screen[0] = 160;
    data.colour[0] = 2;
    data.screen[1] = 32;
    data.colour[1] = 2;
    options_palette = 1;
    const PixbufPtr image = data.petscii();
    ASSERT_TRUE(image);
    expect_cell(image.get(), 0, solid, high_contrast_red, high_contrast_dark_grey);
    expect_cell(image.get(), 1, blank, high_contrast_red, high_contrast_dark_grey);
}

TEST_F(RenderTest, size_follows_columns_and_rows) {
    Screen data;
    const PixbufPtr image(
        pixbufs_new_from_hires_opaque(nullptr, data.screen.data(), data.colour.data(), 0, 3, 2));
    ASSERT_TRUE(image);
    EXPECT_EQ(gdk_pixbuf_get_width(image.get()), 24);
    EXPECT_EQ(gdk_pixbuf_get_height(image.get()), 16);
}

TEST_F(RenderTest, an_empty_screen_gives_no_image) {
    Screen data;
    EXPECT_FALSE(PixbufPtr(pixbufs_new_from_hires_opaque(data.bitmap.data(), data.screen.data(),
                                                         data.colour.data(), 0, 0, 25)));
    EXPECT_FALSE(PixbufPtr(pixbufs_new_from_hires_opaque(data.bitmap.data(), data.screen.data(),
                                                         data.colour.data(), 0, 40, 0)));
}

} // namespace
