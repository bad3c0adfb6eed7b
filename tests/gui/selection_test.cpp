// Mouse and keys on the side borders, the sprite list and the sprite palette, delivered to the
// real drawing areas: selection, tooltips, the template preview and picking colours.

#include "gui_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <tuple>

namespace {

using gui_test::PrintTo;

enum Area { left, right, list };
constexpr const char *area_names[] = {"drawingarea_left_border", "drawingarea_right_border",
                                      "drawingarea_sprites"};
constexpr std::uint8_t untouched = 99; // no sprite has this colour
constexpr guint ctrl = GDK_CONTROL_MASK, shift = GDK_SHIFT_MASK, alt = GDK_MOD1_MASK;

std::vector<unsigned> range(unsigned first, unsigned last) {
    std::vector<unsigned> indices;
    for (unsigned index = first; index <= last; index++)
        indices.push_back(index);
    return indices;
}

// The border sprites of one side, and others.
std::vector<unsigned> side_and(Area side, std::vector<unsigned> others) {
    for (unsigned index = 0; index < sprites_border_count; index++)
        if (sprites_is_left_index(index) == (side == left))
            others.push_back(index);
    std::sort(others.begin(), others.end());
    return others;
}

// Sprite k has colour k mod 16, so that the swatch tells which one it follows.
class Selection : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        sprites_set_array_size(sprites_capacity);
        for (unsigned index = 0; index < sprites_capacity; index++)
            sprites_set_color_at_index(index, index % 16);
        sprites_set_array_size(sprites_border_count);
        color_index_sprite_bit_pair_10 = untouched;
    }
    GtkWidget *area(Area which) { return widget(area_names[which]); }
    void activate(const std::string &pair) {
        gtk_toggle_button_set_active(
            GTK_TOGGLE_BUTTON(widget(("radiobutton_color_sprite_bit_pair_" + pair).c_str())), TRUE);
        process_events(20);
    }
    GtkWidget *focus() { return gtk_window_get_focus(GTK_WINDOW(window_main)); }

    // A press at fractions (fx, fy) of the 24x21 slot showing index: border rows from line 40,
    // the list at twice the zoom from its scrolled row; 1 is a quarter pixel inside the edge.
    std::pair<double, double> point(Area which, unsigned index, double fx, double fy) {
        const double scale = options_expansion * (which == list ? 2 : 1);
        const double row =
            which == list ? index / 8 - gtk_range_get_value(GTK_RANGE(widget("vscrollbar_sprites")))
                          : 40.0 / 21 + index / 4;
        const double column = which == list ? index % 8 : index % 2;
        return {24 * (column + fx) * scale - (fx == 1 ? 0.25 : 0),
                21 * (row + fy) * scale - (fy == 1 ? 0.25 : 0)};
    }
    bool click(Area which, unsigned index, guint state = 0) {
        const auto [x, y] = point(which, index, 0.5, 0.5);
        return send_button(area(which), x, y, state);
    }
    // What the tooltip shows: the area's query-tooltip emission with a real tooltip, whose label
    // in a new toplevel window carries the text; GTK shows the static hint when handlers decline.
    std::string tooltip_at(Area which, double x, double y) {
        GList *before = gtk_window_list_toplevels();
        GObject *tooltip = G_OBJECT(g_object_new(GTK_TYPE_TOOLTIP, nullptr));
        GList *after = gtk_window_list_toplevels();
        GtkWidget *window = nullptr;
        for (GList *element = after; element != nullptr; element = element->next)
            if (g_list_find(before, element->data) == nullptr)
                window = GTK_WIDGET(element->data);
        g_list_free(before);
        g_list_free(after);
        gboolean shown = FALSE;
        g_signal_emit_by_name(area(which), "query-tooltip", int(x), int(y), FALSE, tooltip, &shown);
        char *plain = nullptr;
        if (shown)
            pango_parse_markup(label_texts(window).at(0).c_str(), -1, 0, nullptr, &plain, nullptr,
                               nullptr);
        const std::string text = plain != nullptr ? plain : "";
        g_free(plain);
        g_object_unref(tooltip);
        return text;
    }
};

constexpr const char *hint =
    "Hover on a sprite to show its attributes; hold down the 'z' key to show the sprite template";

class SlotsAtZoom : public Selection, public ::testing::WithParamInterface<int> {};

// Every corner pixel of every slot, the list also scrolled down, selects its sprite and shows
// it in the tooltip; just above the first border slot row a press clears the selection,
// whatever the modifiers, and the tooltip is the static hint, as beyond the sprites in use.
TEST_P(SlotsAtZoom, EveryCornerSelectsItsSpriteAndShowsItsTooltip) {
    const int zoom = GetParam();
    choose_zoom(zoom);
    const auto check = [this](Area which, unsigned index) {
        for (const auto &[fx, fy] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}, {1.0, 1.0}}) {
            const auto [x, y] = point(which, index, fx, fy);
            EXPECT_TRUE(send_button(area(which), x, y));
            EXPECT_EQ(selected_sprites(), std::vector{index}) << which << " " << fx << fy;
            EXPECT_EQ(color_index_sprite_bit_pair_10, index % 16);
            EXPECT_EQ(tooltip_at(which, x, y), "Sprite: " + std::to_string(index) +
                                                   "\nColor: " + std::to_string(index % 16));
        }
    };
    for (unsigned index = 0; index < sprites_border_count; index++) {
        check(sprites_is_left_index(index) ? left : right, index);
        check(list, index);
    }
    const guint modifiers[] = {0, shift, ctrl, ctrl | shift};
    for (const Area side : {left, right}) {
        sprites_select_all();
        color_index_sprite_bit_pair_10 = untouched;
        gtk_widget_grab_focus(area(list));
        EXPECT_TRUE(send_button(area(side), 10, 40 * zoom - 0.25, modifiers[zoom - 1]));
        EXPECT_EQ(tooltip_at(side, 10, 40 * zoom - 0.25), hint);
        EXPECT_EQ(sprites_get_selected_count(), 0u);
        EXPECT_EQ(focus(), area(side));
        EXPECT_EQ(color_index_sprite_bit_pair_10, untouched);
    }
    ASSERT_TRUE(sprites_set_array_size(sprites_capacity));
    gtk_adjustment_configure(gtk_range_get_adjustment(GTK_RANGE(widget("vscrollbar_sprites"))), 3,
                             0, 16, 1, 5, 5);
    for (unsigned index = 24; index < 64; index++)
        check(list, index);
    ASSERT_TRUE(sprites_set_array_size(30));
    EXPECT_EQ(tooltip_at(list, point(list, 35, 0.5, 0.5).first, point(list, 35, 0.5, 0.5).second),
              hint);
}

INSTANTIATE_TEST_SUITE_P(Zoom, SlotsAtZoom, ::testing::Values(1, 2, 3, 4));

// Double and triple clicks and the other buttons are left to GTK, on the sprite palette too.
TEST_F(Selection, OtherPressesAreLeftToGtk) {
    for (const auto &[type, button] :
         {std::pair{GDK_2BUTTON_PRESS, 1u}, {GDK_3BUTTON_PRESS, 1u}, {GDK_BUTTON_PRESS, 3u}})
        for (const char *name : {area_names[0], area_names[2], "drawingarea_sprite_palette"})
            EXPECT_FALSE(send_button(widget(name), 30, 100, 0, type, button)) << name << type;
    EXPECT_EQ(sprites_get_selected_count(), sprites_capacity);
    EXPECT_EQ(color_index_sprite_bit_pair_10, untouched);
}

// A click on the slot of index, or a key tapped on the area when key is set.
struct Step {
    Area area;
    unsigned index = 0;
    guint state = 0;
    guint key = 0;
};

struct StepCase {
    const char *name;
    std::vector<Step> before;
    Step step;
    std::vector<unsigned> selected;
    int swatch_sprite; // whose colour the swatch takes, or -1 when it is left alone
    unsigned in_use = sprites_border_count;
};

class Steps : public Selection, public ::testing::WithParamInterface<StepCase> {};

// The swatch and the sprite views are drawn again exactly when they change.
TEST_P(Steps, ActOnTheSelection) {
    const StepCase &c = GetParam();
    const auto run = [this](const Step &step) {
        if (step.key == 0)
            return click(step.area, step.index, step.state);
        gtk_widget_grab_focus(area(step.area));
        tap_key(step.key, step.state);
        return true;
    };
    for (const Step &step : c.before)
        ASSERT_TRUE(run(step));
    ASSERT_TRUE(sprites_set_array_size(c.in_use));
    const std::vector<unsigned> before = selected_sprites();
    color_index_sprite_bit_pair_10 = untouched;
    flush_redraws();

    EXPECT_TRUE(run(c.step));
    EXPECT_EQ(selected_sprites(), c.selected);
    EXPECT_EQ(color_index_sprite_bit_pair_10,
              c.swatch_sprite < 0 ? untouched : c.swatch_sprite % 16);
    EXPECT_EQ(take_queued_redraw("drawingarea_color_sprite_bit_pair_10"), c.swatch_sprite >= 0);
    EXPECT_EQ(take_queued_redraw("drawingarea_sprites"), c.step.key == 0 || c.selected != before);
    EXPECT_EQ(focus(), area(c.step.area));
    EXPECT_EQ(project_backup_pending_restore, 0);
}

// A plain click on the first and a Control+click on the second set both side anchors.
const std::vector<Step> left_1st{{left, 1}, {right, 2, ctrl}};
const std::vector<Step> right_1st{{right, 2}, {left, 1, ctrl}};
const std::vector<Step> list_1st{{list, 1}, {list, 2, ctrl}};

INSTANTIATE_TEST_SUITE_P(
    Clicks, Steps,
    ::testing::Values(
        StepCase{"LeftPlain", left_1st, {left, 9}, {9}, 9},
        StepCase{"LeftShiftReplacesByRange", left_1st, {left, 9, shift}, {1, 4, 5, 8, 9}, -1},
        StepCase{
            "LeftCtrlShiftAddsRange", left_1st, {left, 9, ctrl | shift}, {1, 2, 4, 5, 8, 9}, -1},
        StepCase{"LeftCtrlToggles", left_1st, {left, 9, ctrl}, {1, 2, 9}, 9},
        StepCase{"LeftAltCtrlShift", left_1st, {left, 9, alt | ctrl | shift}, {9}, 9},
        StepCase{"LocksIgnored",
                 left_1st,
                 {left, 9, GDK_LOCK_MASK | GDK_MOD2_MASK | shift},
                 {1, 4, 5, 8, 9},
                 -1},
        StepCase{"RightPlain", right_1st, {right, 11}, {11}, 11},
        StepCase{"RightShift", right_1st, {right, 11, shift}, {2, 3, 6, 7, 10, 11}, -1},
        StepCase{
            "RightCtrlShift", right_1st, {right, 11, ctrl | shift}, {1, 2, 3, 6, 7, 10, 11}, -1},
        StepCase{"ListPlain", list_1st, {list, 9}, {9}, 9},
        StepCase{"ListShift", list_1st, {list, 9, shift}, range(2, 9), -1},
        StepCase{"ListCtrlShift", list_1st, {list, 9, ctrl | shift}, range(1, 9), -1},
        // At start-up every sprite is selected and no anchor is set.
        StepCase{"ShiftWithoutAnchor", {}, {left, 5, shift}, range(0, 39), -1},
        StepCase{"EachBorderRangesFromItsOwnAnchor", {{right, 6}}, {left, 9, shift}, {6}, -1},
        // Beyond the sprites in use a plain click clears and shows colour 0.
        StepCase{"PlainOnEmptySlot", {{left, 5}}, {left, 13}, {}, 0, 10},
        StepCase{"CtrlOnEmptySlot", {{left, 5}}, {left, 13, ctrl}, {5}, -1, 10},
        StepCase{"BelowTheSlotRows", {}, {left, 40}, {}, 0},
        StepCase{"BelowTheSlotRowsAllInUse", {}, {right, 42}, {42}, 42, sprites_capacity}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Keys, Steps,
    ::testing::Values(
        StepCase{"ListDownIsEightOn", {{list, 3}}, {list, 0, 0, GDK_KEY_Down}, {11}, 11},
        StepCase{"ListUpIsEightBack", {{list, 12}}, {list, 0, 0, GDK_KEY_Up}, {4}, 4},
        StepCase{"ListLeft", {{list, 12}}, {list, 0, 0, GDK_KEY_Left}, {11}, 11},
        StepCase{"ListDownPastTheLast", {{list, 33}}, {list, 0, 0, GDK_KEY_Down}, {33}, -1},
        StepCase{"BorderDownIsFourOn", {{right, 3}}, {right, 0, 0, GDK_KEY_Down}, {7}, 7},
        StepCase{"BorderUpIsFourBack", {{left, 9}}, {left, 0, 0, GDK_KEY_Up}, {5}, 5},
        StepCase{"LeftFromTheFirst", {{left, 0}}, {left, 0, 0, GDK_KEY_Left}, {0}, -1},
        StepCase{"RightCrossesBorders", {{left, 5}}, {left, 0, 0, GDK_KEY_Right}, {6}, 6},
        StepCase{"ShiftArrowMoves", {{list, 3}}, {list, 0, shift, GDK_KEY_Down}, {11}, 11},
        StepCase{"CtrlArrowConsumed", {{list, 3}}, {list, 0, ctrl, GDK_KEY_Down}, {3}, -1},
        StepCase{"KeypadArrowConsumed", {{list, 3}}, {list, 0, 0, GDK_KEY_KP_Down}, {3}, -1},
        StepCase{"CtrlShiftAConsumed", {{left, 5}}, {left, 0, ctrl | shift, GDK_KEY_A}, {5}, -1},
        StepCase{"ShiftZConsumed", {{left, 5}}, {left, 0, shift, GDK_KEY_Z}, {5}, -1},
        StepCase{"TabConsumed", {{right, 6}}, {right, 0, 0, GDK_KEY_Tab}, {6}, -1},
        // A shorter sprite file loaded since: a move back from beyond the count clears.
        StepCase{"BackFromBeyondTheCount", {{list, 30}}, {list, 0, 0, GDK_KEY_Left}, {}, -1, 12},
        StepCase{"CtrlAAddsTheLeftBorder",
                 {{right, 2}},
                 {left, 0, ctrl, GDK_KEY_a},
                 side_and(left, {2}),
                 -1},
        StepCase{"CtrlAWithCapsLock",
                 {{left, 1}},
                 {right, 0, ctrl | GDK_LOCK_MASK, GDK_KEY_a},
                 side_and(right, {1}),
                 -1},
        StepCase{"CtrlAInTheList", {{list, 1}}, {list, 0, ctrl, GDK_KEY_a}, range(0, 39), -1},
        StepCase{"CtrlNClears", {{list, 1}}, {list, 0, ctrl, GDK_KEY_n}, {}, -1}),
    case_name);

// The example files loaded, the sprites given colours, multicolour flags and shared colours of
// their own. X repeats the press while 'z' is held: only the first takes the backup, and only
// a release of 'z' with other than Control alone ends the preview.
TEST_F(Selection, HoldingZShowsTheTemplateAndReleasingRestoresTheProject) {
    put_picture(example_path("welcome.pet"));
    put_sprites(example_path("shapes.prg"));
    const unsigned count = sprites_get_array_size();
    for (unsigned index = 0; index < count; index++) {
        sprites_set_multicolor_at_index(index, index % 3 == 1);
        sprites_set_color_at_index(index, (index + 5) % 16);
    }
    sprites_set_multicolor0(11);
    sprites_set_multicolor1(12);
    border_color_index = 9;
    ASSERT_TRUE(click(left, 4));
    ASSERT_TRUE(click(right, 6, ctrl));
    const auto project = [] {
        std::string text = project_get_file_text(
            utf8_path_and_filename_picture, utf8_path_and_filename_sprites, border_color_index);
        for (unsigned index = 0; index < sprites_get_array_size(); index++)
            text.append(sprites_get_record_at_index(index)->data,
                        sprites_get_record_at_index(index)->data + sprite_data_size);
        return text;
    };
    const std::string before = project();
    flush_redraws();

    send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    ASSERT_EQ(sprites_get_array_size(), sprites_border_count);
    EXPECT_TRUE(std::equal(sprites_get_record_at_index(39)->data,
                           sprites_get_record_at_index(39)->data + sprite_data_size,
                           sprites_get_template_entry(39).begin()));
    EXPECT_EQ(color_index_sprite_bit_pair_10, 13);
    EXPECT_FALSE(
        gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget("checkbutton_sprite_multicolor"))));
    for (const char *pair : {"00", "01", "10", "11"})
        EXPECT_TRUE(
            take_queued_redraw((std::string("drawingarea_color_sprite_bit_pair_") + pair).c_str()));
    EXPECT_EQ(selected_sprites(), (std::vector<unsigned>{4, 6}));
    const gchar *backup_data = project_backup_data;
    border_color_index = 3;
    color_index_sprite_bit_pair_10 = 7;
    for (int repeat = 0; repeat < 3; repeat++)
        send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    EXPECT_EQ(project_backup_data, backup_data);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 7);

    const std::tuple<Area, guint, guint, GdkEventType, bool> steps[] = {
        {right, GDK_KEY_z, ctrl, GDK_KEY_RELEASE, true},
        {left, GDK_KEY_z, ctrl | shift, GDK_KEY_RELEASE, false},
        {list, GDK_KEY_a, 0, GDK_KEY_RELEASE, false},
        {list, GDK_KEY_z, 0, GDK_KEY_RELEASE, false},
        {list, GDK_KEY_z, alt, GDK_KEY_PRESS, true},
        {list, GDK_KEY_x, 0, GDK_KEY_RELEASE, true},
        {list, GDK_KEY_Z, shift, GDK_KEY_RELEASE, true},
        {list, GDK_KEY_z, 0, GDK_KEY_RELEASE, false}};
    for (const auto &[which, keyval, state, type, showing] : steps) {
        SCOPED_TRACE(testing::Message() << gdk_keyval_name(keyval) << " state " << state);
        gtk_widget_grab_focus(area(which));
        send_key_event(keyval, state, type);
        EXPECT_EQ(project_backup_pending_restore, showing);
        EXPECT_EQ(sprites_get_array_size(), showing ? sprites_border_count : count);
        if (!showing) {
            EXPECT_EQ(project(), before);
            EXPECT_EQ(selected_sprites(), (std::vector<unsigned>{4, 6}));
            EXPECT_EQ(color_index_sprite_bit_pair_10, 5); // sprite 0's
            EXPECT_EQ(picture_loaded + sprites_loaded, 2);
        }
    }
}

// Each bit pair with the colour its swatch shows.
const std::pair<const char *, std::uint8_t (*)()> bit_pairs[] = {
    {"00", sprites_get_background_color},
    {"01", sprites_get_multicolor0},
    {"10", [] { return color_index_sprite_bit_pair_10; }},
    {"11", sprites_get_multicolor1}};

// Only the active button's colour changes and only its swatch and the sprite views are queued
// for drawing. Each swatch is closed on its right by a separator column, which belongs to it;
// presses past the strip's end go on counting swatches of the zoomed width, modulo 16.
TEST_F(Selection, PaletteStripSetsTheActiveBitPairsColour) {
    const std::tuple<const char *, int, double, std::uint8_t> presses[] = {
        {"01", 1, 0.0, 0},
        {"00", 1, 255.9, 15},
        {"11", 1, 31.0, 1},
        {"10", 2, 95.9, 2},
        {"01", 2, 96.0, 3},
        {"10", 3, 768.5, 0},
        {"11", 4, 1024.0 + 64 * 5 + 3, 5}};
    for (const auto &[active, zoom, x, colour] : presses) {
        SCOPED_TRACE(testing::Message() << active << " " << zoom << " " << x);
        choose_zoom(zoom);
        activate(active);
        const auto other = static_cast<std::uint8_t>((colour + 1) % 16);
        sprites_set_background_color(other);
        sprites_set_multicolor0(other);
        sprites_set_multicolor1(other);
        color_index_sprite_bit_pair_10 = other;
        flush_redraws();
        EXPECT_TRUE(send_button(widget("drawingarea_sprite_palette"), x, 1.0));
        for (const auto &[pair, shown] : bit_pairs) {
            EXPECT_EQ(shown(), pair == std::string(active) ? colour : other) << pair;
            EXPECT_EQ(take_queued_redraw(
                          (std::string("drawingarea_color_sprite_bit_pair_") + pair).c_str()),
                      pair == std::string(active))
                << pair;
        }
        for (const char *area :
             {"drawingarea_sprites", "drawingarea_left_border", "drawingarea_right_border"})
            EXPECT_TRUE(take_queued_redraw(area)) << area;
        EXPECT_EQ(borders_first_difference(), "");
    }
}

// Sprites 16-23 share their colour with the sprite four places on, 28-35 likewise, when the
// partner is in use.
TEST_F(Selection, LinkedPairsKeepTheirColoursTogether) {
    const std::tuple<unsigned, std::vector<unsigned>, std::vector<unsigned>> picks[] = {
        {40, {16}, {16, 20}},
        {40, {20}, {16, 20}},
        {40, {32}, {28, 32}},
        {40, {19, 35}, {19, 23, 31, 35}},
        {40, {24}, {24}},
        {20, {16}, {16}},
        {33, {28, 29}, {28, 29, 32}}};
    activate("10");
    for (const auto &[in_use, selected, recoloured] : picks) {
        sprites_set_array_size(sprites_border_count);
        sprites_select_all();
        sprites_set_color_for_selection(1);
        sprites_select_none();
        for (const unsigned index : selected)
            sprites_set_selected_at_index(index, 1);
        sprites_set_array_size(in_use);
        send_button(widget("drawingarea_sprite_palette"), 16 * 5 + 8, 8);
        sprites_set_array_size(sprites_border_count);
        std::vector<unsigned> changed;
        for (unsigned index = 0; index < sprites_border_count; index++) {
            std::uint8_t colour = 0;
            sprites_get_color_at_index(index, &colour);
            if (colour != 1)
                changed.push_back(index);
            EXPECT_TRUE(colour == 1 || colour == 5);
        }
        EXPECT_EQ(changed, recoloured) << selected[0] << " of " << in_use;
    }
}

TEST_F(Selection, MulticolourButtonSwitchesAll128Records) {
    sprites_select_none();
    PixbufPtr shown[2];
    for (const bool multicolour : {true, false}) {
        sprites_set_multicolor_at_index(3, !multicolour);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget("checkbutton_sprite_multicolor")),
                                     multicolour);
        process_events(20);
        sprites_set_array_size(sprites_capacity);
        for (unsigned index = 0; index < sprites_capacity; index++) {
            std::int32_t flag = -1;
            sprites_get_multicolor_at_index(index, &flag);
            EXPECT_EQ(flag, multicolour) << index;
        }
        sprites_set_array_size(sprites_border_count);
        shown[multicolour] = spriteviews_new_list_pixbuf(0, options_selection_method);
        EXPECT_EQ(pixels_first_difference(pixbuf_sprites, shown[multicolour].get()), "");
    }
    EXPECT_NE(pixels_first_difference(shown[0].get(), shown[1].get()), "");
}

// The transparent colour follows the picture unless it is hires (a format no decoder gives,
// forced here); the swatch always shows what is behind the sprites on screen.
TEST_F(Selection, TransparentColourFollowsThePictureUnlessItIsHires) {
    for (const auto &[file, hires] :
         {std::pair{"sunset.koa", false}, {"sunset.koa", true}, {"welcome.pet", false}}) {
        SCOPED_TRACE(testing::Message() << file << hires);
        activate("01");
        sprites_set_background_color(14);
        ASSERT_TRUE(open_picture(example_path(file).c_str(), TRUE));
        picture_loaded = 1;
        if (hires)
            picture_data.format = 3;
        flush_redraws();
        set_background_color_for_sprites();
        EXPECT_TRUE(take_queued_redraw("drawingarea_color_sprite_bit_pair_00"));
        process_events(50);
        GtkWidget *pair_00 = widget("radiobutton_color_sprite_bit_pair_00");
        EXPECT_EQ(gtk_widget_is_sensitive(pair_00), hires);
        EXPECT_EQ(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(pair_00)), hires);
        EXPECT_EQ(gtk_toggle_button_get_active(
                      GTK_TOGGLE_BUTTON(widget("radiobutton_color_sprite_bit_pair_10"))),
                  !hires);
        EXPECT_EQ(sprites_get_background_color(), hires ? 14 : picture_data.background_color);
    }
}

} // namespace
