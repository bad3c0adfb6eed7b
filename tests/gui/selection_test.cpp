// Mouse and keys on the side borders and the sprite list, delivered to the real drawing areas.

#include "gui_test_support.hpp"

#include "core/options.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <tuple>
#include <vector>

namespace {

using gui_test::PrintTo;

enum Area { left, right, list };
constexpr const char *area_names[] = {"drawingarea_left_border", "drawingarea_right_border",
                                      "drawingarea_sprites"};

const char *area_name(Area area) {
    return area_names[area];
}

// Slot geometry at zoom 1: border slot rows start 40 lines down, 24x21 pixels a slot; the list
// shows its slots at twice the zoom.
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
constexpr guint caps_lock = GDK_LOCK_MASK;

// The colour every sprite gets in these tests, so that the swatch tells which one it follows.
std::uint8_t colour_of(unsigned index) {
    return static_cast<std::uint8_t>(index % 16);
}

std::vector<unsigned> range(unsigned first, unsigned last) {
    std::vector<unsigned> indices(last - first + 1);
    std::iota(indices.begin(), indices.end(), first);
    return indices;
}

struct Rect {
    double x, y, width, height;
};

class Selection : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        sprites_set_array_size(sprites_capacity);
        for (unsigned index = 0; index < sprites_capacity; index++)
            sprites_set_color_at_index(index, colour_of(index));
        sprites_set_array_size(sprites_border_count);
        color_index_sprite_bit_pair_10 = untouched_swatch;
    }

    GtkWidget *area(Area which) { return widget(area_name(which)); }
    GtkWidget *focus() { return gtk_window_get_focus(GTK_WINDOW(window_main)); }

    // The slot that shows index, at the current zoom and first list row.
    Rect slot_of(Area which, unsigned index) {
        const double zoom = options_expansion;
        if (which == list) {
            const double row =
                index / 8 - gtk_range_get_value(GTK_RANGE(widget("vscrollbar_sprites")));
            return {slot_width * (index % 8) * 2 * zoom, slot_height * row * 2 * zoom,
                    slot_width * 2 * zoom, slot_height * 2 * zoom};
        }
        EXPECT_EQ(sprites_is_left_index(index), which == left) << index;
        return {slot_width * (index % 2) * zoom, (slots_top + slot_height * (index / 4)) * zoom,
                slot_width * zoom, slot_height * zoom};
    }

    bool click(Area which, unsigned index, guint state = 0) {
        const Rect slot = slot_of(which, index);
        return send_button(area(which), slot.x + slot.width / 2, slot.y + slot.height / 2, state);
    }
};

// ---- Where a click lands -------------------------------------------------------------------

class SlotsAtZoom : public Selection, public ::testing::WithParamInterface<int> {};

// Every corner pixel of every slot, the far ones reached by positions that only truncation
// keeps inside the slot; the list also scrolled down, as loading a sprite file sets it up. Just
// above the first slot row a press clears the selection, whatever the modifiers.
TEST_P(SlotsAtZoom, EveryCornerOfEverySlotSelectsItsSprite) {
    const int zoom = GetParam();
    choose_zoom(zoom);
    const auto check_slot = [this](Area which, unsigned index) {
        const Rect slot = slot_of(which, index);
        const double right = slot.x + slot.width - before_edge;
        const double bottom = slot.y + slot.height - before_edge;
        const std::pair<double, double> corners[] = {
            {slot.x, slot.y}, {right, slot.y}, {slot.x, bottom}, {right, bottom}};
        for (const auto &[x, y] : corners) {
            SCOPED_TRACE(testing::Message() << area_name(which) << " at " << x << "," << y);
            EXPECT_TRUE(send_button(area(which), x, y));
            EXPECT_EQ(selected_sprites(), std::vector{index});
            EXPECT_EQ(color_index_sprite_bit_pair_10, colour_of(index));
        }
    };
    for (unsigned index = 0; index < sprites_border_count; index++) {
        check_slot(sprites_is_left_index(index) ? left : right, index);
        check_slot(list, index);
    }
    const guint modifiers[] = {0, shift, control, control | shift};
    for (const Area side : {left, right}) {
        sprites_select_all();
        color_index_sprite_bit_pair_10 = untouched_swatch;
        gtk_widget_grab_focus(area(list));
        EXPECT_TRUE(
            send_button(area(side), 10, slots_top * zoom - before_edge, modifiers[zoom - 1]));
        EXPECT_EQ(sprites_get_selected_count(), 0u) << area_name(side);
        EXPECT_EQ(focus(), area(side));
        EXPECT_EQ(color_index_sprite_bit_pair_10, untouched_swatch);
    }
    ASSERT_TRUE(sprites_set_array_size(sprites_capacity));
    GtkRange *scrollbar = GTK_RANGE(widget("vscrollbar_sprites"));
    gtk_adjustment_configure(gtk_range_get_adjustment(scrollbar), 3, 0, 16, 1, 5, 5);
    ASSERT_EQ(gtk_range_get_value(scrollbar), 3);
    for (unsigned index = 24; index < 64; index++)
        check_slot(list, index);
}

INSTANTIATE_TEST_SUITE_P(Zoom, SlotsAtZoom, ::testing::Values(1, 2, 3, 4),
                         [](const auto &info) { return std::to_string(info.param) + "x"; });

// Double and triple clicks and the other buttons are left to GTK, on the sprite palette too.
TEST_F(Selection, OtherPressesAreLeftToGtk) {
    const std::pair<GdkEventType, guint> presses[] = {
        {GDK_2BUTTON_PRESS, 1}, {GDK_3BUTTON_PRESS, 1}, {GDK_BUTTON_PRESS, 3}};
    for (const auto &[type, button] : presses)
        for (const char *name : {area_names[0], area_names[2], "drawingarea_sprite_palette"})
            EXPECT_FALSE(send_button(widget(name), 30, 100, 0, type, button)) << name << type;
    EXPECT_EQ(sprites_get_selected_count(), sprites_capacity);
    EXPECT_EQ(color_index_sprite_bit_pair_10, untouched_swatch);
}

// ---- Clicks with modifiers -----------------------------------------------------------------

struct Click {
    Area area;
    unsigned index;
    guint state = 0;
};

// The clicks before the one under test, the sprites in use for it, and what it leaves.
struct ClickCase {
    const char *name;
    std::vector<Click> before;
    Click click;
    std::vector<unsigned> selected;
    int swatch_sprite; // whose colour the swatch shows afterwards, or -1 for untouched
    unsigned in_use = sprites_border_count;
};

class Clicks : public Selection, public ::testing::WithParamInterface<ClickCase> {};

// The swatch is drawn again exactly when it takes another sprite's colour.
TEST_P(Clicks, ActOnTheSelectionAsTheirModifiersSay) {
    const ClickCase &c = GetParam();
    for (const Click &step : c.before)
        ASSERT_TRUE(click(step.area, step.index, step.state));
    ASSERT_TRUE(sprites_set_array_size(c.in_use));
    const std::uint8_t swatch_before = color_index_sprite_bit_pair_10;
    flush_redraws();

    EXPECT_TRUE(click(c.click.area, c.click.index, c.click.state));
    EXPECT_EQ(selected_sprites(), c.selected);
    EXPECT_EQ(color_index_sprite_bit_pair_10,
              c.swatch_sprite < 0 ? untouched_swatch : colour_of(c.swatch_sprite));
    EXPECT_EQ(focus(), area(c.click.area));
    EXPECT_EQ(take_queued_redraw("drawingarea_color_sprite_bit_pair_10"),
              color_index_sprite_bit_pair_10 != swatch_before);
}

// A plain click on the first sprite and a Control+click on the second set the last selected
// sprite and both side anchors.
const std::vector<Click> left_1st{{left, 1}, {right, 2, control}};
const std::vector<Click> right_1st{{right, 2}, {left, 1, control}};
const std::vector<Click> list_1st{{list, 1}, {list, 2, control}};
constexpr guint ctrl_shift = control | shift;

INSTANTIATE_TEST_SUITE_P(
    Modifiers, Clicks,
    ::testing::Values(
        ClickCase{"LeftPlain", left_1st, {left, 9}, {9}, 9},
        ClickCase{"LeftShiftReplacesByRange", left_1st, {left, 9, shift}, {1, 4, 5, 8, 9}, 2},
        ClickCase{
            "LeftControlShiftAddsRange", left_1st, {left, 9, ctrl_shift}, {1, 2, 4, 5, 8, 9}, 2},
        ClickCase{"LeftControlToggles", left_1st, {left, 9, control}, {1, 2, 9}, 9},
        ClickCase{"LeftAltControlShift", left_1st, {left, 9, alt | ctrl_shift}, {9}, 9},
        ClickCase{"LeftCapsAndNumLockShift",
                  left_1st,
                  {left, 9, caps_lock | GDK_MOD2_MASK | shift},
                  {1, 4, 5, 8, 9},
                  2},
        ClickCase{"RightPlain", right_1st, {right, 11}, {11}, 11},
        ClickCase{"RightShift", right_1st, {right, 11, shift}, {2, 3, 6, 7, 10, 11}, 1},
        ClickCase{
            "RightControlShift", right_1st, {right, 11, ctrl_shift}, {1, 2, 3, 6, 7, 10, 11}, 1},
        ClickCase{"ListPlain", list_1st, {list, 9}, {9}, 9},
        ClickCase{"ListShift", list_1st, {list, 9, shift}, range(2, 9), 2},
        ClickCase{"ListControlShift", list_1st, {list, 9, ctrl_shift}, range(1, 9), 2},
        // After start-up every sprite is selected and no anchor is set: nowhere to range from.
        ClickCase{"LeftShiftWithoutAnchor", {}, {left, 5, shift}, range(0, 39), -1},
        // Each border ranges from its own anchor only.
        ClickCase{"LeftShiftAnchoredRight", {{right, 6}}, {left, 9, shift}, {6}, 6},
        // Beyond the sprites in use a plain click clears and shows colour 0; others do nothing.
        ClickCase{"LeftPlainOnEmptySlot", {{left, 5}}, {left, 13}, {}, 0, 10},
        ClickCase{"LeftControlOnEmptySlot", {{left, 5}}, {left, 13, control}, {5}, 5, 10},
        // Below the tenth slot row the formula goes on to sprites without a border slot.
        ClickCase{"LeftBelowTheSlotRows", {}, {left, 40}, {}, 0},
        ClickCase{"RightBelowTheSlotRowsAllInUse", {}, {right, 42}, {42}, 42, sprites_capacity}),
    case_name);

// ---- Keys ----------------------------------------------------------------------------------

struct KeyCase {
    const char *name;
    Area area;
    unsigned start;
    guint keyval;
    guint state;
    unsigned selected; // the start sprite itself when nothing moves
};

class Keys : public Selection, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(Keys, MoveTheSingleSelectionWithinTheSpritesOrAreConsumed) {
    const KeyCase &c = GetParam();
    ASSERT_TRUE(click(c.area, c.start));
    color_index_sprite_bit_pair_10 = untouched_swatch;

    tap_key(c.keyval, c.state);
    EXPECT_EQ(selected_sprites(), std::vector{c.selected});
    EXPECT_EQ(color_index_sprite_bit_pair_10,
              c.selected != c.start ? colour_of(c.selected) : untouched_swatch);
    EXPECT_EQ(focus(), area(c.area));
    EXPECT_EQ(project_backup_pending_restore, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, Keys,
    ::testing::Values(KeyCase{"ListDownIsEightOn", list, 3, GDK_KEY_Down, 0, 11},
                      KeyCase{"ListLeft", list, 12, GDK_KEY_Left, 0, 11},
                      KeyCase{"ListDownPastTheLast", list, 33, GDK_KEY_Down, 0, 33},
                      KeyCase{"BorderDownIsFourOn", right, 3, GDK_KEY_Down, 0, 7},
                      KeyCase{"BorderLeftFromTheFirst", left, 0, GDK_KEY_Left, 0, 0},
                      KeyCase{"BorderRightCrosses", left, 5, GDK_KEY_Right, 0, 6},
                      KeyCase{"ShiftDoesNotStopAnArrow", list, 3, GDK_KEY_Down, shift, 11},
                      KeyCase{"ControlArrowIsConsumed", list, 3, GDK_KEY_Down, control, 3},
                      KeyCase{"KeypadArrowIsConsumed", list, 3, GDK_KEY_KP_Down, 0, 3},
                      KeyCase{"ControlShiftAIsConsumed", left, 5, GDK_KEY_A, ctrl_shift, 5},
                      KeyCase{"ShiftZIsConsumed", left, 5, GDK_KEY_Z, shift, 5},
                      KeyCase{"TabIsConsumed", right, 6, GDK_KEY_Tab, 0, 6}),
    case_name);

// A sprite file with fewer sprites loaded since the last selection: a move back from beyond
// the new count clears the selection.
TEST_F(Selection, MovingBackFromBeyondTheCountClearsTheSelection) {
    ASSERT_TRUE(click(list, 30));
    ASSERT_TRUE(sprites_set_array_size(12));
    color_index_sprite_bit_pair_10 = untouched_swatch;
    tap_key(GDK_KEY_Left);
    EXPECT_EQ(sprites_get_selected_count(), 0u);
    EXPECT_EQ(color_index_sprite_bit_pair_10, untouched_swatch);
}

// Control+A selects the focused area's sprites besides those already selected; Caps Lock does
// not hide the Control key.
TEST_F(Selection, ControlAAndControlNActOnTheFocusedArea) {
    const std::tuple<Area, Area, unsigned, guint> cases[] = {
        {left, right, 2, control}, {right, left, 1, control | caps_lock}, {list, list, 1, control}};
    for (const auto &[which, other, other_index, state] : cases) {
        SCOPED_TRACE(area_name(which));
        ASSERT_TRUE(click(other, other_index));
        gtk_widget_grab_focus(area(which));
        flush_redraws();
        tap_key(GDK_KEY_a, state);
        EXPECT_TRUE(take_queued_redraw("drawingarea_sprites"));
        EXPECT_EQ(sprites_get_selected_count(),
                  which == list ? sprites_capacity : sprites_capacity / 2 + 1);
        for (unsigned index = 0; index < sprites_border_count; index++) {
            std::int32_t selected = 0;
            sprites_get_selected_at_index(index, &selected);
            EXPECT_EQ(selected == 1, which == list || index == other_index ||
                                         sprites_is_left_index(index) == (which == left))
                << index;
        }
        flush_redraws();
        tap_key(GDK_KEY_n, state);
        EXPECT_EQ(sprites_get_selected_count(), 0u);
        EXPECT_TRUE(take_queued_redraw("drawingarea_left_border"));
    }
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
    for (GList *element = after; element != nullptr; element = element->next)
        if (g_list_find(before, element->data) == nullptr)
            tooltip_window = GTK_WIDGET(element->data);
    g_list_free(before);
    g_list_free(after);
    gboolean shown = FALSE;
    g_signal_emit_by_name(area, "query-tooltip", x, y, FALSE, tooltip, &shown);
    std::string text;
    char *plain = nullptr;
    // The label holds markup; the static hint was escaped into it.
    if (tooltip_window != nullptr && shown &&
        pango_parse_markup(label_texts(tooltip_window).at(0).c_str(), -1, 0, nullptr, &plain,
                           nullptr, nullptr))
        text = plain;
    g_free(plain);
    g_object_unref(tooltip);
    return text;
}

constexpr const char *static_hint =
    "Hover on a sprite to show its attributes; hold down the 'z' key to show the sprite template";

// The sprite under the pointer at each zoom, in 30 sprites; the static hint elsewhere.
TEST_F(Selection, TooltipsDescribeTheSpriteUnderThePointer) {
    ASSERT_TRUE(sprites_set_array_size(30));
    const std::tuple<int, Area, int, int, const char *> hovers[] = {
        {2, left, 60, 150, "Sprite: 5\nColor: 5"},
        {3, right, 143, 3 * 187 - 1, "Sprite: 27\nColor: 11"},
        {4, list, 8 * 24, 8 * 21 * 3 + 7, "Sprite: 25\nColor: 9"},
        {1, right, 30, 40 + 21 * 7, static_hint},
        {2, list, 4 * 24 * 6, 4 * 21 * 3, static_hint}};
    for (const auto &[zoom, which, x, y, text] : hovers) {
        choose_zoom(zoom);
        EXPECT_EQ(tooltip_text(area(which), x, y), text)
            << area_name(which) << " " << x << "," << y;
    }
}

// ---- The template preview ------------------------------------------------------------------

// With no file loaded the backup names no group before the sprite lines, so it does not parse
// as a project: the preview ends and the store keeps the template it shows.
TEST_F(Selection, WithNothingLoadedThePreviewEndsOnTheTemplate) {
    ASSERT_TRUE(click(left, 5));
    send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    EXPECT_EQ(project_backup_pending_restore, 1);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 13);
    send_key_event(GDK_KEY_z, 0, GDK_KEY_RELEASE);
    EXPECT_EQ(project_backup_pending_restore, 0);
    EXPECT_EQ(sprites_get_array_size(), sprites_border_count);
    EXPECT_EQ(sprites_get_record_at_index(5)->color, 13);
    EXPECT_EQ(picture_loaded, 0);
    EXPECT_EQ(sprites_loaded, 0);
}

// The example picture and sprite file, loaded as the File menu loads them, and the sprites
// given colours, multicolour flags and shared colours of their own.
class TemplatePreview : public Selection {
  protected:
    void SetUp() override {
        Selection::SetUp();
        put_picture(example_path("welcome.pet"));
        put_sprites(example_path("shapes.prg"));
        sprite_count = sprites_get_array_size();
        ASSERT_NE(sprite_count, sprites_border_count);
        for (unsigned index = 0; index < sprite_count; index++) {
            sprites_set_color_at_index(index, colour_of(index));
            sprites_set_multicolor_at_index(index, index % 3 == 1);
        }
        sprites_set_multicolor0(11);
        sprites_set_multicolor1(12);
        border_color_index = 9;
        color_index_sprite_bit_pair_10 = colour_of(0);
    }

    // The text holds every colour and multicolour flag; the bitmaps come from the sprite file.
    std::string project() const {
        std::string text = project_get_file_text(
            utf8_path_and_filename_picture, utf8_path_and_filename_sprites, border_color_index);
        for (unsigned index = 0; index < sprites_get_array_size(); index++) {
            const SpriteRecord *record = sprites_get_record_at_index(index);
            text.append(record->data, record->data + sprite_data_size);
        }
        return text;
    }

    unsigned sprite_count = 0;
};

// X repeats the press while the key is held; only the first one takes the backup, so changes
// made meanwhile do not survive the restore.
TEST_F(TemplatePreview, HoldingZShowsTheTemplateAndReleasingRestoresTheProject) {
    ASSERT_TRUE(click(left, 4));
    ASSERT_TRUE(click(right, 6, control));
    color_index_sprite_bit_pair_10 = colour_of(0);
    const std::string before = project();
    const std::string backup =
        project_get_backup_text(utf8_path_and_filename_picture, utf8_path_and_filename_sprites, 9);
    flush_redraws();

    send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    EXPECT_EQ(project_backup_pending_restore, 1);
    ASSERT_NE(project_backup_data, nullptr);
    EXPECT_EQ(std::string(project_backup_data), backup);
    ASSERT_EQ(sprites_get_array_size(), sprites_border_count);
    for (unsigned index = 0; index < sprites_border_count; index++) {
        const SpriteRecord *record = sprites_get_record_at_index(index);
        const bool red = (index >= 16 && index <= 23) || (index >= 28 && index <= 35);
        EXPECT_EQ(record->color, red ? 10 : 13) << index;
        EXPECT_TRUE(std::equal(record->data, record->data + sprite_data_size,
                               sprites_get_template_entry(index).begin()))
            << index;
    }
    EXPECT_EQ(color_index_sprite_bit_pair_10, 13);
    EXPECT_FALSE(
        gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget("checkbutton_sprite_multicolor"))));
    for (const char *swatch :
         {"drawingarea_color_sprite_bit_pair_00", "drawingarea_color_sprite_bit_pair_01",
          "drawingarea_color_sprite_bit_pair_10", "drawingarea_color_sprite_bit_pair_11"})
        EXPECT_TRUE(take_queued_redraw(swatch)) << swatch;
    EXPECT_EQ(selected_sprites(), (std::vector<unsigned>{4, 6}));

    const gchar *backup_data = project_backup_data;
    border_color_index = 3;
    color_index_sprite_bit_pair_10 = 7;
    for (int repeat = 0; repeat < 3; repeat++)
        send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    EXPECT_EQ(project_backup_data, backup_data);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 7);

    send_key_event(GDK_KEY_z, 0, GDK_KEY_RELEASE);
    EXPECT_EQ(project_backup_pending_restore, 0);
    EXPECT_EQ(project(), before);
    EXPECT_EQ(selected_sprites(), (std::vector<unsigned>{4, 6}));
    EXPECT_EQ(color_index_sprite_bit_pair_10, colour_of(0));
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_loaded, 1);
    // The backup stays until the next preview replaces it.
    EXPECT_NE(project_backup_data, nullptr);
}

// Control+z starts no preview; only a release of 'z' with other than Control alone ends it, in
// any sprite area; other keys change nothing.
TEST_F(TemplatePreview, OnlyTheZKeyWithoutControlAloneEndsThePreview) {
    const std::string before = project();
    const std::tuple<Area, guint, guint, GdkEventType, bool> steps[] = {
        {left, GDK_KEY_z, control, GDK_KEY_PRESS, false},
        {list, GDK_KEY_a, 0, GDK_KEY_RELEASE, false},
        {list, GDK_KEY_z, 0, GDK_KEY_RELEASE, false},
        {list, GDK_KEY_z, alt, GDK_KEY_PRESS, true},
        {list, GDK_KEY_x, 0, GDK_KEY_RELEASE, true},
        {list, GDK_KEY_Z, shift, GDK_KEY_RELEASE, true},
        {right, GDK_KEY_z, control, GDK_KEY_RELEASE, true},
        {left, GDK_KEY_z, control | shift, GDK_KEY_RELEASE, false}};
    for (const auto &[which, keyval, state, type, showing] : steps) {
        SCOPED_TRACE(testing::Message() << gdk_keyval_name(keyval) << " state " << state);
        gtk_widget_grab_focus(area(which));
        send_key_event(keyval, state, type);
        EXPECT_EQ(project_backup_pending_restore, showing);
        EXPECT_EQ(sprites_get_array_size(), showing ? sprites_border_count : sprite_count);
    }
    EXPECT_EQ(project(), before);
}

} // namespace
