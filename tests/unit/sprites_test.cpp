// The sprite store: template, record operations, selection anchors, sprite files; the history.

#include "core/sprites.hpp"

#include "core/history.hpp"
#include "core/spritesdecoder.hpp"
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

// Setters and getters refuse an index out of use; init clears and selects; cleanup empties.
TEST_F(SpriteStore, RecordOperationsActOnlyOnIndicesInUse) {
    EXPECT_EQ(sprites_set_array_size(129), 0);
    EXPECT_EQ(sprites_set_array_size(10), 1);
    EXPECT_EQ(std::tuple(sprites_set_color_at_index(10, 3), sprites_set_multicolor_at_index(10, 1),
                         sprites_get_record_at_index(10), attributes_at(10)),
              std::tuple(0, 0, nullptr, std::tuple(0, 0, 0)));
    for (GdkPixbuf *image :
         {sprites_get_as_pixbuf_at_index(10, 0), sprites_get_at_index_mono(10, 0, 1, 0),
          sprites_get_at_index_as_multicolor(10, filled(1).data(), 0)})
        EXPECT_EQ(image, nullptr);
    sprites_select_none();
    sprites_set_color_at_index(3, 2);
    sprites_init_at_index(3);
    EXPECT_EQ(std::tuple(data_at(3), attributes_at(3)),
              std::tuple(filled(0), std::tuple(13, 0, 1)));
    sprites_cleanup();
    EXPECT_EQ(sprites_get_array_size(), 0u);
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

HistoryState corner(int value) {
    HistoryState state;
    state.corner = value;
    return state;
}

// The whole history as seen after each step.
void expect(bool modified, const char *undo, const char *redo) {
    EXPECT_EQ(std::tuple(history_is_modified(), history_get_undo_label(), history_get_redo_label()),
              std::tuple(modified, std::string(undo), std::string(redo)));
}

TEST(History, WalksBackAndForthAndKnowsTheSavedState) {
    history_clear(true);
    EXPECT_FALSE(history_undo());
    history_record("nothing", corner(0), corner(0));
    expect(false, "", "");
    history_record("first", corner(0), corner(1));
    history_record("second", corner(1), corner(2));
    expect(true, "second", "");
    EXPECT_EQ(history_undo(), corner(1));
    expect(true, "first", "second");
    EXPECT_EQ(history_undo(), corner(0));
    EXPECT_FALSE(history_undo());
    expect(false, "", "first");
    EXPECT_EQ(history_redo(), corner(1));
    history_mark_saved();
    EXPECT_EQ(history_redo(), corner(2));
    EXPECT_FALSE(history_redo());
    expect(true, "second", "");
    EXPECT_EQ(history_undo(), corner(1));
    history_record("third", corner(1), corner(3));
    expect(true, "third", "");
    EXPECT_EQ(history_undo(), corner(1));
    expect(false, "first", "third");
    history_mark_unsaved();
    history_clear(false);
    expect(true, "", "");
    // The store's part comes back for the sprites in use.
    sprites_module_init();
    HistoryState state = history_get_store_state();
    state.colours[1] = 9;
    state.multicolour[2] = 1;
    state.background = 3;
    history_set_store_state(state);
    EXPECT_EQ(history_get_store_state(), state);
}

constexpr int sprite_pad = sprites_attribute_format_sprite_pad;

// Attribute byte 0x81 (multicolour, white) for slot 0, 0x70 + k % 16 after it.
Bytes sprite_file(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; i++)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 64);
    for (std::size_t k = 0; 2 + 64 * k + 63 < size; k++)
        bytes[2 + 64 * k + 63] = static_cast<std::uint8_t>(k == 0 ? 0x81 : 0x70 | (k % 16));
    return bytes;
}

Bitmap slot_bitmap(const Bytes &file, unsigned k) {
    Bitmap bytes{};
    std::copy_n(file.begin() + 2 + 64 * k, 63, bytes.begin());
    return bytes;
}

// The message of a failed decode, "" when it succeeded.
std::string decode(const std::string &path, int format, int initialise) {
    GError *raw = nullptr;
    const int result = spritesdecoder_decode_sprites_file(path.c_str(), format, initialise, &raw);
    const GErrorPtr error(raw);
    EXPECT_EQ(result == 0, error != nullptr);
    return error ? error->message : "";
}

// Whole slots up to 128; a refused or unreadable file leaves the store.
TEST_F(FreshState, SpriteFilesOfWholeSlotsUpTo128) {
    const TempDir dir;
    std::filesystem::create_directory(dir.file("folder.prg"));
    constexpr const char *unknown = "Unknown file format";
    constexpr const char *too_many = "Too many sprites in input file";
    for (const auto &[size, message] :
         {std::pair{0u, unknown}, std::pair{2u, unknown}, std::pair{65u, unknown},
          std::pair{66u, ""}, std::pair{129u, unknown}, std::pair{130u, ""},
          std::pair{132u, unknown}, std::pair{8194u, ""}, std::pair{8196u, unknown},
          std::pair{8258u, too_many}, std::pair{64002u, too_many}}) {
        sprites_module_init();
        sprites_set_array_size(7);
        sprites_set_color_at_index(0, 2);
        const Bytes file = sprite_file(size);
        EXPECT_EQ(decode(dir.write("Sprites \u00fc.prg", file), sprite_pad, 1), message) << size;
        const bool accepted = *message == '\0';
        const unsigned count = accepted ? (size - 2) / 64 : 7;
        ASSERT_EQ(sprites_get_array_size(), count) << size;
        for (unsigned k = 0; accepted && k < count; k++)
            EXPECT_EQ(data_at(k), slot_bitmap(file, k)) << k;
        EXPECT_EQ(std::get<0>(attributes_at(0)), accepted ? 1 : 2) << size;
    }
    for (const char *name : {"folder.prg", "absent.prg", "\xff.prg"}) {
        EXPECT_NE(decode(dir.file(name), sprite_pad, 1), "") << name;
        EXPECT_EQ(sprites_get_array_size(), 7u);
    }
}

} // namespace
