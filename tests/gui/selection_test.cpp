#include "core/options.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"
#include "editing_test_support.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"
#include "gui_test_support.hpp"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum class Area { left, right, list };

const char *area_name(Area area) {
    switch (area) {
    case Area::left:
        return "drawingarea_left_border";
    case Area::right:
        return "drawingarea_right_border";
    case Area::list:
        break;
    }
    return "drawingarea_sprites";
}

// Slot geometry at zoom 1: border slot rows start 40 lines down, 24x21 pixels a slot.
constexpr double slot_width = 24;
constexpr double slot_height = 21;
constexpr double slots_top = 40;
// A pointer position this far before a boundary truncates to the last pixel before it.
constexpr double before_edge = 0.25;
// Nothing the tests select has this colour.
constexpr std::uint8_t untouched_swatch = 99;

constexpr guint control = GDK_CONTROL_MASK;
constexpr guint shift = GDK_SHIFT_MASK;
constexpr guint alt = GDK_MOD1_MASK;

struct Point {
    double x;
    double y;
};

// The colour every sprite gets in these tests, so that the swatch tells which one it follows.
std::uint8_t colour_of(unsigned index) {
    return static_cast<std::uint8_t>(index % 16);
}

std::vector<unsigned> range(unsigned first, unsigned last) {
    std::vector<unsigned> indices;
    for (unsigned index = first; index <= last; index++) {
        indices.push_back(index);
    }
    return indices;
}

class Selection : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        project_backup_pending_restore = 0;
        colour_sprites();
        color_index_sprite_bit_pair_10 = untouched_swatch;
    }

    void TearDown() override {
        project_backup_pending_restore = 0;
        EditorTest::TearDown();
    }

    static void colour_sprites() {
        for (unsigned index = 0; index < sprites_get_array_size(); index++) {
            sprites_set_color_at_index(index, colour_of(index));
        }
    }

    void set_zoom(int zoom) {
        const std::string item = "menuitem_zoom_" + std::to_string(zoom) + "x";
        gtk_menu_item_activate(GTK_MENU_ITEM(widget(item.c_str())));
        ASSERT_EQ(options_expansion, zoom);
    }

    GtkWidget *area(Area which) { return widget(area_name(which)); }
    GtkWidget *focus() { return gtk_window_get_focus(GTK_WINDOW(window_main)); }

    // The middle of the slot that shows index, at the current zoom and list row.
    static Point slot_middle(Area which, unsigned index) {
        const double zoom = options_expansion;
        if (which == Area::list) {
            const double row = index / 8 - first_row();
            return {(slot_width * (index % 8) + slot_width / 2) * 2 * zoom,
                    (slot_height * row + slot_height / 2) * 2 * zoom};
        }
        if (sprites_is_left_index(index) != (which == Area::left)) {
            ADD_FAILURE() << "sprite " << index << " has no slot in " << area_name(which);
        }
        return {(slot_width * (index % 2) + slot_width / 2) * zoom,
                (slots_top + slot_height * (index / 4) + slot_height / 2) * zoom};
    }

    static double first_row() {
        return gtk_range_get_value(GTK_RANGE(lookup_widget(window_main, "vscrollbar_sprites")));
    }

    bool click(Area which, unsigned index, guint state = 0) {
        const Point point = slot_middle(which, index);
        return send_button(area(which), point.x, point.y, state);
    }

    // The list's first row, as loading a sprite file sets up the scroll bar.
    void scroll_list_to(double row) {
        GtkRange *scrollbar = GTK_RANGE(widget("vscrollbar_sprites"));
        gtk_adjustment_configure(gtk_range_get_adjustment(scrollbar), row, 0,
                                 (sprites_get_array_size() + 7) / 8, 1, 5, 5);
        ASSERT_EQ(gtk_range_get_value(scrollbar), row);
    }
};

// ---- Where a click lands -------------------------------------------------------------------

class SlotsAtZoom : public Selection, public ::testing::WithParamInterface<int> {};

// Every corner pixel of every slot, the far ones reached by positions that only truncation
// keeps inside the slot.
TEST_P(SlotsAtZoom, EveryBorderSlotSelectsItsSprite) {
    const int zoom = GetParam();
    set_zoom(zoom);
    for (const Area side : {Area::left, Area::right}) {
        const unsigned offset = side == Area::left ? 0 : 2;
        for (unsigned row = 0; row < 10; row++) {
            for (unsigned column = 0; column < 2; column++) {
                const unsigned expected = 4 * row + column + offset;
                const double left = slot_width * column * zoom;
                const double right = slot_width * (column + 1) * zoom - before_edge;
                const double top = (slots_top + slot_height * row) * zoom;
                const double bottom = (slots_top + slot_height * (row + 1)) * zoom - before_edge;
                for (const Point corner : {Point{left, top}, Point{right, top}, Point{left, bottom},
                                           Point{right, bottom}}) {
                    SCOPED_TRACE(testing::Message()
                                 << area_name(side) << " at " << corner.x << "," << corner.y);
                    EXPECT_TRUE(send_button(area(side), corner.x, corner.y));
                    EXPECT_EQ(selected_sprites(), std::vector<unsigned>{expected});
                    EXPECT_EQ(color_index_sprite_bit_pair_10, colour_of(expected));
                }
            }
        }
    }
}

TEST_P(SlotsAtZoom, EveryListSlotSelectsItsSpriteAtTwiceTheZoom) {
    const int zoom = GetParam();
    set_zoom(zoom);
    for (unsigned row = 0; row < 5; row++) {
        for (unsigned column = 0; column < 8; column++) {
            const unsigned expected = 8 * row + column;
            const double left = slot_width * column * 2 * zoom;
            const double right = slot_width * (column + 1) * 2 * zoom - before_edge;
            const double top = slot_height * row * 2 * zoom;
            const double bottom = slot_height * (row + 1) * 2 * zoom - before_edge;
            for (const Point corner :
                 {Point{left, top}, Point{right, top}, Point{left, bottom}, Point{right, bottom}}) {
                SCOPED_TRACE(testing::Message() << "list at " << corner.x << "," << corner.y);
                EXPECT_TRUE(send_button(area(Area::list), corner.x, corner.y));
                EXPECT_EQ(selected_sprites(), std::vector<unsigned>{expected});
                EXPECT_EQ(color_index_sprite_bit_pair_10, colour_of(expected));
            }
        }
    }
}

TEST_P(SlotsAtZoom, ListSlotsCountFromTheFirstVisibleRow) {
    const int zoom = GetParam();
    set_zoom(zoom);
    ASSERT_TRUE(sprites_set_array_size(sprites_capacity));
    colour_sprites();
    scroll_list_to(3);
    for (unsigned row = 0; row < 5; row++) {
        for (unsigned column = 0; column < 8; column++) {
            const double x = (slot_width * column + 1) * 2 * zoom;
            const double y = (slot_height * row + 1) * 2 * zoom;
            const unsigned expected = 8 * (row + 3) + column;
            EXPECT_TRUE(send_button(area(Area::list), x, y));
            EXPECT_EQ(selected_sprites(), std::vector<unsigned>{expected}) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Zoom, SlotsAtZoom, ::testing::Values(1, 2, 3, 4),
                         [](const auto &info) { return std::to_string(info.param) + "x"; });

struct WorkedClick {
    Area area;
    double x;
    double y;
    unsigned index;
};

TEST_F(Selection, WorkedExamplesAtZoomTwo) {
    set_zoom(2);
    const WorkedClick clicks[] = {
        {Area::left, 30, 150, 4},
        {Area::left, 60, 150, 5},
        {Area::right, 30, 150, 6},
        {Area::right, 60, 150, 7},
    };
    for (const WorkedClick &click : clicks) {
        send_button(area(click.area), click.x, click.y);
        EXPECT_EQ(selected_sprites(), std::vector<unsigned>{click.index})
            << area_name(click.area) << " " << click.x << "," << click.y;
    }
}

// Below the tenth slot row the formula goes on to sprites without a border slot; they are
// selected when the store holds them.
TEST_F(Selection, BelowTheLastSlotRowTheFormulaGoesOn) {
    const double y = slots_top + 10 * slot_height + 1;
    EXPECT_TRUE(send_button(area(Area::left), 1, y));
    EXPECT_TRUE(selected_sprites().empty());
    ASSERT_TRUE(sprites_set_array_size(sprites_capacity));
    EXPECT_TRUE(send_button(area(Area::right), 1, y));
    EXPECT_EQ(selected_sprites(), std::vector<unsigned>{42});
}

// ---- Modifiers -----------------------------------------------------------------------------

struct ModifierCase {
    const char *name;
    Area area;
    guint state;
    std::vector<unsigned> selected;
    unsigned swatch_sprite; // whose colour the swatch shows afterwards
};

void PrintTo(const ModifierCase &test_case, std::ostream *out) {
    *out << test_case.name;
}

// Before the click: a plain click on the first sprite and a Control+click on the second, so
// that the last selected sprite and both side anchors are set. Then the click on the target.
struct Scene {
    Area first_area;
    unsigned first;
    Area second_area;
    unsigned second;
    unsigned target;
};

Scene scene_of(Area area) {
    switch (area) {
    case Area::left:
        return {Area::left, 1, Area::right, 2, 9};
    case Area::right:
        return {Area::right, 2, Area::left, 1, 11};
    case Area::list:
        break;
    }
    return {Area::list, 1, Area::list, 2, 9};
}

class Modifiers : public Selection, public ::testing::WithParamInterface<ModifierCase> {};

TEST_P(Modifiers, ActOnTheSelectionAsTheirCombinationSays) {
    const ModifierCase &test_case = GetParam();
    const Scene scene = scene_of(test_case.area);
    ASSERT_TRUE(click(scene.first_area, scene.first));
    ASSERT_TRUE(click(scene.second_area, scene.second, control));
    ASSERT_EQ(selected_sprites(), (std::vector<unsigned>{1, 2}));

    EXPECT_TRUE(click(test_case.area, scene.target, test_case.state));
    EXPECT_EQ(selected_sprites(), test_case.selected);
    EXPECT_EQ(color_index_sprite_bit_pair_10, colour_of(test_case.swatch_sprite));
    EXPECT_EQ(focus(), area(test_case.area));
}

constexpr guint caps_lock = GDK_LOCK_MASK;
constexpr guint num_lock = GDK_MOD2_MASK;

INSTANTIATE_TEST_SUITE_P(
    Clicks, Modifiers,
    ::testing::Values(
        ModifierCase{"LeftPlain", Area::left, 0, {9}, 9},
        ModifierCase{"LeftShiftReplacesByTheLeftRange", Area::left, shift, {1, 4, 5, 8, 9}, 2},
        ModifierCase{
            "LeftControlShiftAddsTheLeftRange", Area::left, control | shift, {1, 2, 4, 5, 8, 9}, 2},
        ModifierCase{"LeftControlToggles", Area::left, control, {1, 2, 9}, 9},
        ModifierCase{"LeftAlt", Area::left, alt, {9}, 9},
        ModifierCase{"LeftAltShift", Area::left, alt | shift, {9}, 9},
        ModifierCase{"LeftAltControl", Area::left, alt | control, {9}, 9},
        ModifierCase{"LeftAltControlShift", Area::left, alt | control | shift, {9}, 9},
        ModifierCase{"LeftCapsLockShift", Area::left, caps_lock | shift, {1, 4, 5, 8, 9}, 2},
        ModifierCase{"LeftNumLockControl", Area::left, num_lock | control, {1, 2, 9}, 9},
        ModifierCase{"RightPlain", Area::right, 0, {11}, 11},
        ModifierCase{
            "RightShiftReplacesByTheRightRange", Area::right, shift, {2, 3, 6, 7, 10, 11}, 1},
        ModifierCase{"RightControlShiftAddsTheRightRange",
                     Area::right,
                     control | shift,
                     {1, 2, 3, 6, 7, 10, 11},
                     1},
        ModifierCase{"RightControlToggles", Area::right, control, {1, 2, 11}, 11},
        ModifierCase{"RightAltShift", Area::right, alt | shift, {11}, 11},
        ModifierCase{"ListPlain", Area::list, 0, {9}, 9},
        ModifierCase{"ListShiftReplacesByTheRange", Area::list, shift, range(2, 9), 2},
        ModifierCase{"ListControlShiftAddsTheRange", Area::list, control | shift, range(1, 9), 2},
        ModifierCase{"ListControlToggles", Area::list, control, {1, 2, 9}, 9},
        ModifierCase{"ListAltControl", Area::list, alt | control, {9}, 9}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Selection, ControlClickOnASelectedSpriteDeselectsItAndKeepsTheSwatch) {
    for (const Area which : {Area::left, Area::right, Area::list}) {
        const Scene scene = scene_of(which);
        ASSERT_TRUE(click(scene.first_area, scene.first));
        ASSERT_TRUE(click(scene.second_area, scene.second, control));
        EXPECT_TRUE(click(scene.first_area, scene.first, control));
        EXPECT_EQ(selected_sprites(), std::vector<unsigned>{scene.second}) << area_name(which);
        EXPECT_EQ(color_index_sprite_bit_pair_10, colour_of(scene.second)) << area_name(which);
    }
}

// The sprite-colour swatch is drawn again whenever it takes a sprite's colour, and only then.
TEST_F(Selection, TheSwatchIsRedrawnWhenItFollowsASprite) {
    struct Step {
        const char *what;
        Area area;
        unsigned index;
        guint state;
        bool redrawn;
    };
    const Step steps[] = {
        {"plain click", Area::list, 9, 0, true},
        {"Control+click selecting", Area::left, 4, control, true},
        {"Control+click deselecting", Area::left, 4, control, false},
        {"Shift+click", Area::list, 12, shift, false},
        {"plain click on an empty slot", Area::list, 39, 0, true},
    };
    ASSERT_TRUE(sprites_set_array_size(30));
    for (const Step &step : steps) {
        flush_redraws();
        ASSERT_TRUE(click(step.area, step.index, step.state));
        EXPECT_EQ(take_queued_redraw("drawingarea_color_sprite_bit_pair_10"), step.redrawn)
            << step.what;
    }
}

// After start-up every sprite is selected and no anchor is set: a range has nowhere to start.
TEST_F(Selection, ShiftClickWithoutAnAnchorOnlyRepaints) {
    for (const Area which : {Area::left, Area::right, Area::list}) {
        EXPECT_TRUE(click(which, which == Area::right ? 6 : 5, shift));
        EXPECT_EQ(sprites_get_selected_count(), sprites_capacity) << area_name(which);
        EXPECT_EQ(focus(), area(which));
    }
    EXPECT_EQ(color_index_sprite_bit_pair_10, untouched_swatch);
}

// Each border ranges from its own anchor only: a sprite selected in the other border is none.
TEST_F(Selection, ShiftClickInABorderNeedsASpriteSelectedInThatBorder) {
    struct OtherBorder {
        Area selected_area;
        unsigned selected;
        Area clicked_area;
        unsigned clicked;
    };
    const OtherBorder cases[] = {
        {Area::right, 6, Area::left, 9},
        {Area::left, 5, Area::right, 10},
    };
    for (const OtherBorder &test_case : cases) {
        ASSERT_TRUE(click(test_case.selected_area, test_case.selected));
        for (const guint state : {shift, control | shift}) {
            EXPECT_TRUE(click(test_case.clicked_area, test_case.clicked, state));
            EXPECT_EQ(selected_sprites(), std::vector<unsigned>{test_case.selected})
                << area_name(test_case.clicked_area) << " state " << state;
            EXPECT_EQ(focus(), area(test_case.clicked_area));
        }
    }
}

// ---- Clicks that select nothing ------------------------------------------------------------

struct AboveCase {
    int zoom;
    guint state;
};

class AboveTheSlots : public Selection, public ::testing::WithParamInterface<AboveCase> {};

TEST_P(AboveTheSlots, ClearTheSelectionWhateverTheModifiers) {
    const AboveCase &test_case = GetParam();
    set_zoom(test_case.zoom);
    const double last_line_above = slots_top * test_case.zoom - before_edge;
    for (const Area side : {Area::left, Area::right}) {
        sprites_select_all();
        color_index_sprite_bit_pair_10 = untouched_swatch;
        gtk_widget_grab_focus(widget("drawingarea_sprites"));
        EXPECT_TRUE(send_button(area(side), 10, last_line_above, test_case.state));
        EXPECT_EQ(sprites_get_selected_count(), 0u) << area_name(side);
        EXPECT_EQ(focus(), area(side));
        EXPECT_EQ(color_index_sprite_bit_pair_10, untouched_swatch);
        // The first line of the slots belongs to the first slot row.
        EXPECT_TRUE(send_button(area(side), 10, slots_top * test_case.zoom));
        EXPECT_EQ(selected_sprites(), std::vector<unsigned>{side == Area::left ? 0u : 2u});
    }
}

INSTANTIATE_TEST_SUITE_P(Clicks, AboveTheSlots,
                         ::testing::Values(AboveCase{1, 0}, AboveCase{2, shift},
                                           AboveCase{3, control}, AboveCase{4, control | shift},
                                           AboveCase{2, alt}),
                         [](const auto &info) {
                             return std::to_string(info.param.zoom) + "xState" +
                                    std::to_string(info.param.state);
                         });

struct IgnoredPress {
    const char *name;
    GdkEventType type;
    guint button;
};

void PrintTo(const IgnoredPress &press, std::ostream *out) {
    *out << press.name;
}

class IgnoredPresses : public Selection, public ::testing::WithParamInterface<IgnoredPress> {};

TEST_P(IgnoredPresses, AreLeftToGtk) {
    const IgnoredPress &press = GetParam();
    GtkWidget *focused = focus();
    for (const Area which : {Area::left, Area::right, Area::list}) {
        const Point inside = slot_middle(which, which == Area::right ? 6 : 5);
        const Point above{10, 10};
        for (const Point point : {inside, above}) {
            EXPECT_FALSE(
                send_button(area(which), point.x, point.y, control, press.type, press.button))
                << area_name(which);
            EXPECT_EQ(sprites_get_selected_count(), sprites_capacity);
            EXPECT_EQ(focus(), focused);
        }
    }
    EXPECT_EQ(color_index_sprite_bit_pair_10, untouched_swatch);
}

INSTANTIATE_TEST_SUITE_P(Clicks, IgnoredPresses,
                         ::testing::Values(IgnoredPress{"DoubleClick", GDK_2BUTTON_PRESS, 1},
                                           IgnoredPress{"TripleClick", GDK_3BUTTON_PRESS, 1},
                                           IgnoredPress{"MiddleButton", GDK_BUTTON_PRESS, 2},
                                           IgnoredPress{"RightButton", GDK_BUTTON_PRESS, 3}),
                         [](const auto &info) { return std::string(info.param.name); });

// A sprite of the area that stays in use, and one of the area beyond a count of 10.
struct EmptySlotScene {
    Area area;
    unsigned kept;
    unsigned beyond;
};

constexpr EmptySlotScene empty_slot_scenes[] = {
    {Area::left, 5, 13},
    {Area::right, 6, 14},
    {Area::list, 5, 13},
};

TEST_F(Selection, PlainClickOnAnEmptySlotClearsAndShowsColourZero) {
    for (const EmptySlotScene &scene : empty_slot_scenes) {
        ASSERT_TRUE(sprites_set_array_size(40));
        ASSERT_TRUE(click(scene.area, scene.kept));
        ASSERT_TRUE(sprites_set_array_size(10));
        EXPECT_TRUE(click(scene.area, scene.beyond));
        EXPECT_EQ(sprites_get_selected_count(), 0u) << area_name(scene.area);
        EXPECT_EQ(color_index_sprite_bit_pair_10, 0) << area_name(scene.area);
    }
}

TEST_F(Selection, ModifiedClicksOnAnEmptySlotChangeNothing) {
    for (const EmptySlotScene &scene : empty_slot_scenes) {
        for (const guint state : {control, shift, control | shift}) {
            ASSERT_TRUE(sprites_set_array_size(40));
            ASSERT_TRUE(click(scene.area, scene.kept));
            ASSERT_TRUE(sprites_set_array_size(10));
            EXPECT_TRUE(click(scene.area, scene.beyond, state));
            EXPECT_EQ(selected_sprites(), std::vector<unsigned>{scene.kept})
                << area_name(scene.area) << " state " << state;
            EXPECT_EQ(color_index_sprite_bit_pair_10, colour_of(scene.kept));
        }
    }
}

// ---- Keys ----------------------------------------------------------------------------------

struct ArrowCase {
    const char *name;
    Area area;
    unsigned start;
    guint keyval;
    guint state;
    unsigned selected; // the start sprite itself when nothing moves
};

void PrintTo(const ArrowCase &test_case, std::ostream *out) {
    *out << test_case.name;
}

class Arrows : public Selection, public ::testing::WithParamInterface<ArrowCase> {};

TEST_P(Arrows, MoveTheSingleSelectionWithinTheSprites) {
    const ArrowCase &test_case = GetParam();
    ASSERT_TRUE(click(test_case.area, test_case.start));
    color_index_sprite_bit_pair_10 = untouched_swatch;

    tap_key(test_case.keyval, test_case.state);
    EXPECT_EQ(selected_sprites(), std::vector<unsigned>{test_case.selected});
    const bool moved = test_case.selected != test_case.start;
    EXPECT_EQ(color_index_sprite_bit_pair_10,
              moved ? colour_of(test_case.selected) : untouched_swatch);
    // The key did not move the focus elsewhere either.
    EXPECT_EQ(focus(), area(test_case.area));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, Arrows,
    ::testing::Values(ArrowCase{"ListDownIsEightOn", Area::list, 3, GDK_KEY_Down, 0, 11},
                      ArrowCase{"ListUpIsEightBack", Area::list, 12, GDK_KEY_Up, 0, 4},
                      ArrowCase{"ListLeft", Area::list, 12, GDK_KEY_Left, 0, 11},
                      ArrowCase{"ListRight", Area::list, 12, GDK_KEY_Right, 0, 13},
                      ArrowCase{"ListDownPastTheLast", Area::list, 33, GDK_KEY_Down, 0, 33},
                      ArrowCase{"ListRightPastTheLast", Area::list, 39, GDK_KEY_Right, 0, 39},
                      ArrowCase{"ListUpBeforeTheFirst", Area::list, 7, GDK_KEY_Up, 0, 7},
                      ArrowCase{"BorderDownIsFourOn", Area::right, 3, GDK_KEY_Down, 0, 7},
                      ArrowCase{"BorderUpFromTheTopRow", Area::right, 2, GDK_KEY_Up, 0, 2},
                      ArrowCase{"BorderUp", Area::left, 9, GDK_KEY_Up, 0, 5},
                      ArrowCase{"BorderLeftFromTheFirst", Area::left, 0, GDK_KEY_Left, 0, 0},
                      ArrowCase{"BorderRightCrossesToTheRightBorder", Area::left, 5, GDK_KEY_Right,
                                0, 6},
                      ArrowCase{"BorderDownFromTheLastRow", Area::right, 38, GDK_KEY_Down, 0, 38},
                      ArrowCase{"ShiftDoesNotStopAnArrow", Area::list, 3, GDK_KEY_Down, shift, 11},
                      ArrowCase{"AltDoesNotStopAnArrow", Area::left, 4, GDK_KEY_Down, alt, 8},
                      ArrowCase{"ControlArrowIsConsumed", Area::list, 3, GDK_KEY_Down, control, 3},
                      ArrowCase{"KeypadArrowIsConsumed", Area::list, 3, GDK_KEY_KP_Down, 0, 3},
                      ArrowCase{"OtherKeyIsConsumed", Area::left, 4, GDK_KEY_Tab, 0, 4}),
    [](const auto &info) { return std::string(info.param.name); });

// A sprite file with fewer sprites loaded since the last selection: a move back from beyond
// the new count clears the selection.
TEST_F(Selection, MovingBackFromBeyondTheCountClearsTheSelection) {
    ASSERT_TRUE(click(Area::list, 30));
    ASSERT_TRUE(sprites_set_array_size(12));
    color_index_sprite_bit_pair_10 = untouched_swatch;
    tap_key(GDK_KEY_Left);
    EXPECT_EQ(sprites_get_selected_count(), 0u);
    EXPECT_EQ(color_index_sprite_bit_pair_10, untouched_swatch);
}

struct SelectAllCase {
    Area area;
    Area prepared_area;
    unsigned prepared; // selected before Control+A, on the other side
    unsigned expected_count;
};

TEST_F(Selection, ControlAAndControlNPerArea) {
    const SelectAllCase cases[] = {
        {Area::left, Area::right, 2, sprites_capacity / 2 + 1},
        {Area::right, Area::left, 1, sprites_capacity / 2 + 1},
        {Area::list, Area::list, 1, sprites_capacity},
    };
    for (const SelectAllCase &test_case : cases) {
        SCOPED_TRACE(area_name(test_case.area));
        ASSERT_TRUE(click(test_case.prepared_area, test_case.prepared));
        gtk_widget_grab_focus(area(test_case.area));
        tap_key(GDK_KEY_a, control);
        EXPECT_EQ(sprites_get_selected_count(), test_case.expected_count);
        for (unsigned index = 0; index < 40; index++) {
            std::int32_t selected = 0;
            sprites_get_selected_at_index(index, &selected);
            const bool expected = test_case.area == Area::list || index == test_case.prepared ||
                                  sprites_is_left_index(index) == (test_case.area == Area::left);
            EXPECT_EQ(selected == 1, expected) << index;
        }
        tap_key(GDK_KEY_n, control);
        EXPECT_EQ(sprites_get_selected_count(), 0u);
    }
}

struct ConsumedKey {
    guint keyval;
    guint state;
};

TEST_F(Selection, OtherKeysAreConsumedWithoutEffect) {
    const ConsumedKey keys[] = {
        {GDK_KEY_b, control},
        {GDK_KEY_a, 0},
        {GDK_KEY_n, 0},
        {GDK_KEY_A, control | shift},
        {GDK_KEY_a, control | alt},
        {GDK_KEY_N, shift},
        {GDK_KEY_space, 0},
        {GDK_KEY_Z, shift},
        {GDK_KEY_z, control},
    };
    ASSERT_TRUE(click(Area::left, 5));
    for (const ConsumedKey &key : keys) {
        tap_key(key.keyval, key.state);
        EXPECT_EQ(selected_sprites(), std::vector<unsigned>{5})
            << gdk_keyval_name(key.keyval) << " state " << key.state;
        EXPECT_EQ(sprites_get_selected_count(), 1u);
        EXPECT_EQ(project_backup_pending_restore, 0);
        EXPECT_EQ(focus(), area(Area::left));
    }
}

TEST_F(Selection, CapsLockDoesNotHideControl) {
    ASSERT_TRUE(click(Area::right, 3));
    tap_key(GDK_KEY_a, control | caps_lock);
    EXPECT_EQ(sprites_get_selected_count(), sprites_capacity / 2);
}

// ---- Tooltips ------------------------------------------------------------------------------

// What the tooltip shows at (x, y): the area's query-tooltip emission with a real tooltip,
// whose label carries the text. GTK falls back to the area's static text when the handlers
// decline.
std::string tooltip_text(GtkWidget *area, int x, int y) {
    GList *before = gtk_window_list_toplevels();
    GObject *tooltip = G_OBJECT(g_object_new(GTK_TYPE_TOOLTIP, nullptr));
    GList *after = gtk_window_list_toplevels();
    GtkWidget *tooltip_window = nullptr;
    for (GList *element = after; element != nullptr; element = element->next) {
        if (g_list_find(before, element->data) == nullptr) {
            tooltip_window = GTK_WIDGET(element->data);
        }
    }
    g_list_free(before);
    g_list_free(after);
    gboolean shown = FALSE;
    g_signal_emit_by_name(area, "query-tooltip", x, y, FALSE, tooltip, &shown);
    std::string text;
    if (tooltip_window != nullptr && shown) {
        // The label holds markup; the static hint was escaped into it.
        const std::vector<std::string> labels = label_texts(tooltip_window);
        char *plain = nullptr;
        if (!labels.empty() &&
            pango_parse_markup(labels.front().c_str(), -1, 0, nullptr, &plain, nullptr, nullptr)) {
            text = plain;
            g_free(plain);
        }
    }
    g_object_unref(tooltip);
    return text;
}

constexpr const char *static_hint =
    "Hover on a sprite to show its attributes; hold down the 'z' key to show the sprite template";

struct TooltipCase {
    const char *name;
    int zoom;
    Area area;
    int x;
    int y;
    const char *text;
};

void PrintTo(const TooltipCase &test_case, std::ostream *out) {
    *out << test_case.name;
}

class Tooltips : public Selection, public ::testing::WithParamInterface<TooltipCase> {};

TEST_P(Tooltips, DescribeTheSpriteUnderThePointer) {
    const TooltipCase &test_case = GetParam();
    set_zoom(test_case.zoom);
    ASSERT_TRUE(sprites_set_array_size(30));
    EXPECT_EQ(tooltip_text(area(test_case.area), test_case.x, test_case.y), test_case.text);
}

INSTANTIATE_TEST_SUITE_P(
    Hover, Tooltips,
    ::testing::Values(
        TooltipCase{"LeftFirstSlot", 1, Area::left, 0, 40, "Sprite: 0\nColor: 0"},
        TooltipCase{"LeftZoomTwo", 2, Area::left, 60, 150, "Sprite: 5\nColor: 5"},
        TooltipCase{"RightZoomTwo", 2, Area::right, 30, 150, "Sprite: 6\nColor: 6"},
        TooltipCase{"RightZoomThree", 3, Area::right, 143, 3 * 187 - 1, "Sprite: 27\nColor: 11"},
        TooltipCase{"ListZoomOne", 1, Area::list, 2 * 24 * 7, 2 * 21 * 2, "Sprite: 23\nColor: 7"},
        TooltipCase{"ListZoomFour", 4, Area::list, 8 * 24, 8 * 21 * 3 + 7, "Sprite: 25\nColor: 9"},
        TooltipCase{"AboveTheSlots", 1, Area::left, 0, 39, static_hint},
        TooltipCase{"AboveTheSlotsZoomFour", 4, Area::right, 100, 159, static_hint},
        TooltipCase{"EmptyBorderSlot", 1, Area::right, 30, 40 + 21 * 7, static_hint},
        TooltipCase{"EmptyListSlot", 2, Area::list, 4 * 24 * 6, 4 * 21 * 3, static_hint}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- The template preview ------------------------------------------------------------------

// With no file loaded the backup names no group before the sprite lines, so it does not parse
// as a project: the preview ends and the store keeps the template it shows.
TEST_F(Selection, WithNothingLoadedThePreviewEndsOnTheTemplate) {
    ASSERT_TRUE(click(Area::left, 5));
    send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    EXPECT_EQ(project_backup_pending_restore, 1);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 13);
    send_key_event(GDK_KEY_z, 0, GDK_KEY_RELEASE);
    EXPECT_EQ(project_backup_pending_restore, 0);
    EXPECT_EQ(sprites_get_array_size(), sprites_border_count);
    const SpriteRecord *record = sprites_get_record_at_index(5);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->color, 13);
    EXPECT_EQ(picture_loaded, 0);
    EXPECT_EQ(sprites_loaded, 0);
}

// A picture and a sprite file on disk, loaded as the File menu loads them, and the sprites
// given colours, multicolour flags and shared colours of their own.
class TemplatePreview : public Selection {
  protected:
    void SetUp() override {
        Selection::SetUp();
        ASSERT_FALSE(folder.path().empty());
        picture = (folder.path() / "screen.pet").string();
        sprites = (folder.path() / "sprites.prg").string();
        write_file(picture, petscii_file(2, 0, 0x51, 5));
        write_file(sprites, sprite_file(sprite_count));

        picture_loaded = open_picture(picture.c_str(), TRUE);
        ASSERT_EQ(picture_loaded, 1);
        set_background_color_for_sprites();
        GError *error = nullptr;
        ASSERT_EQ(spritesdecoder_decode_sprites_file(sprites.c_str(), 0, 1, &error), 1);
        sprites_loaded = 1;
        g_free(utf8_path_and_filename_sprites);
        utf8_path_and_filename_sprites = g_strdup(sprites.c_str());

        colour_sprites();
        for (unsigned index = 1; index < sprite_count; index += 3) {
            sprites_set_multicolor_at_index(index, 1);
        }
        sprites_set_multicolor0(11);
        sprites_set_multicolor1(12);
        border_color_index = 9;
        color_index_sprite_bit_pair_10 = colour_of(0);
    }

    void TearDown() override {
        picture_loaded = 0;
        sprites_loaded = 0;
        g_free(utf8_path_and_filename_sprites);
        utf8_path_and_filename_sprites = nullptr;
        g_free(utf8_path_and_filename_picture);
        utf8_path_and_filename_picture = nullptr;
        g_free(project_backup_data);
        project_backup_data = nullptr;
        Selection::TearDown();
    }

    std::string project() const {
        return project_get_file_text(utf8_path_and_filename_picture, utf8_path_and_filename_sprites,
                                     border_color_index);
    }

    void expect_template_shown() {
        EXPECT_EQ(project_backup_pending_restore, 1);
        EXPECT_EQ(sprites_get_array_size(), sprites_border_count);
        for (unsigned index = 0; index < sprites_border_count; index++) {
            const SpriteRecord *record = sprites_get_record_at_index(index);
            ASSERT_NE(record, nullptr);
            const bool red = (index >= 16 && index <= 23) || (index >= 28 && index <= 35);
            EXPECT_EQ(record->color, red ? 10 : 13) << index;
            EXPECT_EQ(record->multicolor, 0) << index;
            EXPECT_TRUE(std::equal(record->data, record->data + sprite_data_size,
                                   sprites_get_template_entry(index).begin()))
                << index;
        }
        EXPECT_EQ(color_index_sprite_bit_pair_10, 13);
        EXPECT_FALSE(gtk_toggle_button_get_active(
            GTK_TOGGLE_BUTTON(widget("checkbutton_sprite_multicolor"))));
    }

    static constexpr unsigned sprite_count = 12;
    TempDir folder;
    std::string picture;
    std::string sprites;
};

TEST_F(TemplatePreview, HoldingZShowsTheTemplateAndReleasingRestoresTheProject) {
    ASSERT_TRUE(click(Area::left, 4));
    ASSERT_TRUE(click(Area::right, 6, control));
    color_index_sprite_bit_pair_10 = colour_of(0);
    const std::string before = project();
    const std::string backup =
        project_get_backup_text(utf8_path_and_filename_picture, utf8_path_and_filename_sprites, 9);

    send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    expect_template_shown();
    ASSERT_NE(project_backup_data, nullptr);
    EXPECT_EQ(std::string(project_backup_data), backup);
    // The preview keeps the selection.
    EXPECT_EQ(selected_sprites(), (std::vector<unsigned>{4, 6}));

    send_key_event(GDK_KEY_z, 0, GDK_KEY_RELEASE);
    EXPECT_EQ(project_backup_pending_restore, 0);
    EXPECT_EQ(project(), before);
    EXPECT_EQ(sprites_get_array_size(), sprite_count);
    EXPECT_EQ(border_color_index, 9);
    EXPECT_EQ(sprites_get_multicolor0(), 11);
    EXPECT_EQ(sprites_get_multicolor1(), 12);
    for (unsigned index = 0; index < sprite_count; index++) {
        const SpriteRecord *record = sprites_get_record_at_index(index);
        EXPECT_EQ(record->color, colour_of(index)) << index;
        EXPECT_EQ(record->multicolor, index % 3 == 1 ? 1 : 0) << index;
        EXPECT_EQ(record->data[0], index + 1) << index;
    }
    EXPECT_EQ(selected_sprites(), (std::vector<unsigned>{4, 6}));
    EXPECT_EQ(color_index_sprite_bit_pair_10, colour_of(0));
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_loaded, 1);
    // The backup stays until the next preview replaces it.
    EXPECT_NE(project_backup_data, nullptr);
}

// X repeats the press while the key is held; only the first one takes the backup, so changes
// made meanwhile do not survive the restore.
TEST_F(TemplatePreview, RepeatedPressesWhileHeldChangeNothing) {
    const std::string before = project();
    gtk_widget_grab_focus(area(Area::list));
    send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    const std::string backup = project_backup_data;
    const gchar *backup_text = project_backup_data;
    sprites_set_color_at_index(0, 1);
    border_color_index = 3;
    color_index_sprite_bit_pair_10 = 7;
    for (int repeat = 0; repeat < 3; repeat++) {
        send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    }
    EXPECT_EQ(project_backup_data, backup_text);
    EXPECT_EQ(std::string(project_backup_data), backup);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 7);
    EXPECT_EQ(project_backup_pending_restore, 1);
    send_key_event(GDK_KEY_z, 0, GDK_KEY_RELEASE);
    EXPECT_EQ(project(), before);
}

TEST_F(TemplatePreview, StartingThePreviewRedrawsTheFourSwatches) {
    gtk_widget_grab_focus(area(Area::left));
    flush_redraws();
    send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    for (const char *swatch : colour_swatches) {
        EXPECT_TRUE(take_queued_redraw(swatch)) << swatch;
    }
    send_key_event(GDK_KEY_z, 0, GDK_KEY_RELEASE);
}

TEST_F(TemplatePreview, ReleaseWithControlAloneKeepsThePreview) {
    const std::string before = project();
    gtk_widget_grab_focus(area(Area::right));
    send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    send_key_event(GDK_KEY_z, control, GDK_KEY_RELEASE);
    expect_template_shown();
    // Any other modifier mix releases, as does a release in another sprite area.
    gtk_widget_grab_focus(area(Area::left));
    send_key_event(GDK_KEY_z, control | shift, GDK_KEY_RELEASE);
    EXPECT_EQ(project_backup_pending_restore, 0);
    EXPECT_EQ(project(), before);
}

TEST_F(TemplatePreview, ControlZStartsNoPreview) {
    const std::string before = project();
    gtk_widget_grab_focus(area(Area::left));
    send_key_event(GDK_KEY_z, control, GDK_KEY_PRESS);
    EXPECT_EQ(project_backup_pending_restore, 0);
    EXPECT_EQ(sprites_get_array_size(), sprite_count);
    EXPECT_EQ(project(), before);
}

// Other keys released during the preview, and a release with nothing pending, do nothing.
TEST_F(TemplatePreview, OnlyTheZKeyEndsThePreview) {
    gtk_widget_grab_focus(area(Area::list));
    send_key_event(GDK_KEY_a, 0, GDK_KEY_RELEASE);
    EXPECT_EQ(sprites_get_array_size(), sprite_count);
    send_key_event(GDK_KEY_z, 0, GDK_KEY_RELEASE);
    EXPECT_EQ(sprites_get_array_size(), sprite_count);
    send_key_event(GDK_KEY_z, alt, GDK_KEY_PRESS);
    send_key_event(GDK_KEY_x, 0, GDK_KEY_RELEASE);
    send_key_event(GDK_KEY_Z, shift, GDK_KEY_RELEASE);
    expect_template_shown();
    send_key_event(GDK_KEY_z, alt, GDK_KEY_RELEASE);
    EXPECT_EQ(project_backup_pending_restore, 0);
    EXPECT_EQ(sprites_get_array_size(), sprite_count);
}

} // namespace
