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

struct Screen {
    Bytes bitmap = Bytes(cells * 8);
    Bytes screen = Bytes(cells);
    Bytes colour = Bytes(cells);
    std::uint8_t background = 0;

    PixbufPtr multicolor() const { return render(bitmap.data(), colour.data()); }
    PixbufPtr hires() const { return render(bitmap.data(), nullptr); }
    PixbufPtr petscii() const { return render(nullptr, colour.data()); }
    PixbufPtr render(const std::uint8_t *bits, const std::uint8_t *colours, int cols = columns,
                     int rows = 25) const {
        return PixbufPtr(
            pixbufs_new_from_hires_opaque(bits, screen.data(), colours, background, cols, rows));
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
    for (int i = 0; i < cells * 8; ++i) {
        data.bitmap[i] = static_cast<std::uint8_t>(i * 13);
        data.screen[i / 8] = static_cast<std::uint8_t>(i * 7);
        data.colour[i / 8] = static_cast<std::uint8_t>(i * 3);
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
            data.background = 0x1B;
            data.screen[0] = data.screen[last_cell] = 0x25;
            data.colour[0] = data.colour[last_cell] = 0xF7;
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

TEST_F(RenderTest, MulticolorCellsTakeTheirOwnScreenByteAndBitmapRows) {
    Screen data;
    for (int cell = 0; cell < cells; ++cell)
        data.screen[cell] = static_cast<std::uint8_t>((cell % 16) << 4);
    std::fill(data.bitmap.begin(), data.bitmap.end(), std::uint8_t{0x55}); // every pair 01
    data.colour[41] = 1;
    data.bitmap[41 * 8 + 3] = 0xFF; // byte k of a cell is its pixel row k
    const PixbufPtr image = data.multicolor();
    ASSERT_TRUE(image);
    for (int cell = 0; cell < cells; ++cell)
        for (int corner : {0, 7})
            ASSERT_EQ(rgb_at(image.get(), cell_x(cell) + corner, cell_y(cell) + corner),
                      pepto[cell % 16])
                << "cell " << cell;
    for (int row = 0; row < 8; ++row)
        EXPECT_EQ(rgb_at(image.get(), cell_x(41) + 4, cell_y(41) + row),
                  pepto[row == 3 ? 1 : 41 % 16])
            << "row " << row;
}

TEST_F(RenderTest, HiresSetBitsTakeTheHighNibbleAndClearBitsTheLow) {
    Screen data;
    data.background = 0x07; // not used by hires
    data.screen[1] = 0x2D;
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
    data.background = c.background;
    std::fill(data.screen.begin(), data.screen.end(), c.code);
    std::fill(data.colour.begin(), data.colour.end(), c.colour);
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
    data.screen[0] = 1;
    data.colour[0] = 0xF2; // only the low nibble is a colour
    data.screen[1] = 160;
    data.colour[1] = 5;
    data.screen[40] = 1;
    data.colour[40] = 7;
    const PixbufPtr image = data.petscii();
    ASSERT_TRUE(image);
    EXPECT_EQ(cell_rows(image.get(), 0, 0, pepto[2], pepto[0]), capital_a);
    EXPECT_EQ(cell_rows(image.get(), 8, 0, pepto[5], pepto[0]), solid);
    EXPECT_EQ(cell_rows(image.get(), 0, 8, pepto[7], pepto[0]), capital_a);
}

TEST_F(RenderTest, SizeFollowsColumnsAndRows) {
    const Screen data;
    const PixbufPtr image = data.render(nullptr, data.colour.data(), 3, 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(gdk_pixbuf_get_width(image.get()), 24);
    EXPECT_EQ(gdk_pixbuf_get_height(image.get()), 16);
    EXPECT_FALSE(data.render(data.bitmap.data(), data.colour.data(), 0, 25));
    EXPECT_FALSE(data.render(data.bitmap.data(), data.colour.data(), 40, 0));
}

} // namespace
