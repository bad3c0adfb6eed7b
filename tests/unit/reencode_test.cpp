#include "core/reencode.hpp"

#include "core/glib_ptr.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int width = 160; // double-wide pixels
constexpr int height = 200;

using Image = std::vector<std::uint8_t>; // one colour index per double-wide pixel

int cell_of(int x, int y) {
    return y / 8 * 40 + x / 4;
}
int shift_of(int x) {
    return 6 - 2 * (x % 4);
}

// Multicolour decode written straight from the VIC-II rules: 00 background, 01 screen high
// nibble, 10 screen low nibble, 11 colour RAM low nibble.
Image decode(const PictureData &picture) {
    Image image(width * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int cell = cell_of(x, y);
            const int bits = (picture.bitmap[cell * 8 + y % 8] >> shift_of(x)) & 3;
            std::uint8_t colour = 0;
            switch (bits) {
            case 0:
                colour = picture.background_color & 0x0F;
                break;
            case 1:
                colour = picture.screen_ram[cell] >> 4;
                break;
            case 2:
                colour = picture.screen_ram[cell] & 0x0F;
                break;
            default:
                colour = picture.color_ram[cell] & 0x0F;
                break;
            }
            image[y * width + x] = colour;
        }
    }
    return image;
}

std::unique_ptr<PictureData> new_picture() {
    auto picture = std::make_unique<PictureData>();
    *picture = PictureData{};
    return picture;
}

// Encodes an image whose cells hold the background and at most three other colours. Colours
// take the pairs in the order they appear, or a random order when rng is given; rng also puts
// junk into unused nibbles and the ignored high nibble of colour RAM.
std::unique_ptr<PictureData> encode(const Image &image, std::uint8_t background_byte,
                                    std::mt19937 *rng = nullptr) {
    auto picture = new_picture();
    picture->background_color = background_byte;
    const std::uint8_t background = background_byte & 0x0F;
    for (int cell = 0; cell < 1000; ++cell) {
        const int x0 = cell % 40 * 4;
        const int y0 = cell / 40 * 8;
        std::vector<std::uint8_t> colours;
        for (int y = y0; y < y0 + 8; ++y) {
            for (int x = x0; x < x0 + 4; ++x) {
                const std::uint8_t c = image[y * width + x];
                if (c != background &&
                    std::find(colours.begin(), colours.end(), c) == colours.end()) {
                    colours.push_back(c);
                }
            }
        }
        std::array<int, 3> slot_of{1, 2, 3};
        std::array<std::uint8_t, 4> slot_colour{background, 0, 0, 0};
        if (rng != nullptr) {
            std::shuffle(slot_of.begin(), slot_of.end(), *rng);
            for (int slot = 1; slot < 4; ++slot) {
                slot_colour[slot] = static_cast<std::uint8_t>((*rng)() & 0x0F);
            }
        }
        for (std::size_t i = 0; i < colours.size(); ++i) {
            slot_colour[slot_of[i]] = colours[i];
        }
        for (int y = y0; y < y0 + 8; ++y) {
            std::uint8_t byte = 0;
            for (int x = x0; x < x0 + 4; ++x) {
                const std::uint8_t c = image[y * width + x];
                int slot = 0;
                if (c != background) {
                    slot = slot_of[std::find(colours.begin(), colours.end(), c) - colours.begin()];
                }
                byte |= static_cast<std::uint8_t>(slot << shift_of(x));
            }
            picture->bitmap[cell * 8 + y % 8] = byte;
        }
        picture->screen_ram[cell] = static_cast<std::uint8_t>(slot_colour[1] << 4 | slot_colour[2]);
        const std::uint8_t junk = rng != nullptr ? static_cast<std::uint8_t>((*rng)() & 0xF0) : 0;
        picture->color_ram[cell] = static_cast<std::uint8_t>(junk | slot_colour[3]);
    }
    return picture;
}

std::unique_ptr<PictureData> reencoded(const PictureData &input) {
    auto output = new_picture();
    reencode_process_picture_mc(&input, output.get());
    return output;
}

// Images with at most three non-background colours per cell.
Image image_filled(std::uint8_t colour) {
    return Image(width * height, colour);
}

Image image_stripes(std::uint8_t background) {
    Image image(width * height);
    constexpr std::array<std::uint8_t, 3> colours{2, 7, 14};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image[y * width + x] = (x + y) % 4 == 3 ? background : colours[(x + y) % 4];
        }
    }
    return image;
}

Image image_diagonal_bands(std::uint8_t background) {
    Image image(width * height, background);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((x / 4 + y / 8) % 3 != 0) {
                // Two colours per cell that change from cell to cell.
                image[y * width + x] = static_cast<std::uint8_t>(((x / 4) + (y & 1)) % 15 + 1);
            }
        }
    }
    return image;
}

Image image_random(std::uint8_t background, unsigned seed) {
    std::mt19937 rng(seed);
    Image image(width * height);
    for (int cell = 0; cell < 1000; ++cell) {
        std::array<std::uint8_t, 4> palette{background, 0, 0, 0};
        const int count = static_cast<int>(rng() % 4);
        for (int i = 1; i < 4; ++i) {
            palette[i] = i <= count ? static_cast<std::uint8_t>(rng() % 16) : background;
        }
        const int x0 = cell % 40 * 4;
        const int y0 = cell / 40 * 8;
        for (int y = y0; y < y0 + 8; ++y) {
            for (int x = x0; x < x0 + 4; ++x) {
                image[y * width + x] = palette[rng() % 4];
            }
        }
    }
    return image;
}

struct RoundTripCase {
    std::string name;
    Image image;
    std::uint8_t background_byte;
};

class ReencodeRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ReencodeRoundTrip, DecodedColoursUnchanged) {
    const RoundTripCase &c = GetParam();
    const auto input = encode(c.image, c.background_byte);
    ASSERT_EQ(decode(*input), c.image);
    EXPECT_EQ(decode(*reencoded(*input)), c.image);
}

TEST_P(ReencodeRoundTrip, ScrambledEncodingGivesSameOutput) {
    const RoundTripCase &c = GetParam();
    std::mt19937 rng(1234);
    const auto plain = encode(c.image, c.background_byte);
    const auto scrambled = encode(c.image, c.background_byte, &rng);
    ASSERT_EQ(decode(*scrambled), c.image);
    const auto a = reencoded(*plain);
    const auto b = reencoded(*scrambled);
    EXPECT_TRUE(std::equal(a->bitmap, a->bitmap + 8000, b->bitmap));
    EXPECT_TRUE(std::equal(a->screen_ram, a->screen_ram + 1000, b->screen_ram));
    EXPECT_TRUE(std::equal(a->color_ram, a->color_ram + 1000, b->color_ram));
    EXPECT_EQ(a->background_color, b->background_color);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, ReencodeRoundTrip,
    ::testing::Values(RoundTripCase{"all_background", image_filled(0), 0x00},
                      RoundTripCase{"one_colour_everywhere", image_filled(5), 0x0B},
                      RoundTripCase{"stripes", image_stripes(6), 0x06},
                      RoundTripCase{"stripes_high_nibble_background", image_stripes(6), 0xF6},
                      RoundTripCase{"diagonal_bands", image_diagonal_bands(0), 0x00},
                      RoundTripCase{"random_1", image_random(0, 1), 0x00},
                      RoundTripCase{"random_2", image_random(9, 2), 0x39},
                      RoundTripCase{"random_3", image_random(15, 3), 0x0F}),
    [](const ::testing::TestParamInfo<RoundTripCase> &info) { return info.param.name; });

class ReencodeRawBytes : public ::testing::TestWithParam<unsigned> {};

// Arbitrary bytes are a valid picture too: pairs may repeat a colour or name the background.
TEST_P(ReencodeRawBytes, DecodedColoursUnchanged) {
    std::mt19937 rng(GetParam());
    auto input = new_picture();
    for (auto &b : input->bitmap) {
        b = static_cast<std::uint8_t>(rng());
    }
    for (int cell = 0; cell < 1000; ++cell) {
        input->screen_ram[cell] = static_cast<std::uint8_t>(rng());
        input->color_ram[cell] = static_cast<std::uint8_t>(rng());
    }
    input->background_color = static_cast<std::uint8_t>(rng());
    EXPECT_EQ(decode(*reencoded(*input)), decode(*input));
}

INSTANTIATE_TEST_SUITE_P(Seeds, ReencodeRawBytes, ::testing::Values(11u, 22u, 33u, 44u));

class ReencodeRealPicture : public ::testing::TestWithParam<const char *> {};

// Pictures made by other people, with the junk in colour RAM high nibbles that real files carry.
TEST_P(ReencodeRealPicture, DecodedColoursUnchanged) {
    const std::string path = std::string(SIDEWELL_SHARED_DIR) + "/pictures/" + GetParam();
    if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS)) {
        GTEST_SKIP() << "shared picture " << path << " is absent";
    }
    auto input = new_picture();
    GdkPixbuf *raw_image = nullptr;
    GError *raw_error = nullptr;
    ASSERT_TRUE(
        hiresdecoder_decode_hires_screen_file(path.c_str(), 0, &raw_image, input.get(), &raw_error))
        << raw_error->message;
    const PixbufPtr image(raw_image);
    ASSERT_TRUE(picture_format_is_multicolor(input->format));
    const auto output = reencoded(*input);
    EXPECT_EQ(decode(*output), decode(*input));
    EXPECT_EQ(output->background_color, input->background_color & 0x0F);
}

INSTANTIATE_TEST_SUITE_P(Files, ReencodeRealPicture,
                         ::testing::Values("koala/onyx_abydos.koa", "koala/onyx_NINJA3.KOA",
                                           "koala/gdc_PIC_COS1.koa", "koala/afterimage_metal.kla",
                                           "koala/sidplayer_pvm.koa",
                                           "artstudio/gdc_demo-meyes.mpic"));

// Builds a picture cell by cell from 4x8 colour grids; cells not given hold the background.
using CellPixels = std::array<std::array<std::uint8_t, 4>, 8>;

CellPixels cell_two_colours(std::uint8_t first, std::uint8_t second, std::uint8_t background) {
    CellPixels cell{};
    for (auto &row : cell) {
        row = {background, background, background, background};
    }
    cell[0][1] = first;  // first in scan order
    cell[3][2] = second; // later in scan order
    cell[4][0] = first;  // both colours repeat
    cell[7][3] = second;
    return cell;
}

std::unique_ptr<PictureData> picture_of_cells(const std::vector<CellPixels> &cells,
                                              std::uint8_t background) {
    Image image = image_filled(background);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const int x0 = static_cast<int>(i) % 40 * 4;
        const int y0 = static_cast<int>(i) / 40 * 8;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 4; ++x) {
                image[(y0 + y) * width + x0 + x] = cells[i][y][x];
            }
        }
    }
    return encode(image, background);
}

std::uint8_t bits_at(const PictureData &picture, int cell, int row, int x) {
    return (picture.bitmap[cell * 8 + row] >> shift_of(x)) & 3;
}

TEST(Reencode, AllBackgroundGivesZeroBitmapAndUnusedPairs) {
    const auto input = encode(image_filled(3), 0x03);
    const auto output = reencoded(*input);
    EXPECT_TRUE(std::all_of(output->bitmap, output->bitmap + 8000, [](auto b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(output->screen_ram, output->screen_ram + 1000,
                            [](auto b) { return b == 0xDD; }));
    EXPECT_TRUE(
        std::all_of(output->color_ram, output->color_ram + 1000, [](auto b) { return b == 0x0D; }));
}

TEST(Reencode, FirstCellPairsAreSortedAscending) {
    const auto input = picture_of_cells({cell_two_colours(6, 2, 0)}, 0);
    const auto output = reencoded(*input);
    EXPECT_EQ(output->screen_ram[0], 0x26);
    EXPECT_EQ(output->color_ram[0], 0x0D);
    EXPECT_EQ(bits_at(*output, 0, 3, 2), 1); // colour 2
    EXPECT_EQ(bits_at(*output, 0, 7, 3), 1);
    EXPECT_EQ(bits_at(*output, 0, 0, 1), 2); // colour 6
    EXPECT_EQ(bits_at(*output, 0, 4, 0), 2);
    EXPECT_EQ(bits_at(*output, 0, 0, 0), 0); // background
}

TEST(Reencode, CellWithPreviousColoursReproducesItsBytes) {
    // The second cell holds the same colours, met in the other order.
    const auto input = picture_of_cells({cell_two_colours(6, 2, 0), cell_two_colours(2, 6, 0)}, 0);
    const auto output = reencoded(*input);
    EXPECT_EQ(output->screen_ram[1], output->screen_ram[0]);
    EXPECT_EQ(output->color_ram[1], output->color_ram[0]);
    EXPECT_EQ(bits_at(*output, 1, 0, 1), 1); // colour 2 stays in pair 01
    EXPECT_EQ(bits_at(*output, 1, 3, 2), 2); // colour 6 stays in pair 10
}

TEST(Reencode, PairsCarryAcrossRowEnd) {
    std::vector<CellPixels> cells(41, cell_two_colours(0, 0, 0));
    cells[39] = cell_two_colours(9, 4, 0);
    cells[40] = cell_two_colours(9, 9, 0); // first cell of the second row: 9 alone
    const auto output = reencoded(*picture_of_cells(cells, 0));
    EXPECT_EQ(output->screen_ram[39], 0x49);
    EXPECT_EQ(output->screen_ram[40], 0x49); // 9 stays in pair 10 instead of taking 01
    EXPECT_EQ(output->color_ram[40], 0x0D);
}

TEST(Reencode, ThreeColoursAreFullySorted) {
    CellPixels cell{};
    cell[0] = {9, 5, 1, 0};
    const auto output = reencoded(*picture_of_cells({cell}, 0));
    EXPECT_EQ(output->screen_ram[0], 0x15);
    EXPECT_EQ(output->color_ram[0], 0x09);
    EXPECT_EQ(output->bitmap[0], 0b11'10'01'00);
}

TEST(Reencode, LeftoverPairColourTakesPartInSorting) {
    CellPixels first{};
    first[0] = {9, 5, 1, 0}; // pairs 1, 5, 9 after sorting
    CellPixels second{};
    second[0] = {9, 7, 0, 0}; // 9 keeps pair 11, 7 takes pair 01 beside the leftover 5
    const auto output = reencoded(*picture_of_cells({first, second}, 0));
    // 7 > 5 so 01 and 10 swap: the leftover 5 moves to pair 01.
    EXPECT_EQ(output->screen_ram[1], 0x57);
    EXPECT_EQ(output->color_ram[1], 0x09);
    EXPECT_EQ(output->bitmap[8], 0b11'10'00'00);
}

TEST(Reencode, TwoColoursLeavePairElevenUnsorted) {
    CellPixels first{};
    first[0] = {9, 5, 1, 0}; // pairs 1, 5, 9
    CellPixels second{};
    second[0] = {1, 14, 0, 0}; // 1 keeps pair 01, 14 takes pair 10 above the leftover 9
    const auto output = reencoded(*picture_of_cells({first, second}, 0));
    EXPECT_EQ(output->screen_ram[1], 0x1E);
    EXPECT_EQ(output->color_ram[1], 0x09);
}

TEST(Reencode, NewColourTakesFirstFreePairWithoutSorting) {
    CellPixels first = cell_two_colours(6, 2, 0); // pairs 2, 6
    CellPixels second{};
    second[0] = {3, 0, 0, 0};
    const auto output = reencoded(*picture_of_cells({first, second}, 0));
    EXPECT_EQ(output->screen_ram[1], 0x36);
    EXPECT_EQ(output->color_ram[1], 0x0D);
    EXPECT_EQ(output->bitmap[8], 0b01'00'00'00);
}

TEST(Reencode, BackgroundKeepsOnlyLowNibble) {
    const auto input = encode(image_stripes(6), 0xF6);
    EXPECT_EQ(reencoded(*input)->background_color, 0x06);
}

TEST(Reencode, InputUntouchedAndOtherFieldsNotWritten) {
    std::mt19937 rng(77);
    const auto input = encode(image_random(4, 5), 0xA4, &rng);
    input->charset = 3;
    input->border_color = 12;
    input->format = 7;
    const auto before = new_picture();
    *before = *input;

    auto output = new_picture();
    output->charset = 0x55;
    output->border_color = -1;
    output->format = 42;
    reencode_process_picture_mc(input.get(), output.get());

    EXPECT_TRUE(std::equal(input->bitmap, input->bitmap + 8000, before->bitmap));
    EXPECT_TRUE(std::equal(input->screen_ram, input->screen_ram + 1000, before->screen_ram));
    EXPECT_TRUE(std::equal(input->color_ram, input->color_ram + 1000, before->color_ram));
    EXPECT_EQ(input->background_color, 0xA4);
    EXPECT_EQ(output->charset, 0x55);
    EXPECT_EQ(output->border_color, -1);
    EXPECT_EQ(output->format, 42);
}

} // namespace
