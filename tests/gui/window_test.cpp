// The main window as start-up builds it: the widget registry, menus, accelerators and tooltips,
// and the messages and dialogs it shows.

#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/support.hpp"
#include "gui/window_main.hpp"
#include "gui_test_support.hpp"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class Window : public EditorTest {};

GtkWidget *find_message_dialog() {
    GtkWidget *found = nullptr;
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *element = toplevels; element != nullptr; element = element->next)
        if (GTK_IS_MESSAGE_DIALOG(element->data))
            found = GTK_WIDGET(element->data);
    g_list_free(toplevels);
    return found;
}

// A sample from every level of the tree, each with the kind of widget it must be.
const std::pair<const char *, GType (*)()> registered_widgets[] = {
    {"window_main", gtk_window_get_type},
    {"vbox_topmost", gtk_vbox_get_type},
    {"menubar_main", gtk_menu_bar_get_type},
    {"menuitem_file_menu", gtk_menu_get_type},
    {"menuitem_quit", gtk_image_menu_item_get_type},
    {"separator3", gtk_separator_menu_item_get_type},
    {"menuitem_zoom_4x", gtk_radio_menu_item_get_type},
    {"menuitem_reencode_graphics", gtk_check_menu_item_get_type},
    {"aspectframe_drawingareas", gtk_aspect_frame_get_type},
    {"drawingarea_left_border", gtk_drawing_area_get_type},
    {"frame_base_colors", gtk_frame_get_type},
    {"radiobutton_corner_border_color", gtk_radio_button_get_type},
    {"vscrollbar_sprites", gtk_vscrollbar_get_type},
    {"checkbutton_sprite_multicolor", gtk_check_button_get_type},
    {"statusbar_main", gtk_statusbar_get_type},
    {"tooltips", gtk_tooltips_get_type}};

TEST_F(Window, LookupFindsEveryKindOfWidgetFromAnywhereInTheTree) {
    for (const auto &[name, type] : registered_widgets) {
        GtkWidget *found = widget(name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_TRUE(G_TYPE_CHECK_INSTANCE_TYPE(found, type())) << name;
    }
    EXPECT_EQ(widget("window_main"), window_main);
    // menuitem_zoom_2x sits in zoom menu -> menuitem_zoom -> preferences menu -> menu bar.
    GtkWidget *item = widget("menuitem_zoom_2x");
    EXPECT_EQ(lookup_widget(item, "statusbar_main"), widget("statusbar_main"));
    EXPECT_EQ(lookup_widget(item, "window_main"), window_main);
    EXPECT_EQ(lookup_widget(widget("menuitem_palette_menu"), "menuitem_about"),
              widget("menuitem_about"));
    // A widget outside the tree names its registry by the parent key.
    GtkWidget *loose = gtk_label_new("loose");
    g_object_ref_sink(loose);
    g_object_set_data(G_OBJECT(loose), "GladeParentKey", window_main);
    EXPECT_EQ(lookup_widget(loose, "statusbar_main"), widget("statusbar_main"));
    g_object_unref(loose);

    g_test_expect_message(nullptr, G_LOG_LEVEL_WARNING, "Widget not found: no_such_widget");
    EXPECT_EQ(lookup_widget(window_main, "no_such_widget"), nullptr);
    g_test_assert_expected_messages();
}

TEST_F(Window, HiddenWidgetsStayHiddenWhileTheirChildrenExist) {
    EXPECT_TRUE(gtk_widget_get_visible(window_main));
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(window_main)));
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

TEST_F(Window, TooltipsAndMenuTextsAreTheWrittenOnes) {
    const std::pair<const char *, const char *> tips[] = {
        {"menuitem_reload_graphics", "Reload the current picture and prites to pick up any changes "
                                     "that might have occurred since these were last loaded"},
        {"drawingarea_right_border", "Hover on a sprite to show its attributes; hold down the 'z' "
                                     "key to show the sprite template"},
        {"radiobutton_color_sprite_bit_pair_10",
         "Set the individual sprite color. In \nmulticolor sprite graphics, such color is "
         "displayed by the 10 bit-pair"},
        {"radiobutton_corner_border_color", "Set the border color of the closed borders at the "
                                            "corners of the display area ($D020)"},
    };
    for (const auto &[name, text] : tips) {
        gchar *shown = gtk_widget_get_tooltip_text(widget(name));
        EXPECT_STREQ(shown, text) << name;
        g_free(shown);
    }
    const std::pair<const char *, const char *> labels[] = {
        {"menuitem_file", "_File"},
        {"menuitem_new_project", "New project"},
        {"menuitem_export_to_png", "Export to PNG _image..."},
        {"menuitem_palette_pixcen", "Pi_xcen"},
        {"menuitem_palette_ccs64", "CC_S64"},
        {"menuitem_quit", "gtk-quit"},
    };
    for (const auto &[name, label] : labels) {
        EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(widget(name))), label);
        EXPECT_TRUE(gtk_menu_item_get_use_underline(GTK_MENU_ITEM(widget(name))));
    }
    for (const char *stock : {"menuitem_quit", "menuitem_about"})
        EXPECT_TRUE(gtk_image_menu_item_get_use_stock(GTK_IMAGE_MENU_ITEM(widget(stock))));
    GtkWidget *image = gtk_image_menu_item_get_image(GTK_IMAGE_MENU_ITEM(widget("menuitem_zoom")));
    ASSERT_TRUE(GTK_IS_IMAGE(image));
    gchar *stock_id = nullptr;
    gtk_image_get_stock(GTK_IMAGE(image), &stock_id, nullptr);
    EXPECT_STREQ(stock_id, "gtk-zoom-in");
}

// Before the preferences are applied, the menus show the choices built into the window.
TEST(WindowBeforePreferences, ShowsTheBuiltInChoices) {
    GtkWidget *window = create_window_main();
    const auto active = [window](const char *name) {
        GtkWidget *item = lookup_widget(window, name);
        return GTK_IS_CHECK_MENU_ITEM(item)
                   ? gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item))
                   : gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(item));
    };
    for (const char *name :
         {"menuitem_palette_ccs64", "menuitem_zoom_4x", "menuitem_selection_method_both",
          "menuitem_transition_flicker", "menuitem_sprite_attribute_byte_format_ignore",
          "radiobutton_upper_border_color", "radiobutton_color_sprite_bit_pair_10"})
        EXPECT_TRUE(active(name)) << name;
    for (const char *name :
         {"menuitem_palette_peptos", "menuitem_zoom_1x", "menuitem_selection_method_frame",
          "menuitem_transition_none", "menuitem_sprite_attribute_byte_format_sprite_pad",
          "menuitem_reencode_graphics", "checkbutton_sprite_multicolor"})
        EXPECT_FALSE(active(name)) << name;
    EXPECT_FALSE(gtk_widget_get_visible(window));
    gtk_widget_destroy(window);
}

// Each key reaches its menu handler, which sets the option from a value it did not have; a
// valid one, since the sprite areas divide by the zoom when the pointer the key sender moves
// passes over them.
TEST_F(Window, AcceleratorsReachTheirMenuHandlers) {
    const std::tuple<guint, guint, int *, int, int> keys[] = {
        {GDK_F5, 0, &options_expansion, 1, 2},
        {GDK_F6, 0, &options_expansion, 2, 1},
        {GDK_F7, 0, &options_expansion, 3, 1},
        {GDK_F8, 0, &options_expansion, 4, 1},
        {GDK_a, GDK_MOD1_MASK, &options_palette, 0, 9},
        {GDK_s, GDK_MOD1_MASK, &options_palette, 1, 9},
        {GDK_d, GDK_MOD1_MASK, &options_palette, 2, 9},
        {GDK_g, GDK_MOD1_MASK, &options_palette, 3, 9}};
    for (const auto &[key, modifiers, option, expected, before] : keys) {
        *option = before;
        ASSERT_TRUE(send_key(key, GdkModifierType(modifiers)));
        process_events(100);
        EXPECT_EQ(*option, expected) << gdk_keyval_name(key);
    }
}

TEST_F(Window, MenusShowTheAccelerators) {
    const std::pair<const char *, const char *> shown[] = {
        {"menuitem_open_project", "F1"},    {"menuitem_load_picture", "F2"},
        {"menuitem_load_sprites", "F3"},    {"menuitem_reload_graphics", "F4"},
        {"menuitem_zoom_1x", "F5"},         {"menuitem_zoom_4x", "F8"},
        {"menuitem_quit", "Ctrl+Q"},        {"menuitem_palette_peptos", "Alt+A"},
        {"menuitem_palette_ccs64", "Alt+G"}};
    for (const auto &[item, text] : shown) {
        GtkWidget *label = gtk_bin_get_child(GTK_BIN(widget(item)));
        ASSERT_TRUE(GTK_IS_ACCEL_LABEL(label)) << item;
        gtk_accel_label_refetch(GTK_ACCEL_LABEL(label));
        // GTK sets the accelerator off from the item's text by a few spaces.
        const std::string accelerator = GTK_ACCEL_LABEL(label)->accel_string;
        EXPECT_EQ(accelerator.substr(accelerator.find_first_not_of(' ')), text) << item;
    }
}

// ---- Messages and dialogs ------------------------------------------------------------------

TEST_F(Window, TitleAndStatusBarShowTheLatestTextAsGiven) {
    GtkWindow *window = GTK_WINDOW(window_main);
    EXPECT_STREQ(gtk_window_get_title(window), "C64 Sidewell");
    controls_update_main_window_title("100%s.ini");
    EXPECT_STREQ(gtk_window_get_title(window), "C64 Sidewell - 100%s.ini");

    GtkStatusbar *bar = GTK_STATUSBAR(widget("statusbar_main"));
    GtkWidget *label = gtk_statusbar_get_message_area(bar);
    gchar *text = g_strdup(" Info: first");
    controls_update_main_statusbar(text);
    g_free(text);
    EXPECT_EQ(label_texts(label), std::vector<std::string>{" Info: first"});
    controls_update_main_statusbar(" Error: 100%s");
    EXPECT_EQ(label_texts(label), std::vector<std::string>{" Error: 100%s"});
    // Popping the one message leaves the bar empty: nothing older is stacked beneath it.
    gtk_statusbar_pop(bar, 0);
    EXPECT_EQ(label_texts(label), std::vector<std::string>{""});
}

// Message dialogs show their text literally, take their title from the type, do not wait, and
// close themselves on any response or go with the window. The registry holds no extra reference.
TEST_F(Window, MessageDialogsOfEveryType) {
    const std::pair<GtkMessageType, const char *> types[] = {{GTK_MESSAGE_ERROR, "Error"},
                                                             {GTK_MESSAGE_INFO, "Information"},
                                                             {GTK_MESSAGE_WARNING, "Warning"},
                                                             {GTK_MESSAGE_QUESTION, "Warning"}};
    const char *text = "100% <b>not bold</b> & %s";
    for (const auto &[type, title] : types) {
        controls_show_message_dialog(text, type);
        GtkWidget *dialog = find_message_dialog();
        ASSERT_NE(dialog, nullptr) << title;
        EXPECT_TRUE(gtk_widget_get_visible(dialog));
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), title);
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), GTK_WINDOW(window_main));
        GtkLabel *label = GTK_LABEL(GTK_MESSAGE_DIALOG(dialog)->label);
        EXPECT_STREQ(gtk_label_get_text(label), text);
        EXPECT_FALSE(gtk_label_get_use_markup(label));
        g_object_add_weak_pointer(G_OBJECT(dialog), reinterpret_cast<gpointer *>(&dialog));
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
        process_events();
        EXPECT_EQ(dialog, nullptr) << title;
    }
    controls_show_message_dialog(text, GTK_MESSAGE_ERROR);
    GtkWidget *dialog = find_message_dialog();
    GtkWidget *statusbar = widget("statusbar_main");
    for (GtkWidget **weak : {&dialog, &statusbar})
        g_object_add_weak_pointer(G_OBJECT(*weak), reinterpret_cast<gpointer *>(weak));
    restart();
    EXPECT_EQ(dialog, nullptr);
    EXPECT_EQ(statusbar, nullptr);
}

// The question is shown as markup; a closed window counts as No.
TEST_F(Window, ConfirmationIsYesOnlyForYes) {
    const std::tuple<gint, bool, gboolean> answers[] = {{GTK_RESPONSE_YES, false, TRUE},
                                                        {GTK_RESPONSE_NO, false, FALSE},
                                                        {GTK_RESPONSE_NONE, true, FALSE},
                                                        {GTK_RESPONSE_OK, false, FALSE}};
    for (const auto &[response, close_window, expected] : answers) {
        DialogAnswer answer("Confirmation request", response, close_window);
        std::string shown;
        answer.inspect = [&shown](GtkWidget *dialog) {
            shown =
                gtk_label_get_label(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation")));
        };
        EXPECT_EQ(controls_get_user_confirmation("Reset <b>all</b>?"), expected) << response;
        EXPECT_EQ(answer.times_answered(), 1);
        EXPECT_EQ(shown, "Reset <b>all</b>?");
    }
}

TEST_F(Window, AboutBoxShowsEveryTextAndTheIcon) {
    DialogAnswer answer("About C64 Sidewell", GTK_RESPONSE_OK);
    std::vector<std::string> texts;
    PixbufPtr icon;
    bool modal = false;
    answer.inspect = [&](GtkWidget *dialog) {
        modal = gtk_window_get_modal(GTK_WINDOW(dialog));
        GList *boxes = gtk_container_get_children(
            GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))));
        for (GList *box = boxes; box != nullptr; box = box->next) {
            if (box->data == gtk_dialog_get_action_area(GTK_DIALOG(dialog)))
                continue;
            texts = label_texts(GTK_WIDGET(box->data));
            GList *items = gtk_container_get_children(GTK_CONTAINER(box->data));
            if (GTK_IS_IMAGE(items->data))
                icon.reset(GDK_PIXBUF(g_object_ref(gtk_image_get_pixbuf(GTK_IMAGE(items->data)))));
            g_list_free(items);
        }
        g_list_free(boxes);
    };
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_about")));
    ASSERT_EQ(answer.times_answered(), 1);
    EXPECT_TRUE(modal);

    const std::string build =
        "Compiled on: " + controls_format_build_date(__DATE__) +
        "\nCompiled with gcc version: " + std::to_string(__GNUC__) + "." +
        std::to_string(__GNUC_MINOR__) + "." + std::to_string(__GNUC_PATCHLEVEL__) +
        "\nGTK+ runtime in use: " + std::to_string(gtk_major_version) + "." +
        std::to_string(gtk_minor_version) + "." + std::to_string(gtk_micro_version);
    EXPECT_EQ(texts,
              (std::vector<std::string>{
                  "<span size=\"xx-large\"><b>C64 Sidewell 1.1.4</b></span>",
                  "Extension tool for Commodore 64 graphics using sprites\n<i>Another attempt to "
                  "empower graphic artists\nand rid the C64 scene of bad raster coding</i> =)",
                  "<b>Supported multicolor formats</b>\n- <i>Advanced Art Studio 2.0 (by "
                  "OCP)</i>\n- <i>Blazing Paddles</i>\n- <i>Koala Painter 2 (by Audio "
                  "Light)</i>\n- <i>Vidcom 64 (by Omega)</i>\n- <i>Wigmore Artist 64 (by "
                  "Wigmore)</i>",
                  "<b>Supported PETSCII formats</b>\n- <i>PETSCII Vellum (by myself)</i>", build}));

    EXPECT_EQ(controls_format_build_date("Jan  6 2025"), "Jan 6 2025");
    EXPECT_TRUE(std::regex_match(controls_format_build_date(__DATE__),
                                 std::regex("[A-Z][a-z]{2} [1-9][0-9]? [0-9]{4}")));
    ASSERT_TRUE(icon);
    ASSERT_EQ(gdk_pixbuf_get_width(icon.get()), 64);
    ASSERT_EQ(gdk_pixbuf_get_height(icon.get()), 64);
    std::set<std::uint32_t> colours;
    const int channels = gdk_pixbuf_get_n_channels(icon.get());
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) {
            const guchar *p = gdk_pixbuf_get_pixels(icon.get()) +
                              y * gdk_pixbuf_get_rowstride(icon.get()) + x * channels;
            colours.insert(std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | p[2] << 8 |
                           (channels == 4 ? p[3] : 255));
        }
    EXPECT_LE(colours.size(), 16u);
    EXPECT_GE(colours.size(), 4u);
}

} // namespace
