// The Preferences menu and the preferences file, quitting, and the six file choosers.

#include "gui_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/fileopen.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>
#include <sys/stat.h>

#include <array>
#include <regex>

namespace {

using gui_test::PrintTo;

constexpr const char *defaults =
    "# C64 Sidewell config file - do NOT edit\n\n[directories]\npicture_dir=(NULL)\n"
    "sprites_dir=(NULL)\nexport_png_dir=(NULL)\nexport_dir=(NULL)\n\n[interface]\npalette=0\n"
    "expansion=1\nselection_method=0\ntransition=0\n\n[sprites]\n"
    "sprite_attribute_byte_format=0\n\n[misc]\nreencode_graphics=false\n\n";

// The preferences file without the window position, which the window manager decides.
std::string options_text() {
    return std::regex_replace(read_text(gui_test_config_home() / "c64-sidewell" / "user.ini"),
                              std::regex("\\[application\\]\n.*\n"), "");
}

// What a command draws again: the display in the new palette or marking, with the background
// swatch that shows the picture's background, and with a new palette every swatch.
enum Redraw { options_only, display, display_and_swatches };

// A menu item and the line of the preferences file that says what it chose. The item before is
// chosen first, so that the option changes.
struct Command {
    const char *item;
    const char *before;
    std::string line;
    Redraw redraw;
    std::string name() const { return before ? std::string{item} + "_after_" + before : item; }
};

void PrintTo(const Command &c, std::ostream *out) {
    *out << c.name();
}

GtkWidget *menu_item(const char *name) {
    return lookup_widget(window_main, (std::string{"menuitem_"} + name).c_str());
}

class PreferenceCommand : public EditorTest, public ::testing::WithParamInterface<Command> {};

TEST_P(PreferenceCommand, SetsItsOptionRedrawsWritesTheFileAndComesBackAtTheNextStart) {
    const Command &c = GetParam();
    // The first start wrote the defaults, into a folder of the user's own.
    EXPECT_EQ(options_text(), defaults);
    struct stat info {};
    ASSERT_EQ(stat(config_file().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    const std::string picture = example_path("welcome.pet");
    put_picture(picture);
    put_sprites(example_path("shapes.prg"));
    border_color_index = 9;
    sprites_set_background_color(9);
    if (c.before != nullptr)
        gtk_menu_item_activate(GTK_MENU_ITEM(menu_item(c.before)));
    ASSERT_TRUE(fs::remove(config_file()));
    flush_redraws();
    gtk_menu_item_activate(GTK_MENU_ITEM(menu_item(c.item)));
    for (const char *pair : {"00", "01", "10", "11"})
        EXPECT_EQ(
            take_queued_redraw((std::string("drawingarea_color_sprite_bit_pair_") + pair).c_str()),
            c.redraw == display_and_swatches || (c.redraw == display && pair == std::string("00")))
            << pair;
    process_events(50);
    // The attribute format goes into the file with the next write of any kind.
    const std::string key = c.line.substr(0, c.line.find('=') + 1);
    std::string expected = std::regex_replace(defaults, std::regex(key + ".*"), c.line);
    if (key == "sprite_attribute_byte_format=") {
        EXPECT_FALSE(fs::exists(config_file()));
        choose("menuitem_transition_flicker");
        expected = std::regex_replace(expected, std::regex("transition=0"), "transition=1");
    }
    EXPECT_EQ(options_text(), expected);
    // The picture in the new palette, the corner colour the artist chose, the sprites'
    // transparent colour the picture's background again, the borders marked by the new method.
    EXPECT_EQ(pixels_first_difference(pixbuf_picture, decoded_picture(picture).get()), "");
    EXPECT_EQ(border_color_index, 9);
    EXPECT_EQ(sprites_get_background_color(),
              c.redraw == options_only ? 9 : picture_data.background_color);
    EXPECT_EQ(borders_first_difference(), "");

    restart();
    EXPECT_EQ(options_text(), expected);
    GtkWidget *item = menu_item(c.item);
    EXPECT_EQ(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item)),
              GTK_IS_RADIO_MENU_ITEM(item) || c.line.ends_with("true"));
    EXPECT_EQ(widget("drawingarea_picture")->allocation.width, 320 * options_expansion);
    EXPECT_EQ(widget("drawingarea_sprites")->allocation.height, 210 * options_expansion);
}

INSTANTIATE_TEST_SUITE_P(
    Menu, PreferenceCommand,
    ::testing::Values(
        Command{"palette_peptos", "palette_ccs64", "palette=0", display_and_swatches},
        Command{"palette_high_contrast", nullptr, "palette=1", display_and_swatches},
        Command{"palette_pixcen", nullptr, "palette=2", display_and_swatches},
        Command{"palette_ccs64", nullptr, "palette=3", display_and_swatches},
        Command{"zoom_1x", "zoom_3x", "expansion=1", options_only},
        Command{"zoom_2x", "zoom_3x", "expansion=2", options_only},
        Command{"zoom_4x", nullptr, "expansion=4", options_only},
        Command{"selection_method_frame", "selection_method_both", "selection_method=0", display},
        Command{"selection_method_alpha_adjustment", nullptr, "selection_method=1", display},
        Command{"selection_method_both", nullptr, "selection_method=2", display},
        Command{"transition_none", "transition_flicker", "transition=0", options_only},
        Command{"transition_flicker", nullptr, "transition=1", options_only},
        Command{"sprite_attribute_byte_format_sprite_pad", nullptr,
                "sprite_attribute_byte_format=1", options_only},
        Command{"sprite_attribute_byte_format_ignore", "sprite_attribute_byte_format_sprite_pad",
                "sprite_attribute_byte_format=0", options_only},
        Command{"reencode_graphics", nullptr, "reencode_graphics=true", options_only},
        Command{"reencode_graphics", "reencode_graphics", "reencode_graphics=false", options_only}),
    [](const auto &info) { return info.param.name(); });

enum class Way { menu, close_button, ctrl_q };

class Quit : public EditorTest, public ::testing::WithParamInterface<Way> {};

// Declined, the editor goes on and writes nothing. Confirmed, the position goes into the file,
// the large images are released, the main loop ends, and the next start puts the window there.
TEST_P(Quit, AsksThenWritesThePositionForTheNextStart) {
    const auto ask_to_quit = [way = GetParam(), this] {
        if (way == Way::menu)
            gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_quit")));
        else if (way == Way::close_button)
            send_delete_event(window_main);
        else
            send_key(GDK_q, GDK_CONTROL_MASK);
        process_events(100);
    };
    gtk_window_move(GTK_WINDOW(window_main), 150, 120);
    ASSERT_EQ(window_position(), std::pair(150, 120));
    ASSERT_TRUE(fs::remove(config_file()));
    {
        DialogAnswer no("Confirmation request", GTK_RESPONSE_NO);
        std::string question;
        no.inspect = [&question](GtkWidget *dialog) { question = yes_no_question(dialog); };
        ask_to_quit();
        EXPECT_EQ(question, "Are you sure you want to quit?");
        ASSERT_NE(window_main, nullptr);
        EXPECT_TRUE(gtk_widget_get_visible(window_main));
        EXPECT_FALSE(fs::exists(config_file()));
    }
    pixbuf_picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200);
    GdkPixbuf *picture = pixbuf_picture;
    g_object_add_weak_pointer(G_OBJECT(picture), reinterpret_cast<gpointer *>(&picture));
    DialogAnswer answer("Confirmation request", GTK_RESPONSE_YES);
    call_from_main_loop(ask_to_quit);
    ASSERT_TRUE(run_main_loop()) << "the main loop was not ended by quitting";
    EXPECT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(read_config(), std::string(defaults) + "[application]\nposition=150;120;\n");
    EXPECT_EQ(picture, nullptr);
    EXPECT_EQ(pixbuf_sprites, nullptr);
    restart();
    EXPECT_EQ(window_position(), std::pair(150, 120));
}

constexpr const char *way_names[] = {"menu", "close_button", "ctrl_q"};
INSTANTIATE_TEST_SUITE_P(Ways, Quit, ::testing::Values(Way::menu, Way::close_button, Way::ctrl_q),
                         [](const auto &info) { return way_names[int(info.param)]; });

constexpr const char *all_files = "  All files (*) ";

std::string active_filter(GtkWidget *dialog) {
    GtkFileFilter *filter = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog));
    return filter == nullptr ? "" : gtk_file_filter_get_name(filter);
}

// Each filter's name, marked when active, and the sample names it lets through ("*": all).
std::string filters_and_matches(GtkWidget *dialog) {
    std::string text;
    GSList *filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
    for (GSList *filter = filters; filter != nullptr; filter = filter->next) {
        std::string matches;
        int count = 0;
        for (const char *name : {"a.koa", "A.KOA", "a.pet", "a.prg", "a.PRG", "a.Prg", "a.pRG",
                                 "a.pmap", "a.PMAP", "a.ini", "a.INI", "a.png", "a.Png", "a.txt"}) {
            GtkFileFilterInfo info{};
            info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
            info.display_name = name;
            if (gtk_file_filter_filter(GTK_FILE_FILTER(filter->data), &info) && ++count)
                matches += std::string(" ") + name;
        }
        const bool active = filter->data == gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog));
        text += (active ? ">" : "") +
                std::string(gtk_file_filter_get_name(GTK_FILE_FILTER(filter->data))) + ":" +
                (count == 14 ? " *" : matches) + "\n";
    }
    g_slist_free(filters);
    return text;
}

// Each dialog with its filters, the remembered folder that starts it (picture, sprites, PNG,
// program), those a confirmation sets (bits in the same order), and whether it keeps the
// filter that was confirmed.
struct ChooserCase {
    const char *name;
    gboolean (*run)(gchar **out);
    const char *title;
    bool save;
    const char *filters;
    int start;
    unsigned updates;
    bool keeps_filter;
};

class Chooser : public EditorTest, public ::testing::WithParamInterface<ChooserCase> {};

// The artist moves to another folder, changes the filter and cancels, then confirms there under
// "All files"; then opens the dialog once more.
TEST_P(Chooser, StartsInItsFolderAndRemembersOnlyWhatWasConfirmed) {
    const ChooserCase &c = GetParam();
    const std::array<gchar **, 4> folders = {
        &options_picture_dir_string, &options_sprites_dir_string, &options_export_png_dir_string,
        &options_export_dir_string};
    for (std::size_t k = 0; k < folders.size(); ++k)
        set_path(folders[k], fs::path(write_file(dir / std::to_string(k) / "f", "")).parent_path());
    const fs::path chosen = dir / "chosen", file = chosen / "file.ini";
    fs::create_directories(chosen);
    const auto remembered = [&] {
        std::string names;
        for (gchar **folder : folders)
            names += fs::path(*folder).filename().string() + " ";
        return names;
    };
    std::string filters, shown_folder, first_filter;
    DialogAnswer cancel(c.title, GTK_RESPONSE_CANCEL);
    cancel.inspect = [&](GtkWidget *dialog) {
        filters = filters_and_matches(dialog);
        first_filter = active_filter(dialog);
        GtkWidget *confirm = lookup_widget(dialog, c.save ? "button4" : "button2");
        EXPECT_EQ(
            lookup_widget(dialog, c.save ? "filechooserdialog_save" : "filechooserdialog_open"),
            dialog);
        EXPECT_EQ(gtk_dialog_get_response_for_widget(GTK_DIALOG(dialog), confirm), GTK_RESPONSE_OK);
        EXPECT_EQ(gtk_dialog_get_response_for_widget(
                      GTK_DIALOG(dialog), lookup_widget(dialog, c.save ? "button3" : "button1")),
                  GTK_RESPONSE_CANCEL);
        EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(confirm)),
                     c.save ? GTK_STOCK_SAVE : GTK_STOCK_OPEN);
        EXPECT_TRUE(gtk_widget_has_default(confirm) && gtk_window_get_modal(GTK_WINDOW(dialog)));
        EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog)),
                  c.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN);
        EXPECT_EQ(gtk_file_chooser_get_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog)), c.save);
        EXPECT_EQ(gtk_file_chooser_get_preview_widget(GTK_FILE_CHOOSER(dialog)) != nullptr,
                  c.run == fileopen_open_picture_file);
        int x = 0, y = 0; // towards the middle, not where a bare X server puts windows
        gtk_window_get_position(GTK_WINDOW(dialog), &x, &y);
        EXPECT_TRUE(x > 0 && y > 0) << x << "," << y;
    };
    // The chooser reports its folder once it has started loading it.
    cancel.ready = [&](GtkWidget *dialog) {
        const GCharPtr folder{gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog))};
        if (folder) {
            shown_folder = fs::path(folder.get()).filename();
            gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog), filter_named(dialog, all_files));
            gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), chosen.c_str());
        }
        return folder != nullptr;
    };
    gchar *out = nullptr;
    EXPECT_FALSE(c.run(&out));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(filters, c.filters);
    EXPECT_EQ(shown_folder, std::to_string(c.start));
    EXPECT_EQ(remembered(), "0 1 2 3 ");

    DialogAnswer confirm(c.title, GTK_RESPONSE_OK);
    c.save ? type_name(confirm, chosen, "", "file.ini")
           : pick(confirm, write_file(file, ""), all_files);
    confirm.inspect = [&, pick_file = confirm.inspect](GtkWidget *dialog) {
        EXPECT_EQ(active_filter(dialog), first_filter);
        if (c.save)
            gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog), filter_named(dialog, all_files));
        pick_file(dialog);
    };
    ASSERT_TRUE(c.run(&out));
    EXPECT_EQ(GCharPtr{out}.get(), file.string());
    std::string expected;
    for (unsigned k = 0; k < folders.size(); ++k)
        expected += (c.updates >> k & 1 ? "chosen " : std::to_string(k) + " ");
    EXPECT_EQ(remembered(), expected);

    DialogAnswer again(c.title, GTK_RESPONSE_CANCEL);
    again.inspect = [&](GtkWidget *dialog) {
        EXPECT_EQ(active_filter(dialog), c.keeps_filter ? all_files : first_filter);
    };
    c.run(&out);
    EXPECT_EQ(again.times_answered(), 1);
    DialogAnswer gone(c.title, GTK_RESPONSE_CANCEL); // an answered dialog goes away
    process_events(100);
    EXPECT_EQ(gone.times_answered(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, Chooser,
    ::testing::Values(
        ChooserCase{"picture", fileopen_open_picture_file, "Select a picture file", false,
                    ">  Supported image files (.a64;.blp;.pi;.koa;.kla;.vid;.pet) : a.koa a.pet\n"
                    "  Image files as non-executable PRG files (.prg) : a.prg a.PRG a.Prg\n"
                    "  All files (*) : *\n",
                    0, 0b0001, true},
        ChooserCase{"sprites", fileopen_open_sprites_file, "Select a sprite data file", false,
                    ">  Supported sprite files (.prg;.pmap) : a.prg a.PRG a.Prg a.pmap a.PMAP\n"
                    "  All files (*) : *\n",
                    1, 0b0010, true},
        ChooserCase{"open_project", fileopen_open_project_file, "Open a project file", false,
                    ">  Project files (.ini) : a.ini a.INI\n  All files (*) : *\n", 0, 0b0001,
                    false},
        ChooserCase{
            "save_project", [](gchar **out) { return fileopen_save_project_file("file.ini", out); },
            "Save project file", true,
            ">  Project files (.ini) : a.ini a.INI\n  All files (*) : *\n", 0, 0b0011, false},
        ChooserCase{"png", [](gchar **out) { return fileopen_save_png_file("file.ini", out); },
                    "Save screenshot file", true,
                    ">  PNG files (.png) : a.png a.Png\n  All files (*) : *\n", 2, 0b0100, false},
        ChooserCase{"executable",
                    [](gchar **out) { return fileopen_save_executable_file("file.ini", out); },
                    "Save executable file", true,
                    ">  PRG files (.prg) : a.prg a.PRG a.Prg\n  All files (*) : *\n", 3, 0b1000,
                    false}),
    case_name);

// The chooser's file list: the one tree view with name, size and date columns.
GtkTreeView *file_list(GtkWidget *widget) {
    if (GTK_IS_TREE_VIEW(widget) && gtk_tree_view_get_column(GTK_TREE_VIEW(widget), 2) != nullptr)
        return GTK_TREE_VIEW(widget);
    GtkTreeView *found = nullptr;
    if (GTK_IS_CONTAINER(widget)) {
        GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList *child = children; child != nullptr && found == nullptr; child = child->next)
            found = file_list(GTK_WIDGET(child->data));
        g_list_free(children);
    }
    return found;
}

// Each step highlights a file as the arrow keys would and waits for the preview to agree.
TEST_F(EditorTest, PreviewShowsAPictureAndHidesForAFileThatDoesNotDecode) {
    const fs::path good = write_file(dir / "good.koa", koala_file(0));
    const fs::path bad = write_file(dir / "bad.koa", Bytes(100, 0x60));
    const std::pair<fs::path, bool> steps[] = {{good, true}, {bad, false}, {good, true}};
    std::size_t step = 0;
    bool highlighted = false;
    PixbufPtr shown;
    DialogAnswer answer("Select a picture file", GTK_RESPONSE_CANCEL);
    answer.ready = [&](GtkWidget *dialog) {
        GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
        const auto &[file, decodes] = steps[step];
        GtkTreeView *view = file_list(dialog);
        if (!highlighted) {
            gtk_file_chooser_select_filename(chooser, file.c_str());
            GList *rows = view ? gtk_tree_selection_get_selected_rows(
                                     gtk_tree_view_get_selection(view), nullptr)
                               : nullptr;
            // The chooser looks for the file under the cursor when the selection changes.
            if (rows != nullptr && chooser_filename(dialog) == file) {
                gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(view));
                gtk_tree_view_set_cursor(view, static_cast<GtkTreePath *>(rows->data), nullptr,
                                         FALSE);
                highlighted = true;
            }
            g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
            return false;
        }
        const GCharPtr previewed{gtk_file_chooser_get_preview_filename(chooser)};
        if (!previewed || file != previewed.get() ||
            gtk_file_chooser_get_preview_widget_active(chooser) != decodes)
            return false;
        GdkPixbuf *image =
            gtk_image_get_pixbuf(GTK_IMAGE(gtk_file_chooser_get_preview_widget(chooser)));
        shown.reset(image ? gdk_pixbuf_copy(image) : nullptr);
        highlighted = false;
        return ++step == std::size(steps);
    };
    gchar *out = nullptr;
    fileopen_open_picture_file(&out);
    EXPECT_EQ(step, std::size(steps));
    EXPECT_EQ(pixels_first_difference(shown.get(), decoded_picture(good.string()).get()), "");
}

} // namespace
