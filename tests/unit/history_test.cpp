// The edit history: undo and redo with labels, the saved state, the store's part.

#include "core/history.hpp"

#include "test_support.hpp"

namespace {

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
}

// The store's part goes out and comes back for the sprites in use.
TEST(History, TakesAndRestoresTheStoresColours) {
    sprites_module_init();
    ASSERT_EQ(sprites_set_array_size(3), 1);
    HistoryState expected;
    expected.colours = {5, 6, 7};
    expected.multicolour[1] = 1;
    for (unsigned i = 0; i < 3; ++i) {
        sprites_set_color_at_index(i, expected.colours[i]);
        sprites_set_multicolor_at_index(i, expected.multicolour[i]);
    }
    expected.background = 2;
    expected.multicolour0 = 3;
    expected.multicolour1 = 4;
    sprites_set_background_color(2);
    sprites_set_multicolor0(3);
    sprites_set_multicolor1(4);
    const HistoryState taken = history_get_store_state();
    EXPECT_EQ(taken, expected);
    sprites_set_color_for_selection(9);
    sprites_set_multicolor_for_all(0);
    sprites_set_background_color(0);
    sprites_set_multicolor0(0);
    sprites_set_multicolor1(0);
    history_set_store_state(taken);
    EXPECT_EQ(history_get_store_state(), expected);
}

} // namespace
