#include "core/sprites.hpp"

#include "test_support.hpp"

#include <set>
#include <tuple>

namespace {

using namespace test_support;

class SpriteStore : public ::testing::Test {
  protected:
    void SetUp() override { sprites_module_init(); }
};

// The selected records among all 128, whatever the count in use.
std::set<unsigned> selected_indices() {
    std::set<unsigned> selected;
    const unsigned count = sprites_get_array_size();
    sprites_set_array_size(sprites_capacity);
    for (unsigned i = 0; i < sprites_capacity; i++)
        if (selected_at(i) == 1)
            selected.insert(i);
    sprites_set_array_size(count);
    return selected;
}

std::set<unsigned> indices(unsigned first, unsigned end) {
    std::set<unsigned> range;
    for (unsigned i = first; i < end; i++)
        range.insert(i);
    return range;
}

// The default colour: light red for the linked pairs and the sprites they follow, else green.
std::uint8_t default_colour(unsigned index) {
    return (index >= 16 && index < 24) || (index >= 28 && index < 36) ? 10 : 13;
}

// A template bitmap as 21 rows of 12 double-width cells: '#' both bits set, '.' both clear,
// '?' for a half-set pair, which a template never has.
std::vector<std::string> cells_of(std::span<const std::uint8_t> bitmap) {
    std::vector<std::string> rows;
    for (unsigned r = 0; r < sprite_height; r++) {
        std::string row;
        for (unsigned k = 0; k < 12; k++) {
            const unsigned pair = (bitmap[3 * r + k / 4] >> (6 - 2 * (k % 4))) & 3;
            row += pair == 3 ? '#' : pair == 0 ? '.' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST_F(SpriteStore, StartsWithFortyTemplateSpritesInDefaultColoursAndAllRecordsSelected) {
    EXPECT_EQ(sprites_get_array_size(), 40u);
    EXPECT_EQ(sprites_get_selected_count(), 128u);
    EXPECT_EQ(shared_colours(), std::tuple(6, 4, 10));
    EXPECT_EQ(anchors(), std::tuple(-1, -1, -1));
    sprites_set_array_size(128);
    for (unsigned i = 0; i < 128; i++) {
        EXPECT_EQ(data_at(i), i < 40 ? template_bitmap(i) : filled(0)) << "record " << i;
        EXPECT_EQ(colour_at(i), i < 40 ? default_colour(i) : 13) << "record " << i;
        EXPECT_EQ(multicolor_at(i), 0) << "record " << i;
    }
}

// Entry 5 reads L03; entry 39 reads R19 without its bottom rows, which the lower border hides.
TEST(Template, EntriesShowFrameLetterAndNumber) {
    EXPECT_EQ(cells_of(sprites_get_template_entry(5)),
              (std::vector<std::string>{
                  "############", "#..........#", "#..........#", "#...#......#", "#...#......#",
                  "#...#......#", "#...#......#", "#...#......#", "#...###....#", "#..........#",
                  "#..........#", "#.###.###..#", "#.#.#...#..#", "#.#.#..##..#", "#.#.#...#..#",
                  "#.#.#...#..#", "#.###.###..#", "#..........#", "#..........#", "#..........#",
                  "############"}));
    EXPECT_EQ(cells_of(sprites_get_template_entry(39)),
              (std::vector<std::string>{
                  "############", "#..........#", "#..........#", "#...###....#", "#...#.#....#",
                  "#...##.....#", "#...#.#....#", "#...#.#....#", "#...#.#....#", "#..........#",
                  "#..........#", "#..#..###..#", "#.##..#.#..#", "#..#..#.#..#", "#..#..###..#",
                  "#..#....#..#", "#.###.###..#", "#..........#", "#..........#", "............",
                  "............"}));
}

TEST(Template, EveryEntryHasItsSideLetterTensDigitAndUnusedByte) {
    for (unsigned i = 0; i < 40; i++) {
        const auto cells = cells_of(sprites_get_template_entry(i));
        // Last row of the letters, which no entry clears: "XXX" in L, "X.X" in R.
        EXPECT_EQ(cells[8].substr(4, 3), (i & 2) == 0 ? "###" : "#.#") << "entry " << i;
        // Row 1 of the tens digit: "XXX" for 0 and ".X." for 1, numbers counting two a row.
        const unsigned number = 2 * (i / 4) + i % 2;
        EXPECT_EQ(cells[11].substr(2, 3), number < 10 ? "###" : ".#.") << "entry " << i;
        EXPECT_EQ(sprites_get_template_entry(i)[63], 1) << "entry " << i;
        // The top border shows no more than the lower 13 rows of the first row's sprites.
        EXPECT_TRUE(i >= 4 || cells[7] == "............") << "entry " << i;
    }
}

TEST_F(SpriteStore, SetTemplateKeepsSelectionAndAnchors) {
    sprites_select_none();
    sprites_set_selected_at_index(6, 1);
    sprites_set_array_size(3);
    sprites_set_color_at_index(0, 2);
    sprites_set_multicolor_at_index(1, 1);
    sprites_set_data_at_index(2, filled(0xFF).data());
    sprites_set_background_color(0);
    sprites_set_multicolor0(1);
    sprites_set_multicolor1(2);

    sprites_set_template();

    EXPECT_EQ(sprites_get_array_size(), 40u);
    EXPECT_EQ(selected_indices(), (std::set<unsigned>{6}));
    EXPECT_EQ(anchors(), std::tuple(6, -1, 6));
    EXPECT_EQ(colour_at(0), 13);
    EXPECT_EQ(multicolor_at(1), 0);
    EXPECT_EQ(data_at(2), template_bitmap(2));
    EXPECT_EQ(shared_colours(), std::tuple(6, 4, 10));
}

TEST_F(SpriteStore, GuardedOperationsRefuseIndicesOutOfUseAndStoreValuesUnchanged) {
    EXPECT_EQ(sprites_set_array_size(129), 0);
    EXPECT_EQ(sprites_set_array_size(128), 1);
    EXPECT_EQ(sprites_get_array_size(), 128u);
    EXPECT_EQ(sprites_set_array_size(10), 1);
    EXPECT_EQ(sprites_set_data_at_index(10, filled(0xFF).data()), 0);
    EXPECT_EQ(sprites_set_multicolor_at_index(10, 1), 0);
    EXPECT_EQ(sprites_set_color_at_index(10, 3), 0);
    EXPECT_EQ(sprites_get_record_at_index(10), nullptr);
    // The getters write 0 for an index out of use.
    EXPECT_EQ(std::tuple(multicolor_at(10), colour_at(10), selected_at(10)), std::tuple(0, 0, 0));

    EXPECT_EQ(sprites_set_data_at_index(9, filled(0xA5).data()), 1);
    EXPECT_EQ(sprites_set_multicolor_at_index(9, 2), 1);
    EXPECT_EQ(sprites_set_color_at_index(9, 0x37), 1);
    EXPECT_EQ(std::tuple(data_at(9), multicolor_at(9), colour_at(9)),
              std::tuple(filled(0xA5), 2, 0x37));

    sprites_set_array_size(11);
    EXPECT_EQ(data_at(10), template_bitmap(10));
    EXPECT_EQ(colour_at(10), 13);
}

TEST_F(SpriteStore, InitAndTemplateAtIndexDifferOnlyInSelection) {
    sprites_select_none();
    sprites_init_at_index(3);
    sprites_template_at_index(7);
    sprites_init_at_index(127);
    EXPECT_EQ(selected_indices(), (std::set<unsigned>{3, 127}));
    EXPECT_EQ(data_at(3), filled(0));
    EXPECT_EQ(data_at(7), filled(0));
    EXPECT_EQ(colour_at(7), 13);
}

TEST_F(SpriteStore, CleanupResetsRecordsInUseAndEmptiesTheStore) {
    sprites_select_none();
    sprites_set_array_size(50);
    sprites_set_color_at_index(49, 2);
    sprites_set_array_size(45);
    sprites_cleanup();
    EXPECT_EQ(sprites_get_array_size(), 0u);
    sprites_set_array_size(50);
    EXPECT_EQ(data_at(0), filled(0));
    EXPECT_EQ(colour_at(16), 13);
    EXPECT_EQ(colour_at(49), 2);
    EXPECT_EQ(selected_indices(), indices(0, 45));
}

TEST_F(SpriteStore, DeletingShiftsTheRestDown) {
    for (unsigned i = 0; i < 40; i++) {
        sprites_set_data_at_index(i, filled(static_cast<std::uint8_t>(i)).data());
        sprites_set_color_at_index(i, static_cast<std::uint8_t>(i % 16));
        sprites_set_multicolor_at_index(i, static_cast<std::int32_t>(i % 3));
    }
    sprites_select_none();
    sprites_set_selected_at_index(3, 1);
    sprites_delete_sprite_at_index(40);
    EXPECT_EQ(sprites_get_array_size(), 40u);

    sprites_delete_sprite_at_index(3);

    EXPECT_EQ(sprites_get_array_size(), 39u);
    EXPECT_EQ(data_at(2), filled(2));
    for (unsigned j = 3; j < 39; j++)
        EXPECT_EQ(std::tuple(data_at(j), colour_at(j), multicolor_at(j)),
                  std::tuple(filled(static_cast<std::uint8_t>(j + 1)), (j + 1) % 16, (j + 1) % 3))
            << j;
    EXPECT_EQ(selected_indices(), (std::set<unsigned>{3}));
    sprites_set_array_size(40);
    EXPECT_EQ(data_at(39), filled(39));
    sprites_delete_sprite_at_index(39);
    EXPECT_EQ(sprites_get_array_size(), 39u);
    sprites_set_array_size(40);
    EXPECT_EQ(data_at(39), filled(0));
}

TEST_F(SpriteStore, GroupOperationsReachAll128Records) {
    sprites_set_color_for_selection(1); // nothing chosen yet: all 128 are selected
    sprites_set_multicolor_for_all(1);
    sprites_set_array_size(128);
    for (unsigned i = 0; i < 128; i++)
        EXPECT_EQ(std::tuple(colour_at(i), multicolor_at(i)), std::tuple(1, 1)) << i;

    sprites_select_none();
    sprites_set_selected_at_index(100, 1);
    sprites_set_selected_at_index(2, 1);
    sprites_set_multicolor_for_selection(0);
    sprites_set_color_for_selection(7);
    EXPECT_EQ(sprites_get_selected_count(), 2u);
    for (unsigned i : {2u, 100u})
        EXPECT_EQ(std::tuple(colour_at(i), multicolor_at(i)), std::tuple(7, 0)) << i;
    EXPECT_EQ(std::tuple(colour_at(101), multicolor_at(101)), std::tuple(1, 1));
}

// (in use, most to copy, copied): the smaller count, into 64-byte slots.
TEST_F(SpriteStore, CopyBitmapsCopiesTheSmallerCountIntoSixtyFourByteSlots) {
    for (const auto &[in_use, max, copied] : {std::tuple{60u, 40u, 40u}, std::tuple{12u, 40u, 12u},
                                              std::tuple{0u, 40u, 0u}, std::tuple{40u, 40u, 40u}}) {
        sprites_set_array_size(in_use);
        for (unsigned i = 0; i < in_use; i++)
            sprites_set_data_at_index(i, filled(static_cast<std::uint8_t>(i + 1)).data());
        Bytes buffer(64 * 64, 0xEE);
        EXPECT_EQ(sprites_copy_bitmaps(buffer.data(), max), copied);
        for (unsigned slot = 0; slot < 64; slot++)
            for (unsigned b = 0; b < 64; b++)
                EXPECT_EQ(buffer[64 * slot + b], slot < copied && b < 63 ? slot + 1 : 0xEE)
                    << in_use << " in use, slot " << slot << " byte " << b;
    }
}

// One call of a selection operation with its index, value and clear flag.
using Op = int (*)(int index, int value, int clear, unsigned *out);
struct Step {
    Op op;
    int index = 0, value = 1, clear = 1;
};

constexpr Op at = [](int i, int v, int, unsigned *) { return sprites_set_selected_at_index(i, v); };
constexpr Op toggle = [](int i, int, int, unsigned *) {
    return sprites_toggle_selected_at_index(i);
};
constexpr Op none = [](int, int, int, unsigned *) { return sprites_select_none(), 0; };
constexpr Op all = [](int, int, int, unsigned *) { return sprites_select_all(), 0; };
constexpr Op all_left = [](int, int, int, unsigned *) { return sprites_select_all_left(), 0; };
constexpr Op all_right = [](int, int, int, unsigned *) { return sprites_select_all_right(), 0; };
constexpr Op to = [](int i, int v, int c, unsigned *) {
    return sprites_set_selected_to_index(i, v, c);
};
constexpr Op to_left = [](int i, int v, int c, unsigned *) {
    return sprites_set_selected_to_index_left(i, v, c);
};
constexpr Op to_right = [](int i, int v, int c, unsigned *) {
    return sprites_set_selected_to_index_right(i, v, c);
};
constexpr Op displaced = [](int i, int v, int, unsigned *out) {
    return sprites_set_selected_at_displaced_index_from_last(i, v, out);
};
constexpr Op resize = [](int i, int, int, unsigned *) { return sprites_set_array_size(i); };

constexpr unsigned out_untouched = 999;

// Each scenario starts from the template with nothing selected and no anchors.
struct SelectionCase {
    const char *name;
    std::vector<Step> steps;
    std::set<unsigned> selected;
    std::int32_t last, left, right; // the anchors
    int result;                     // of the last step
    unsigned out = out_untouched;
};

class Selection : public SpriteStore, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(Selection, LeavesFlagsAnchorsAndResult) {
    const SelectionCase &c = GetParam();
    sprites_select_none();
    unsigned out = out_untouched;
    int result = 0;
    for (const Step &step : c.steps)
        result = step.op(step.index, step.value, step.clear, &out);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(selected_indices(), c.selected);
    EXPECT_EQ(anchors(), std::tuple(c.last, c.left, c.right));
    EXPECT_EQ(out, c.out);
}

// Sprites 0, 1, 4, 5, ... stand in the left border, 2, 3, 6, 7, ... in the right.
std::set<unsigned> side(bool left, std::set<unsigned> extra) {
    for (unsigned i = 0; i < 128; i++)
        if (((i & 2) == 0) == left)
            extra.insert(i);
    return extra;
}

const SelectionCase selection_cases[] = {
    {"at_5_anchors_left", {{at, 5}}, {5}, 5, 5, -1, 1},
    {"at_5_then_6_anchors_right", {{at, 5}, {at, 6}}, {5, 6}, 6, 5, 6, 1},
    {"at_with_0_drops_every_anchor", {{at, 5}, {at, 6}, {at, 5, 0}}, {6}, -1, -1, -1, 1},
    {"at_index_out_of_use", {{at, 40}}, {}, -1, -1, -1, 0},
    {"toggle_on", {{toggle, 7}}, {7}, 7, -1, 7, 1},
    {"toggle_off", {{at, 4}, {at, 7}, {toggle, 7}}, {4}, -1, -1, -1, 1},
    {"toggle_out_of_use", {{toggle, 41}}, {}, -1, -1, -1, 0},
    {"none_drops_anchors", {{at, 4}, {at, 7}, {none}}, {}, -1, -1, -1, 0},
    {"all_selects_128", {{at, 4}, {all}}, indices(0, 128), -1, -1, -1, 0},
    {"all_left_keeps_right", {{at, 2}, {at, 4}, {all_left}}, side(true, {2}), -1, -1, 2, 0},
    {"all_right_keeps_left", {{at, 2}, {at, 4}, {all_right}}, side(false, {4}), -1, 4, -1, 0},
    {"range_with_clear", {{at, 12}, {at, 3}, {to, 6}}, {3, 4, 5, 6}, 3, -1, -1, 1},
    {"range_down_no_clear", {{at, 12}, {at, 3}, {to, 1, 1, 0}}, {1, 2, 3, 12}, 3, 12, 3, 1},
    {"range_value_0_still_clears", {{at, 12}, {at, 3}, {to, 6, 0}}, {}, 3, -1, -1, 0},
    {"range_twice_from_the_same_anchor", {{at, 10}, {to, 14}, {to, 8}}, {8, 9, 10}, 10, -1, -1, 1},
    {"range_without_anchor", {{all}, {to, 6}}, indices(0, 128), -1, -1, -1, 0},
    {"range_to_index_out_of_use", {{at, 3}, {to, 40}}, {3}, 3, -1, 3, 0},
    {"left_9_from_1", {{at, 2}, {at, 1}, {to_left, 9}}, {1, 4, 5, 8, 9}, -1, 1, -1, 1},
    {"left_down_no_clear", {{at, 9}, {to_left, 0, 1, 0}}, {0, 1, 4, 5, 8, 9}, 9, 9, -1, 1},
    {"left_without_left_anchor", {{at, 2}, {to_left, 9}}, {2}, 2, -1, 2, 0},
    {"right_11_from_2", {{at, 4}, {at, 2}, {to_right, 11}}, {2, 3, 6, 7, 10, 11}, -1, -1, 2, 1},
    {"displaced_minus_4_from_2_fails", {{at, 2}, {displaced, -4}}, {2}, 2, -1, 2, 0},
    {"displaced_minus_4_from_6", {{at, 0}, {at, 6}, {displaced, -4}}, {2}, 2, -1, 2, 1, 2},
    {"displaced_plus_1_from_5", {{at, 5}, {displaced, 1}}, {6}, 6, -1, 6, 1, 6},
    {"displaced_past_the_last_sprite_fails", {{at, 38}, {displaced, 2}}, {38}, 38, -1, 38, 0},
    {"displaced_with_value_0", {{at, 5}, {displaced, 1, 0}}, {}, -1, -1, -1, 1, 6},
    {"displaced_out_of_use", {{at, 30}, {resize, 20}, {displaced, -2}}, {}, 30, -1, -1, 0, 28},
    {"displaced_without_last", {{all}, {displaced, 1}}, indices(0, 128), -1, -1, -1, 0},
};

INSTANTIATE_TEST_SUITE_P(Operations, Selection, ::testing::ValuesIn(selection_cases), by_name);

std::string repeated(const std::string &item, unsigned times) {
    std::string text;
    for (unsigned i = 0; i < times; i++)
        text += item;
    return text;
}

std::string config_string(const char *start = "") {
    const GStringPtr text{g_string_new(start)};
    sprites_get_config_string(text.get());
    return text->str;
}

TEST_F(SpriteStore, ConfigStringOfTheTemplateAndOfAnEmptyStore) {
    const std::string colours = repeated("13;", 16) + repeated("10;", 8) + repeated("13;", 4) +
                                repeated("10;", 8) + repeated("13;", 4);
    const std::string shared = "background_color_index=6\nmulticolor0_index=4\n"
                               "multicolor1_index=10\nmc_flags=";
    EXPECT_EQ(config_string(),
              shared + repeated("false;", 40) + "\ncolor_indexes=" + colours + "\n");
    sprites_set_array_size(0);
    EXPECT_EQ(config_string(), shared + "\ncolor_indexes=\n");
}

TEST_F(SpriteStore, ConfigStringWritesTrueOnlyForOneAndAppends) {
    sprites_set_array_size(3);
    sprites_set_multicolor_at_index(0, 1);
    sprites_set_multicolor_at_index(1, 2);
    sprites_set_color_at_index(2, 0);
    sprites_set_background_color(0);
    EXPECT_EQ(config_string("[sprites]\n"),
              "[sprites]\nbackground_color_index=0\nmulticolor0_index=4\n"
              "multicolor1_index=10\nmc_flags=true;false;false;\ncolor_indexes=13;13;0;\n");
}

void read_section(const std::string &text) {
    const GKeyFilePtr key_file{g_key_file_new()};
    ASSERT_TRUE(g_key_file_load_from_data(key_file.get(), text.c_str(), text.size(),
                                          G_KEY_FILE_NONE, nullptr));
    sprites_init_from_key_file(key_file.get());
}

TEST_F(SpriteStore, ProjectSectionSharedColoursReadAnd15OrAs0) {
    read_section("[sprites]\nbackground_color_index=-1\nmulticolor0_index=37\n");
    EXPECT_EQ(shared_colours(), std::tuple(15, 5, 10));
    read_section("[sprites]\nmulticolor1_index=red\n");
    EXPECT_EQ(shared_colours(), std::tuple(15, 5, 0));
    read_section("[other]\nbackground_color_index=1\nmc_flags=true;\ncolor_indexes=1;\n");
    EXPECT_EQ(std::tuple(sprites_get_background_color(), multicolor_at(0), colour_at(0)),
              std::tuple(15, 0, 13));
}

struct SectionCase {
    const char *name;
    unsigned n_sprites;
    const char *flags;   // the mc_flags list; null: no such key
    const char *colours; // the color_indexes list
    // (index, multicolour, colour) of records to check after reading.
    std::vector<std::tuple<unsigned, std::int32_t, std::uint8_t>> records;
};

class ProjectSection : public SpriteStore, public ::testing::WithParamInterface<SectionCase> {};

TEST_P(ProjectSection, AppliesTheListsOnlyWhenBothCanBeRead) {
    const SectionCase &c = GetParam();
    sprites_set_array_size(c.n_sprites);
    read_section(std::string{"[sprites]\n"} + (c.flags ? std::string{"mc_flags="} + c.flags : "") +
                 "\ncolor_indexes=" + c.colours + "\n");
    sprites_set_array_size(128);
    for (const auto &[index, multicolor, colour] : c.records)
        EXPECT_EQ(std::tuple(multicolor_at(index), colour_at(index)),
                  std::tuple(multicolor, colour))
            << "record " << index;
    EXPECT_EQ(sprites_get_selected_count(), 128u);
}

const std::string flags_130 = repeated("true;", 130);
const std::string colours_130 = repeated("1;", 130);

const SectionCase section_cases[] = {
    {"colour_37_is_5_minus_1_is_255", 40, "true;false;", "37;-1;", {{0, 1, 5}, {1, 0, 255}}},
    {"short_lists_update_leading", 40, "true;true;true;", "1;2;3;", {{2, 1, 3}, {3, 0, 13}}},
    {"different_lengths_use_shorter", 40, "true;true;true;true;", "1;2;", {{1, 1, 2}, {2, 0, 13}}},
    {"beyond_the_count_skipped", 3, "true;true;true;true;", "1;2;3;4;", {{2, 1, 3}, {3, 0, 13}}},
    {"beyond_127_ignored", 128, flags_130.c_str(), colours_130.c_str(), {{0, 1, 1}, {127, 1, 1}}},
    {"unparsable_list_applies_nothing", 40, "true;maybe;", "1;2;", {{0, 0, 13}, {1, 0, 13}}},
    {"missing_list_applies_nothing", 40, nullptr, "1;2;", {{0, 0, 13}}},
    {"unparsable_colour_applies_nothing", 40, "true;true;", "1;x;", {{0, 0, 13}}},
};

INSTANTIATE_TEST_SUITE_P(Inputs, ProjectSection, ::testing::ValuesIn(section_cases), by_name);

} // namespace
