// The edit history: steps undone and redone in order with their labels, a new step dropping
// what could be redone, unchanged actions left out, and the saved state found again.

#include "core/history.hpp"

#include "test_support.hpp"

namespace {

HistoryState state_with_corner(int corner) {
    HistoryState state;
    state.corner = corner;
    return state;
}

TEST(History, WalksBackAndForthAndKnowsTheSavedState) {
    history_clear(true);
    EXPECT_FALSE(history_is_modified());
    EXPECT_FALSE(history_undo());
    history_record("nothing", state_with_corner(0), state_with_corner(0));
    EXPECT_EQ(history_get_undo_label(), "");

    history_record("first", state_with_corner(0), state_with_corner(1));
    history_record("second", state_with_corner(1), state_with_corner(2));
    EXPECT_TRUE(history_is_modified());
    EXPECT_EQ(history_get_undo_label(), "second");
    EXPECT_EQ(history_get_redo_label(), "");

    EXPECT_EQ(history_undo(), state_with_corner(1));
    EXPECT_EQ(history_get_undo_label(), "first");
    EXPECT_EQ(history_get_redo_label(), "second");
    EXPECT_EQ(history_undo(), state_with_corner(0));
    EXPECT_FALSE(history_is_modified());
    EXPECT_FALSE(history_undo());
    EXPECT_EQ(history_redo(), state_with_corner(1));
    history_mark_saved();
    EXPECT_EQ(history_redo(), state_with_corner(2));
    EXPECT_FALSE(history_redo());
    EXPECT_TRUE(history_is_modified());
    EXPECT_EQ(history_undo(), state_with_corner(1));
    EXPECT_FALSE(history_is_modified());

    // A new step where "second" could be redone takes its place.
    history_record("third", state_with_corner(1), state_with_corner(3));
    EXPECT_EQ(history_get_redo_label(), "");
    EXPECT_EQ(history_undo(), state_with_corner(1));
    EXPECT_FALSE(history_is_modified());

    history_mark_unsaved();
    EXPECT_TRUE(history_is_modified());
    history_clear(false);
    EXPECT_TRUE(history_is_modified());
    EXPECT_EQ(history_get_undo_label(), "");
    EXPECT_EQ(history_get_redo_label(), "");
}

// The store's part goes out and comes back for the sprites in use; records past them stay.
TEST(History, TakesAndRestoresTheStoresColours) {
    sprites_module_init();
    ASSERT_EQ(sprites_set_array_size(3), 1);
    for (unsigned i = 0; i < 3; ++i) {
        sprites_set_color_at_index(i, static_cast<std::uint8_t>(i + 5));
        sprites_set_multicolor_at_index(i, i == 1 ? 1 : 0);
    }
    sprites_set_background_color(2);
    sprites_set_multicolor0(3);
    sprites_set_multicolor1(4);
    const HistoryState taken = history_get_store_state();
    HistoryState expected;
    expected.colours[0] = 5;
    expected.colours[1] = 6;
    expected.colours[2] = 7;
    expected.multicolour[1] = 1;
    expected.background = 2;
    expected.multicolour0 = 3;
    expected.multicolour1 = 4;
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
