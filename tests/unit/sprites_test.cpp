// The sprite store: template, record operations, selection anchors, its project section.

#include "core/sprites.hpp"

#include "test_support.hpp"

#include <set>

namespace {

using namespace test_support;

using SpriteStore = FreshState;

// The selected records among all 128, whatever the count in use.
std::set<unsigned> selected_indices() {
    std::set<unsigned> selected;
    const unsigned count = sprites_get_array_size();
    sprites_set_array_size(sprites_capacity);
    for (unsigned i = 0; i < sprites_capacity; i++)
        if (std::get<2>(attributes_at(i)) == 1)
            selected.insert(i);
    sprites_set_array_size(count);
    return selected;
}

std::tuple<int, int, int> anchors() {
    return {sprites_get_last_selected_index(), sprites_get_last_selected_index_left(),
            sprites_get_last_selected_index_right()};
}

// 40 template sprites, light red where linked, else light green; template keeps the selection.
TEST_F(SpriteStore, StartsAndResetsToTheTemplateInDefaultColours) {
    sprites_select_none();
    sprites_set_selected_at_index(7, 1);
    sprites_module_init();
    EXPECT_EQ(std::tuple(sprites_get_selected_count(), anchors()),
              std::tuple(128u, std::tuple(-1, -1, -1)));
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(std::tuple(sprites_get_array_size(), sprites_get_background_color(),
                             sprites_get_multicolor0(), sprites_get_multicolor1()),
                  std::tuple(40u, 6, 4, 10));
        sprites_set_array_size(128);
        for (unsigned i = 0; i < 128; i++) {
            const int colour = (i >= 16 && i < 24) || (i >= 28 && i < 36) ? 10 : 13;
            const Bitmap data = data_at(i);
            EXPECT_TRUE(
                i < 40 ? std::equal(data.begin(), data.end(), sprites_get_template_entry(i).begin())
                       : data == filled(0))
                << i;
            EXPECT_EQ(attributes_at(i), std::tuple(i < 40 ? colour : 13, 0, round == 0 ? 1 : 0));
        }
        sprites_select_none();
        sprites_set_selected_at_index(6, 1);
        sprites_set_multicolor_for_all(1);
        sprites_set_multicolor_for_selection(0);
        sprites_set_color_for_selection(2);
        EXPECT_EQ(std::tuple(sprites_get_selected_count(), attributes_at(6), attributes_at(127)),
                  std::tuple(1u, std::tuple(2, 0, 1), std::tuple(13, 1, 0)));
        sprites_set_data_at_index(127, filled(0xFF).data());
        sprites_set_background_color(0);
        sprites_set_multicolor0(1);
        sprites_set_multicolor1(2);
        sprites_set_array_size(3);
        sprites_set_template();
        EXPECT_EQ(std::tuple(anchors(), selected_indices()),
                  std::tuple(std::tuple(6, -1, 6), std::set<unsigned>{6}));
        sprites_set_selected_at_index(6, 0);
    }
}

// 21 rows of 12 double-width cells: '#' both bits set, '.' both clear, '?' half set.
std::vector<std::string> cells_of(unsigned entry) {
    const auto bitmap = sprites_get_template_entry(entry);
    std::vector<std::string> rows(sprite_height);
    for (unsigned r = 0; r < sprite_height; r++)
        for (unsigned k = 0; k < 12; k++) {
            const unsigned pair = (bitmap[3 * r + k / 4] >> (6 - 2 * (k % 4))) & 3;
            rows[r] += pair == 3 ? '#' : pair == 0 ? '.' : '?';
        }
    return rows;
}

// R19 without the rows the lower border hides; every entry's side letter and tens digit.
TEST(Template, EntriesShowFrameLetterAndNumber) {
    EXPECT_EQ(cells_of(39),
              (std::vector<std::string>{
                  "############", "#..........#", "#..........#", "#...###....#", "#...#.#....#",
                  "#...##.....#", "#...#.#....#", "#...#.#....#", "#...#.#....#", "#..........#",
                  "#..........#", "#..#..###..#", "#.##..#.#..#", "#..#..#.#..#", "#..#..###..#",
                  "#..#....#..#", "#.###.###..#", "#..........#", "#..........#", "............",
                  "............"}));
    for (unsigned i = 0; i < 40; i++) {
        const auto cells = cells_of(i);
        EXPECT_EQ(cells[8].substr(4, 3), (i & 2) == 0 ? "###" : "#.#") << i;
        EXPECT_EQ(cells[11].substr(2, 3), 2 * (i / 4) + i % 2 < 10 ? "###" : ".#.") << i;
        EXPECT_EQ(sprites_get_template_entry(i)[63], 1) << i;
        EXPECT_EQ(cells[7] == "............", i < 4) << i;
        EXPECT_EQ(cells[0] == "############", i >= 4) << i;
        EXPECT_EQ(cells[19] == "............", i >= 36) << i;
    }
}

// Setters and getters refuse an index out of use; init clears a record and selects it.
TEST_F(SpriteStore, RecordOperationsActOnlyOnIndicesInUse) {
    EXPECT_EQ(sprites_set_array_size(129), 0);
    EXPECT_EQ(sprites_set_array_size(10), 1);
    EXPECT_EQ(std::tuple(sprites_set_color_at_index(10, 3), sprites_get_record_at_index(10),
                         attributes_at(10)),
              std::tuple(0, nullptr, std::tuple(0, 0, 0)));
    for (GdkPixbuf *image :
         {sprites_get_as_pixbuf_at_index(10, 0), sprites_get_at_index_mono(10, 0, 1, 0),
          sprites_get_at_index_as_multicolor(10, filled(1).data(), 0)})
        EXPECT_EQ(image, nullptr);
    sprites_select_none();
    sprites_set_color_at_index(3, 2);
    sprites_init_at_index(3);
    EXPECT_EQ(std::tuple(data_at(3), attributes_at(3)),
              std::tuple(filled(0), std::tuple(13, 0, 1)));
}

// One walk through the selection calls: result, flags of all 128 and the anchors after each.
TEST_F(SpriteStore, SelectionLeavesFlagsAnchorsAndResult) {
    const auto expect = [](int result, int expected, const std::set<unsigned> &selected,
                           std::tuple<int, int, int> anchors_after) {
        EXPECT_EQ(std::tuple(result, selected_indices(), anchors()),
                  std::tuple(expected, selected, anchors_after));
    };
    const auto at = [](int index) { return sprites_set_selected_at_index(index, 1); };
    std::set<unsigned> every, right_side = {4};
    for (unsigned i = 0; i < 128; i++) {
        every.insert(i);
        if ((i & 2) != 0) // sprites 2, 3, 6, 7, ... stand in the right border
            right_side.insert(i);
    }
    sprites_select_none();
    expect(sprites_toggle_selected_at_index(7), 1, {7}, {7, -1, 7});
    expect(at(40), 0, {7}, {7, -1, 7});
    at(4);
    sprites_select_none();
    expect(0, 0, {}, {-1, -1, -1});
    at(4);
    sprites_select_all();
    expect(0, 0, every, {-1, -1, -1});
    sprites_select_none();
    at(2);
    at(4);
    sprites_select_all_right();
    expect(0, 0, right_side, {-1, 4, -1});
    sprites_select_none();
    at(12);
    at(3);
    expect(sprites_set_selected_to_index(6, 1, 1), 1, {3, 4, 5, 6}, {3, -1, -1});
    expect(sprites_set_selected_to_index(40, 1, 1), 0, {3, 4, 5, 6}, {3, -1, -1});
    sprites_select_none();
    at(30);
    sprites_set_array_size(20);
    unsigned out = 999;
    expect(sprites_set_selected_at_displaced_index_from_last(-2, 1, &out), 0, {}, {30, -1, -1});
    EXPECT_EQ(out, 28u);
}

// A list that does not parse, or a missing one, leaves every sprite's attributes.
TEST_F(SpriteStore, ProjectSectionNeedsBothListsReadable) {
    for (const char *group : {"mc_flags=true;maybe;\ncolor_indexes=1;2;\n", "mc_flags=true;\n"}) {
        const std::string text = std::string("[sprites]\n") + group;
        const GKeyFilePtr key_file{g_key_file_new()};
        ASSERT_TRUE(g_key_file_load_from_data(key_file.get(), text.c_str(), text.size(),
                                              G_KEY_FILE_NONE, nullptr));
        sprites_module_init();
        sprites_init_from_key_file(key_file.get());
        EXPECT_EQ(std::tuple(attributes_at(0), attributes_at(1)),
                  std::tuple(std::tuple(13, 0, 1), std::tuple(13, 0, 1)))
            << group;
    }
}

} // namespace
