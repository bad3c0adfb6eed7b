// Exports through the File menu and a save dialog (names, whole files, cruncher outcomes,
// errors), from the command line without a display, the cruncher running behind its progress
// dialog while the window keeps painting, and Run in emulator.

#include "../emulator/emulator.hpp"
#include "gui_test_support.hpp"

#include "core/commandline.hpp"
#include "core/executable.hpp"
#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/exports.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <tuple>

namespace {

using gui_test::PrintTo;

constexpr const char *earlier_status = " Info: earlier message";

// A command, the title of its save dialog and what it says when it has written the file.
struct Saving {
    const char *menu_item;
    const char *title;
    const char *done;
};
const Saving png{"menuitem_export_to_png", "Save screenshot file",
                 " Info: Project exported to PNG"};
const Saving prg{"menuitem_export", "Save executable file",
                 " Info: Successfully exported to executable PRG"};
const Saving project_as{"menuitem_save_project_as", "Save project file", " Info: Project saved"};

class Exports : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        out = dir / "out";
        log = dir / "cruncher.log";
        fs::create_directories(out);
        set_path(&options_export_png_dir_string, out);
        set_path(&options_export_dir_string, out);
        controls_update_main_statusbar(earlier_status);
        // The example projects beside their files (they name folders of another machine).
        fs::copy(fs::path(SIDEWELL_SOURCE_DIR) / "examples", dir);
        fs::create_directories(dir / "bin");
        g_setenv("PATH", (dir / "bin").c_str(), TRUE);
    }
    void TearDown() override {
        g_setenv("PATH", old_path.c_str(), TRUE);
        EditorTest::TearDown();
    }
    // The test's bin folder, after the cruncher stand-in; no system folders, which may hold a
    // real x64sc or exomizer.
    std::string path(bool with_exomizer) const {
        return (with_exomizer ? std::string(SIDEWELL_TOOLS_DIR) + ":" : "") +
               (dir / "bin").string();
    }
    // The editor as a command in the test's folder, without an X display, with its own HOME and
    // preferences; its exit status and what it wrote on stderr.
    std::pair<int, std::string> run(const std::string &arguments, bool with_exomizer = true) const {
        const int status =
            std::system(("cd '" + dir.string() + "' && /usr/bin/env -u DISPLAY HOME=. " +
                         "XDG_CONFIG_HOME=config PATH='" + path(with_exomizer) + "' " +
                         SIDEWELL_EDITOR + " " + arguments + " >/dev/null 2>errors")
                            .c_str());
        return {WEXITSTATUS(status), read_text(dir / "errors")};
    }
    // A cruncher that logs its arguments, one a line, and then ends as ending says.
    void crunching_with(const std::string &ending) {
        write_file(dir / "bin" / "exomizer",
                   "#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s\\n' \"$@\" > '" + log.string() +
                       "'\n" + ending + "\n");
        fs::permissions(dir / "bin" / "exomizer", fs::perms::owner_all);
        g_setenv("PATH", (dir / "bin").c_str(), TRUE);
    }

    // The example picture named castle.koa and the example sprites cut to 38, so that the last
    // two slots stay empty; every third sprite multicolour, every fifth selected.
    void load(bool koala = true) {
        fs::copy_file(example_path(koala ? "sunset.koa" : "welcome.pet"), dir / "castle.koa");
        put_picture(dir / "castle.koa");
        put_sprites(example_path("shapes.prg"));
        ASSERT_TRUE(sprites_set_array_size(38));
        for (unsigned i = 0; i < 38; ++i) {
            sprites_set_multicolor_at_index(i, i % 3 == 0);
            sprites_set_selected_at_index(i, i % 5 == 0);
        }
        repaint_sprite_views();
    }

    // Types name (or takes the suggestion when it is empty) and confirms once the dialog shows
    // shown in the export folder; confirming runs as the dialog is confirmed.
    void export_as(
        const Saving &kind, const std::string &name, const std::string &shown = "",
        const std::function<void()> &confirming = [] {}) {
        DialogAnswer answer(kind.title, GTK_RESPONSE_OK);
        type_name(answer, out, name, shown);
        answer.ready = [shows = answer.ready, confirming](GtkWidget *dialog) {
            return shows(dialog) && (confirming(), true);
        };
        choose(kind.menu_item);
        EXPECT_EQ(answer.times_answered(), 1);
    }

    fs::path out, log;
    const std::string old_path = g_getenv("PATH");
};

// Half a project is refused without asking for a name; a cancelled dialog and a picture format
// without a viewer write nothing either.
TEST_F(Exports, RefusedOrCancelledWritesNothing) {
    load();
    for (const bool picture : {false, true}) {
        picture_loaded = picture;
        sprites_loaded = !picture;
        for (const Saving &command : {png, prg}) {
            DialogAnswer answer(command.title, GTK_RESPONSE_CANCEL);
            choose(command.menu_item);
            EXPECT_EQ(answer.times_answered(), 0) << command.menu_item;
            EXPECT_EQ(status_text(), " Info: First load a picture and sprites or open a project");
        }
    }
    picture_loaded = sprites_loaded = 1;
    controls_update_main_statusbar(earlier_status);
    for (const Saving &kind : {png, prg, project_as}) {
        DialogAnswer answer(kind.title, GTK_RESPONSE_CANCEL);
        choose(kind.menu_item);
        EXPECT_EQ(answer.times_answered(), 1);
    }
    picture_data.format = 3; // hires: recognised by no decoder, shown by no viewer
    export_as(prg, "demo");
    EXPECT_EQ(status_text(), earlier_status);
    EXPECT_TRUE(take_messages().empty());
    EXPECT_TRUE(files_in(out).empty());
    EXPECT_FALSE(fs::exists(log));
}

// A folder where the file should go, made only as the dialog is confirmed (or its name entry
// could complete "taken" to it); Save as takes the name even so.
TEST_F(Exports, WriteErrorIsReportedAndNothingCrunched) {
    load();
    set_path(&options_picture_dir_string, out);
    for (const auto &[kind, name] :
         {std::pair{png, "taken.png"}, {prg, "taken.prg"}, {project_as, "taken.ini"}}) {
        gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - before.ini");
        export_as(kind, "taken", "", [&, name = name] { fs::create_directory(out / name); });
        EXPECT_NE(taken_error().find(name), std::string::npos);
        EXPECT_EQ(files_in(out), std::set<std::string>{name});
        EXPECT_EQ(window_title(), "C64 Sidewell - before.ini");
        fs::remove(out / name);
    }
    EXPECT_FALSE(fs::exists(log));
    EXPECT_STREQ(utf8_path_and_filename_project, (out / "taken.ini").c_str());
}

struct ExportCase {
    const char *name;
    Saving kind;
    const char *typed; // empty: the suggestion, which is the name written, is accepted
    const char *written;
    const char *project = ""; // empty: no project file, the picture castle.koa names the file
    const char *items = "";   // the menu items chosen before, without "menuitem_"
    bool koala = true;
    const char *ending = "exit 0"; // null: no cruncher on PATH
};

class Export : public Exports, public ::testing::WithParamInterface<ExportCase> {};

// The whole file: the PNG pixel for pixel, the program as built here and the cruncher's
// arguments; the status by the cruncher's outcome.
TEST_P(Export, WritesTheWholeFileUnderTheNameGiven) {
    const ExportCase &c = GetParam();
    load(c.koala);
    set_path(&utf8_path_and_filename_project, c.project);
    border_color_index = 7; // a corner colour the PNG must not show
    std::istringstream items(c.items);
    for (std::string item; items >> item;)
        choose(("menuitem_" + item).c_str());
    if (c.ending != nullptr)
        crunching_with(c.ending);
    const fs::path path = out / c.written;
    // An old program with a second name: writing into it, not replacing it, would change both.
    const bool replacing =
        c.kind.menu_item == prg.menu_item && *c.typed && c.written != std::string(c.typed);
    if (replacing) {
        write_file(path, std::string("old"));
        fs::create_hard_link(path, dir / "second.prg");
    }
    const std::string window_title_before = window_title();
    export_as(c.kind, c.typed, *c.typed ? c.typed : c.written);

    EXPECT_EQ(files_in(out), std::set<std::string>{c.written});
    if (c.ending == nullptr) {
        EXPECT_NE(taken_error().find("exomizer"), std::string::npos);
    } else {
        EXPECT_EQ(status_text(), std::string(c.ending) == "exit 0" ? c.kind.done : earlier_status);
    }
    EXPECT_TRUE(take_messages().empty());
    EXPECT_EQ(window_title(), c.kind.menu_item == project_as.menu_item
                                  ? std::string("C64 Sidewell - ") + c.written
                                  : window_title_before);
    const int start = c.koala ? executable_start_address_mc : executable_start_address_petscii;
    const bool program = c.kind.menu_item == prg.menu_item;
    EXPECT_EQ(read_text(log), program && c.ending
                                  ? "sfx\n" + std::to_string(start) + "\n" + path.string() +
                                        "\n-o\n" + path.string() + "\n-n\n"
                                  : "");
    EXPECT_EQ(read_text(dir / "second.prg"), replacing ? "old" : "");
    if (program) {
        const std::string written = read_text(path);
        EXPECT_EQ(
            Bytes(written.begin(), written.end()),
            executable_build(picture_data, options_transition, options_reencode_graphics).bytes);
    }
    if (c.kind.menu_item == png.menu_item) {
        const PixbufPtr image{gdk_pixbuf_new_from_file(path.c_str(), nullptr)};
        ASSERT_TRUE(image && gdk_pixbuf_get_has_alpha(image.get()));
        // The monitor's rows 13-284 of the display, every pixel opaque.
        const PixbufPtr expected{gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 416, 272)};
        const PixbufPtr picture = decoded_picture((dir / "castle.koa").string());
        int translucent = 0;
        for (int y = 0; y < 272; ++y)
            for (int x = 0; x < 416; ++x) {
                pixel_set_rgb(expected.get(), x, y,
                              screen_pixel_rgb(picture.get(), x, y + 13,
                                               picture_data.background_color % 16,
                                               options_selection_method));
                translucent +=
                    gdk_pixbuf_read_pixels(
                        image.get())[y * gdk_pixbuf_get_rowstride(image.get()) + x * 4 + 3] != 255;
            }
        EXPECT_EQ(pixels_first_difference(image.get(), expected.get()), "");
        EXPECT_EQ(translucent, 0);
    }
}

// Names may come from Windows: only a dot after the last backslash starts an extension. Names
// a shell would take apart, expand or run, and names beyond ASCII, reach the cruncher whole.
INSTANTIATE_TEST_SUITE_P(
    Files, Export,
    ::testing::ValuesIn(std::vector<ExportCase>{
        {"png_from_picture_frame", png, "", "castle.png", "",
         "palette_peptos selection_method_frame"},
        {"png_from_project_alpha", png, "", "scene.png", "/work/scene.ini",
         "zoom_2x selection_method_alpha_adjustment"},
        {"png_typed_both_ccs64", png, "shot", "shot.png", "",
         "palette_ccs64 zoom_4x selection_method_both"},
        {"png_mixed_case_petscii", png, "shot.Png", "shot.Png.png", "",
         "palette_high_contrast selection_method_alpha_adjustment", false},
        {"png_windows_project", png, "", "old.v2\\scene.png", "/work/old.v2\\scene.ini"},
        {"prg_from_project", prg, "", "scene.prg", "/work/scene.ini"},
        {"prg_windows_folder", prg, "", "scene.v2\\notes.prg", "/work/scene.v2\\notes"},
        {"ini_from_project", project_as, "", "scene.INI", "/work/scene.INI"},
        {"prg_upper_kept", prg, "GAME.PRG", "GAME.PRG"},
        {"prg_mixed_case_extended", prg, "game.Prg", "game.Prg.prg"},
        {"shell_characters", prg, "say \"hi\" `id` $(id) \\$5", "say \"hi\" `id` $(id) \\$5.prg"},
        {"non_ascii", prg, "gr\u00fc\u00dfe \u65e5\u672c.prg", "gr\u00fc\u00dfe \u65e5\u672c.prg"},
        {"flicker_reencoded", prg, "demo", "demo.prg", "", "transition_flicker reencode_graphics"},
        {"petscii_flicker", prg, "demo", "demo.prg", "", "transition_flicker", false},
        {"cruncher_fails", prg, "demo", "demo.prg", "", "", true, "exit 1"},
        {"cruncher_killed", prg, "demo", "demo.prg", "", "", false, "kill -KILL $$"},
        {"no_cruncher", prg, "demo", "demo.prg", "", "", true, nullptr}}),
    case_name);

void write_script(const fs::path &path, const std::string &body) {
    fs::permissions(write_file(path, body), fs::perms::owner_all);
}

struct CommandCase {
    const char *name;
    const char *project;
    const char *overrides;
    int palette, selection_method, transition; // what the window must use for the same files
    gboolean reencode;
    bool crunch = true;
};

class CommandLineExport : public Exports, public testing::WithParamInterface<CommandCase> {};

// The same project opened in the window and exported by the menus' calls with the options the
// command line took from the preferences and its own options. Without crunching, asked or for
// want of a cruncher, both write the uncrunched program.
TEST_P(CommandLineExport, WritesWhatTheMenusWriteAndLeavesThePreferences) {
    const CommandCase &c = GetParam();
    const fs::path preferences = dir / "config" / "c64-sidewell" / "user.ini";
    fs::create_directories(preferences.parent_path());
    const std::string preferences_text =
        "[interface]\npalette=2\nexpansion=3\nselection_method=1\ntransition=0\n[sprites]\n"
        "sprite_attribute_byte_format=0\n[misc]\nreencode_graphics=false\n";
    write_file(preferences, preferences_text);
    const auto [status, errors] =
        run(c.overrides + std::string(" --export-png out/cli.png -x out/cli.prg ") + c.project);
    EXPECT_EQ(status, commandline_status_done) << errors;
    EXPECT_EQ(read_text(preferences), preferences_text);

    options_palette = c.palette;
    options_selection_method = c.selection_method;
    options_transition = c.transition;
    options_reencode_graphics = c.reencode;
    project_commands_open_project((dir / c.project).c_str());
    ASSERT_TRUE(export_screen_to_png((dir / "out/menu.png").c_str(), nullptr));
    g_setenv("PATH", path(c.crunch).c_str(), TRUE);
    export_program_to((dir / "out/menu.prg").c_str());
    EXPECT_EQ(read_bytes(dir / "out/cli.png"), read_bytes(dir / "out/menu.png"));
    EXPECT_EQ(read_bytes(dir / "out/cli.prg"), read_bytes(dir / "out/menu.prg"));
    if (c.crunch) {
        EXPECT_EQ(status_text(), " Info: Successfully exported to executable PRG");
        return;
    }
    EXPECT_NE(taken_error().find("exomizer"), std::string::npos);
    EXPECT_EQ(read_bytes(dir / "out/menu.prg").size(), executable_size_petscii);
    const auto [missing, why] = run("-x out/missing.prg " + std::string(c.project), false);
    EXPECT_EQ(missing, commandline_status_not_crunched);
    EXPECT_NE(why.find("exomizer"), std::string::npos) << why;
    EXPECT_EQ(read_bytes(dir / "out/missing.prg"), read_bytes(dir / "out/menu.prg"));
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, CommandLineExport,
    testing::Values(
        CommandCase{"multicolour_with_overrides", "sunset.ini",
                    "--palette ccs64 -t flicker --reencode --selection-method=both", 3, 2, 1, TRUE},
        CommandCase{"petscii_with_preferences", "welcome.ini", "", 2, 1, 0, FALSE},
        CommandCase{"petscii_uncrunched", "welcome.ini", "--no-crunch", 2, 1, 0, FALSE, false}),
    case_name);

// Each failure says what failed in one line and leaves no file.
TEST_F(Exports, CommandLineFailureIsOneLineAndLeavesNoFile) {
    const std::tuple<const char *, int, const char *> failures[] = {
        {"-p out/a.png missing.ini", 1, "missing.ini"},
        {"-p out/a.png bad_picture.ini", 1, "garbage.koa"},
        {"-x out/a.prg bad_sprites.ini", 1, "empty.prg"},
        {"-p out/no/a.png sunset.ini", 1, "out/no/a.png"},
        {"-p out/a.png -x out/no/a.prg sunset.ini", 1, "out/no/a.prg"},
        {"--palette rainbow -p out/a.png sunset.ini", 2, "rainbow"},
        {"--export-pgn out/a.png sunset.ini", 2, "--export-pgn"},
        {"-p out/a.png sunset.ini welcome.ini", 2, "one project"}};
    write_file(dir / "garbage.koa", Bytes(123, 0x42));
    write_file(dir / "empty.prg", Bytes{});
    write_file(dir / "bad_picture.ini",
               "[picture]\nfile=garbage.koa\n[sprites]\nfile=shapes.prg\n");
    write_file(dir / "bad_sprites.ini", "[picture]\nfile=sunset.koa\n[sprites]\nfile=empty.prg\n");
    for (const auto &[arguments, expected, named] : failures) {
        const auto [status, errors] = run(arguments);
        EXPECT_EQ(status, expected) << arguments;
        EXPECT_NE(errors.find(named), std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_TRUE(files_in(dir / "out").empty()) << arguments;
    }
}

// The picture as the X server holds it on screen, not painted afresh for the test.
PixbufPtr picture_on_screen() {
    GdkWindow *window = gtk_widget_get_window(lookup_widget(window_main, "drawingarea_picture"));
    int width = 0, height = 0;
    gdk_drawable_get_size(GDK_DRAWABLE(window), &width, &height);
    return PixbufPtr(
        gdk_pixbuf_get_from_drawable(nullptr, window, nullptr, 0, 0, 0, 0, width, height));
}

GtkWidget *crunch_dialog() {
    GtkWidget *found = nullptr;
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *element = toplevels; element != nullptr; element = element->next)
        if (g_strcmp0(gtk_widget_get_name(GTK_WIDGET(element->data)), "dialog_crunch") == 0 &&
            gtk_widget_get_visible(GTK_WIDGET(element->data)))
            found = GTK_WIDGET(element->data);
    g_list_free(toplevels);
    return found;
}

// While the slow cruncher runs behind its dialog over the window, with the watch cursor: a
// window covers the editor and goes, and the picture must be painted again as it was (given a
// few seconds on a busy machine); then the cruncher is let go, or cancelled.
struct WhileCrunching {
    fs::path go;
    bool cancel;
    PixbufPtr before = picture_on_screen();
    int step = 0;
    bool dialog_seen = false;
    std::string difference = "not compared";
    GtkWidget *cover = nullptr;
};

gboolean crunching_step(gpointer data) {
    auto &state = *static_cast<WhileCrunching *>(data);
    GtkWidget *dialog = crunch_dialog();
    if (state.step++ == 0) {
        state.dialog_seen =
            dialog != nullptr &&
            gtk_window_get_transient_for(GTK_WINDOW(dialog)) == GTK_WINDOW(window_main) &&
            gdk_window_get_cursor(gtk_widget_get_window(window_main)) != nullptr &&
            std::ranges::count(label_texts(dialog, true), "Packing the program with Exomizer...");
        if (dialog != nullptr)
            gtk_window_move(GTK_WINDOW(dialog), 1300, 1000);
        state.cover = gtk_window_new(GTK_WINDOW_POPUP);
        gtk_widget_set_size_request(state.cover, 1200, 900);
        gtk_widget_show(state.cover);
        return TRUE;
    }
    if (state.step == 2) {
        gtk_widget_destroy(state.cover);
        return TRUE;
    }
    state.difference = pixels_first_difference(picture_on_screen().get(), state.before.get());
    if (!state.difference.empty() && state.step < 25)
        return TRUE;
    if (state.cancel && dialog != nullptr)
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    else
        write_file(state.go, "");
    return FALSE;
}

class BackgroundCrunch : public Exports, public testing::WithParamInterface<bool> {};

TEST_P(BackgroundCrunch, KeepsTheWindowPaintedAndCanBeCancelled) {
    project_commands_open_project((dir / "sunset.ini").c_str());
    // The cruncher stand-in, started only once the test lets it go.
    write_script(dir / "bin/exomizer", "#!/bin/sh\nwhile [ ! -e '" + (dir / "go").string() +
                                           "' ]; do /bin/sleep 0.05; done\nexec '" +
                                           SIDEWELL_TOOLS_DIR + "/exomizer' \"$@\"\n");
    process_events(300);
    WhileCrunching state{dir / "go", GetParam()};
    g_timeout_add(200, crunching_step, &state);
    export_program_to((out / "scene.prg").c_str());

    EXPECT_TRUE(state.dialog_seen);
    EXPECT_EQ(state.difference, "");
    EXPECT_EQ(crunch_dialog(), nullptr);
    EXPECT_EQ(gdk_window_get_cursor(gtk_widget_get_window(window_main)), nullptr);
    const Bytes written = read_bytes(out / "scene.prg");
    if (state.cancel) {
        EXPECT_EQ(status_text(), " Info: Crunching cancelled: the program was written uncrunched");
        EXPECT_EQ(written, executable_build(picture_data, options_transition,
                                            options_reencode_graphics == TRUE)
                               .bytes);
    } else {
        EXPECT_EQ(status_text(), " Info: Successfully exported to executable PRG");
        ASSERT_GE(written.size(), 2u);
        EXPECT_EQ(written[0] | written[1] << 8, 0x0801); // the stand-in's BASIC line
    }
}

INSTANTIATE_TEST_SUITE_P(LetGoOrCancelled, BackgroundCrunch, testing::Bool(),
                         [](const auto &info) { return info.param ? "cancelled" : "let_go"; });

// Not offered without an emulator; one that cannot start is reported, a picture without a
// viewer starts nothing, and no program stays behind. The stand-in gets the crunched program,
// or without a cruncher one that starts by itself in the real x64sc and shows what the PNG shows.
class RunInEmulator : public Exports {};
TEST_F(RunInEmulator, HandsOverAProgramThatShowsThePng) {
    options_palette = 0; // x64sc's Pepto colours, so that the PNG compares as it is
    project_commands_open_project((dir / "sunset.ini").c_str());
    GtkWidget *item = lookup_widget(window_main, "menuitem_run_in_emulator");
    on_menuitem_file_activate(nullptr, nullptr);
    EXPECT_FALSE(gtk_widget_get_sensitive(item));
    on_menuitem_run_in_emulator_activate(nullptr, nullptr);
    EXPECT_EQ(status_text(), " Info: Neither x64sc nor x64 was found on PATH");

    const auto temporary_folders = [] {
        std::set<std::string> found;
        for (const auto &entry : fs::directory_iterator(g_get_tmp_dir()))
            if (entry.path().filename().string().starts_with("c64-sidewell-"))
                found.insert(entry.path().string());
        return found;
    };
    const std::set<std::string> folders_before = temporary_folders();
    write_script(dir / "bin/x64sc", "#!/nonexistent/interpreter\n");
    on_menuitem_run_in_emulator_activate(nullptr, nullptr);
    EXPECT_NE(taken_error().find("x64sc"), std::string::npos);
    EXPECT_EQ(temporary_folders(), folders_before);

    const fs::path arguments = dir / "arguments";
    write_script(dir / "bin/x64sc", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + arguments.string() +
                                        "'\n/bin/cp \"$1\" '" + (dir / "received.prg").string() +
                                        "'\n");
    on_menuitem_file_activate(nullptr, nullptr);
    EXPECT_TRUE(gtk_widget_get_sensitive(item));
    const int format = picture_data.format;
    picture_data.format = 3; // hires, which no viewer shows
    on_menuitem_run_in_emulator_activate(nullptr, nullptr);
    picture_data.format = format;
    EXPECT_TRUE(take_messages().empty());
    EXPECT_FALSE(fs::exists(arguments));
    EXPECT_EQ(temporary_folders(), folders_before);
    g_setenv("PATH", path(true).c_str(), TRUE);
    export_program_to((dir / "out/crunched.prg").c_str());
    for (const bool crunched : {true, false}) {
        g_setenv("PATH", path(crunched).c_str(), TRUE);
        fs::remove(arguments);
        EXPECT_TRUE(send_key(GDK_r, GDK_CONTROL_MASK));
        process_events(100);
        EXPECT_EQ(status_text(), " Info: Started the project in the emulator");
        std::string handed_over;
        for (int wait = 0;
             wait < 100 && (handed_over.empty() || temporary_folders() != folders_before); ++wait) {
            process_events(50);
            handed_over = read_text(arguments);
        }
        EXPECT_EQ(std::count(handed_over.begin(), handed_over.end(), '\n'), 1) << handed_over;
        EXPECT_EQ(temporary_folders(), folders_before);
        EXPECT_EQ(read_bytes(dir / "received.prg"),
                  crunched ? read_bytes(dir / "out/crunched.prg")
                           : executable_make_self_starting(
                                 executable_build(picture_data, options_transition,
                                                  options_reencode_graphics)
                                     .bytes,
                                 executable_start_address_mc));
    }
    g_setenv("PATH", old_path.c_str(), TRUE);

    SKIP_UNLESS_EMULATOR_READY();
    const fs::path png = dir / "out/scene.png";
    ASSERT_TRUE(export_screen_to_png(png.c_str(), nullptr));
    const PixbufPtr image(gdk_pixbuf_new_from_file(png.c_str(), nullptr));
    ASSERT_TRUE(image);
    constexpr int png_top = 13;
    const auto expected = [&](int x, int y) -> std::optional<Rgb> {
        const guchar *p = gdk_pixbuf_read_pixels(image.get()) +
                          (y - png_top) * gdk_pixbuf_get_rowstride(image.get()) + x * 4;
        return Rgb{p[0], p[1], p[2]};
    };
    const Screenshot screenshot =
        run_emulator(dir / "received.prg", VideoStandard::pal,
                     emulator_steady_frame(VideoStandard::pal), dir.string());
    EXPECT_EQ(display_differences(
                  screenshot, {{"whole file", 0, png_top, display_width, png_top + 272}}, expected),
              "");
}

} // namespace
