// The main window as start-up builds it: where each widget sits, the menus' keys and choices,
// and the message, question and about dialogs it shows.

#include "gui_test_support.hpp"

#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/support.hpp"
#include "gui/window_main.hpp"

#include <gdk/gdkkeysyms.h>

#include <map>
#include <tuple>

namespace {

class Window : public EditorTest {};

struct Box {
    int x, y, width, height;
};

Box box_of(GtkWidget *widget) {
    Box box{0, 0, widget->allocation.width, widget->allocation.height};
    gtk_widget_translate_coordinates(widget, window_main, 0, 0, &box.x, &box.y);
    return box;
}

bool rows_overlap(const Box &a, const Box &b) {
    return a.y < b.y + b.height && b.y < a.y + a.height;
}

bool columns_overlap(const Box &a, const Box &b) {
    return a.x < b.x + b.width && b.x < a.x + a.width;
}

enum Where { right_of, below };

// The two columns: the display (side borders round the open borders and the picture) and the
// sprite controls (list, multicolour switch, the colour table of radio buttons each followed by
// its swatch, the palette strip), the status bar under both.
const std::tuple<const char *, Where, const char *> placements[] = {
    {"drawingarea_left_border", below, "menubar_main"},
    {"drawingarea_upper_border", right_of, "drawingarea_left_border"},
    {"drawingarea_picture", below, "drawingarea_upper_border"},
    {"drawingarea_lower_border", below, "drawingarea_picture"},
    {"drawingarea_right_border", right_of, "drawingarea_picture"},
    {"drawingarea_sprites", right_of, "drawingarea_right_border"},
    {"drawingarea_sprites", below, "menubar_main"},
    {"checkbutton_sprite_multicolor", below, "drawingarea_sprites"},
    {"frame_sprite_colors", below, "checkbutton_sprite_multicolor"},
    {"drawingarea_color_sprite_bit_pair_00", right_of, "radiobutton_color_sprite_bit_pair_00"},
    {"radiobutton_color_sprite_bit_pair_01", right_of, "drawingarea_color_sprite_bit_pair_00"},
    {"drawingarea_color_sprite_bit_pair_01", right_of, "radiobutton_color_sprite_bit_pair_01"},
    {"radiobutton_color_sprite_bit_pair_10", below, "radiobutton_color_sprite_bit_pair_00"},
    {"drawingarea_color_sprite_bit_pair_10", right_of, "radiobutton_color_sprite_bit_pair_10"},
    {"radiobutton_color_sprite_bit_pair_11", right_of, "drawingarea_color_sprite_bit_pair_10"},
    {"radiobutton_color_sprite_bit_pair_11", below, "radiobutton_color_sprite_bit_pair_01"},
    {"drawingarea_color_sprite_bit_pair_11", right_of, "radiobutton_color_sprite_bit_pair_11"},
    {"drawingarea_sprite_palette", below, "radiobutton_color_sprite_bit_pair_10"},
    {"statusbar_main", below, "drawingarea_lower_border"},
    {"statusbar_main", below, "frame_sprite_colors"}};

// The drawing areas at their size for the zoom; the controls no taller than they ask to be.
const std::tuple<const char *, int, int> zoomed_sizes[] = {
    {"drawingarea_left_border", 48, 296},  {"drawingarea_right_border", 48, 296},
    {"drawingarea_upper_border", 320, 48}, {"drawingarea_picture", 320, 200},
    {"drawingarea_lower_border", 320, 48}, {"drawingarea_sprites", 384, 210}};
const char *const natural_heights[] = {"checkbutton_sprite_multicolor", "frame_sprite_colors",
                                       "radiobutton_color_sprite_bit_pair_00",
                                       "drawingarea_sprite_palette", "menubar_main"};

TEST_F(Window, EveryWidgetSitsInItsPlaceAtEveryZoom) {
    std::vector<int> gaps;
    for (const int zoom : {1, 3}) {
        SCOPED_TRACE(zoom);
        choose_zoom(zoom);
        process_events(100);
        for (const auto &[name, where, other] : placements) {
            const Box a = box_of(widget(name)), b = box_of(widget(other));
            if (where == right_of)
                EXPECT_TRUE(a.x >= b.x + b.width && rows_overlap(a, b)) << name << " " << other;
            else
                EXPECT_TRUE(a.y >= b.y + b.height && columns_overlap(a, b)) << name << " " << other;
        }
        for (const auto &[name, width, height] : zoomed_sizes) {
            const Box box = box_of(widget(name));
            EXPECT_EQ(std::pair(box.width, box.height), std::pair(width * zoom, height * zoom))
                << name;
        }
        for (const char *name : natural_heights) {
            GtkRequisition asked{};
            gtk_widget_size_request(widget(name), &asked);
            EXPECT_EQ(box_of(widget(name)).height, asked.height) << name;
        }
        const Box status = box_of(widget("statusbar_main"));
        EXPECT_EQ(status.y + status.height, window_main->allocation.height);
        EXPECT_EQ(status.width, window_main->allocation.width);
        // Menu bar, the two columns and the status bar stacked without gaps.
        const Box menubar = box_of(widget("menubar_main")),
                  columns = box_of(widget("hbox_topmost"));
        EXPECT_EQ(menubar.y, 0);
        EXPECT_EQ(columns.y, menubar.height);
        EXPECT_EQ(status.y, columns.y + columns.height);
        // The columns sit side by side, a fixed gap apart at every zoom.
        const Box border = box_of(widget("drawingarea_right_border"));
        gaps.push_back(box_of(widget("drawingarea_sprites")).x - (border.x + border.width));
    }
    EXPECT_EQ(gaps[0], gaps[1]);
    // The menus pop up only when opened.
    for (const char *menu : {"menuitem_file_menu", "menuitem_zoom_menu", "menuitem_help_menu"})
        EXPECT_FALSE(gtk_widget_get_visible(widget(menu))) << menu;
    // Not editable in this version: the border colours and the list's page.
    for (const char *hidden : {"frame_base_colors", "vscrollbar_sprites"})
        EXPECT_FALSE(gtk_widget_get_mapped(widget(hidden)) ||
                     gtk_widget_get_sensitive(widget(hidden)))
            << hidden;
}

// Before the preferences are applied, the menus show the choices built into the window.
TEST(WindowBeforePreferences, ShowsTheBuiltInChoices) {
    GtkWidget *window = create_window_main();
    std::vector<std::string> active;
    for (const char *name :
         {"menuitem_palette_peptos", "menuitem_palette_ccs64", "menuitem_zoom_1x",
          "menuitem_zoom_2x", "menuitem_zoom_4x", "menuitem_selection_method_frame",
          "menuitem_selection_method_both", "menuitem_transition_none",
          "menuitem_transition_flicker", "menuitem_sprite_attribute_byte_format_ignore",
          "menuitem_sprite_attribute_byte_format_sprite_pad", "menuitem_reencode_graphics",
          "radiobutton_upper_border_color", "radiobutton_lower_border_color",
          "radiobutton_color_sprite_bit_pair_10", "radiobutton_color_sprite_bit_pair_01",
          "checkbutton_sprite_multicolor"}) {
        GtkWidget *item = lookup_widget(window, name);
        if (GTK_IS_CHECK_MENU_ITEM(item) ? gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item))
                                         : gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(item)))
            active.emplace_back(name);
    }
    EXPECT_EQ(active,
              (std::vector<std::string>{
                  "menuitem_palette_ccs64", "menuitem_zoom_4x", "menuitem_selection_method_both",
                  "menuitem_transition_flicker", "menuitem_sprite_attribute_byte_format_ignore",
                  "radiobutton_upper_border_color", "radiobutton_color_sprite_bit_pair_10"}));
    EXPECT_FALSE(gtk_widget_get_visible(window));
    gtk_widget_destroy(window);
}

// Every menu item that shows a key, by its text, and only those: the key reaches the item's
// handler, which sets the option from a value it did not have.
TEST_F(Window, OnlyTheListedItemsHaveKeysAndEachReachesItsHandler) {
    const std::map<std::string, std::string> shown = {{"_Open project...", "F1"},
                                                      {"Load _picture...", "F2"},
                                                      {"Load _sprites...", "F3"},
                                                      {"_Reload all graphics", "F4"},
                                                      {"_1x", "F5"},
                                                      {"_2x", "F6"},
                                                      {"_3x", "F7"},
                                                      {"_4x", "F8"},
                                                      {"gtk-quit", "Ctrl+Q"},
                                                      {"_Pepto", "Alt+A"},
                                                      {"_High contrast", "Alt+S"},
                                                      {"Pi_xcen", "Alt+D"},
                                                      {"CC_S64", "Alt+G"},
                                                      {"Run in emulator", "Ctrl+R"},
                                                      {"_Undo", "Ctrl+Z"},
                                                      {"_Redo", "Shift+Ctrl+Z"}};
    std::map<std::string, std::string> found;
    std::vector<GtkWidget *> shells{widget("menubar_main")};
    while (!shells.empty()) {
        GtkWidget *shell = shells.back();
        shells.pop_back();
        GList *items = gtk_container_get_children(GTK_CONTAINER(shell));
        for (GList *item = items; item != nullptr; item = item->next) {
            if (GtkWidget *submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(item->data)))
                shells.push_back(submenu);
            GtkWidget *label = gtk_bin_get_child(GTK_BIN(item->data));
            if (!GTK_IS_ACCEL_LABEL(label))
                continue;
            gtk_accel_label_refetch(GTK_ACCEL_LABEL(label));
            // GTK sets the key off from the item's text by a few spaces.
            const std::string key = GTK_ACCEL_LABEL(label)->accel_string;
            if (key.find_first_not_of(' ') != std::string::npos)
                found[gtk_menu_item_get_label(GTK_MENU_ITEM(item->data))] =
                    key.substr(key.find_first_not_of(' '));
        }
        g_list_free(items);
    }
    EXPECT_EQ(found, shown);

    const std::tuple<guint, guint, int *, int, int> keys[] = {
        {GDK_F5, 0, &options_expansion, 1, 2},
        {GDK_F6, 0, &options_expansion, 2, 1},
        {GDK_F7, 0, &options_expansion, 3, 1},
        {GDK_F8, 0, &options_expansion, 4, 1},
        {GDK_a, GDK_MOD1_MASK, &options_palette, 0, 3},
        {GDK_s, GDK_MOD1_MASK, &options_palette, 1, 3},
        {GDK_d, GDK_MOD1_MASK, &options_palette, 2, 3},
        {GDK_g, GDK_MOD1_MASK, &options_palette, 3, 0}};
    for (const auto &[key, modifiers, option, expected, before] : keys) {
        *option = before;
        ASSERT_TRUE(send_key(key, GdkModifierType(modifiers)));
        process_events(100);
        EXPECT_EQ(*option, expected) << gdk_keyval_name(key);
    }
}

// Message dialogs show their text literally, take their title from the type, do not wait, and
// close themselves on any response or go with the window.
TEST_F(Window, MessageDialogsOfEveryType) {
    const std::pair<GtkMessageType, const char *> types[] = {{GTK_MESSAGE_ERROR, "Error"},
                                                             {GTK_MESSAGE_INFO, "Information"},
                                                             {GTK_MESSAGE_WARNING, "Warning"},
                                                             {GTK_MESSAGE_QUESTION, "Warning"}};
    const char *text = "100% <b>not bold</b> & %s";
    for (const auto &[type, title] : types) {
        controls_show_message_dialog(text, type);
        const std::vector<GtkWidget *> shown = message_dialogs();
        ASSERT_EQ(shown.size(), 1u) << title;
        GtkWidget *dialog = shown[0];
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), title);
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), GTK_WINDOW(window_main));
        EXPECT_EQ(message_text(dialog), text);
        g_object_add_weak_pointer(G_OBJECT(dialog), reinterpret_cast<gpointer *>(&dialog));
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
        process_events();
        EXPECT_EQ(dialog, nullptr) << title;
    }
    controls_show_message_dialog(text, GTK_MESSAGE_ERROR);
    restart();
    EXPECT_TRUE(message_dialogs().empty());
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
            shown = yes_no_question(dialog);
            EXPECT_EQ(lookup_widget(dialog, "dialog_yes_no_confirmation"), dialog);
            // In the middle of the screen, where no window manager places it.
            int x = 0, y = 0, width = 0, height = 0;
            gtk_window_get_position(GTK_WINDOW(dialog), &x, &y);
            gtk_window_get_size(GTK_WINDOW(dialog), &width, &height);
            EXPECT_NEAR(x + width / 2, gdk_screen_width() / 2, 1);
        };
        EXPECT_EQ(controls_get_user_confirmation("Reset <b>all</b>?"), expected) << response;
        EXPECT_EQ(answer.times_answered(), 1);
        EXPECT_EQ(shown, "Reset <b>all</b>?");
    }
}

// The about box waits for its answer and names the build it belongs to.
TEST_F(Window, AboutBoxNamesTheBuild) {
    DialogAnswer answer("About C64 Sidewell", GTK_RESPONSE_OK);
    std::vector<std::string> texts;
    // The labels shown: the name, what it is for, the two format lists, the build.
    answer.inspect = [&](GtkWidget *dialog) {
        texts = label_texts(gtk_dialog_get_content_area(GTK_DIALOG(dialog)), true);
    };
    choose("menuitem_about");
    ASSERT_EQ(answer.times_answered(), 1);
    DialogAnswer gone("About C64 Sidewell", GTK_RESPONSE_OK); // the answered box went away
    process_events(100);
    EXPECT_EQ(gone.times_answered(), 0);
    const std::string build =
        "Compiled on: " + controls_format_build_date(__DATE__) +
        "\nCompiled with gcc version: " + std::to_string(__GNUC__) + "." +
        std::to_string(__GNUC_MINOR__) + "." + std::to_string(__GNUC_PATCHLEVEL__) +
        "\nGTK+ runtime in use: " + std::to_string(gtk_major_version) + "." +
        std::to_string(gtk_minor_version) + "." + std::to_string(gtk_micro_version);
    ASSERT_EQ(texts.size(), 6u); // with the OK button's
    EXPECT_EQ(texts[4], build);
    EXPECT_EQ(controls_format_build_date("Jan  6 2025"), "Jan 6 2025");
    EXPECT_EQ(controls_format_build_date("Dec 24 2025"), "Dec 24 2025");
}

} // namespace
