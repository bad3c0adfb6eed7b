// The re-encoder writes the bytes a hand encoding gives (colours kept: the real pictures test).

#include "core/reencode.hpp"

#include "test_support.hpp"

namespace {

using namespace test_support;

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

// Screen and colour RAM bytes and bitmap rows 0 and 3; other rows are background.
struct Cell {
    std::uint8_t screen, colour, row0, row3;
};

struct WorkedCase {
    const char *name;
    int first;                         // index of the first cell given
    std::vector<Cell> cells;           // the last one is checked
    std::uint8_t screen, colour, row0; // as the re-encoder writes them
};

class ReencodeWorkedExample : public ::testing::TestWithParam<WorkedCase> {};

TEST_P(ReencodeWorkedExample, GivesTheBytesWorkedOutByHand) {
    const WorkedCase &c = GetParam();
    PictureData input{};
    int index = c.first;
    for (const Cell &cell : c.cells) {
        input.screen_ram[index] = cell.screen;
        input.color_ram[index] = cell.colour;
        input.bitmap[index * 8] = cell.row0;
        input.bitmap[index * 8 + 3] = cell.row3;
        ++index;
    }
    const PictureData output = reencoded(input);
    EXPECT_EQ(std::tuple(output.screen_ram[index - 1], output.color_ram[index - 1],
                         output.bitmap[(index - 1) * 8]),
              std::tuple(c.screen, c.colour, c.row0));
}

// Two colours, the first (6) in pair 01 of row 0, the second (2) in pair 10 of row 3.
constexpr Cell six_two = {0x62, 0, 0b00'01'00'00, 0b00'00'10'00};

// Pairs sort ascending and carry from cell to cell; unused pairs hold light green.
const WorkedCase worked_cases[] = {
    {"first_cell_sorted", 0, {six_two}, 0x26, 0x0D, 0b00'10'00'00},
    {"same_colours_keep_pairs",
     0,
     {six_two, {0x26, 0, 0b00'01'00'00, 0b00'00'10'00}},
     0x26,
     0x0D,
     0b00'01'00'00},
    {"pairs_carry_across_row_end",
     39,
     {{0x94, 0, 0b00'01'00'00, 0b00'00'10'00}, {0x90, 0, 0b00'01'00'00, 0b00'00'01'00}},
     0x49,
     0x0D,
     0b00'10'00'00},
    {"three_colours_sorted", 0, {{0x95, 0x01, 0b01'10'11'00, 0}}, 0x15, 0x09, 0b11'10'01'00},
    {"leftover_pair_sorted",
     0,
     {{0x95, 0x01, 0b01'10'11'00, 0}, {0x97, 0, 0b01'10'00'00, 0}},
     0x57,
     0x09,
     0b11'10'00'00},
    {"two_leave_11_unsorted",
     0,
     {{0x95, 0x01, 0b01'10'11'00, 0}, {0x1E, 0, 0b01'10'00'00, 0}},
     0x1E,
     0x09,
     0b01'10'00'00},
    {"new_colour_first_free", 0, {six_two, {0x30, 0, 0b01'00'00'00, 0}}, 0x36, 0x0D, 0b01'00'00'00},
    {"background_only", 0, {{0, 0, 0, 0}}, 0xDD, 0x0D, 0},
};

INSTANTIATE_TEST_SUITE_P(Examples, ReencodeWorkedExample, ::testing::ValuesIn(worked_cases),
                         by_name);

} // namespace
