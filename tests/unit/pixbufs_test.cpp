#include "core/pixbufs.hpp"

#include "core/c64pixbufs.hpp"
#include "test_support.hpp"

#include <algorithm>

namespace {

using namespace test_support;

constexpr int columns = 40;
constexpr int cells = columns * 25;
constexpr int last_cell = cells - 1;

// High contrast colours the palette switch tests look for.
constexpr std::uint32_t high_contrast_red = 0x860000;
constexpr std::uint32_t high_contrast_dark_grey = 0x3D3D3D;

// A whole screen of picture data, rendered in the renderer's three modes.
struct Screen : PictureData {
    Screen() : PictureData{} {}
    PixbufPtr multicolor() const { return render(bitmap, color_ram); }
    PixbufPtr hires() const { return render(bitmap, nullptr); }
    PixbufPtr petscii() const { return render(nullptr, color_ram); }
    PixbufPtr render(const std::uint8_t *bits, const std::uint8_t *colours, int cols = columns,
                     int rows = 25) const {
        return PixbufPtr(
            pixbufs_new_from_hires_opaque(bits, screen_ram, colours, background_color, cols, rows));
    }
};

// Top-left pixel of a cell.
int cell_x(int cell) {
    return cell % columns * 8;
}
int cell_y(int cell) {
    return cell / columns * 8;
}

class RenderTest : public PeptoTest {
  protected:
    static void SetUpTestSuite() { c64pixbufs_module_init(); }
    void TearDown() override {
        PeptoTest::TearDown();
        c64pixbuf_set_case(1);
    }
};

TEST_F(RenderTest, EveryModeGivesAnOpaqueRgbaImageOfTheWholeScreen) {
    Screen data;
    data.background_color = 0x1B;
    for (int i = 0; i < cells * 8; ++i) {
        data.bitmap[i] = static_cast<std::uint8_t>(i * 13);
        data.screen_ram[i / 8] = static_cast<std::uint8_t>(i * 7);
        data.color_ram[i / 8] = static_cast<std::uint8_t>(i * 3);
    }
    const PixbufPtr images[] = {data.multicolor(), data.hires(), data.petscii()};
    for (const PixbufPtr &image : images) {
        ASSERT_TRUE(image);
        EXPECT_EQ(gdk_pixbuf_get_width(image.get()), 320);
        EXPECT_EQ(gdk_pixbuf_get_height(image.get()), 200);
        EXPECT_EQ(gdk_pixbuf_get_n_channels(image.get()), 4);
        EXPECT_EQ(gdk_pixbuf_get_bits_per_sample(image.get()), 8);
        int translucent = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 320; ++x)
                translucent += pixel_at(image.get(), x, y)[3] != 255;
        EXPECT_EQ(translucent, 0);
    }
    // Every multicolour cell takes its own screen byte, colour byte and bitmap rows.
    int wrong = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x)
            wrong += rgb_at(images[0].get(), x, y) != pepto[multicolour_index(data, x / 2, y)];
    EXPECT_EQ(wrong, 0);
}

// Background 0x1B (colour 11), screen 0x25 (01 red, 10 green), colour RAM 0xF7 (11 yellow; the
// high nibble is junk as in real files); the pairs' colours from left to right.
TEST_F(RenderTest, BitPairsReadLeftToRightAsDoubleWidePixelsInTheCurrentPalette) {
    for (const auto &[bits, colours] : {std::pair{0b00'01'10'11, std::array{11, 2, 5, 7}},
                                        std::pair{0b11'10'01'00, std::array{7, 5, 2, 11}},
                                        std::pair{0b01'00'00'00, std::array{2, 11, 11, 11}},
                                        std::pair{0b00'00'00'10, std::array{11, 11, 11, 5}}})
        for (int palette : {0, 1}) {
            options_palette = palette;
            Screen data;
            data.background_color = 0x1B;
            data.screen_ram[0] = data.screen_ram[last_cell] = 0x25;
            data.color_ram[0] = data.color_ram[last_cell] = 0xF7;
            data.bitmap[0] = data.bitmap[last_cell * 8 + 7] = static_cast<std::uint8_t>(bits);
            const PixbufPtr image = data.multicolor();
            ASSERT_TRUE(image);
            for (int x = 0; x < 8; ++x) {
                EXPECT_EQ(pixel_at(image.get(), x, 0), opaque(colours[x / 2])) << bits << " " << x;
                EXPECT_EQ(pixel_at(image.get(), cell_x(last_cell) + x, cell_y(last_cell) + 7),
                          opaque(colours[x / 2]))
                    << bits << " last cell, x " << x;
            }
        }
}

TEST_F(RenderTest, HiresSetBitsTakeTheHighNibbleAndClearBitsTheLow) {
    Screen data;
    data.background_color = 0x07; // not used by hires
    data.screen_ram[1] = 0x2D;
    data.bitmap[8] = 0b1010'0000;
    const PixbufPtr image = data.hires();
    ASSERT_TRUE(image);
    EXPECT_EQ(cell_rows(image.get(), 8, 0, pepto[2], pepto[13]), (Glyph{0xA0}));
}

struct PetsciiCase {
    const char *name;
    std::uint8_t background, code, colour;
    int uppercase, palette;
    Glyph shape;
    std::uint32_t on, off; // colours of set and clear glyph pixels
};

class PetsciiScreen : public RenderTest, public ::testing::WithParamInterface<PetsciiCase> {};

// Every cell holds the same code and colour.
TEST_P(PetsciiScreen, ShowsTheGlyphRecolouredInEveryCell) {
    const PetsciiCase &c = GetParam();
    Screen data;
    data.background_color = c.background;
    std::fill(std::begin(data.screen_ram), std::end(data.screen_ram), c.code);
    std::fill(std::begin(data.color_ram), std::end(data.color_ram), c.colour);
    c64pixbuf_set_case(c.uppercase);
    options_palette = c.palette;
    const PixbufPtr image = data.petscii();
    ASSERT_TRUE(image);
    for (int cell : {0, 517, last_cell})
        EXPECT_EQ(cell_rows(image.get(), cell_x(cell), cell_y(cell), c.on, c.off), c.shape)
            << "cell " << cell;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PetsciiScreen,
    ::testing::Values(
        PetsciiCase{"160_in_white_is_solid", 0x1B, 160, 1, 1, 0, solid, pepto[1], pepto[11]},
        PetsciiCase{"32_is_background_only", 0x16, 32, 1, 1, 0, blank, pepto[1], pepto[6]},
        PetsciiCase{"1_upper_case", 6, 1, 0xF2, 1, 0, capital_a, pepto[2], pepto[6]},
        PetsciiCase{"1_lower_case", 6, 1, 14, 0, 0, small_a, pepto[14], pepto[6]},
        PetsciiCase{"160_high_contrast", 0x0B, 160, 2, 1, 1, solid, high_contrast_red,
                    high_contrast_dark_grey},
        PetsciiCase{"32_high_contrast", 0x0B, 32, 2, 1, 1, blank, high_contrast_red,
                    high_contrast_dark_grey}),
    by_name);

TEST_F(RenderTest, PetsciiCellsTakeTheirOwnCodeAndColour) {
    Screen data;
    data.screen_ram[0] = 1;
    data.color_ram[0] = 0xF2; // only the low nibble is a colour
    data.screen_ram[1] = 160;
    data.color_ram[1] = 5;
    data.screen_ram[40] = 1;
    data.color_ram[40] = 7;
    const PixbufPtr image = data.petscii();
    ASSERT_TRUE(image);
    EXPECT_EQ(cell_rows(image.get(), 0, 0, pepto[2], pepto[0]), capital_a);
    EXPECT_EQ(cell_rows(image.get(), 8, 0, pepto[5], pepto[0]), solid);
    EXPECT_EQ(cell_rows(image.get(), 0, 8, pepto[7], pepto[0]), capital_a);
}

TEST_F(RenderTest, SizeFollowsColumnsAndRows) {
    const Screen data;
    const PixbufPtr image = data.render(nullptr, data.color_ram, 3, 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(gdk_pixbuf_get_width(image.get()), 24);
    EXPECT_EQ(gdk_pixbuf_get_height(image.get()), 16);
    EXPECT_FALSE(data.render(data.bitmap, data.color_ram, 0, 25));
    EXPECT_FALSE(data.render(data.bitmap, data.color_ram, 40, 0));
}

} // namespace
