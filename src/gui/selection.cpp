#include "gui/selection.hpp"

#include "core/glib_ptr.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>

#include <array>
#include <string>

namespace {

// The first slot row of a side border starts 40 lines down; the lines above it are the open
// border over the picture, where no border sprite stands.
constexpr int border_slots_top = 40;
// One display row holds four sprites: two in the left border, two in the right.
constexpr int sprites_per_display_row = 4;
constexpr int slot_width = static_cast<int>(sprite_width);
constexpr int slot_height = static_cast<int>(sprite_height);
// The template preview shows the template sprites in their default own colour, light green.
constexpr std::uint8_t template_swatch_colour = 13;

// The modifiers the areas look at; Caps Lock, Num Lock and the pointer buttons are ignored.
constexpr guint looked_at_modifiers = GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK;

using RangeOperation = int (*)(unsigned index, std::int32_t value, std::int32_t clear);
using SelectAllOperation = void (*)();

// What sets the three sprite areas apart.
struct SpriteArea {
    bool is_border;
    int index_offset; // the right border's slots hold the sprites two places on
    RangeOperation select_range;
    SelectAllOperation select_all;
    int vertical_displacement;
};

constexpr SpriteArea left_border{true, 0, sprites_set_selected_to_index_left,
                                 sprites_select_all_left, sprites_per_display_row};
constexpr SpriteArea right_border{true, 2, sprites_set_selected_to_index_right,
                                  sprites_select_all_right, sprites_per_display_row};
constexpr SpriteArea sprite_list{false, 0, sprites_set_selected_to_index, sprites_select_all,
                                 spriteviews_list_columns};

constexpr std::array<const char *, 4> colour_swatches{
    "drawingarea_color_sprite_bit_pair_00",
    "drawingarea_color_sprite_bit_pair_01",
    "drawingarea_color_sprite_bit_pair_10",
    "drawingarea_color_sprite_bit_pair_11",
};

guint modifiers_of(guint state) {
    return state & looked_at_modifiers;
}

bool control_alone(guint state) {
    return modifiers_of(state) == GDK_CONTROL_MASK;
}

// The list row shown at the top of the sprite list.
int first_list_row() {
    return static_cast<int>(
        gtk_range_get_value(GTK_RANGE(app_lookup_widget("vscrollbar_sprites"))));
}

// A border position above the first slot row, where clicks clear and no tooltip shows.
bool above_border_slots(int y) {
    return y / options_expansion < border_slots_top;
}

// The sprite under the pointer. Pointer positions are truncated to whole pixels; a position
// left of the area gives a negative index, which every store operation refuses.
int index_at(const SpriteArea &area, int x, int y) {
    const int zoom = options_expansion;
    if (area.is_border) {
        return (x / slot_width) / zoom +
               ((y / zoom - border_slots_top) / slot_height) * sprites_per_display_row +
               area.index_offset;
    }
    // The list is shown at twice the zoom of the borders.
    const int list_zoom = 2 * zoom;
    return (x / slot_width) / list_zoom +
           ((y / slot_height) / list_zoom + first_list_row()) * spriteviews_list_columns;
}

// The swatch of the sprite's own colour follows the sprite just selected; an index beyond the
// sprites in use gives colour 0.
void show_colour_of_sprite(unsigned index) {
    sprites_get_color_at_index(index, &color_index_sprite_bit_pair_10);
    gtk_widget_queue_draw(app_lookup_widget("drawingarea_color_sprite_bit_pair_10"));
}

gboolean button_press(const SpriteArea &area, GtkWidget *widget, const GdkEventButton *event) {
    // Double and triple clicks arrive as extra events after the single presses; they and the
    // other buttons are left alone.
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) {
        return FALSE;
    }
    const int x = static_cast<int>(event->x);
    const int y = static_cast<int>(event->y);
    if (area.is_border && above_border_slots(y)) {
        sprites_select_none();
    } else {
        const auto index = static_cast<unsigned>(index_at(area, x, y));
        const guint modifiers = modifiers_of(event->state);
        if (modifiers == (GDK_CONTROL_MASK | GDK_SHIFT_MASK)) {
            area.select_range(index, 1, 0);
        } else if (modifiers == GDK_SHIFT_MASK) {
            area.select_range(index, 1, 1);
        } else if (modifiers == GDK_CONTROL_MASK) {
            sprites_toggle_selected_at_index(index);
            std::int32_t selected = 0;
            sprites_get_selected_at_index(index, &selected);
            if (selected == 1) {
                show_colour_of_sprite(index);
            }
        } else {
            sprites_select_none();
            sprites_set_selected_at_index(index, 1);
            show_colour_of_sprite(index);
        }
    }
    gtk_widget_grab_focus(widget);
    repaint_sprite_views();
    return TRUE;
}

void queue_colour_swatches() {
    for (const char *swatch : colour_swatches) {
        gtk_widget_queue_draw(app_lookup_widget(swatch));
    }
}

// Holding 'z' shows the numbered template in place of the project; X repeats the press while
// the key is held, and only the first press takes the backup.
void start_template_preview() {
    if (project_backup_pending_restore == 1) {
        return;
    }
    project_backup_pending_restore = 1;
    const std::string text = project_get_backup_text(
        utf8_path_and_filename_picture, utf8_path_and_filename_sprites, border_color_index);
    g_free(project_backup_data);
    project_backup_data = g_strdup(text.c_str());
    color_index_sprite_bit_pair_10 = template_swatch_colour;
    gtk_toggle_button_set_active(
        GTK_TOGGLE_BUTTON(app_lookup_widget("checkbutton_sprite_multicolor")), FALSE);
    sprites_set_template();
    repaint_sprite_views();
    queue_colour_swatches();
}

gboolean key_press(const SpriteArea &area, const GdkEventKey *event) {
    if (control_alone(event->state)) {
        if (event->keyval == GDK_KEY_a) {
            area.select_all();
        } else if (event->keyval == GDK_KEY_n) {
            sprites_select_none();
        } else {
            return TRUE;
        }
        repaint_sprite_views();
        return TRUE;
    }
    int displacement = 0;
    switch (event->keyval) {
    case GDK_KEY_z:
        start_template_preview();
        return TRUE;
    case GDK_KEY_Left:
        displacement = -1;
        break;
    case GDK_KEY_Right:
        displacement = 1;
        break;
    case GDK_KEY_Up:
        displacement = -area.vertical_displacement;
        break;
    case GDK_KEY_Down:
        displacement = area.vertical_displacement;
        break;
    default:
        // Every other key stops here, so that it cannot reach a menu or another widget.
        return TRUE;
    }
    unsigned index = 0;
    if (sprites_set_selected_at_displaced_index_from_last(displacement, 1, &index) == 1) {
        show_colour_of_sprite(index);
        repaint_sprite_views();
    }
    return TRUE;
}

gboolean query_tooltip(const SpriteArea &area, gint x, gint y, GtkTooltip *tooltip) {
    if (area.is_border && above_border_slots(y)) {
        return FALSE;
    }
    const auto index = static_cast<unsigned>(index_at(area, x, y));
    std::uint8_t colour = 0;
    if (sprites_get_color_at_index(index, &colour) != 1) {
        return FALSE;
    }
    GCharPtr markup{g_strdup_printf(tr("Sprite: %d\nColor: %d"), static_cast<int>(index),
                                    static_cast<int>(colour))};
    gtk_tooltip_set_markup(tooltip, markup.get());
    return TRUE;
}

// Releasing 'z' ends the template preview: the project comes back from the backup.
gboolean key_release(const GdkEventKey *event) {
    if (event->keyval == GDK_KEY_z && !control_alone(event->state) &&
        project_backup_pending_restore == 1) {
        restore_project_from_data();
        project_backup_pending_restore = 0;
    }
    return TRUE;
}

} // namespace

gboolean on_drawingarea_left_border_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                       gpointer) {
    return button_press(left_border, widget, event);
}
gboolean on_drawingarea_left_border_key_press_event(GtkWidget *, GdkEventKey *event, gpointer) {
    return key_press(left_border, event);
}
gboolean on_drawingarea_left_border_query_tooltip(GtkWidget *, gint x, gint y, gboolean,
                                                  GtkTooltip *tooltip, gpointer) {
    return query_tooltip(left_border, x, y, tooltip);
}
gboolean on_drawingarea_left_border_key_release_event(GtkWidget *, GdkEventKey *event, gpointer) {
    return key_release(event);
}

gboolean on_drawingarea_right_border_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                        gpointer) {
    return button_press(right_border, widget, event);
}
gboolean on_drawingarea_right_border_key_press_event(GtkWidget *, GdkEventKey *event, gpointer) {
    return key_press(right_border, event);
}
gboolean on_drawingarea_right_border_query_tooltip(GtkWidget *, gint x, gint y, gboolean,
                                                   GtkTooltip *tooltip, gpointer) {
    return query_tooltip(right_border, x, y, tooltip);
}
gboolean on_drawingarea_right_border_key_release_event(GtkWidget *, GdkEventKey *event, gpointer) {
    return key_release(event);
}

gboolean on_drawingarea_sprites_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                   gpointer) {
    return button_press(sprite_list, widget, event);
}
gboolean on_drawingarea_sprites_key_press_event(GtkWidget *, GdkEventKey *event, gpointer) {
    return key_press(sprite_list, event);
}
gboolean on_drawingarea_sprites_query_tooltip(GtkWidget *, gint x, gint y, gboolean,
                                              GtkTooltip *tooltip, gpointer) {
    return query_tooltip(sprite_list, x, y, tooltip);
}
gboolean on_drawingarea_sprites_key_release_event(GtkWidget *, GdkEventKey *event, gpointer) {
    return key_release(event);
}

// The list page follows the scroll bar; the borders are repainted with it.
void on_vscrollbar_sprites_value_changed(GtkRange *, gpointer) {
    repaint_sprite_views();
}

gboolean on_window_main_key_press_event(GtkWidget *window, GdkEventKey *event, gpointer) {
    GtkWidget *focus = gtk_window_get_focus(GTK_WINDOW(window));
    const bool sprite_area =
        focus != nullptr && (focus == app_lookup_widget("drawingarea_sprites") ||
                             focus == app_lookup_widget("drawingarea_left_border") ||
                             focus == app_lookup_widget("drawingarea_right_border"));
    if (sprite_area && control_alone(event->state) &&
        (event->keyval == GDK_KEY_a || event->keyval == GDK_KEY_n)) {
        return gtk_widget_event(focus, reinterpret_cast<GdkEvent *>(event));
    }
    return FALSE;
}
