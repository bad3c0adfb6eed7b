// The Preferences menu and the preferences file, quitting, and the six file choosers.

#include "gui_test_support.hpp"

#include "core/options.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/fileopen.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>

#include <array>
#include <chrono>
#include <sstream>

namespace {

gboolean end_main_loop(gpointer timed_out) {
    *static_cast<bool *>(timed_out) = true;
    gtk_main_quit();
    return FALSE;
}

// Runs a main loop until the application quits it; false when it was still running after 20 s
// (the loop is then ended by the test).
bool run_main_loop() {
    bool timed_out = false;
    const guint source = g_timeout_add_seconds(20, end_main_loop, &timed_out);
    gtk_main();
    if (!timed_out)
        g_source_remove(source);
    return !timed_out;
}

void call_from_main_loop(std::function<void()> action) {
    auto *owned = new std::function<void()>(std::move(action));
    g_idle_add(
        [](gpointer data) -> gboolean {
            auto *call = static_cast<std::function<void()> *>(data);
            (*call)();
            delete call;
            return FALSE;
        },
        owned);
}

// Where the main window is, once the window manager has had its say.
std::pair<int, int> window_position() {
    process_events(100);
    int x = 0;
    int y = 0;
    gtk_window_get_position(GTK_WINDOW(window_main), &x, &y);
    return {x, y};
}

// Each command in turn: the bit pair swatches it redraws, the sprites' transparent colour (the
// picture's background once the display is redrawn, else 9), the lines of the preferences file
// that differ from the defaults, and after the next start whether its item is on again.
TEST_F(EditorTest, PreferenceCommandsRedrawWriteTheFileAndComeBackAtTheNextStart) {
    std::string transcript;
    for (const char *item :
         {"palette_high_contrast", "palette_pixcen", "palette_ccs64", "palette_peptos", "zoom_2x",
          "zoom_4x", "zoom_1x", "selection_method_alpha_adjustment", "selection_method_both",
          "selection_method_frame", "transition_flicker", "transition_none",
          "sprite_attribute_byte_format_sprite_pad", "reencode_graphics",
          "sprite_attribute_byte_format_ignore", "reencode_graphics", "follow_files",
          "follow_files"}) {
        const std::string picture = example_path("welcome.pet");
        put_picture(picture);
        put_sprites(example_path("shapes.prg"));
        border_color_index = 9;
        sprites_set_background_color(9);
        fs::remove(config_file());
        flush_redraws();
        const std::string name = std::string("menuitem_") + item;
        gtk_menu_item_activate(GTK_MENU_ITEM(widget(name.c_str())));
        transcript += std::string(item) + ":";
        for (const std::string pair : {"00", "01", "10", "11"})
            if (take_queued_redraw(("drawingarea_color_sprite_bit_pair_" + pair).c_str()))
                transcript += " " + pair;
        process_events(50);
        // The picture in the new palette, the borders marked by the new method, the corner kept.
        EXPECT_EQ(pixels_first_difference(pixbuf_picture, decoded_picture(picture).get()), "");
        EXPECT_EQ(borders_first_difference(), "") << item;
        EXPECT_EQ(border_color_index, 9);
        int width = 0;
        gtk_widget_get_size_request(widget("drawingarea_picture"), &width, nullptr);
        transcript += " transparent " + std::to_string(sprites_get_background_color()) + ", " +
                      std::to_string(width) + " wide";
        if (!fs::exists(config_file())) {
            transcript += ", not written\n";
            continue;
        }
        std::istringstream lines(read_text(config_file()));
        for (std::string line; std::getline(lines, line);)
            if (std::string(options_default_text).find(line + "\n") == std::string::npos &&
                !line.starts_with("[application]") && !line.starts_with("position="))
                transcript += ", " + line;
        restart();
        transcript += gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(widget(name.c_str())))
                          ? ", on\n"
                          : ", off\n";
    }
    EXPECT_EQ(transcript, expected_text("preference_commands.txt"));
}

// Counts the times the preferences file is replaced: each write renames a new file over it.
struct WriteCounter {
    std::unique_ptr<GFileMonitor, GObjectUnref> monitor;
    int writes = 0;

    explicit WriteCounter(const fs::path &file) {
        const std::unique_ptr<GFile, GObjectUnref> folder{
            g_file_new_for_path(file.parent_path().c_str())};
        monitor.reset(
            g_file_monitor_directory(folder.get(), G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr));
        g_signal_connect(monitor.get(), "changed",
                         G_CALLBACK(+[](GFileMonitor *, GFile *, GFile *other,
                                        GFileMonitorEvent event, gpointer counter) {
                             const GCharPtr name{other ? g_file_get_basename(other) : nullptr};
                             if (event == G_FILE_MONITOR_EVENT_RENAMED &&
                                 g_strcmp0(name.get(), "user.ini") == 0)
                                 static_cast<WriteCounter *>(counter)->writes++;
                         }),
                         this);
    }
};

// A start shows the saved preferences in the menus and the display without writing the file,
// even into a read-only folder; the first change writes it once.
TEST_F(EditorTest, StartShowsTheSavedPreferencesAndWritesNothing) {
    std::string saved = options_default_text;
    for (const auto &[from, to] :
         {std::pair{"palette=0", "palette=2"},
          {"expansion=1", "expansion=3"},
          {"selection_method=0", "selection_method=1"},
          {"transition=0", "transition=1"},
          {"sprite_attribute_byte_format=0", "sprite_attribute_byte_format=1"},
          {"reencode_graphics=false", "reencode_graphics=true"},
          {"follow_files=true", "follow_files=false"}})
        saved.replace(saved.find(from), std::string(from).size(), to);
    saved += "[application]\nposition=40;30;\n";
    write_file(config_file(), saved);
    fs::last_write_time(config_file(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    const auto written_at = fs::last_write_time(config_file());
    fs::permissions(config_file().parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
    WriteCounter counter(config_file());
    restart();
    std::string shown;
    for (const char *item :
         {"palette_pixcen", "zoom_3x", "selection_method_alpha_adjustment", "transition_flicker",
          "sprite_attribute_byte_format_sprite_pad", "reencode_graphics", "follow_files"})
        shown += std::string(item) + "=" +
                 (gtk_check_menu_item_get_active(
                      GTK_CHECK_MENU_ITEM(widget((std::string("menuitem_") + item).c_str())))
                      ? "on "
                      : "off ");
    EXPECT_EQ(shown, "palette_pixcen=on zoom_3x=on selection_method_alpha_adjustment=on "
                     "transition_flicker=on sprite_attribute_byte_format_sprite_pad=on "
                     "reencode_graphics=on follow_files=off ");
    int width = 0;
    gtk_widget_get_size_request(widget("drawingarea_picture"), &width, nullptr);
    EXPECT_EQ(width, 3 * 320);
    process_events(200);
    EXPECT_EQ(std::tuple(read_text(config_file()), fs::last_write_time(config_file()) == written_at,
                         counter.writes),
              std::tuple(saved, true, 0));
    fs::permissions(config_file().parent_path(), fs::perms::owner_all);
    choose("menuitem_palette_peptos");
    process_events(200);
    EXPECT_EQ(counter.writes, 1);
    EXPECT_NE(read_text(config_file()).find("palette=0"), std::string::npos);
}

// Declined, the editor goes on and writes nothing. Confirmed, the position goes into the file,
// the main loop ends, and the next start puts the window there.
TEST_F(EditorTest, QuitByMenuCloseButtonOrCtrlQAsksThenWritesThePosition) {
    for (const int way : {0, 1, 2}) {
        const auto ask_to_quit = [way, this] {
            if (way == 0)
                gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_quit")));
            else if (way == 1)
                send_delete_event(window_main);
            else
                send_key(GDK_q, GDK_CONTROL_MASK);
            process_events(100);
        };
        gtk_window_move(GTK_WINDOW(window_main), 150 + way, 120);
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
        DialogAnswer answer("Confirmation request", GTK_RESPONSE_YES);
        call_from_main_loop(ask_to_quit);
        ASSERT_TRUE(run_main_loop()) << "the main loop was not ended by quitting " << way;
        EXPECT_EQ(answer.times_answered(), 1);
        EXPECT_EQ(read_text(config_file()),
                  std::string(options_default_text) +
                      "[application]\nposition=" + std::to_string(150 + way) + ";120;\n");
        restart();
        EXPECT_EQ(window_position(), std::pair(150 + way, 120));
    }
}

constexpr const char *all_files = "  All files (*) ";

// Each filter's name, ">" marking the active one.
std::string filter_names(GtkWidget *dialog) {
    std::string text;
    GSList *filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
    for (GSList *filter = filters; filter != nullptr; filter = filter->next)
        text += (filter->data == gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog)) ? ">" : "") +
                std::string(gtk_file_filter_get_name(GTK_FILE_FILTER(filter->data))) + "|";
    g_slist_free(filters);
    return text;
}

// Each dialog starts in its remembered folder (picture, sprites, PNG, program, named 0 to 3);
// the artist moves to the folder "chosen", changes the filter to "All files" and cancels, then
// confirms a file there; then opens the dialog once more. After each: the folders remembered.
TEST_F(EditorTest, ChoosersStartInTheirFolderAndRememberOnlyWhatWasConfirmed) {
    const std::array<gchar **, 4> folders = {
        &options_picture_dir_string, &options_sprites_dir_string, &options_export_png_dir_string,
        &options_export_dir_string};
    const fs::path chosen = dir / "chosen", file = chosen / "file.ini";
    fs::create_directories(chosen);
    std::string transcript;
    const auto remembered = [&] {
        for (gchar **folder : folders)
            transcript +=
                " " + fs::path(*folder).filename().string(); // picture sprites PNG program
        transcript += "\n";
    };
    const auto active_filter = [&](GtkWidget *dialog) {
        transcript +=
            std::string(" filter \"") +
            gtk_file_filter_get_name(gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog))) + "\",";
    };
    const std::tuple<const char *, bool, gboolean (*)(gchar **)> choosers[] = {
        {"Select a picture file", false, fileopen_open_picture_file},
        {"Select a sprite data file", false, fileopen_open_sprites_file},
        {"Open a project file", false, fileopen_open_project_file},
        {"Save project file", true,
         [](gchar **out) { return fileopen_save_project_file("f", out); }},
        {"Save screenshot file", true,
         [](gchar **out) { return fileopen_save_png_file("f", out); }},
        {"Save executable file", true,
         [](gchar **out) { return fileopen_save_executable_file("f", out); }}};
    for (const auto &[title, save, run] : choosers) {
        fs::remove(file); // else saving asks before replacing it
        for (std::size_t k = 0; k < folders.size(); ++k)
            set_path(folders[k],
                     fs::path(write_file(dir / std::to_string(k) / "f", "")).parent_path());
        transcript += title;
        DialogAnswer cancel(title, GTK_RESPONSE_CANCEL);
        cancel.inspect = [&](GtkWidget *dialog) {
            GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
            transcript += ": " + filter_names(dialog) +
                          (gtk_file_chooser_get_do_overwrite_confirmation(chooser) ? " asks" : "") +
                          (gtk_file_chooser_get_preview_widget(chooser) ? " preview" : "") +
                          ", border " +
                          std::to_string(gtk_container_get_border_width(GTK_CONTAINER(dialog)));
        };
        // The chooser reports its folder once it has started loading it.
        cancel.ready = [&](GtkWidget *dialog) {
            const GCharPtr folder{gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog))};
            if (folder) {
                transcript += ", starts in " + fs::path(folder.get()).filename().string() + ",";
                gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog),
                                            filter_named(dialog, all_files));
                gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), chosen.c_str());
            }
            return folder != nullptr;
        };
        gchar *out = nullptr;
        EXPECT_FALSE(run(&out));
        EXPECT_EQ(out, nullptr);
        remembered();

        DialogAnswer confirm(title, GTK_RESPONSE_OK);
        save ? type_name(confirm, chosen, "file.ini")
             : pick(confirm, write_file(file, ""), all_files);
        confirm.inspect = [&, pick_file = confirm.inspect](GtkWidget *dialog) {
            transcript += "  confirmed with";
            active_filter(dialog);
            gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog), filter_named(dialog, all_files));
            pick_file(dialog);
        };
        ASSERT_TRUE(run(&out));
        EXPECT_EQ(GCharPtr{out}.get(), file.string());
        remembered();
        DialogAnswer again(title, GTK_RESPONSE_CANCEL);
        again.inspect = [&](GtkWidget *dialog) {
            transcript += "  again with";
            active_filter(dialog);
            transcript += "\n";
        };
        run(&out);
        EXPECT_EQ(again.times_answered(), 1);
    }
    // A new start forgets the filters chosen last.
    restart();
    DialogAnswer fresh("Select a picture file", GTK_RESPONSE_CANCEL);
    fresh.inspect = [&](GtkWidget *dialog) {
        transcript += "after a new start with";
        active_filter(dialog);
    };
    gchar *cancelled = nullptr;
    fileopen_open_picture_file(&cancelled);
    DialogAnswer gone("Save executable file", GTK_RESPONSE_CANCEL); // answered dialogs go away
    process_events(100);
    EXPECT_EQ(gone.times_answered(), 0);
    EXPECT_EQ(transcript, expected_text("choosers.txt"));
}

// With nothing under the cursor the picture chooser shows no preview.
TEST(ChooserPreview, HidesWithoutAFile) {
    GtkWidget *chooser =
        g_object_ref_sink(gtk_file_chooser_widget_new(GTK_FILE_CHOOSER_ACTION_OPEN));
    gtk_file_chooser_set_preview_widget_active(GTK_FILE_CHOOSER(chooser), TRUE);
    fileopen_update_hires_preview_cb(GTK_FILE_CHOOSER(chooser), nullptr);
    EXPECT_FALSE(gtk_file_chooser_get_preview_widget_active(GTK_FILE_CHOOSER(chooser)));
    gtk_widget_destroy(chooser);
    g_object_unref(chooser);
}

} // namespace
