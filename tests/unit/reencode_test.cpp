// The re-encoder: every pixel keeps its colour whatever pairs the input used, equal colours take
// the same pairs from cell to cell, and worked examples give the bytes a hand encoding gives.

#include "core/reencode.hpp"

#include "test_support.hpp"

#include <random>
#include <utility>

namespace {

using namespace test_support;

constexpr int width = 160; // double-wide pixels
constexpr int height = 200;
constexpr int pixels = width * height;

using Image = Bytes; // one colour index per double-wide pixel

int shift_of(int x) {
    return 6 - 2 * (x % 4);
}

Image decode(const PictureData &picture) {
    Image image(pixels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image[y * width + x] = static_cast<std::uint8_t>(multicolour_index(picture, x, y));
    return image;
}

// Encodes an image whose cells hold the background and at most three other colours. Colours
// take the pairs in the order they appear, or a random order when rng is given; rng also puts
// junk into unused nibbles and the ignored high nibble of colour RAM.
PictureData encode(const Image &image, std::uint8_t background_byte, std::mt19937 *rng = nullptr) {
    PictureData picture{};
    picture.background_color = background_byte;
    const std::uint8_t background = background_byte & 0x0F;
    for (int cell = 0; cell < 1000; ++cell) {
        const int x0 = cell % 40 * 4;
        const int y0 = cell / 40 * 8;
        std::vector<std::uint8_t> colours;
        for (int y = y0; y < y0 + 8; ++y)
            for (int x = x0; x < x0 + 4; ++x) {
                const std::uint8_t c = image[y * width + x];
                if (c != background &&
                    std::find(colours.begin(), colours.end(), c) == colours.end())
                    colours.push_back(c);
            }
        std::array<int, 3> slot_of{1, 2, 3};
        std::array<std::uint8_t, 4> slot_colour{background, 0, 0, 0};
        if (rng != nullptr) {
            std::shuffle(slot_of.begin(), slot_of.end(), *rng);
            for (int slot = 1; slot < 4; ++slot)
                slot_colour[slot] = static_cast<std::uint8_t>((*rng)() & 0x0F);
        }
        for (std::size_t i = 0; i < colours.size(); ++i)
            slot_colour[slot_of[i]] = colours[i];
        for (int y = y0; y < y0 + 8; ++y) {
            std::uint8_t byte = 0;
            for (int x = x0; x < x0 + 4; ++x) {
                const std::uint8_t c = image[y * width + x];
                const auto found = std::find(colours.begin(), colours.end(), c) - colours.begin();
                byte |= static_cast<std::uint8_t>((c == background ? 0 : slot_of[found])
                                                  << shift_of(x));
            }
            picture.bitmap[cell * 8 + y % 8] = byte;
        }
        picture.screen_ram[cell] = static_cast<std::uint8_t>(slot_colour[1] << 4 | slot_colour[2]);
        const std::uint8_t junk = rng != nullptr ? static_cast<std::uint8_t>((*rng)() & 0xF0) : 0;
        picture.color_ram[cell] = static_cast<std::uint8_t>(junk | slot_colour[3]);
    }
    return picture;
}

// The input stays as it was; fields other than the picture's are not written.
PictureData reencoded(const PictureData &input) {
    const PictureData before = input;
    PictureData output{};
    output.charset = 0x55;
    output.border_color = -7;
    output.format = 42;
    reencode_process_picture_mc(&input, &output);
    EXPECT_TRUE(same_picture(input, before));
    EXPECT_EQ(std::tuple(output.charset, output.border_color, output.format),
              std::tuple(0x55, -7, 42));
    return output;
}

// Cells of up to three colours besides the background, drawn at random.
Image image_random(std::uint8_t background, unsigned seed) {
    std::mt19937 rng(seed);
    Image image(pixels);
    for (int cell = 0; cell < 1000; ++cell) {
        std::array<std::uint8_t, 4> palette{background, 0, 0, 0};
        const int count = static_cast<int>(rng() % 4);
        for (int i = 1; i < 4; ++i)
            palette[i] = i <= count ? static_cast<std::uint8_t>(rng() % 16) : background;
        for (int y = cell / 40 * 8; y < cell / 40 * 8 + 8; ++y)
            for (int x = cell % 40 * 4; x < cell % 40 * 4 + 4; ++x)
                image[y * width + x] = palette[rng() % 4];
    }
    return image;
}

// One-colour and random pictures keep their colours, and an encoding with the pairs swapped and
// junk in unused nibbles gives the same output. Arbitrary bytes are a valid picture too: pairs may
// repeat a colour or name the background.
TEST(Reencode, KeepsTheColoursWhateverThePairs) {
    const std::pair<Image, std::uint8_t> pictures[] = {
        {Image(pixels, 5), 0x0B}, {image_random(0, 1), 0xF0}, {image_random(9, 2), 0x39}};
    for (const auto &[image, background_byte] : pictures) {
        SCOPED_TRACE(int{background_byte});
        std::mt19937 rng(1234);
        const PictureData plain = encode(image, background_byte);
        const PictureData scrambled = encode(image, background_byte, &rng);
        ASSERT_EQ(decode(plain), image);
        ASSERT_EQ(decode(scrambled), image);
        const PictureData output = reencoded(plain);
        EXPECT_EQ(decode(output), image);
        EXPECT_TRUE(same_picture(output, reencoded(scrambled)));
        EXPECT_EQ(output.background_color, background_byte & 0x0F);
    }
    std::mt19937 rng(11);
    PictureData input{};
    for (auto *part : {input.bitmap, input.screen_ram, input.color_ram})
        for (int i = 0; i < (part == input.bitmap ? 8000 : 1000); ++i)
            part[i] = static_cast<std::uint8_t>(rng());
    input.background_color = 0xA7;
    EXPECT_EQ(decode(reencoded(input)), decode(input));
}

// A 4x8 cell of colours; cells not given hold the background, colour 0.
using Cell = std::array<std::array<std::uint8_t, 4>, 8>;

// First in scan order at row 0, the second later at row 3; both repeat.
Cell two(std::uint8_t first, std::uint8_t second) {
    Cell cell{};
    cell[0][1] = cell[4][0] = first;
    cell[3][2] = cell[7][3] = second;
    return cell;
}

Cell row(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    Cell cell{};
    cell[0] = {a, b, c, d};
    return cell;
}

struct WorkedCase {
    const char *name;
    int first;                         // index of the first cell given
    std::vector<Cell> cells;           // the last one is checked
    std::uint8_t screen, colour, row0; // row0: the bitmap byte of the cell's first row
};

class ReencodeWorkedExample : public ::testing::TestWithParam<WorkedCase> {};

TEST_P(ReencodeWorkedExample, GivesTheBytesWorkedOutByHand) {
    const WorkedCase &c = GetParam();
    Image image(pixels, 0);
    int index = c.first;
    for (const Cell &cell : c.cells) {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 4; ++x)
                image[(index / 40 * 8 + y) * width + index % 40 * 4 + x] = cell[y][x];
        ++index;
    }
    const PictureData output = reencoded(encode(image, 0));
    const int checked = index - 1;
    EXPECT_EQ(output.screen_ram[checked], c.screen);
    EXPECT_EQ(output.color_ram[checked], c.colour);
    EXPECT_EQ(output.bitmap[checked * 8], c.row0);
}

// Pairs sort ascending (01 below 10 below 11); a cell keeps the pairs of colours the cell
// before it had, also across the end of a row; unused pairs hold light green, 13.
const WorkedCase worked_cases[] = {
    {"first_cell_sorted", 0, {two(6, 2)}, 0x26, 0x0D, 0b00'10'00'00},
    {"same_colours_keep_pairs", 0, {two(6, 2), two(2, 6)}, 0x26, 0x0D, 0b00'01'00'00},
    {"pairs_carry_across_row_end", 39, {two(9, 4), two(9, 9)}, 0x49, 0x0D, 0b00'10'00'00},
    {"three_colours_sorted", 0, {row(9, 5, 1, 0)}, 0x15, 0x09, 0b11'10'01'00},
    {"leftover_pair_sorted", 0, {row(9, 5, 1, 0), row(9, 7, 0, 0)}, 0x57, 0x09, 0b11'10'00'00},
    {"two_leave_11_unsorted", 0, {row(9, 5, 1, 0), row(1, 14, 0, 0)}, 0x1E, 0x09, 0b01'10'00'00},
    {"new_colour_first_free", 0, {two(6, 2), row(3, 0, 0, 0)}, 0x36, 0x0D, 0b01'00'00'00},
    {"background_only", 0, {Cell{}}, 0xDD, 0x0D, 0},
};

INSTANTIATE_TEST_SUITE_P(Examples, ReencodeWorkedExample, ::testing::ValuesIn(worked_cases),
                         by_name);

} // namespace
