#include "gui/edit_commands.hpp"

#include "core/glib_ptr.hpp"
#include "core/i18n.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/controls.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <array>
#include <string>

namespace {

int loading_depth = 0;

// Everything that shows a colour the history brings back.
constexpr std::array<const char *, 9> colour_areas{
    "drawingarea_upper_border",
    "drawingarea_lower_border",
    "drawingarea_picture",
    "drawingarea_palette",
    "drawingarea_color_sprite_bit_pair_00",
    "drawingarea_color_sprite_bit_pair_01",
    "drawingarea_color_sprite_bit_pair_10",
    "drawingarea_color_sprite_bit_pair_11",
    "drawingarea_sprite_palette",
};

void set_item(const char *name, const char *verb, const std::string &change) {
    GtkWidget *item = app_lookup_widget(name);
    const GCharPtr label(change.empty() ? g_strdup(tr(verb))
                                        : g_strdup_printf("%s %s", tr(verb), tr(change.c_str())));
    gtk_menu_item_set_label(GTK_MENU_ITEM(item), label.get());
    gtk_widget_set_sensitive(item, change.empty() ? FALSE : TRUE);
}

// The Edit menu names what it would undo and redo; the title shows whether to save.
void show_history() {
    if (window_main == nullptr) {
        return;
    }
    set_item("menuitem_undo", "_Undo", history_get_undo_label());
    set_item("menuitem_redo", "_Redo", history_get_redo_label());
    controls_set_main_window_modified(history_is_modified());
}

} // namespace

void edit_commands_show_multicolour_switch(bool active) {
    GtkWidget *button = app_lookup_widget("checkbutton_sprite_multicolor");
    g_signal_handlers_block_by_func(
        button, reinterpret_cast<gpointer>(on_checkbutton_sprite_multicolor_toggled), nullptr);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), active ? TRUE : FALSE);
    g_signal_handlers_unblock_by_func(
        button, reinterpret_cast<gpointer>(on_checkbutton_sprite_multicolor_toggled), nullptr);
}

namespace {

void apply_state(const HistoryState &state) {
    history_set_store_state(state);
    border_color_index = state.corner;
    color_index_sprite_bit_pair_10 = state.swatch;
    edit_commands_show_multicolour_switch(state.multicolour_switch);
    for (const char *area : colour_areas) {
        gtk_widget_queue_draw(app_lookup_widget(area));
    }
    repaint_sprite_views();
    show_history();
}

} // namespace

EditCommandsLoading::EditCommandsLoading() {
    ++loading_depth;
}

EditCommandsLoading::~EditCommandsLoading() {
    --loading_depth;
}

HistoryState edit_commands_get_state() {
    HistoryState state = history_get_store_state();
    state.corner = border_color_index;
    state.swatch = color_index_sprite_bit_pair_10;
    state.multicolour_switch =
        window_main != nullptr && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(
                                      app_lookup_widget("checkbutton_sprite_multicolor"))) == TRUE;
    return state;
}

void edit_commands_record(const char *label, const HistoryState &before) {
    if (loading_depth > 0) {
        return;
    }
    history_record(label, before, edit_commands_get_state());
    show_history();
}

void edit_commands_start_history(bool saved) {
    history_clear(saved);
    show_history();
}

void edit_commands_mark_saved() {
    history_mark_saved();
    show_history();
}

void edit_commands_mark_unsaved() {
    history_mark_unsaved();
    show_history();
}

void on_menuitem_undo_activate(GtkMenuItem *, gpointer) {
    if (const auto state = history_undo()) {
        apply_state(*state);
    }
}

void on_menuitem_redo_activate(GtkMenuItem *, gpointer) {
    if (const auto state = history_redo()) {
        apply_state(*state);
    }
}
