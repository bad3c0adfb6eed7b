#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/support.hpp"
#include "gui/window_main.hpp"
#include "gui_test_support.hpp"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <string>

namespace {

struct RegisteredWidget {
    const char *name;
    GType (*type)();
};

// A sample from every level of the tree, each with the kind of widget it must be.
const RegisteredWidget registered_widgets[] = {
    {"vbox_topmost", gtk_vbox_get_type},
    {"menubar_main", gtk_menu_bar_get_type},
    {"menuitem_file_menu", gtk_menu_get_type},
    {"menuitem_quit", gtk_image_menu_item_get_type},
    {"separator3", gtk_separator_menu_item_get_type},
    {"menuitem_palette_menu", gtk_menu_get_type},
    {"menuitem_zoom_4x", gtk_radio_menu_item_get_type},
    {"menuitem_reencode_graphics", gtk_check_menu_item_get_type},
    {"menuitem_about", gtk_image_menu_item_get_type},
    {"hbox_topmost", gtk_hbox_get_type},
    {"aspectframe_drawingareas", gtk_aspect_frame_get_type},
    {"alignment_drawingareas", gtk_alignment_get_type},
    {"hbox_drawingareas", gtk_hbox_get_type},
    {"drawingarea_left_border", gtk_drawing_area_get_type},
    {"vbox_drawingareas", gtk_vbox_get_type},
    {"drawingarea_picture", gtk_drawing_area_get_type},
    {"frame_base_colors", gtk_frame_get_type},
    {"table_base_colors", gtk_table_get_type},
    {"radiobutton_corner_border_color", gtk_radio_button_get_type},
    {"drawingarea_palette", gtk_drawing_area_get_type},
    {"label_border_colors", gtk_label_get_type},
    {"vbox_sprite_controls", gtk_vbox_get_type},
    {"aspectframe_sprites", gtk_aspect_frame_get_type},
    {"drawingarea_sprites", gtk_drawing_area_get_type},
    {"vscrollbar_sprites", gtk_vscrollbar_get_type},
    {"checkbutton_sprite_multicolor", gtk_check_button_get_type},
    {"table_sprite_colors", gtk_table_get_type},
    {"aspectframe_color_sprite_bit_pair_11", gtk_aspect_frame_get_type},
    {"alignment_color_sprite_bit_pair_11", gtk_alignment_get_type},
    {"drawingarea_color_sprite_bit_pair_11", gtk_drawing_area_get_type},
    {"drawingarea_sprite_palette", gtk_drawing_area_get_type},
    {"label_sprite_colors", gtk_label_get_type},
    {"statusbar_main", gtk_statusbar_get_type},
    {"tooltips", gtk_tooltips_get_type},
};

class Registry : public EditorTest {};

TEST_F(Registry, FindsEveryKindOfWidgetByName) {
    for (const RegisteredWidget &entry : registered_widgets) {
        GtkWidget *found = widget(entry.name);
        ASSERT_NE(found, nullptr) << entry.name;
        EXPECT_TRUE(G_TYPE_CHECK_INSTANCE_TYPE(found, entry.type())) << entry.name;
    }
    EXPECT_EQ(widget("window_main"), window_main);
}

TEST_F(Registry, ClimbsFromASubmenuItemThroughTheAttachedItems) {
    GtkWidget *item = widget("menuitem_zoom_2x");
    ASSERT_NE(item, nullptr);
    // menuitem_zoom_2x sits in zoom menu -> menuitem_zoom -> preferences menu -> menu bar.
    EXPECT_EQ(lookup_widget(item, "statusbar_main"), widget("statusbar_main"));
    EXPECT_EQ(lookup_widget(item, "window_main"), window_main);
    EXPECT_EQ(lookup_widget(widget("menuitem_palette_menu"), "menuitem_about"),
              widget("menuitem_about"));
}

TEST_F(Registry, FollowsTheParentKeyOfADetachedWidget) {
    GtkWidget *loose = gtk_label_new("loose");
    g_object_ref_sink(loose);
    g_object_set_data(G_OBJECT(loose), "GladeParentKey", window_main);
    EXPECT_EQ(lookup_widget(loose, "statusbar_main"), widget("statusbar_main"));
    g_object_unref(loose);
}

TEST_F(Registry, UnknownNameWarnsAndGivesNull) {
    g_test_expect_message(nullptr, G_LOG_LEVEL_WARNING, "Widget not found: no_such_widget");
    EXPECT_EQ(lookup_widget(window_main, "no_such_widget"), nullptr);
    g_test_assert_expected_messages();
}

TEST_F(Registry, RegisteredWidgetsLiveAsLongAsTheWindow) {
    GtkWidget *statusbar = widget("statusbar_main");
    g_object_add_weak_pointer(G_OBJECT(statusbar), reinterpret_cast<gpointer *>(&statusbar));
    restart();
    EXPECT_EQ(statusbar, nullptr);
}

TEST_F(Registry, HiddenWidgetsStayHiddenWhileTheirChildrenExist) {
    EXPECT_TRUE(gtk_widget_get_visible(window_main));
    for (const char *name : {"frame_base_colors", "vscrollbar_sprites"}) {
        GtkWidget *hidden = widget(name);
        EXPECT_FALSE(gtk_widget_get_visible(hidden)) << name;
        EXPECT_FALSE(gtk_widget_get_mapped(hidden)) << name;
        EXPECT_FALSE(gtk_widget_get_sensitive(hidden)) << name;
    }
    EXPECT_TRUE(gtk_widget_get_visible(widget("drawingarea_palette")));
    EXPECT_FALSE(gtk_widget_get_mapped(widget("drawingarea_palette")));
    EXPECT_TRUE(gtk_widget_get_mapped(widget("drawingarea_sprite_palette")));
    EXPECT_FALSE(gtk_widget_get_sensitive(widget("separator1")));
    EXPECT_FALSE(gtk_widget_get_sensitive(widget("radiobutton_color_sprite_bit_pair_00")));
}

TEST_F(Registry, WindowHasItsTitleAndStaysItsSize) {
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window_main)), "C64 Sidewell");
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(window_main)));
    gint width = 0;
    gint height = 0;
    gtk_widget_get_size_request(widget("drawingarea_color_sprite_bit_pair_01"), &width, &height);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 16);
}

struct Tip {
    const char *widget;
    const char *text;
};

TEST_F(Registry, TooltipsAreTheWrittenOnes) {
    const Tip tips[] = {
        {"menuitem_reload_graphics", "Reload the current picture and prites to pick up any changes "
                                     "that might have occurred since these were last loaded"},
        {"drawingarea_right_border", "Hover on a sprite to show its attributes; hold down the 'z' "
                                     "key to show the sprite template"},
        {"radiobutton_color_sprite_bit_pair_10", "Set the individual sprite color. In \n"
                                                 "multicolor sprite graphics, such color is "
                                                 "displayed by the 10 bit-pair"},
        {"radiobutton_corner_border_color", "Set the border color of the closed borders at the "
                                            "corners of the display area ($D020)"},
    };
    for (const Tip &tip : tips) {
        gchar *text = gtk_widget_get_tooltip_text(widget(tip.widget));
        EXPECT_STREQ(text, tip.text) << tip.widget;
        g_free(text);
    }
}

struct MenuText {
    const char *item;
    const char *label;
};

TEST_F(Registry, MenuItemsShowTheirTextsMnemonicsAndImages) {
    const MenuText texts[] = {
        {"menuitem_file", "_File"},
        {"menuitem_new_project", "New project"},
        {"menuitem_export_to_png", "Export to PNG _image..."},
        {"menuitem_palette_pixcen", "Pi_xcen"},
        {"menuitem_palette_ccs64", "CC_S64"},
        {"menuitem_sprite_attribute_byte_format", "Sprite attribute byte format"},
    };
    for (const MenuText &text : texts) {
        EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(widget(text.item))), text.label);
        EXPECT_TRUE(gtk_menu_item_get_use_underline(GTK_MENU_ITEM(widget(text.item))));
    }
    for (const char *stock : {"menuitem_quit", "menuitem_about"}) {
        EXPECT_TRUE(gtk_image_menu_item_get_use_stock(GTK_IMAGE_MENU_ITEM(widget(stock))));
    }
    EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(widget("menuitem_quit"))), "gtk-quit");
    GtkWidget *image = gtk_image_menu_item_get_image(GTK_IMAGE_MENU_ITEM(widget("menuitem_zoom")));
    ASSERT_TRUE(GTK_IS_IMAGE(image));
    gchar *stock_id = nullptr;
    gtk_image_get_stock(GTK_IMAGE(image), &stock_id, nullptr);
    EXPECT_STREQ(stock_id, "gtk-zoom-in");
}

struct Connection {
    const char *widget;
    const char *signal;
};

TEST_F(Registry, EveryAreaSignalHasAHandlerNamedAfterIt) {
    const Connection connections[] = {
        {"drawingarea_left_border", "key_release_event"},
        {"drawingarea_right_border", "query_tooltip"},
        {"drawingarea_sprites", "button_press_event"},
        {"drawingarea_palette", "button_press_event"},
        {"vscrollbar_sprites", "value_changed"},
        {"checkbutton_sprite_multicolor", "toggled"},
        {"drawingarea_color_sprite_bit_pair_01", "expose_event"},
        {"drawingarea_sprite_palette", "configure_event"},
        {"window_main", "delete_event"},
        {"menuitem_about", "activate"},
    };
    for (const Connection &connection : connections) {
        const guint id =
            g_signal_lookup(connection.signal, G_OBJECT_TYPE(widget(connection.widget)));
        ASSERT_NE(id, 0u) << connection.signal;
        EXPECT_TRUE(g_signal_has_handler_pending(widget(connection.widget), id, 0, FALSE))
            << connection.widget << " " << connection.signal;
    }
}

// Before the preferences are applied, the menus show the choices built into the window.
TEST(WindowBeforePreferences, ShowsTheBuiltInChoices) {
    GtkWidget *window = create_window_main();
    const char *active[] = {"menuitem_palette_ccs64",
                            "menuitem_zoom_4x",
                            "menuitem_selection_method_both",
                            "menuitem_transition_flicker",
                            "menuitem_sprite_attribute_byte_format_ignore",
                            "radiobutton_upper_border_color",
                            "radiobutton_color_sprite_bit_pair_10"};
    for (const char *name : active) {
        GtkWidget *item = lookup_widget(window, name);
        const gboolean on = GTK_IS_CHECK_MENU_ITEM(item)
                                ? gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item))
                                : gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(item));
        EXPECT_TRUE(on) << name;
    }
    const char *inactive[] = {"menuitem_palette_peptos",
                              "menuitem_zoom_1x",
                              "menuitem_selection_method_frame",
                              "menuitem_transition_none",
                              "menuitem_sprite_attribute_byte_format_sprite_pad",
                              "menuitem_reencode_graphics"};
    for (const char *name : inactive) {
        EXPECT_FALSE(
            gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(lookup_widget(window, name))))
            << name;
    }
    EXPECT_FALSE(gtk_toggle_button_get_active(
        GTK_TOGGLE_BUTTON(lookup_widget(window, "checkbutton_sprite_multicolor"))));
    EXPECT_FALSE(gtk_widget_get_visible(window));
    gtk_widget_destroy(window);
}

struct Accelerator {
    const char *name;
    guint key;
    GdkModifierType modifiers;
    int *option;
    int expected;
    // A value the option does not have after the key; a valid one, since the sprite areas
    // divide by the zoom when the pointer the key sender moves passes over them.
    int before;
};

void PrintTo(const Accelerator &accelerator, std::ostream *os) {
    *os << accelerator.name;
}

class Accelerators : public EditorTest, public ::testing::WithParamInterface<Accelerator> {};

TEST_P(Accelerators, KeyReachesTheMenuHandler) {
    const Accelerator &accelerator = GetParam();
    *accelerator.option = accelerator.before;
    ASSERT_TRUE(send_key(accelerator.key, accelerator.modifiers));
    process_events(100);
    EXPECT_EQ(*accelerator.option, accelerator.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, Accelerators,
    ::testing::Values(Accelerator{"F5", GDK_F5, GdkModifierType(0), &options_expansion, 1, 2},
                      Accelerator{"F6", GDK_F6, GdkModifierType(0), &options_expansion, 2, 1},
                      Accelerator{"F7", GDK_F7, GdkModifierType(0), &options_expansion, 3, 1},
                      Accelerator{"F8", GDK_F8, GdkModifierType(0), &options_expansion, 4, 1},
                      Accelerator{"AltA", GDK_a, GDK_MOD1_MASK, &options_palette, 0, 9},
                      Accelerator{"AltS", GDK_s, GDK_MOD1_MASK, &options_palette, 1, 9},
                      Accelerator{"AltD", GDK_d, GDK_MOD1_MASK, &options_palette, 2, 9},
                      Accelerator{"AltG", GDK_g, GDK_MOD1_MASK, &options_palette, 3, 9}),
    [](const ::testing::TestParamInfo<Accelerator> &info) { return info.param.name; });

TEST_F(Accelerators, ZoomKeyResizesTheDrawingAreas) {
    ASSERT_TRUE(send_key(GDK_F7, GdkModifierType(0)));
    process_events(100);
    gint width = 0;
    gint height = 0;
    gtk_widget_get_size_request(widget("drawingarea_picture"), &width, &height);
    EXPECT_EQ(width, 960);
    EXPECT_EQ(height, 600);
    gtk_widget_get_size_request(widget("drawingarea_sprites"), &width, &height);
    EXPECT_EQ(width, 1152);
    EXPECT_EQ(height, 630);
}

TEST_F(Accelerators, FileAcceleratorsAreShownInTheMenu) {
    struct Shown {
        const char *item;
        guint key;
        GdkModifierType modifiers;
    };
    const Shown shown[] = {{"menuitem_open_project", GDK_F1, GdkModifierType(0)},
                           {"menuitem_load_picture", GDK_F2, GdkModifierType(0)},
                           {"menuitem_load_sprites", GDK_F3, GdkModifierType(0)},
                           {"menuitem_reload_graphics", GDK_F4, GdkModifierType(0)},
                           {"menuitem_quit", GDK_q, GDK_CONTROL_MASK},
                           {"menuitem_palette_high_contrast", GDK_s, GDK_MOD1_MASK}};
    for (const Shown &entry : shown) {
        GtkWidget *label = gtk_bin_get_child(GTK_BIN(widget(entry.item)));
        ASSERT_TRUE(GTK_IS_ACCEL_LABEL(label)) << entry.item;
        GClosure *closure = nullptr;
        g_object_get(label, "accel-closure", &closure, nullptr);
        ASSERT_NE(closure, nullptr) << entry.item;
        GtkAccelGroup *group = gtk_accel_group_from_accel_closure(closure);
        GtkAccelKey *key = gtk_accel_group_find(
            group,
            [](GtkAccelKey *, GClosure *candidate, gpointer wanted) -> gboolean {
                return candidate == wanted;
            },
            closure);
        g_closure_unref(closure);
        ASSERT_NE(key, nullptr) << entry.item;
        EXPECT_EQ(key->accel_key, entry.key) << entry.item;
        EXPECT_EQ(key->accel_mods, entry.modifiers) << entry.item;
        EXPECT_TRUE(key->accel_flags & GTK_ACCEL_VISIBLE) << entry.item;
    }
}

} // namespace
