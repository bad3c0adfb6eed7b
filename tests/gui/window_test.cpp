// The main window and its dialogs as built: every widget in tree order with its kind, the
// properties that differ from GTK's defaults and its packing, against the layout kept in
// expected/*.tree. Widgets are named as the window (or dialog) registers them.

#include "gui_test_support.hpp"

#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/controls.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/window_main.hpp"

#include <array>
#include <cstdlib>
#include <map>
#include <sstream>

namespace {

// Everything the editor sets on its widgets; "visible" is written as "hidden" when off.
constexpr const char *described_properties[] = {
    "name",           "title",        "window-position", "resizable",    "modal",
    "type-hint",      "sensitive",    "can-focus",       "events",       "width-request",
    "height-request", "border-width", "spacing",         "homogeneous",  "layout-style",
    "xalign",         "yalign",       "xscale",          "yscale",       "top-padding",
    "bottom-padding", "left-padding", "right-padding",   "ratio",        "obey-child",
    "n-rows",         "n-columns",    "column-spacing",  "row-spacing",  "label",
    "use-underline",  "use-markup",   "use-stock",       "justify",      "xpad",
    "ypad",           "active",       "has-resize-grip", "tooltip-text", "stock",
    "icon-size",      "storage-type"};

using Names = std::map<const GtkWidget *, std::string>;

std::string non_default(GParamSpec *property, GValue *value) {
    if (g_param_value_defaults(property, value) || G_VALUE_HOLDS_OBJECT(value) ||
        (G_VALUE_HOLDS_FLAGS(value) && g_value_get_flags(value) == 0) ||
        (G_VALUE_HOLDS_STRING(value) && g_strcmp0(g_value_get_string(value), "") == 0))
        return "";
    const GCharPtr text{g_strdup_value_contents(value)};
    return std::string(" ") + property->name + "=" + text.get();
}

std::string properties_of(GtkWidget *widget) {
    std::string text;
    for (const char *name : described_properties) {
        GParamSpec *property = g_object_class_find_property(G_OBJECT_GET_CLASS(widget), name);
        if (property == nullptr || !(property->flags & G_PARAM_READABLE))
            continue;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, property->value_type);
        g_object_get_property(G_OBJECT(widget), name, &value);
        text += non_default(property, &value);
        g_value_unset(&value);
    }
    GtkWidget *parent = gtk_widget_get_parent(widget);
    if (parent == nullptr)
        return text;
    guint count = 0;
    GParamSpec **child_properties =
        gtk_container_class_list_child_properties(G_OBJECT_GET_CLASS(parent), &count);
    for (guint i = 0; i < count; i++) {
        if (g_str_equal(child_properties[i]->name, "position"))
            continue;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, child_properties[i]->value_type);
        gtk_container_child_get_property(GTK_CONTAINER(parent), widget, child_properties[i]->name,
                                         &value);
        text += non_default(child_properties[i], &value);
        g_value_unset(&value);
    }
    g_free(child_properties);
    return text;
}

void describe(GtkWidget *widget, const Names &names, int depth, std::string &out) {
    const auto name_of = [&names](GtkWidget *named) {
        const auto found = names.find(named);
        return found == names.end() ? std::string("-") : found->second;
    };
    out += std::string(2 * depth, ' ') + name_of(widget) + ": " + G_OBJECT_TYPE_NAME(widget) +
           (gtk_widget_get_visible(widget) ? "" : " hidden") + properties_of(widget);
    if (GTK_IS_IMAGE_MENU_ITEM(widget)) {
        GtkWidget *image = gtk_image_menu_item_get_image(GTK_IMAGE_MENU_ITEM(widget));
        gchar *stock = nullptr;
        if (image != nullptr && gtk_image_get_storage_type(GTK_IMAGE(image)) == GTK_IMAGE_STOCK)
            gtk_image_get_stock(GTK_IMAGE(image), &stock, nullptr);
        // The window's own images are registered; a stock item's image is GTK's.
        const std::string name = image != nullptr ? name_of(image) : "-";
        out += " image=" + (name != "-" ? name + ":" : "") + (stock ? stock : "-");
    }
    GSList *group = GTK_IS_RADIO_BUTTON(widget)
                        ? gtk_radio_button_get_group(GTK_RADIO_BUTTON(widget))
                    : GTK_IS_RADIO_MENU_ITEM(widget)
                        ? gtk_radio_menu_item_get_group(GTK_RADIO_MENU_ITEM(widget))
                        : nullptr;
    if (group != nullptr) // the group's first member is the list's last element
        out += " group=" + name_of(static_cast<GtkWidget *>(g_slist_last(group)->data));
    if (GTK_IS_MENU_ITEM(widget)) {
        GtkWidget *label = gtk_bin_get_child(GTK_BIN(widget));
        if (GTK_IS_ACCEL_LABEL(label)) {
            gtk_accel_label_refetch(GTK_ACCEL_LABEL(label));
            const std::string key = GTK_ACCEL_LABEL(label)->accel_string;
            if (key.find_first_not_of(' ') != std::string::npos)
                out += " key=" + key.substr(key.find_first_not_of(' '));
        }
    }
    out += "\n";
    if (GTK_IS_MENU_ITEM(widget)) {
        if (GtkWidget *menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(widget)))
            describe(menu, names, depth + 1, out);
        return;
    }
    // A button's label and the status bar's frame are GTK's own parts.
    if (!GTK_IS_CONTAINER(widget) || GTK_IS_BUTTON(widget) || GTK_IS_STATUSBAR(widget))
        return;
    GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList *child = children; child != nullptr; child = child->next)
        describe(GTK_WIDGET(child->data), names, depth + 1, out);
    g_list_free(children);
}

// The tree of toplevel against the file, with the names the toplevel registers its widgets under.
void expect_tree(GtkWidget *toplevel, const char *file,
                 const std::pair<std::string, std::string> &replaced = {}) {
    Names names;
    g_datalist_foreach(
        &G_OBJECT(toplevel)->qdata,
        [](GQuark key, gpointer data, gpointer names) {
            static_cast<Names *>(names)->emplace(static_cast<GtkWidget *>(data),
                                                 g_quark_to_string(key));
        },
        &names);
    std::string shown;
    describe(toplevel, names, 0, shown);
    // Texts are shown escaped, one widget a line.
    const GCharPtr escaped{g_strescape(replaced.first.c_str(), nullptr)};
    for (std::size_t at;
         !replaced.first.empty() && (at = shown.find(escaped.get())) != std::string::npos;)
        shown.replace(at, strlen(escaped.get()), replaced.second);
    EXPECT_EQ(shown, expected_text(file));
}

class Window : public EditorTest {};

// A fresh process, read before any test changes it: nothing loaded, no template preview to end,
// corner colour 0 and light green on the sprite colour swatch.
const std::array start_state = {picture_loaded, sprites_loaded, border_color_index,
                                project_backup_pending_restore,
                                int{color_index_sprite_bit_pair_10}};

TEST(Start, HasNothingLoaded) {
    EXPECT_EQ(start_state, (std::array{0, 0, 0, 0, 13}));
}

TEST(WindowBeforePreferences, IsBuiltAsDesigned) {
    GtkWidget *window = create_window_main();
    window_main_add_later_menus(window);
    expect_tree(window, "window_main.tree");
    gtk_widget_destroy(window);
}

// Help -> Open example project opens the sunset example: in a build, the source tree's.
TEST_F(Window, HelpOpensTheSunsetExample) {
    choose("menuitem_open_example");
    EXPECT_EQ(std::tuple(window_title(), picture_loaded, sprites_loaded,
                         std::string(utf8_path_and_filename_project)),
              std::tuple("C64 Sidewell - sunset.ini", 1, 1, example_path("sunset.ini")));
    EXPECT_EQ(
        pixels_first_difference(pixbuf_picture, decoded_picture(example_path("sunset.koa")).get()),
        "");
}

// Message dialogs show their text literally, close on any response and go with the window.
TEST_F(Window, DialogsAreBuiltAsDesigned) {
    const std::pair<GtkMessageType, const char *> types[] = {{GTK_MESSAGE_ERROR, "error"},
                                                             {GTK_MESSAGE_INFO, "info"},
                                                             {GTK_MESSAGE_WARNING, "warning"},
                                                             {GTK_MESSAGE_QUESTION, "question"}};
    for (const auto &[type, name] : types) {
        controls_show_message_dialog("100% <b>not bold</b> & %s", type);
        const std::vector<GtkWidget *> shown = message_dialogs();
        ASSERT_EQ(shown.size(), 1u) << name;
        GtkWidget *dialog = shown[0];
        expect_tree(dialog, (std::string("message_") + name + ".tree").c_str());
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), GTK_WINDOW(window_main));
        g_object_add_weak_pointer(G_OBJECT(dialog), reinterpret_cast<gpointer *>(&dialog));
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
        process_events();
        EXPECT_EQ(dialog, nullptr) << name;
    }
    controls_show_message_dialog("left open", GTK_MESSAGE_ERROR);
    restart();
    EXPECT_TRUE(message_dialogs().empty());

    // A confirmation is Yes only for Yes; a closed window counts as No.
    const std::tuple<gint, bool, gboolean> answers[] = {{GTK_RESPONSE_YES, false, TRUE},
                                                        {GTK_RESPONSE_NO, false, FALSE},
                                                        {GTK_RESPONSE_NONE, true, FALSE}};
    for (const auto &[response, close_window, expected] : answers) {
        DialogAnswer answer("Confirmation request", response, close_window);
        answer.inspect = [](GtkWidget *dialog) { expect_tree(dialog, "confirmation.tree"); };
        EXPECT_EQ(controls_get_user_confirmation("Reset <b>all</b>?"), expected) << response;
        EXPECT_EQ(answer.times_answered(), 1);
    }

    // The about box waits for its answer and names the build it belongs to.
    DialogAnswer answer("About C64 Sidewell", GTK_RESPONSE_OK);
    const std::string build =
        "Compiled on: " + controls_format_build_date(__DATE__) +
        "\nCompiled with gcc version: " + std::to_string(__GNUC__) + "." +
        std::to_string(__GNUC_MINOR__) + "." + std::to_string(__GNUC_PATCHLEVEL__) +
        "\nGTK+ runtime in use: " + std::to_string(gtk_major_version) + "." +
        std::to_string(gtk_minor_version) + "." + std::to_string(gtk_micro_version);
    answer.inspect = [&](GtkWidget *dialog) {
        expect_tree(dialog, "about.tree", {build, "BUILD"});
    };
    choose("menuitem_about");
    EXPECT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(controls_format_build_date("Jan  6 2025"), "Jan 6 2025");
    EXPECT_EQ(controls_format_build_date("Dec 24 2025"), "Dec 24 2025");

    // The status bar holds the latest message alone.
    controls_update_main_statusbar("first");
    controls_update_main_statusbar("second");
    EXPECT_EQ(g_slist_length(GTK_STATUSBAR(widget("statusbar_main"))->messages), 1u);
    EXPECT_EQ(status_text(), "second");

    // A name that nothing is registered under is reported.
    g_test_expect_message(nullptr, G_LOG_LEVEL_WARNING, "Widget not found: nowhere");
    EXPECT_EQ(widget("nowhere"), nullptr);
    g_test_assert_expected_messages();
}

// Run in emulator is offered from the start only when PATH has an emulator.
TEST_F(Window, RunInEmulatorIsOffOnlyWithoutAnEmulator) {
    const std::string path = g_getenv("PATH");
    g_setenv("PATH", dir.c_str(), TRUE);
    restart();
    g_setenv("PATH", path.c_str(), TRUE);
    EXPECT_FALSE(gtk_widget_get_sensitive(widget("menuitem_run_in_emulator")));
}

// The first frame has the menu bar, the Edit menu and every area; the other menus, the tooltips
// and the menu images come right after it.
TEST_F(Window, FillsTheOtherMenusRightAfterTheFirstFrame) {
    const auto shown = [] {
        std::vector<guint> items;
        for (const char *menu : {"menuitem_file_menu", "menuitem_edit_menu",
                                 "menuitem_preferences_menu", "menuitem_help_menu"}) {
            GList *children = gtk_container_get_children(GTK_CONTAINER(app_lookup_widget(menu)));
            items.push_back(g_list_length(children));
            g_list_free(children);
        }
        gboolean images = FALSE;
        g_object_get(gtk_settings_get_default(), "gtk-menu-images", &images, nullptr);
        return std::tuple(
            items, gtk_widget_get_has_tooltip(app_lookup_widget("drawingarea_sprites")), images);
    };
    decltype(shown()) before;
    restart([&] { before = shown(); });
    EXPECT_EQ(before, std::tuple(std::vector<guint>{0, 2, 0, 0}, FALSE, FALSE));
    EXPECT_EQ(shown(), std::tuple(std::vector<guint>{17, 2, 7, 2}, TRUE, TRUE));
}

// The program prints its version; started with a display and a project, it shows the project.
TEST(Program, PrintsItsVersionOrShowsTheProjectNamed) {
    gchar *printed = nullptr;
    ASSERT_TRUE(
        g_spawn_command_line_sync(SIDEWELL_EDITOR " -V", &printed, nullptr, nullptr, nullptr));
    EXPECT_STREQ(GCharPtr(printed).get(), "C64 Sidewell 1.1.4\n");
    const TempDir dir;
    for (const char *name : {"sunset.koa", "shapes.prg"})
        fs::copy_file(example_path(name), dir.file(name));
    fs::copy_file(example_path("sunset.ini"), dir.file("named.ini"));
    // The window's title names the project once it is open.
    const std::string shown = "cd '" + dir.path +
                              "' && " SIDEWELL_EDITOR
                              " named.ini & found=1; for i in $(seq 100); do if xwininfo -root "
                              "-tree | grep -q 'C64 Sidewell - named.ini'; then found=0; break; "
                              "fi; sleep 0.1; done; kill $!; exit $found";
    EXPECT_EQ(WEXITSTATUS(std::system(shown.c_str())), 0);
}

} // namespace
