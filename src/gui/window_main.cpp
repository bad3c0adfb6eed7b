#include "gui/window_main.hpp"

#include "core/i18n.hpp"
#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/controls.hpp"
#include "gui/edit_commands.hpp"
#include "gui/exports.hpp"
#include "gui/painting.hpp"
#include "gui/preference_commands.hpp"
#include "gui/project_commands.hpp"
#include "gui/screen_geometry.hpp"
#include "gui/selection.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>

#include <array>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---- The menus -------------------------------------------------------------------------------

enum class ItemKind { image, stock, separator, radio, check, submenu };

struct MenuEntry {
    const char *name;
    ItemKind kind;
    const char *text;  // the label with its mnemonic, or the stock id of a stock item
    const char *image; // stock image beside the text, or null
    guint accel_key;   // 0: none
    GdkModifierType accel_mods;
    std::span<const MenuEntry> entries; // a submenu's items
};

constexpr auto no_mods = static_cast<GdkModifierType>(0);

constexpr MenuEntry item(const char *name, const char *text, const char *image, guint key = 0,
                         GdkModifierType mods = no_mods) {
    return {name, ItemKind::image, text, image, key, mods, {}};
}
constexpr MenuEntry stock_item(const char *name, const char *stock_id) {
    return {name, ItemKind::stock, stock_id, nullptr, 0, no_mods, {}};
}
constexpr MenuEntry separator(const char *name) {
    return {name, ItemKind::separator, nullptr, nullptr, 0, no_mods, {}};
}
constexpr MenuEntry radio(const char *name, const char *text, guint key = 0,
                          GdkModifierType mods = no_mods) {
    return {name, ItemKind::radio, text, nullptr, key, mods, {}};
}
// Radio and check items show the preferences, set before any handler is connected.
constexpr MenuEntry check(const char *name, const char *text) {
    return {name, ItemKind::check, text, nullptr, 0, no_mods, {}};
}
constexpr MenuEntry submenu(const char *name, const char *text, const char *image,
                            std::span<const MenuEntry> entries) {
    return {name, ItemKind::submenu, text, image, 0, no_mods, entries};
}

constexpr auto control_shift = static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK);

constexpr MenuEntry file_menu[] = {
    item("menuitem_new_project", "New project", "gtk-new", GDK_n, GDK_CONTROL_MASK),
    item("menuitem_open_project", "_Open project...", "gtk-open", GDK_o, GDK_CONTROL_MASK),
    item("menuitem_save_project", "Save project", "gtk-save", GDK_s, GDK_CONTROL_MASK),
    item("menuitem_save_project_as", "Save project _as...", "gtk-save-as", GDK_s, control_shift),
    separator("separator1"),
    item("menuitem_load_picture", "Load _picture...", "gtk-open", GDK_F2),
    item("menuitem_load_sprites", "Load _sprites...", "gtk-open", GDK_F3),
    separator("separator2"),
    item("menuitem_reload_graphics", "_Reload all graphics", "gtk-refresh", GDK_F4),
    separator("separator3"),
    item("menuitem_export_to_png", "Export to PNG _image...", "gtk-select-color"),
    item("menuitem_export", "Export to _executable...", "gtk-convert"),
    item("menuitem_run_in_emulator", "Run in emulator", "gtk-media-play", GDK_r, GDK_CONTROL_MASK),
    item("menuitem_save_picture_as_c64", "Save picture as C64 file...", "gtk-save-as"),
    item("menuitem_save_sprites_as_c64", "Save sprites as C64 file...", "gtk-save-as"),
    separator("separator4"),
    stock_item("menuitem_quit", "gtk-quit"),
};

struct ExtraKey {
    const char *item;
    guint key;
    GdkModifierType mods;
};
constexpr ExtraKey extra_keys[] = {
    {"menuitem_redo", GDK_y, GDK_CONTROL_MASK},
    {"menuitem_open_project", GDK_F1, no_mods},
};

constexpr MenuEntry edit_menu[] = {
    item("menuitem_undo", "_Undo", "gtk-undo", GDK_z, GDK_CONTROL_MASK),
    item("menuitem_redo", "_Redo", "gtk-redo", GDK_z, control_shift),
};

constexpr MenuEntry palette_menu[] = {
    radio("menuitem_palette_peptos", "_Pepto", GDK_a, GDK_MOD1_MASK),
    radio("menuitem_palette_high_contrast", "_High contrast", GDK_s, GDK_MOD1_MASK),
    radio("menuitem_palette_pixcen", "Pi_xcen", GDK_d, GDK_MOD1_MASK),
    radio("menuitem_palette_ccs64", "CC_S64", GDK_g, GDK_MOD1_MASK),
};

constexpr MenuEntry zoom_menu[] = {
    radio("menuitem_zoom_1x", "_1x", GDK_F5),
    radio("menuitem_zoom_2x", "_2x", GDK_F6),
    radio("menuitem_zoom_3x", "_3x", GDK_F7),
    radio("menuitem_zoom_4x", "_4x", GDK_F8),
};

constexpr MenuEntry selection_method_menu[] = {
    radio("menuitem_selection_method_frame", "_Frame"),
    radio("menuitem_selection_method_alpha_adjustment", "_Alpha adjustment"),
    radio("menuitem_selection_method_both", "_Both"),
};

constexpr MenuEntry transition_menu[] = {
    radio("menuitem_transition_none", "_None"),
    radio("menuitem_transition_flicker", "_Flicker"),
};

constexpr MenuEntry attribute_menu[] = {
    radio("menuitem_sprite_attribute_byte_format_ignore", "_Ignore"),
    radio("menuitem_sprite_attribute_byte_format_sprite_pad", "_Sprite Pad"),
};

constexpr MenuEntry preferences_menu[] = {
    submenu("menuitem_palette", "_Palette", "gtk-select-color", palette_menu),
    submenu("menuitem_zoom", "_Zoom", "gtk-zoom-in", zoom_menu),
    submenu("menuitem_selection_method", "_Selection method", "gtk-select-all",
            selection_method_menu),
    submenu("menuitem_transition", "_Transition at runtime", "gtk-convert", transition_menu),
    submenu("menuitem_sprite_attribute_byte_format", "Sprite attribute byte format",
            "gtk-properties", attribute_menu),
    check("menuitem_reencode_graphics", "_Re-encode graphics"),
    check("menuitem_follow_files", "_Follow files on disk"),
};

constexpr MenuEntry help_menu[] = {
    item("menuitem_open_example", "Open _example project", "gtk-open"),
    stock_item("menuitem_about", "gtk-about"),
};

struct MenuTitle {
    MenuEntry menu;
    bool after_first_frame; // its items wait for the first frame
};

// Fifty menu items cost more than the rest of the window to build, and nobody can open a menu
// before the window shows: most menus are filled right after the first frame. The Edit menu is
// there from the start: it names the history, which a project opened from the command line sets
// before the first frame.
constexpr MenuTitle menubar[] = {
    {submenu("menuitem_file", "_File", "gtk-floppy", file_menu), true},
    {submenu("menuitem_edit", "_Edit", "gtk-edit", edit_menu), false},
    {submenu("menuitem_preferences", "_Preferences", "gtk-preferences", preferences_menu), true},
    {submenu("menuitem_help", "_Help", "gtk-help", help_menu), true},
};

// ---- Tooltips --------------------------------------------------------------------------------

struct Tooltip {
    const char *widget;
    const char *text;
};

constexpr const char *sprite_area_tip =
    "Hover on a sprite to show its attributes; hold down the 'z' key to show the sprite template";

constexpr Tooltip tooltips_table[] = {
    {"menuitem_new_project", "Start a new project"},
    {"menuitem_open_example", "Open the sunset example that comes with the editor"},
    {"menuitem_open_project", "Open an existing project"},
    {"menuitem_save_project", "Save the current project to an existing file"},
    {"menuitem_save_project_as", "Save the current project to a new file"},
    {"menuitem_load_picture", "Load a picture"},
    {"menuitem_load_sprites", "Load a set of sprites"},
    {"menuitem_reload_graphics", "Reload the current picture and prites to pick up any changes "
                                 "that might have occurred since these were last loaded"},
    {"menuitem_export_to_png", "Export the project to a PNG image that can be used as a release "
                               "screenshots for CSDb"},
    {"menuitem_export", "Export the project to a self-contained executable that can be used to "
                        "release to CSDb"},
    {"menuitem_run_in_emulator", "Export the project to a temporary executable and start it in "
                                 "the x64sc emulator"},
    {"menuitem_save_picture_as_c64", "Save the picture as a Koala Painter or PETSCII Vellum file, "
                                     "to go on working in C64 tools"},
    {"menuitem_save_sprites_as_c64", "Save the sprites as a sprite file whose attribute bytes "
                                     "hold their colours, to go on working in C64 tools"},
    {"menuitem_reencode_graphics", "If enabled, upon exporting a project to an executable, graphic "
                                   "data for MC pictures is re-encoded so that they might compress "
                                   "better"},
    {"menuitem_follow_files", "If enabled, the picture, sprite and project files are reloaded "
                              "when another program changes them"},
    {"drawingarea_left_border", sprite_area_tip},
    {"drawingarea_right_border", sprite_area_tip},
    {"drawingarea_sprites", sprite_area_tip},
    {"radiobutton_upper_border_color", "Set the background color of the upper open border"},
    {"radiobutton_lower_border_color", "Set the background color of the lower open border"},
    {"radiobutton_corner_border_color", "Set the border color of the closed borders at the "
                                        "corners of the display area ($D020)"},
    {"checkbutton_sprite_multicolor", "Enable/disable multicolor mode"},
    {"radiobutton_color_sprite_bit_pair_00",
     "Current transparent color. In multicolor sprite "
     "graphics, such color is displayed by the 00 bit-pair"},
    {"radiobutton_color_sprite_bit_pair_10", "Set the individual sprite color. In \nmulticolor "
                                             "sprite graphics, such color is displayed by the 10 "
                                             "bit-pair"},
    {"radiobutton_color_sprite_bit_pair_01", "Set the color that is displayed by the 01 bit-pair "
                                             "in\nmulticolor sprite graphics ($D025)"},
    {"radiobutton_color_sprite_bit_pair_11", "Set the color that is displayed by the 11 bit-pair "
                                             "in\nmulticolor sprite graphics ($D026)"},
};

// ---- Signals ---------------------------------------------------------------------------------

struct SignalConnection {
    const char *widget;
    const char *signal;
    GCallback handler;
};

// Handlers of what the window shows from the start.
const SignalConnection window_signals[] = {
    {"window_main", "delete_event", G_CALLBACK(on_window_main_delete_event)},
    {"window_main", "key_press_event", G_CALLBACK(on_window_main_key_press_event)},
    {"menuitem_file", "activate", G_CALLBACK(on_menuitem_file_activate)},
    {"menuitem_undo", "activate", G_CALLBACK(on_menuitem_undo_activate)},
    {"menuitem_redo", "activate", G_CALLBACK(on_menuitem_redo_activate)},
    {"window_main", "drag_data_received", G_CALLBACK(on_window_main_drag_data_received)},
    {"drawingarea_left_border", "configure_event",
     G_CALLBACK(on_drawingarea_left_border_configure_event)},
    {"drawingarea_left_border", "expose_event",
     G_CALLBACK(on_drawingarea_left_border_expose_event)},
    {"drawingarea_left_border", "button_press_event",
     G_CALLBACK(on_drawingarea_left_border_button_press_event)},
    {"drawingarea_left_border", "key_press_event",
     G_CALLBACK(on_drawingarea_left_border_key_press_event)},
    {"drawingarea_left_border", "query_tooltip",
     G_CALLBACK(on_drawingarea_left_border_query_tooltip)},
    {"drawingarea_left_border", "key_release_event",
     G_CALLBACK(on_drawingarea_left_border_key_release_event)},
    {"drawingarea_upper_border", "configure_event",
     G_CALLBACK(on_drawingarea_upper_border_configure_event)},
    {"drawingarea_upper_border", "expose_event",
     G_CALLBACK(on_drawingarea_upper_border_expose_event)},
    {"drawingarea_picture", "configure_event", G_CALLBACK(on_drawingarea_picture_configure_event)},
    {"drawingarea_picture", "expose_event", G_CALLBACK(on_drawingarea_picture_expose_event)},
    {"drawingarea_lower_border", "configure_event",
     G_CALLBACK(on_drawingarea_lower_border_configure_event)},
    {"drawingarea_lower_border", "expose_event",
     G_CALLBACK(on_drawingarea_lower_border_expose_event)},
    {"drawingarea_right_border", "configure_event",
     G_CALLBACK(on_drawingarea_right_border_configure_event)},
    {"drawingarea_right_border", "expose_event",
     G_CALLBACK(on_drawingarea_right_border_expose_event)},
    {"drawingarea_right_border", "button_press_event",
     G_CALLBACK(on_drawingarea_right_border_button_press_event)},
    {"drawingarea_right_border", "key_press_event",
     G_CALLBACK(on_drawingarea_right_border_key_press_event)},
    {"drawingarea_right_border", "query_tooltip",
     G_CALLBACK(on_drawingarea_right_border_query_tooltip)},
    {"drawingarea_right_border", "key_release_event",
     G_CALLBACK(on_drawingarea_right_border_key_release_event)},
    {"drawingarea_palette", "configure_event", G_CALLBACK(on_drawingarea_palette_configure_event)},
    {"drawingarea_palette", "expose_event", G_CALLBACK(on_drawingarea_palette_expose_event)},
    {"drawingarea_palette", "button_press_event",
     G_CALLBACK(on_drawingarea_palette_button_press_event)},
    {"drawingarea_sprites", "configure_event", G_CALLBACK(on_drawingarea_sprites_configure_event)},
    {"drawingarea_sprites", "expose_event", G_CALLBACK(on_drawingarea_sprites_expose_event)},
    {"drawingarea_sprites", "button_press_event",
     G_CALLBACK(on_drawingarea_sprites_button_press_event)},
    {"drawingarea_sprites", "key_press_event", G_CALLBACK(on_drawingarea_sprites_key_press_event)},
    {"drawingarea_sprites", "query_tooltip", G_CALLBACK(on_drawingarea_sprites_query_tooltip)},
    {"drawingarea_sprites", "key_release_event",
     G_CALLBACK(on_drawingarea_sprites_key_release_event)},
    {"vscrollbar_sprites", "value_changed", G_CALLBACK(on_vscrollbar_sprites_value_changed)},
    {"checkbutton_sprite_multicolor", "toggled",
     G_CALLBACK(on_checkbutton_sprite_multicolor_toggled)},
    {"drawingarea_color_sprite_bit_pair_00", "configure_event",
     G_CALLBACK(on_drawingarea_color_sprite_bit_pair_00_configure_event)},
    {"drawingarea_color_sprite_bit_pair_00", "expose_event",
     G_CALLBACK(on_drawingarea_color_sprite_bit_pair_00_expose_event)},
    {"drawingarea_color_sprite_bit_pair_10", "configure_event",
     G_CALLBACK(on_drawingarea_color_sprite_bit_pair_10_configure_event)},
    {"drawingarea_color_sprite_bit_pair_10", "expose_event",
     G_CALLBACK(on_drawingarea_color_sprite_bit_pair_10_expose_event)},
    {"drawingarea_color_sprite_bit_pair_01", "configure_event",
     G_CALLBACK(on_drawingarea_color_sprite_bit_pair_01_configure_event)},
    {"drawingarea_color_sprite_bit_pair_01", "expose_event",
     G_CALLBACK(on_drawingarea_color_sprite_bit_pair_01_expose_event)},
    {"drawingarea_color_sprite_bit_pair_11", "configure_event",
     G_CALLBACK(on_drawingarea_color_sprite_bit_pair_11_configure_event)},
    {"drawingarea_color_sprite_bit_pair_11", "expose_event",
     G_CALLBACK(on_drawingarea_color_sprite_bit_pair_11_expose_event)},
    {"drawingarea_sprite_palette", "configure_event",
     G_CALLBACK(on_drawingarea_sprite_palette_configure_event)},
    {"drawingarea_sprite_palette", "expose_event",
     G_CALLBACK(on_drawingarea_sprite_palette_expose_event)},
    {"drawingarea_sprite_palette", "button_press_event",
     G_CALLBACK(on_drawingarea_sprite_palette_button_press_event)},
};

// Handlers of the items that come right after the first frame.
const SignalConnection menu_signals[] = {
    {"menuitem_new_project", "activate", G_CALLBACK(on_menuitem_new_project_activate)},
    {"menuitem_open_project", "activate", G_CALLBACK(on_menuitem_open_project_activate)},
    {"menuitem_save_project", "activate", G_CALLBACK(on_menuitem_save_project_activate)},
    {"menuitem_save_project_as", "activate", G_CALLBACK(on_menuitem_save_project_as_activate)},
    {"menuitem_load_picture", "activate", G_CALLBACK(on_menuitem_load_picture_activate)},
    {"menuitem_load_sprites", "activate", G_CALLBACK(on_menuitem_load_sprites_activate)},
    {"menuitem_reload_graphics", "activate", G_CALLBACK(on_menuitem_reload_graphics_activate)},
    {"menuitem_export_to_png", "activate", G_CALLBACK(on_menuitem_export_to_png_activate)},
    {"menuitem_export", "activate", G_CALLBACK(on_menuitem_export_activate)},
    {"menuitem_run_in_emulator", "activate", G_CALLBACK(on_menuitem_run_in_emulator_activate)},
    {"menuitem_save_picture_as_c64", "activate",
     G_CALLBACK(on_menuitem_save_picture_as_c64_activate)},
    {"menuitem_save_sprites_as_c64", "activate",
     G_CALLBACK(on_menuitem_save_sprites_as_c64_activate)},
    {"menuitem_quit", "activate", G_CALLBACK(on_menuitem_quit_activate)},
    {"menuitem_palette_peptos", "activate", G_CALLBACK(on_menuitem_palette_peptos_activate)},
    {"menuitem_palette_high_contrast", "activate",
     G_CALLBACK(on_menuitem_palette_high_contrast_activate)},
    {"menuitem_palette_pixcen", "activate", G_CALLBACK(on_menuitem_palette_pixcen_activate)},
    {"menuitem_palette_ccs64", "activate", G_CALLBACK(on_menuitem_palette_ccs64_activate)},
    {"menuitem_zoom_1x", "activate", G_CALLBACK(on_menuitem_zoom_1x_activate)},
    {"menuitem_zoom_2x", "activate", G_CALLBACK(on_menuitem_zoom_2x_activate)},
    {"menuitem_zoom_3x", "activate", G_CALLBACK(on_menuitem_zoom_3x_activate)},
    {"menuitem_zoom_4x", "activate", G_CALLBACK(on_menuitem_zoom_4x_activate)},
    {"menuitem_selection_method_frame", "activate",
     G_CALLBACK(on_menuitem_selection_method_frame_activate)},
    {"menuitem_selection_method_alpha_adjustment", "activate",
     G_CALLBACK(on_menuitem_selection_method_alpha_adjustment_activate)},
    {"menuitem_selection_method_both", "activate",
     G_CALLBACK(on_menuitem_selection_method_both_activate)},
    {"menuitem_transition_none", "activate", G_CALLBACK(on_menuitem_transition_none_activate)},
    {"menuitem_transition_flicker", "activate",
     G_CALLBACK(on_menuitem_transition_flicker_activate)},
    {"menuitem_sprite_attribute_byte_format_ignore", "activate",
     G_CALLBACK(on_menuitem_sprite_attribute_byte_format_ignore_activate)},
    {"menuitem_sprite_attribute_byte_format_sprite_pad", "activate",
     G_CALLBACK(on_menuitem_sprite_attribute_byte_format_sprite_pad_activate)},
    {"menuitem_reencode_graphics", "activate", G_CALLBACK(on_menuitem_reencode_graphics_activate)},
    {"menuitem_follow_files", "activate", G_CALLBACK(on_menuitem_follow_files_activate)},
    {"menuitem_about", "activate", G_CALLBACK(on_menuitem_about_activate)},
    {"menuitem_open_example", "activate", G_CALLBACK(on_menuitem_open_example_activate)},
};

// ---- Construction ----------------------------------------------------------------------------

constexpr int screen_spacing = 4;
constexpr int frame_content_border = 4;
constexpr int table_column_spacing = 6;

// Pointer and keys for selecting sprites, with motion hints so tooltips cost little.
constexpr auto sprite_area_events = GDK_POINTER_MOTION_MASK | GDK_POINTER_MOTION_HINT_MASK |
                                    GDK_BUTTON_PRESS_MASK | GDK_KEY_PRESS_MASK;

// Collects the widgets in creation order; they are registered on the window once it is complete.
struct WindowBuilder {
    GtkWidget *window = nullptr;
    GtkAccelGroup *accel_group = nullptr;
    std::vector<std::pair<std::string, GtkWidget *>> widgets;

    GtkWidget *add(std::string name, GtkWidget *widget, bool show = true) {
        if (show) {
            gtk_widget_show(widget);
        }
        widgets.emplace_back(std::move(name), widget);
        return widget;
    }

    // Every widget but the window holds a reference from its entry on the window.
    void register_on_window() const {
        for (const auto &[name, widget] : widgets) {
            if (widget != window) {
                hookup_object(window, widget, name.c_str());
            }
        }
    }
};

void pack(GtkWidget *box, GtkWidget *child, gboolean expand, gboolean fill) {
    gtk_box_pack_start(GTK_BOX(box), child, expand, fill, 0);
}

void attach(GtkWidget *table, GtkWidget *child, guint column, guint row,
            GtkAttachOptions y_options) {
    gtk_table_attach(GTK_TABLE(table), child, column, column + 1, row, row + 1, GTK_FILL, y_options,
                     0, 0);
}

GtkWidget *build_menu_item(WindowBuilder &b, const MenuEntry &entry, GSList **radio_group) {
    GtkWidget *widget = nullptr;
    switch (entry.kind) {
    case ItemKind::stock:
        widget = gtk_image_menu_item_new_from_stock(entry.text, b.accel_group);
        break;
    case ItemKind::separator:
        widget = gtk_separator_menu_item_new();
        gtk_widget_set_sensitive(widget, FALSE);
        break;
    case ItemKind::radio:
        widget = gtk_radio_menu_item_new_with_mnemonic(*radio_group, tr(entry.text));
        *radio_group = gtk_radio_menu_item_get_group(GTK_RADIO_MENU_ITEM(widget));
        break;
    case ItemKind::check:
        widget = gtk_check_menu_item_new_with_mnemonic(tr(entry.text));
        break;
    case ItemKind::image:
    case ItemKind::submenu:
        widget = gtk_image_menu_item_new_with_mnemonic(tr(entry.text));
        break;
    }
    b.add(entry.name, widget);
    if (entry.image != nullptr) {
        GtkWidget *image = gtk_image_new_from_stock(entry.image, GTK_ICON_SIZE_MENU);
        b.add(std::string("image_") + entry.name, image);
        gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(widget), image);
    }
    if (entry.accel_key != 0) {
        gtk_widget_add_accelerator(widget, "activate", b.accel_group, entry.accel_key,
                                   entry.accel_mods, GTK_ACCEL_VISIBLE);
    }
    return widget;
}

// A submenu's item in menu_shell and its menu, which the item pops up; returns the menu.
GtkWidget *add_submenu_item(WindowBuilder &b, GtkWidget *menu_shell, const MenuEntry &entry) {
    GSList *no_group = nullptr;
    GtkWidget *item = build_menu_item(b, entry, &no_group);
    gtk_container_add(GTK_CONTAINER(menu_shell), item);
    // Hidden until then.
    GtkWidget *menu = b.add(std::string(entry.name) + "_menu", gtk_menu_new(), false);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), menu);
    return menu;
}

void build_menu(WindowBuilder &b, GtkWidget *menu_shell, std::span<const MenuEntry> entries) {
    GSList *radio_group = nullptr; // each menu holds at most one group of radio items
    for (const MenuEntry &entry : entries) {
        if (entry.kind == ItemKind::submenu) {
            build_menu(b, add_submenu_item(b, menu_shell, entry), entry.entries);
        } else {
            gtk_container_add(GTK_CONTAINER(menu_shell), build_menu_item(b, entry, &radio_group));
        }
    }
}

GtkWidget *build_drawing_area(WindowBuilder &b, const std::string &suffix, int width, int height,
                              gint events = 0, bool focusable = false) {
    GtkWidget *area = b.add("drawingarea_" + suffix, gtk_drawing_area_new());
    gtk_widget_set_size_request(area, width, height);
    if (events != 0) {
        gtk_widget_set_events(area, events);
    }
    if (focusable) {
        gtk_widget_set_can_focus(area, TRUE);
    }
    return area;
}

GtkWidget *build_framed_drawing_area(WindowBuilder &b, const std::string &suffix, gfloat xalign,
                                     gfloat yalign, int width, int height, gint events = 0,
                                     bool focusable = false) {
    // aspectframe_<suffix> holding alignment_<suffix> holding drawingarea_<suffix>, in that order.
    GtkWidget *frame =
        b.add("aspectframe_" + suffix, gtk_aspect_frame_new(nullptr, xalign, yalign, 1.0, TRUE));
    GtkWidget *alignment = b.add("alignment_" + suffix, gtk_alignment_new(0.5, 0.5, 1.0, 1.0));
    gtk_container_add(GTK_CONTAINER(frame), alignment);
    gtk_container_add(GTK_CONTAINER(alignment),
                      build_drawing_area(b, suffix, width, height, events, focusable));
    return frame;
}

GtkWidget *build_radio_button(WindowBuilder &b, const char *name, const char *text,
                              GtkWidget *previous) {
    GtkWidget *button = b.add(name, gtk_radio_button_new_with_mnemonic(nullptr, tr(text)));
    if (previous != nullptr) {
        gtk_radio_button_set_group(GTK_RADIO_BUTTON(button),
                                   gtk_radio_button_get_group(GTK_RADIO_BUTTON(previous)));
    }
    return button;
}

// frame_<suffix> holding alignment_<suffix> (border 4) holding vbox_<suffix>; the title label
// comes after the contents.
GtkWidget *build_titled_frame(WindowBuilder &b, const std::string &suffix, gint spacing,
                              GtkWidget **vbox, bool show) {
    GtkWidget *frame = b.add("frame_" + suffix, gtk_frame_new(nullptr), show);
    GtkWidget *alignment = b.add("alignment_" + suffix, gtk_alignment_new(0.5, 0.5, 1.0, 1.0));
    gtk_container_add(GTK_CONTAINER(frame), alignment);
    gtk_container_set_border_width(GTK_CONTAINER(alignment), frame_content_border);
    *vbox = b.add("vbox_" + suffix, gtk_vbox_new(FALSE, spacing));
    gtk_container_add(GTK_CONTAINER(alignment), *vbox);
    return frame;
}

void build_title_label(WindowBuilder &b, GtkWidget *frame, const char *name, const char *title) {
    GtkWidget *label = b.add(name, gtk_label_new(tr(title)));
    gtk_frame_set_label_widget(GTK_FRAME(frame), label);
    gtk_label_set_use_markup(GTK_LABEL(label), TRUE);
}

void build_screen_column(WindowBuilder &b, GtkWidget *hbox_topmost) {
    GtkWidget *vbox_screen = b.add("vbox_screen", gtk_vbox_new(FALSE, 0));
    pack(hbox_topmost, vbox_screen, TRUE, TRUE);

    GtkWidget *aspectframe =
        b.add("aspectframe_drawingareas", gtk_aspect_frame_new(nullptr, 0.5, 0.0, 1.0, TRUE));
    pack(vbox_screen, aspectframe, TRUE, TRUE);
    GtkWidget *alignment = b.add("alignment_drawingareas", gtk_alignment_new(0.5, 0.5, 1.0, 1.0));
    gtk_container_add(GTK_CONTAINER(aspectframe), alignment);
    GtkWidget *hbox_drawingareas = b.add("hbox_drawingareas", gtk_hbox_new(FALSE, 0));
    gtk_container_add(GTK_CONTAINER(alignment), hbox_drawingareas);

    pack(hbox_drawingareas,
         build_drawing_area(b, "left_border", side_border_width, side_border_height,
                            sprite_area_events, true),
         FALSE, TRUE);
    GtkWidget *vbox_drawingareas = b.add("vbox_drawingareas", gtk_vbox_new(FALSE, 0));
    pack(hbox_drawingareas, vbox_drawingareas, FALSE, TRUE);
    pack(vbox_drawingareas,
         build_drawing_area(b, "upper_border", picture_width, open_border_height), TRUE, TRUE);
    pack(vbox_drawingareas, build_drawing_area(b, "picture", picture_width, picture_height), TRUE,
         TRUE);
    pack(vbox_drawingareas,
         build_drawing_area(b, "lower_border", picture_width, open_border_height), TRUE, TRUE);
    pack(hbox_drawingareas,
         build_drawing_area(b, "right_border", side_border_width, side_border_height,
                            sprite_area_events, true),
         FALSE, TRUE);

    // The border colours are not editable in this version: the frame stays hidden and off.
    GtkWidget *vbox_base_colors = nullptr;
    GtkWidget *frame_base_colors =
        build_titled_frame(b, "base_colors", 2, &vbox_base_colors, false);
    pack(vbox_screen, frame_base_colors, FALSE, TRUE);
    gtk_widget_set_sensitive(frame_base_colors, FALSE);

    GtkWidget *table = b.add("table_base_colors", gtk_table_new(1, 3, FALSE));
    pack(vbox_base_colors, table, FALSE, TRUE);
    gtk_table_set_col_spacings(GTK_TABLE(table), table_column_spacing);
    GtkWidget *upper =
        build_radio_button(b, "radiobutton_upper_border_color", "Upper (open)", nullptr);
    attach(table, upper, 0, 0, static_cast<GtkAttachOptions>(0));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(upper), TRUE);
    GtkWidget *lower =
        build_radio_button(b, "radiobutton_lower_border_color", "Lower (open)", upper);
    attach(table, lower, 1, 0, static_cast<GtkAttachOptions>(0));
    GtkWidget *corner =
        build_radio_button(b, "radiobutton_corner_border_color", "Corner (closed)", lower);
    attach(table, corner, 2, 0, static_cast<GtkAttachOptions>(0));

    pack(vbox_base_colors,
         build_framed_drawing_area(b, "palette", 0.0, 0.5, palette_strip_width,
                                   palette_strip_height, GDK_BUTTON_PRESS_MASK),
         FALSE, TRUE);
    build_title_label(b, frame_base_colors, "label_border_colors", "Border colors");
}

void build_sprite_column(WindowBuilder &b, GtkWidget *hbox_topmost) {
    GtkWidget *vbox_controls = b.add("vbox_sprite_controls", gtk_vbox_new(FALSE, 0));
    pack(hbox_topmost, vbox_controls, TRUE, TRUE);

    GtkWidget *hbox_sprites = b.add("hbox_sprites", gtk_hbox_new(FALSE, 0));
    pack(vbox_controls, hbox_sprites, FALSE, TRUE);
    pack(hbox_sprites,
         build_framed_drawing_area(b, "sprites", 0.5, 0.0, sprite_list_width,
                                   sprite_list_start_height, sprite_area_events, true),
         TRUE, TRUE);
    // Hidden: the list pages are chosen by the sprite loader, not by the user.
    GtkWidget *scrollbar =
        b.add("vscrollbar_sprites",
              gtk_vscrollbar_new(GTK_ADJUSTMENT(gtk_adjustment_new(0, 0, 0, 0, 0, 0))), false);
    pack(hbox_sprites, scrollbar, TRUE, TRUE);
    gtk_widget_set_sensitive(scrollbar, FALSE);

    GtkWidget *multicolor = b.add("checkbutton_sprite_multicolor",
                                  gtk_check_button_new_with_mnemonic(tr("Multicolor mode")));
    pack(vbox_controls, multicolor, TRUE, FALSE);

    GtkWidget *vbox_colors = nullptr;
    GtkWidget *frame = build_titled_frame(b, "sprite_colors", 4, &vbox_colors, true);
    pack(vbox_controls, frame, FALSE, TRUE);

    GtkWidget *table = b.add("table_sprite_colors", gtk_table_new(2, 4, FALSE));
    pack(vbox_colors, table, FALSE, TRUE);
    gtk_table_set_col_spacings(GTK_TABLE(table), table_column_spacing);

    const auto none = static_cast<GtkAttachOptions>(0);
    GtkWidget *pair_00 =
        build_radio_button(b, "radiobutton_color_sprite_bit_pair_00", "Transparent (00)", nullptr);
    attach(table, pair_00, 0, 0, none);
    gtk_widget_set_sensitive(pair_00, FALSE);
    GtkWidget *pair_10 =
        build_radio_button(b, "radiobutton_color_sprite_bit_pair_10", "Sprite color (10)", pair_00);
    attach(table, pair_10, 0, 1, none);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(pair_10), TRUE);
    GtkWidget *pair_01 =
        build_radio_button(b, "radiobutton_color_sprite_bit_pair_01", "Multicolor 0 (01)", pair_10);
    attach(table, pair_01, 2, 0, none);
    GtkWidget *pair_11 =
        build_radio_button(b, "radiobutton_color_sprite_bit_pair_11", "Multicolor 1 (11)", pair_01);
    attach(table, pair_11, 2, 1, none);

    struct Swatch {
        const char *suffix;
        guint column;
        guint row;
    };
    constexpr Swatch swatches[] = {{"color_sprite_bit_pair_00", 1, 0},
                                   {"color_sprite_bit_pair_10", 1, 1},
                                   {"color_sprite_bit_pair_01", 3, 0},
                                   {"color_sprite_bit_pair_11", 3, 1}};
    for (const Swatch &swatch : swatches) {
        attach(table,
               build_framed_drawing_area(b, swatch.suffix, 0.5, 0.5, swatch_size, swatch_size),
               swatch.column, swatch.row, GTK_FILL);
    }

    pack(vbox_colors,
         build_framed_drawing_area(b, "sprite_palette", 0.0, 0.5, palette_strip_width,
                                   palette_strip_height, GDK_BUTTON_PRESS_MASK),
         FALSE, TRUE);
    build_title_label(b, frame, "label_sprite_colors", "Sprite colors");
}

// Tooltips come with the first frame's menus: set before it, the pointer resting on the window
// as it appears would make GTK build its tooltip window at once.
void apply_tooltips(GtkWidget *window) {
    for (const Tooltip &tip : tooltips_table) {
        gtk_widget_set_tooltip_text(lookup_widget(window, tip.widget), tr(tip.text));
    }
}

// The preference items show the preferences read at start. No handler is connected yet, so
// nothing is drawn or written.
void show_preferences(GtkWidget *window) {
    constexpr std::array palette_items{"menuitem_palette_peptos", "menuitem_palette_high_contrast",
                                       "menuitem_palette_pixcen", "menuitem_palette_ccs64"};
    constexpr std::array selection_items{"menuitem_selection_method_frame",
                                         "menuitem_selection_method_alpha_adjustment",
                                         "menuitem_selection_method_both"};
    constexpr std::array transition_items{"menuitem_transition_none",
                                          "menuitem_transition_flicker"};
    constexpr std::array attribute_items{"menuitem_sprite_attribute_byte_format_ignore",
                                         "menuitem_sprite_attribute_byte_format_sprite_pad"};
    const auto show = [window](const std::string &name, bool active) {
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(lookup_widget(window, name.c_str())),
                                       active ? TRUE : FALSE);
    };
    // The files keep every choice within its range.
    show(palette_items.at(static_cast<std::size_t>(options_palette)), true);
    show("menuitem_zoom_" + std::to_string(options_expansion) + "x", true);
    show(selection_items.at(static_cast<std::size_t>(options_selection_method)), true);
    show(transition_items.at(static_cast<std::size_t>(options_transition)), true);
    show(attribute_items.at(static_cast<std::size_t>(options_sprite_attribute_byte_format)), true);
    show("menuitem_reencode_graphics", options_reencode_graphics == TRUE);
    show("menuitem_follow_files", options_follow_files == TRUE);
}

void connect_signals(GtkWidget *window, std::span<const SignalConnection> connections) {
    for (const SignalConnection &connection : connections) {
        g_signal_connect(lookup_widget(window, connection.widget), connection.signal,
                         connection.handler, nullptr);
    }
}

constexpr const char *all_menus_key = "sidewell-all-menus";

// The menus' accelerators live in the one group the window holds.
GtkAccelGroup *accel_group_of(GtkWidget *window) {
    return GTK_ACCEL_GROUP(gtk_accel_groups_from_object(G_OBJECT(window))->data);
}

} // namespace

GtkWidget *create_window_main() {
    WindowBuilder b;
    b.accel_group = gtk_accel_group_new();

    b.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(b.window), tr("C64 Sidewell"));
    gtk_window_set_position(GTK_WINDOW(b.window), GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(GTK_WINDOW(b.window), FALSE);
    b.add("window_main", b.window, false);
    gtk_window_add_accel_group(GTK_WINDOW(b.window), b.accel_group);
    g_object_unref(b.accel_group);

    GtkWidget *vbox_topmost = b.add("vbox_topmost", gtk_vbox_new(FALSE, 0));
    gtk_container_add(GTK_CONTAINER(b.window), vbox_topmost);

    GtkWidget *menubar_main = b.add("menubar_main", gtk_menu_bar_new());
    pack(vbox_topmost, menubar_main, FALSE, FALSE);
    for (const auto &[menu, after_first_frame] : menubar) {
        GtkWidget *shell = add_submenu_item(b, menubar_main, menu);
        if (!after_first_frame) {
            build_menu(b, shell, menu.entries);
        }
    }

    GtkWidget *hbox_topmost = b.add("hbox_topmost", gtk_hbox_new(FALSE, screen_spacing));
    pack(vbox_topmost, hbox_topmost, TRUE, TRUE);
    build_screen_column(b, hbox_topmost);
    build_sprite_column(b, hbox_topmost);

    GtkWidget *statusbar = b.add("statusbar_main", gtk_statusbar_new());
    pack(vbox_topmost, statusbar, FALSE, FALSE);
    gtk_statusbar_set_has_resize_grip(GTK_STATUSBAR(statusbar), FALSE);

    // The window holds its own entry without a reference.
    hookup_object_no_ref(b.window, b.window, "window_main");
    b.register_on_window();
    connect_signals(b.window, window_signals);
    // Files dropped from a file manager arrive as a list of URIs.
    static const GtkTargetEntry uri_list[] = {{const_cast<gchar *>("text/uri-list"), 0, 0}};
    gtk_drag_dest_set(b.window, GTK_DEST_DEFAULT_ALL, uri_list, G_N_ELEMENTS(uri_list),
                      GDK_ACTION_COPY);
    return b.window;
}

bool window_main_has_all_menus(GtkWidget *window) {
    return g_object_get_data(G_OBJECT(window), all_menus_key) != nullptr;
}

void window_main_add_later_menus(GtkWidget *window) {
    if (window_main_has_all_menus(window)) {
        return;
    }
    WindowBuilder b;
    b.window = window;
    b.accel_group = accel_group_of(window);
    for (const auto &[menu, after_first_frame] : menubar) {
        if (after_first_frame) {
            const std::string shell = std::string(menu.name) + "_menu";
            build_menu(b, lookup_widget(window, shell.c_str()), menu.entries);
        }
    }
    b.register_on_window();
    apply_tooltips(window);
    show_preferences(window);
    connect_signals(window, menu_signals);
    // Keys that work beside those the menus show: Ctrl+Y redoes, F1 opens a project.
    for (const auto &[name, key, mods] : extra_keys) {
        gtk_widget_add_accelerator(lookup_widget(window, name), "activate", b.accel_group, key,
                                   mods, static_cast<GtkAccelFlags>(0));
    }
    g_object_set_data(G_OBJECT(window), all_menus_key, window);
}
