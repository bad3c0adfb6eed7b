#include "core/glib_ptr.hpp"
#include "core/sprites.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

class SpriteStore : public ::testing::Test {
  protected:
    void SetUp() override { sprites_module_init(); }
};

std::uint8_t colour_at(unsigned index) {
    std::uint8_t colour = 0xEE;
    sprites_get_color_at_index(index, &colour);
    return colour;
}

std::int32_t multicolor_at(unsigned index) {
    std::int32_t flag = 0x5A;
    sprites_get_multicolor_at_index(index, &flag);
    return flag;
}

std::set<unsigned> selected_indices() {
    std::set<unsigned> selected;
    const unsigned count = sprites_get_array_size();
    sprites_set_array_size(sprites_capacity);
    for (unsigned i = 0; i < sprites_capacity; i++) {
        std::int32_t flag = 0;
        sprites_get_selected_at_index(i, &flag);
        if (flag == 1)
            selected.insert(i);
    }
    sprites_set_array_size(count);
    return selected;
}

std::array<std::uint8_t, sprite_data_size> bitmap_with(std::uint8_t value) {
    std::array<std::uint8_t, sprite_data_size> bytes{};
    bytes.fill(value);
    return bytes;
}

std::array<std::uint8_t, sprite_data_size> data_at(unsigned index) {
    std::array<std::uint8_t, sprite_data_size> bytes{};
    const SpriteRecord *record = sprites_get_record_at_index(index);
    if (record != nullptr)
        std::copy_n(record->data, sprite_data_size, bytes.begin());
    return bytes;
}

// A template bitmap as 21 rows of 12 double-width cells: '#' both bits set, '.' both clear,
// '?' for a half-set pair, which a template never has.
std::vector<std::string> cells_of(std::span<const std::uint8_t> bitmap) {
    std::vector<std::string> rows;
    for (unsigned r = 0; r < sprite_height; r++) {
        std::string row;
        for (unsigned k = 0; k < 12; k++) {
            const unsigned byte = bitmap[3 * r + k / 4];
            const unsigned pair = (byte >> (6 - 2 * (k % 4))) & 3;
            row += pair == 3 ? '#' : pair == 0 ? '.' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST_F(SpriteStore, StartsWithFortyTemplateSpritesAndAllRecordsSelected) {
    EXPECT_EQ(sprites_get_array_size(), 40u);
    EXPECT_EQ(sprites_get_selected_count(), 128u);
    EXPECT_EQ(sprites_get_background_color(), 6);
    EXPECT_EQ(sprites_get_multicolor0(), 4);
    EXPECT_EQ(sprites_get_multicolor1(), 10);
    EXPECT_EQ(sprites_get_last_selected_index(), -1);
    EXPECT_EQ(sprites_get_last_selected_index_left(), -1);
    EXPECT_EQ(sprites_get_last_selected_index_right(), -1);
    for (unsigned i = 0; i < 40; i++) {
        const auto entry = sprites_get_template_entry(i);
        EXPECT_TRUE(std::equal(entry.begin(), entry.begin() + sprite_data_size, data_at(i).begin()))
            << "record " << i;
        EXPECT_EQ(multicolor_at(i), 0);
    }
    sprites_set_array_size(128);
    for (unsigned i = 40; i < 128; i++) {
        EXPECT_EQ(data_at(i), bitmap_with(0)) << "record " << i;
        EXPECT_EQ(colour_at(i), 13);
    }
}

struct DefaultColourCase {
    unsigned index;
    std::uint8_t colour;
};

class TemplateColour : public SpriteStore,
                       public ::testing::WithParamInterface<DefaultColourCase> {};

TEST_P(TemplateColour, IsLightRedForTheLinkedPairsAndTheirPartners) {
    EXPECT_EQ(colour_at(GetParam().index), GetParam().colour);
}

INSTANTIATE_TEST_SUITE_P(Defaults, TemplateColour,
                         ::testing::Values(DefaultColourCase{0, 13}, DefaultColourCase{15, 13},
                                           DefaultColourCase{16, 10}, DefaultColourCase{19, 10},
                                           DefaultColourCase{20, 10}, DefaultColourCase{23, 10},
                                           DefaultColourCase{24, 13}, DefaultColourCase{27, 13},
                                           DefaultColourCase{28, 10}, DefaultColourCase{35, 10},
                                           DefaultColourCase{36, 13}, DefaultColourCase{39, 13}),
                         [](const auto &info) {
                             return "index_" + std::to_string(info.param.index);
                         });

struct TemplatePictureCase {
    const char *name;
    unsigned index;
    std::vector<std::string> cells;
};

class TemplatePicture : public ::testing::TestWithParam<TemplatePictureCase> {};

TEST_P(TemplatePicture, ShowsFrameLetterAndNumber) {
    EXPECT_EQ(cells_of(sprites_get_template_entry(GetParam().index)), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, TemplatePicture,
    ::testing::Values(
        TemplatePictureCase{
            "entry_5_reads_L03", 5, {"############", "#..........#", "#..........#", "#...#......#",
                                     "#...#......#", "#...#......#", "#...#......#", "#...#......#",
                                     "#...###....#", "#..........#", "#..........#", "#.###.###..#",
                                     "#.#.#...#..#", "#.#.#..##..#", "#.#.#...#..#", "#.#.#...#..#",
                                     "#.###.###..#", "#..........#", "#..........#", "#..........#",
                                     "############"}},
        TemplatePictureCase{"entry_2_reads_R00_without_its_top_rows",
                            2,
                            {"............", "............", "............", "............",
                             "............", "............", "............", "............",
                             "#...#.#....#", "#..........#", "#..........#", "#.###.###..#",
                             "#.#.#.#.#..#", "#.#.#.#.#..#", "#.#.#.#.#..#", "#.#.#.#.#..#",
                             "#.###.###..#", "#..........#", "#..........#", "#..........#",
                             "############"}},
        TemplatePictureCase{"entry_39_reads_R19_without_its_bottom_rows",
                            39,
                            {"############", "#..........#", "#..........#", "#...###....#",
                             "#...#.#....#", "#...##.....#", "#...#.#....#", "#...#.#....#",
                             "#...#.#....#", "#..........#", "#..........#", "#..#..###..#",
                             "#.##..#.#..#", "#..#..#.#..#", "#..#..###..#", "#..#....#..#",
                             "#.###.###..#", "#..........#", "#..........#", "............",
                             "............"}}),
    [](const auto &info) { return std::string{info.param.name}; });

TEST(Template, EveryEntryHasItsSideLetterTensDigitAndUnusedByte) {
    for (unsigned i = 0; i < 40; i++) {
        const auto entry = sprites_get_template_entry(i);
        const auto cells = cells_of(entry);
        // Last row of the letters, which no entry clears: "XXX" in L, "X.X" in R.
        EXPECT_EQ(cells[8].substr(4, 3), (i & 2) == 0 ? "###" : "#.#") << "entry " << i;
        // Row 1 of the tens digit: "XXX" for 0 and ".X." for 1, numbers counting two a row.
        const unsigned number = 2 * (i / 4) + i % 2;
        EXPECT_EQ(cells[11].substr(2, 3), number < 10 ? "###" : ".#.") << "entry " << i;
        EXPECT_EQ(entry[63], 1) << "entry " << i;
    }
}

TEST_F(SpriteStore, SetTemplateKeepsSelectionAndAnchors) {
    sprites_select_none();
    sprites_set_selected_at_index(6, 1);
    sprites_set_array_size(3);
    sprites_set_color_at_index(0, 2);
    sprites_set_multicolor_at_index(1, 1);
    const auto ones = bitmap_with(0xFF);
    sprites_set_data_at_index(2, ones.data());
    sprites_set_background_color(0);
    sprites_set_multicolor0(1);
    sprites_set_multicolor1(2);

    sprites_set_template();

    EXPECT_EQ(sprites_get_array_size(), 40u);
    EXPECT_EQ(selected_indices(), (std::set<unsigned>{6}));
    EXPECT_EQ(sprites_get_last_selected_index(), 6);
    EXPECT_EQ(sprites_get_last_selected_index_right(), 6);
    EXPECT_EQ(colour_at(0), 13);
    EXPECT_EQ(colour_at(16), 10);
    EXPECT_EQ(multicolor_at(1), 0);
    const auto entry = sprites_get_template_entry(2);
    EXPECT_TRUE(std::equal(entry.begin(), entry.begin() + sprite_data_size, data_at(2).begin()));
    EXPECT_EQ(sprites_get_background_color(), 6);
    EXPECT_EQ(sprites_get_multicolor0(), 4);
    EXPECT_EQ(sprites_get_multicolor1(), 10);
}

TEST_F(SpriteStore, ArraySizeAcceptsUpTo128) {
    EXPECT_EQ(sprites_set_array_size(128), 1);
    EXPECT_EQ(sprites_get_array_size(), 128u);
    EXPECT_EQ(sprites_set_array_size(129), 0);
    EXPECT_EQ(sprites_get_array_size(), 128u);
    EXPECT_EQ(sprites_set_array_size(0), 1);
    EXPECT_EQ(sprites_get_array_size(), 0u);
}

TEST_F(SpriteStore, GuardedOperationsRefuseIndicesOutOfUse) {
    sprites_set_array_size(10);
    const auto ones = bitmap_with(0xFF);
    EXPECT_EQ(sprites_set_data_at_index(10, ones.data()), 0);
    EXPECT_EQ(sprites_set_multicolor_at_index(10, 1), 0);
    EXPECT_EQ(sprites_set_color_at_index(10, 3), 0);
    EXPECT_EQ(sprites_get_record_at_index(10), nullptr);

    std::int32_t flag = 77;
    std::uint8_t colour = 77;
    std::int32_t selected = 77;
    EXPECT_EQ(sprites_get_multicolor_at_index(10, &flag), 0);
    EXPECT_EQ(sprites_get_color_at_index(10, &colour), 0);
    EXPECT_EQ(sprites_get_selected_at_index(10, &selected), 0);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(colour, 0);
    EXPECT_EQ(selected, 0);

    sprites_set_array_size(11);
    const auto entry = sprites_get_template_entry(10);
    EXPECT_TRUE(std::equal(entry.begin(), entry.begin() + sprite_data_size, data_at(10).begin()));
    EXPECT_EQ(colour_at(10), 13);
    EXPECT_EQ(multicolor_at(10), 0);
}

TEST_F(SpriteStore, SettersStoreValuesUnchanged) {
    const auto pattern = bitmap_with(0xA5);
    EXPECT_EQ(sprites_set_data_at_index(39, pattern.data()), 1);
    EXPECT_EQ(sprites_set_multicolor_at_index(39, 2), 1);
    EXPECT_EQ(sprites_set_color_at_index(39, 0x37), 1);
    EXPECT_EQ(data_at(39), pattern);
    EXPECT_EQ(multicolor_at(39), 2);
    EXPECT_EQ(colour_at(39), 0x37);
    sprites_set_background_color(0x21);
    EXPECT_EQ(sprites_get_background_color(), 0x21);
}

TEST_F(SpriteStore, InitAndTemplateAtIndexDifferOnlyInSelection) {
    sprites_select_none();
    sprites_init_at_index(3);
    sprites_template_at_index(7);
    EXPECT_EQ(selected_indices(), (std::set<unsigned>{3}));
    EXPECT_EQ(data_at(3), bitmap_with(0));
    EXPECT_EQ(data_at(7), bitmap_with(0));
    EXPECT_EQ(colour_at(7), 13);
    sprites_init_at_index(127);
    EXPECT_EQ(selected_indices(), (std::set<unsigned>{3, 127}));
}

TEST_F(SpriteStore, CleanupResetsRecordsInUseAndEmptiesTheStore) {
    sprites_select_none();
    sprites_set_array_size(50);
    sprites_set_color_at_index(49, 2);
    sprites_set_array_size(45);
    sprites_cleanup();
    EXPECT_EQ(sprites_get_array_size(), 0u);
    sprites_set_array_size(50);
    EXPECT_EQ(data_at(0), bitmap_with(0));
    EXPECT_EQ(colour_at(16), 13);
    EXPECT_EQ(colour_at(49), 2);
    std::set<unsigned> expected;
    for (unsigned i = 0; i < 45; i++)
        expected.insert(i);
    EXPECT_EQ(selected_indices(), expected);
}

TEST_F(SpriteStore, DeletingIndexThreeShiftsTheRestDown) {
    for (unsigned i = 0; i < 40; i++) {
        const auto bitmap = bitmap_with(static_cast<std::uint8_t>(i));
        sprites_set_data_at_index(i, bitmap.data());
        sprites_set_color_at_index(i, static_cast<std::uint8_t>(i % 16));
        sprites_set_multicolor_at_index(i, static_cast<std::int32_t>(i % 3));
    }
    sprites_select_none();
    sprites_set_selected_at_index(3, 1);

    sprites_delete_sprite_at_index(3);

    EXPECT_EQ(sprites_get_array_size(), 39u);
    for (unsigned j = 3; j < 39; j++) {
        EXPECT_EQ(data_at(j), bitmap_with(static_cast<std::uint8_t>(j + 1))) << j;
        EXPECT_EQ(colour_at(j), (j + 1) % 16) << j;
        EXPECT_EQ(multicolor_at(j), static_cast<std::int32_t>((j + 1) % 3)) << j;
    }
    EXPECT_EQ(data_at(2), bitmap_with(2));
    EXPECT_EQ(selected_indices(), (std::set<unsigned>{3}));
    sprites_set_array_size(40);
    EXPECT_EQ(data_at(39), bitmap_with(39));
    EXPECT_EQ(colour_at(39), 39 % 16);
}

TEST_F(SpriteStore, DeletingTheLastSpriteOrBeyondIt) {
    sprites_delete_sprite_at_index(40);
    EXPECT_EQ(sprites_get_array_size(), 40u);
    sprites_delete_sprite_at_index(39);
    EXPECT_EQ(sprites_get_array_size(), 39u);
    sprites_set_array_size(40);
    EXPECT_EQ(data_at(39), bitmap_with(0));
}

TEST_F(SpriteStore, GroupOperationsReachAll128Records) {
    sprites_set_multicolor_for_all(1);
    sprites_set_array_size(128);
    EXPECT_EQ(multicolor_at(127), 1);
    EXPECT_EQ(multicolor_at(0), 1);

    sprites_select_none();
    sprites_set_selected_at_index(100, 1);
    sprites_set_selected_at_index(2, 1);
    sprites_set_multicolor_for_selection(0);
    sprites_set_color_for_selection(7);
    EXPECT_EQ(sprites_get_selected_count(), 2u);
    for (unsigned i : {2u, 100u}) {
        EXPECT_EQ(multicolor_at(i), 0);
        EXPECT_EQ(colour_at(i), 7);
    }
    EXPECT_EQ(multicolor_at(101), 1);
    EXPECT_EQ(colour_at(101), 13);
}

TEST_F(SpriteStore, ColourBeforeAnySelectionRecoloursAll128) {
    sprites_set_color_for_selection(1);
    sprites_set_array_size(128);
    for (unsigned i = 0; i < 128; i++)
        EXPECT_EQ(colour_at(i), 1) << i;
}

struct CopyCase {
    unsigned in_use;
    unsigned max;
    unsigned copied;
};

class CopyBitmaps : public SpriteStore, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(CopyBitmaps, CopiesTheSmallerCountIntoSixtyFourByteSlots) {
    const auto [in_use, max, copied] = GetParam();
    sprites_set_array_size(in_use);
    for (unsigned i = 0; i < in_use; i++) {
        const auto bitmap = bitmap_with(static_cast<std::uint8_t>(i + 1));
        sprites_set_data_at_index(i, bitmap.data());
    }
    std::vector<std::uint8_t> buffer(64 * 64, 0xEE);
    EXPECT_EQ(sprites_copy_bitmaps(buffer.data(), max), copied);
    for (unsigned slot = 0; slot < 64; slot++)
        for (unsigned b = 0; b < 64; b++) {
            const bool written = slot < copied && b < 63;
            EXPECT_EQ(buffer[64 * slot + b], written ? slot + 1 : 0xEE)
                << "slot " << slot << " byte " << b;
        }
}

INSTANTIATE_TEST_SUITE_P(Counts, CopyBitmaps,
                         ::testing::Values(CopyCase{60, 40, 40}, CopyCase{12, 40, 12},
                                           CopyCase{0, 40, 0}, CopyCase{40, 40, 40}),
                         [](const auto &info) {
                             return std::to_string(info.param.in_use) + "_in_use_max_" +
                                    std::to_string(info.param.max);
                         });

// Selection scenarios: each starts from the template with nothing selected and no anchors.
struct SelectionCase {
    const char *name;
    std::function<int(unsigned *out)> run;
    std::set<unsigned> selected;
    std::int32_t last;
    std::int32_t left;
    std::int32_t right;
    int result;
    std::optional<unsigned> out = std::nullopt;
};

std::set<unsigned> side_indices(bool left, std::set<unsigned> extra = {}) {
    for (unsigned i = 0; i < 128; i++)
        if (((i & 2) == 0) == left)
            extra.insert(i);
    return extra;
}

std::set<unsigned> all_indices() {
    std::set<unsigned> all;
    for (unsigned i = 0; i < 128; i++)
        all.insert(i);
    return all;
}

constexpr unsigned out_untouched = 999;

class Selection : public SpriteStore, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(Selection, LeavesFlagsAnchorsAndResult) {
    const SelectionCase &c = GetParam();
    sprites_select_none();
    unsigned out = out_untouched;
    EXPECT_EQ(c.run(&out), c.result);
    EXPECT_EQ(selected_indices(), c.selected);
    EXPECT_EQ(sprites_get_last_selected_index(), c.last);
    EXPECT_EQ(sprites_get_last_selected_index_left(), c.left);
    EXPECT_EQ(sprites_get_last_selected_index_right(), c.right);
    EXPECT_EQ(out, c.out.value_or(out_untouched));
}

int select_at(unsigned i) {
    return sprites_set_selected_at_index(i, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, Selection,
    ::testing::Values(
        SelectionCase{
            "at_5_anchors_left", [](unsigned *) { return select_at(5); }, {5}, 5, 5, -1, 1},
        SelectionCase{"at_5_then_6_anchors_right",
                      [](unsigned *) { return select_at(5) & select_at(6); },
                      {5, 6},
                      6,
                      5,
                      6,
                      1},
        SelectionCase{"at_with_0_drops_every_anchor",
                      [](unsigned *) {
                          select_at(5);
                          select_at(6);
                          return sprites_set_selected_at_index(5, 0);
                      },
                      {6},
                      -1,
                      -1,
                      -1,
                      1},
        SelectionCase{"at_index_out_of_use",
                      [](unsigned *) { return sprites_set_selected_at_index(40, 1); },
                      {},
                      -1,
                      -1,
                      -1,
                      0},
        SelectionCase{"toggle_on",
                      [](unsigned *) { return sprites_toggle_selected_at_index(7); },
                      {7},
                      7,
                      -1,
                      7,
                      1},
        SelectionCase{"toggle_off",
                      [](unsigned *) {
                          select_at(4);
                          select_at(7);
                          return sprites_toggle_selected_at_index(7);
                      },
                      {4},
                      -1,
                      -1,
                      -1,
                      1},
        SelectionCase{"toggle_out_of_use",
                      [](unsigned *) { return sprites_toggle_selected_at_index(41); },
                      {},
                      -1,
                      -1,
                      -1,
                      0},
        SelectionCase{"none_drops_anchors",
                      [](unsigned *) {
                          select_at(4);
                          select_at(7);
                          sprites_select_none();
                          return 0;
                      },
                      {},
                      -1,
                      -1,
                      -1,
                      0},
        SelectionCase{"all_selects_128",
                      [](unsigned *) {
                          select_at(4);
                          sprites_select_all();
                          return 0;
                      },
                      all_indices(), -1, -1, -1, 0},
        SelectionCase{"all_left_keeps_right_selection",
                      [](unsigned *) {
                          select_at(2);
                          select_at(4);
                          sprites_select_all_left();
                          return 0;
                      },
                      side_indices(true, {2}), -1, -1, 2, 0},
        SelectionCase{"all_right_keeps_left_selection",
                      [](unsigned *) {
                          select_at(2);
                          select_at(4);
                          sprites_select_all_right();
                          return 0;
                      },
                      side_indices(false, {4}), -1, 4, -1, 0},
        SelectionCase{"range_with_clear",
                      [](unsigned *) {
                          select_at(12);
                          select_at(3);
                          return sprites_set_selected_to_index(6, 1, 1);
                      },
                      {3, 4, 5, 6},
                      3,
                      -1,
                      -1,
                      1},
        SelectionCase{"range_downwards_without_clear",
                      [](unsigned *) {
                          select_at(12);
                          select_at(3);
                          return sprites_set_selected_to_index(1, 1, 0);
                      },
                      {1, 2, 3, 12},
                      3,
                      12,
                      3,
                      1},
        SelectionCase{"range_value_0_still_clears",
                      [](unsigned *) {
                          select_at(12);
                          select_at(3);
                          return sprites_set_selected_to_index(6, 0, 1);
                      },
                      {},
                      3,
                      -1,
                      -1,
                      0},
        SelectionCase{"range_twice_extends_from_the_same_anchor",
                      [](unsigned *) {
                          select_at(10);
                          sprites_set_selected_to_index(14, 1, 1);
                          return sprites_set_selected_to_index(8, 1, 1);
                      },
                      {8, 9, 10},
                      10,
                      -1,
                      -1,
                      1},
        SelectionCase{"range_without_anchor",
                      [](unsigned *) {
                          sprites_select_all();
                          return sprites_set_selected_to_index(6, 1, 1);
                      },
                      all_indices(), -1, -1, -1, 0},
        SelectionCase{"range_to_index_out_of_use",
                      [](unsigned *) {
                          select_at(3);
                          return sprites_set_selected_to_index(40, 1, 1);
                      },
                      {3},
                      3,
                      -1,
                      3,
                      0},
        SelectionCase{"left_range_9_from_anchor_1",
                      [](unsigned *) {
                          select_at(2);
                          select_at(1);
                          return sprites_set_selected_to_index_left(9, 1, 1);
                      },
                      {1, 4, 5, 8, 9},
                      -1,
                      1,
                      -1,
                      1},
        SelectionCase{"left_range_downwards_without_clear",
                      [](unsigned *) {
                          select_at(9);
                          return sprites_set_selected_to_index_left(0, 1, 0);
                      },
                      {0, 1, 4, 5, 8, 9},
                      9,
                      9,
                      -1,
                      1},
        SelectionCase{"left_range_without_left_anchor",
                      [](unsigned *) {
                          select_at(2);
                          return sprites_set_selected_to_index_left(9, 1, 1);
                      },
                      {2},
                      2,
                      -1,
                      2,
                      0},
        SelectionCase{"right_range_11_from_anchor_2",
                      [](unsigned *) {
                          select_at(4);
                          select_at(2);
                          return sprites_set_selected_to_index_right(11, 1, 1);
                      },
                      {2, 3, 6, 7, 10, 11},
                      -1,
                      -1,
                      2,
                      1},
        SelectionCase{"displaced_minus_4_from_2_fails",
                      [](unsigned *out) {
                          select_at(2);
                          return sprites_set_selected_at_displaced_index_from_last(-4, 1, out);
                      },
                      {2},
                      2,
                      -1,
                      2,
                      0},
        SelectionCase{"displaced_minus_4_from_6",
                      [](unsigned *out) {
                          select_at(0);
                          select_at(6);
                          return sprites_set_selected_at_displaced_index_from_last(-4, 1, out);
                      },
                      {2},
                      2,
                      -1,
                      2,
                      1,
                      2u},
        SelectionCase{"displaced_plus_1_from_5",
                      [](unsigned *out) {
                          select_at(5);
                          return sprites_set_selected_at_displaced_index_from_last(1, 1, out);
                      },
                      {6},
                      6,
                      -1,
                      6,
                      1,
                      6u},
        SelectionCase{"displaced_past_the_last_sprite_fails",
                      [](unsigned *out) {
                          select_at(38);
                          return sprites_set_selected_at_displaced_index_from_last(2, 1, out);
                      },
                      {38},
                      38,
                      -1,
                      38,
                      0},
        SelectionCase{"displaced_with_value_0",
                      [](unsigned *out) {
                          select_at(5);
                          return sprites_set_selected_at_displaced_index_from_last(1, 0, out);
                      },
                      {},
                      -1,
                      -1,
                      -1,
                      1,
                      6u},
        SelectionCase{"displaced_onto_an_index_the_store_no_longer_uses",
                      [](unsigned *out) {
                          select_at(30);
                          sprites_set_array_size(20);
                          const int result =
                              sprites_set_selected_at_displaced_index_from_last(-2, 1, out);
                          sprites_set_array_size(40);
                          return result;
                      },
                      {},
                      30,
                      -1,
                      -1,
                      0,
                      28u},
        SelectionCase{"displaced_without_last",
                      [](unsigned *out) {
                          sprites_select_all();
                          return sprites_set_selected_at_displaced_index_from_last(1, 1, out);
                      },
                      all_indices(), -1, -1, -1, 0}),
    [](const auto &info) { return std::string{info.param.name}; });

std::string repeated(const std::string &item, unsigned times) {
    std::string text;
    for (unsigned i = 0; i < times; i++)
        text += item;
    return text;
}

std::string config_string() {
    const GStringPtr text{g_string_new("")};
    sprites_get_config_string(text.get());
    return text->str;
}

TEST_F(SpriteStore, ConfigStringOfTheTemplate) {
    const std::string colours = repeated("13;", 16) + repeated("10;", 8) + repeated("13;", 4) +
                                repeated("10;", 8) + repeated("13;", 4);
    EXPECT_EQ(config_string(), "background_color_index=6\nmulticolor0_index=4\n"
                               "multicolor1_index=10\nmc_flags=" +
                                   repeated("false;", 40) + "\ncolor_indexes=" + colours + "\n");
}

TEST_F(SpriteStore, ConfigStringWritesTrueOnlyForOneAndAppends) {
    sprites_set_array_size(3);
    sprites_set_multicolor_at_index(0, 1);
    sprites_set_multicolor_at_index(1, 2);
    sprites_set_color_at_index(2, 0);
    sprites_set_background_color(0);
    const GStringPtr text{g_string_new("[sprites]\n")};
    sprites_get_config_string(text.get());
    EXPECT_STREQ(text->str, "[sprites]\nbackground_color_index=0\nmulticolor0_index=4\n"
                            "multicolor1_index=10\nmc_flags=true;false;false;\n"
                            "color_indexes=13;13;0;\n");
}

TEST_F(SpriteStore, ConfigStringOfAnEmptyStore) {
    sprites_set_array_size(0);
    EXPECT_EQ(config_string(), "background_color_index=6\nmulticolor0_index=4\n"
                               "multicolor1_index=10\nmc_flags=\ncolor_indexes=\n");
}

void read_section(const std::string &text) {
    const GKeyFilePtr key_file{g_key_file_new()};
    ASSERT_TRUE(g_key_file_load_from_data(key_file.get(), text.c_str(), text.size(),
                                          G_KEY_FILE_NONE, nullptr));
    sprites_init_from_key_file(key_file.get());
}

TEST_F(SpriteStore, ConfigStringReadsBackIntoAFreshStore) {
    sprites_set_array_size(70);
    for (unsigned i = 0; i < 70; i++) {
        sprites_set_color_at_index(i, static_cast<std::uint8_t>((i * 7) % 16));
        sprites_set_multicolor_at_index(i, i % 3 == 0 ? 1 : 0);
    }
    sprites_set_background_color(1);
    sprites_set_multicolor0(2);
    sprites_set_multicolor1(3);
    const std::string text = "[sprites]\nfile=sprites.prg\n" + config_string();

    sprites_module_init();
    sprites_set_array_size(70);
    read_section(text);

    EXPECT_EQ(sprites_get_background_color(), 1);
    EXPECT_EQ(sprites_get_multicolor0(), 2);
    EXPECT_EQ(sprites_get_multicolor1(), 3);
    for (unsigned i = 0; i < 70; i++) {
        EXPECT_EQ(colour_at(i), (i * 7) % 16) << i;
        EXPECT_EQ(multicolor_at(i), i % 3 == 0 ? 1 : 0) << i;
    }
    EXPECT_EQ(config_string(), text.substr(text.find("background")));
}

struct SectionCase {
    const char *name;
    const char *text;
    unsigned n_sprites;
    std::array<std::uint8_t, 3> shared;
    // (index, multicolour, colour) of records to check after reading.
    std::vector<std::tuple<unsigned, std::int32_t, std::uint8_t>> records;
};

class ProjectSection : public SpriteStore, public ::testing::WithParamInterface<SectionCase> {};

TEST_P(ProjectSection, AppliesWhatItCanRead) {
    const SectionCase &c = GetParam();
    sprites_set_array_size(c.n_sprites);
    read_section(c.text);
    EXPECT_EQ(sprites_get_background_color(), c.shared[0]);
    EXPECT_EQ(sprites_get_multicolor0(), c.shared[1]);
    EXPECT_EQ(sprites_get_multicolor1(), c.shared[2]);
    sprites_set_array_size(128);
    for (const auto &[index, multicolor, colour] : c.records) {
        EXPECT_EQ(multicolor_at(index), multicolor) << "record " << index;
        EXPECT_EQ(colour_at(index), colour) << "record " << index;
    }
    EXPECT_EQ(sprites_get_selected_count(), 128u);
}

std::string long_lists(unsigned count) {
    std::string text = "[sprites]\nmc_flags=";
    text += repeated("true;", count);
    text += "\ncolor_indexes=";
    text += repeated("1;", count);
    return text + "\n";
}

const std::string lists_of_130 = long_lists(130);

INSTANTIATE_TEST_SUITE_P(
    Inputs, ProjectSection,
    ::testing::Values(
        SectionCase{"negative_shared_colour_reads_15",
                    "[sprites]\nbackground_color_index=-1\nmulticolor0_index=37\n",
                    40,
                    {15, 5, 10},
                    {}},
        SectionCase{"unparsable_shared_colour_reads_0",
                    "[sprites]\nmulticolor1_index=red\n",
                    40,
                    {6, 4, 0},
                    {}},
        SectionCase{"missing_group_changes_nothing",
                    "[other]\nbackground_color_index=1\n",
                    40,
                    {6, 4, 10},
                    {{0, 0, 13}, {16, 0, 10}}},
        SectionCase{"colour_37_is_5_and_minus_1_is_255",
                    "[sprites]\nmc_flags=true;false;\ncolor_indexes=37;-1;\n",
                    40,
                    {6, 4, 10},
                    {{0, 1, 5}, {1, 0, 255}, {2, 0, 13}}},
        SectionCase{"short_lists_update_leading_records",
                    "[sprites]\nmc_flags=true;true;true;\ncolor_indexes=1;2;3;\n",
                    40,
                    {6, 4, 10},
                    {{0, 1, 1}, {2, 1, 3}, {3, 0, 13}, {16, 0, 10}}},
        SectionCase{"lists_of_different_lengths_use_the_shorter",
                    "[sprites]\nmc_flags=true;true;true;true;\ncolor_indexes=1;2;\n",
                    40,
                    {6, 4, 10},
                    {{1, 1, 2}, {2, 0, 13}}},
        SectionCase{"items_beyond_the_sprites_in_use_are_skipped",
                    "[sprites]\nmc_flags=true;true;true;true;true;\ncolor_indexes=1;2;3;4;5;\n",
                    3,
                    {6, 4, 10},
                    {{2, 1, 3}, {3, 0, 13}, {4, 0, 13}}},
        SectionCase{"items_beyond_127_are_ignored",
                    lists_of_130.c_str(),
                    128,
                    {6, 4, 10},
                    {{0, 1, 1}, {127, 1, 1}}},
        SectionCase{"unparsable_list_applies_nothing",
                    "[sprites]\nmc_flags=true;maybe;\ncolor_indexes=1;2;\n",
                    40,
                    {6, 4, 10},
                    {{0, 0, 13}, {1, 0, 13}}},
        SectionCase{"missing_list_applies_nothing",
                    "[sprites]\ncolor_indexes=1;2;\n",
                    40,
                    {6, 4, 10},
                    {{0, 0, 13}}},
        SectionCase{"unparsable_colour_item_applies_nothing",
                    "[sprites]\nmc_flags=true;true;\ncolor_indexes=1;x;\n",
                    40,
                    {6, 4, 10},
                    {{0, 0, 13}}}),
    [](const auto &info) { return std::string{info.param.name}; });

} // namespace
