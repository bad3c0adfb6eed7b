// Mouse and keys on the side borders, the sprite list and the sprite palette, delivered to the
// real drawing areas: selection, tooltips and the template preview.

#include "gui_test_support.hpp"

#include "core/options.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

// The sprites in use whose selected flag is 1, in rising order.
std::vector<unsigned> selected_sprites() {
    std::vector<unsigned> indices;
    for (unsigned index = 0; index < sprites_get_array_size(); index++) {
        std::int32_t selected = 0;
        sprites_get_selected_at_index(index, &selected);
        if (selected == 1)
            indices.push_back(index);
    }
    return indices;
}

enum Area { left, right, list };
constexpr const char *area_names[] = {"drawingarea_left_border", "drawingarea_right_border",
                                      "drawingarea_sprites"};
constexpr std::uint8_t untouched = 99; // no sprite has this colour
constexpr guint ctrl = GDK_CONTROL_MASK, shift = GDK_SHIFT_MASK, alt = GDK_MOD1_MASK;
constexpr const char *hint =
    "Hover on a sprite to show its attributes; hold down the 'z' key to show the sprite template";

// The sprites from first to last, of one side only when side is not list.
std::vector<unsigned> range(unsigned first, unsigned last, Area side = list) {
    std::vector<unsigned> indices;
    for (unsigned index = first; index <= last; index++)
        if (side == list || sprites_is_left_index(index) == (side == left))
            indices.push_back(index);
    return indices;
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

// A click on a slot (or above the border slots) or a key tapped on an area, what is selected
// after it and whose colour the swatch takes (-1: none).
struct Step {
    Area area;
    unsigned index;
    guint state, key;
    std::vector<unsigned> selected;
    int swatch_sprite;
};

constexpr unsigned above_slots = sprites_capacity;

class ClicksAndKeys : public Selection, public ::testing::WithParamInterface<int> {};

// One walk through clicks and keys at each zoom; the clicks take the four corner pixels of their
// slots in turn. Each step is judged on the whole selection, the swatch, the focus, the tooltip
// under the pointer, and the swatch and sprite views drawn again exactly when they change.
TEST_P(ClicksAndKeys, ActOnTheSelection) {
    const int zoom = GetParam();
    choose_zoom(zoom);
    const guint locks = GDK_LOCK_MASK | GDK_MOD2_MASK;
    const Step steps[] = {
        {left, 1, 0, 0, {1}, 1},
        {right, 2, ctrl, 0, {1, 2}, 2},
        {left, 9, ctrl | shift, 0, {1, 2, 4, 5, 8, 9}, -1}, // adds from the left anchor
        {left, 9, shift | locks, 0, {1, 4, 5, 8, 9}, -1},   // replaces
        {left, 9, ctrl, 0, {1, 4, 5, 8}, -1},
        {left, 13, alt | ctrl | shift, 0, {13}, 13},
        {right, 2, 0, 0, {2}, 2},
        {right, 11, shift, 0, {2, 3, 6, 7, 10, 11}, -1},
        {list, 1, 0, 0, {1}, 1},
        {list, 9, shift, 0, range(1, 9), -1},
        {list, 0, 0, GDK_KEY_Down, {9}, 9}, // eight on in the list
        {list, 0, 0, GDK_KEY_Up, {1}, 1},
        {list, 0, 0, GDK_KEY_Left, {0}, 0},
        {list, 0, 0, GDK_KEY_Left, {0}, -1},
        {left, 0, 0, GDK_KEY_Right, {1}, 1},
        {right, 0, 0, GDK_KEY_Down, {5}, 5}, // four on in the borders
        {left, 0, 0, GDK_KEY_Up, {1}, 1},
        {list, 0, ctrl, GDK_KEY_Down, {1}, -1},
        {right, 0, 0, GDK_KEY_Tab, {1}, -1},
        {left, 0, ctrl | shift, GDK_KEY_A, {1}, -1},
        {left, 0, ctrl, GDK_KEY_a, range(0, 39, left), -1},
        {list, 0, ctrl, GDK_KEY_n, {}, -1},
        {right, 0, ctrl | GDK_LOCK_MASK, GDK_KEY_a, range(0, 39, right), -1},
        {list, 0, ctrl, GDK_KEY_a, range(0, 39), -1},
        {list, 0, ctrl, GDK_KEY_n, {}, -1},
        {list, 5, shift, 0, {}, -1}, // no anchor
        {left, 5, 0, 0, {5}, 5},
        {right, above_slots, ctrl | shift, 0, {}, -1}}; // clears
    for (const Step &step : steps) {
        SCOPED_TRACE(testing::Message() << "step " << &step - steps);
        const std::vector<unsigned> before = selected_sprites();
        color_index_sprite_bit_pair_10 = untouched;
        // A key goes to the focused area; a click takes the focus from another.
        gtk_widget_grab_focus(area(step.key != 0 ? step.area : step.area == list ? left : list));
        flush_redraws();
        if (step.key == 0) {
            const auto k = static_cast<double>(&step - steps);
            const auto [x, y] = step.index == above_slots
                                    ? std::pair{10.0, 40.0 * zoom - 0.25}
                                    : point(step.area, step.index, std::fmod(k, 2),
                                            std::fmod(std::floor(k / 2), 2));
            EXPECT_TRUE(send_button(area(step.area), x, y, step.state));
            EXPECT_EQ(tooltip_at(step.area, x, y),
                      step.index == above_slots
                          ? hint
                          : "Sprite: " + std::to_string(step.index) +
                                "\nColor: " + std::to_string(step.index % 16));
        } else {
            tap_key(step.key, step.state);
        }
        EXPECT_EQ(selected_sprites(), step.selected);
        EXPECT_EQ(color_index_sprite_bit_pair_10,
                  step.swatch_sprite < 0 ? untouched : step.swatch_sprite % 16);
        EXPECT_EQ(take_queued_redraw("drawingarea_color_sprite_bit_pair_10"),
                  step.swatch_sprite >= 0);
        EXPECT_EQ(take_queued_redraw("drawingarea_sprites"),
                  step.key == 0 || step.selected != before);
        EXPECT_EQ(focus(), area(step.area));
        EXPECT_EQ(project_backup_pending_restore, 0);
    }
    // Double and triple clicks and the other buttons are left to GTK, on the sprite palette too.
    for (const auto &[type, button] :
         {std::pair{GDK_2BUTTON_PRESS, 1u}, {GDK_3BUTTON_PRESS, 1u}, {GDK_BUTTON_PRESS, 3u}})
        for (const char *name : {area_names[0], area_names[2], "drawingarea_sprite_palette"})
            EXPECT_FALSE(send_button(widget(name), 30, 100, 0, type, button)) << name << type;
}

INSTANTIATE_TEST_SUITE_P(Zoom, ClicksAndKeys, ::testing::Values(1, 2, 3, 4),
                         [](const auto &info) { return "zoom_" + std::to_string(info.param); });

// X repeats the press while 'z' is held: only the first takes the backup, and only a release of
// 'z' with other than Control alone ends the preview and brings back the project as it was.
TEST_F(Selection, HoldingZShowsTheTemplateAndReleasingRestoresTheProject) {
    put_picture(example_path("welcome.pet"));
    put_sprites(example_path("shapes.prg"));
    sprites_set_color_at_index(0, 5);
    border_color_index = 9;
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
    gtk_widget_grab_focus(area(list));
    send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);
    EXPECT_EQ(sprites_get_array_size(), sprites_border_count);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 13);
    EXPECT_FALSE(
        gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget("checkbutton_sprite_multicolor"))));
    EXPECT_TRUE(take_queued_redraw("drawingarea_color_sprite_bit_pair_01"));
    border_color_index = 3; // not kept: a later press taking the backup again would keep it
    for (int repeat = 0; repeat < 3; repeat++)
        send_key_event(GDK_KEY_z, 0, GDK_KEY_PRESS);

    for (const auto &[which, keyval, state] :
         {std::tuple{right, GDK_KEY_z, ctrl}, {list, GDK_KEY_Z, shift}}) {
        gtk_widget_grab_focus(area(which));
        send_key_event(keyval, state, GDK_KEY_RELEASE);
        EXPECT_EQ(project_backup_pending_restore, 1) << keyval;
    }
    gtk_widget_grab_focus(area(left));
    send_key_event(GDK_KEY_z, ctrl | shift, GDK_KEY_RELEASE);
    EXPECT_EQ(project_backup_pending_restore, 0);
    EXPECT_EQ(project(), before);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 5); // sprite 0's
}

} // namespace
