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
    // The store's part comes back for the sprites in use.
    sprites_module_init();
    HistoryState state = history_get_store_state();
    state.colours[1] = 9;
    state.multicolour[2] = 1;
    state.background = 3;
    history_set_store_state(state);
    EXPECT_EQ(history_get_store_state(), state);
}

} // namespace
