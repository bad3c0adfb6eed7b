// Releasing beside the menus: exports from the command line without a display, the cruncher
// running behind its progress dialog while the window keeps painting, and Run in emulator, whose
// program the real x64sc must show as the PNG shows it.

#include "../emulator/emulator.hpp"
#include "gui_test_support.hpp"

#include "core/commandline.hpp"
#include "core/executable.hpp"
#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/exports.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace {

void write_script(const fs::path &path, const std::string &body) {
    fs::permissions(write_file(path, body), fs::perms::owner_all);
}

// The example projects with their files, in a folder of their own (the projects name folders
// of another machine, so the editor takes the files beside them).
struct Workspace {
    TemporaryDirectory directory;
    fs::path dir = directory.path;
    Workspace() {
        fs::copy(fs::path(SIDEWELL_SOURCE_DIR) / "examples", dir);
        fs::create_directories(dir / "out");
        fs::create_directories(dir / "bin");
    }
    // No system folders, which may hold a real x64sc or exomizer.
    std::string path(bool with_exomizer) const {
        return (with_exomizer ? std::string(SIDEWELL_TOOLS_DIR) + ":" : "") +
               (dir / "bin").string();
    }
    Bytes bytes(const char *name) const { return read_bytes(dir / name); }
    // The editor as a command here, without an X display, with its own HOME and preferences;
    // its exit status and what it wrote on stderr.
    std::pair<int, std::string> run(const std::string &arguments, bool with_exomizer = true) const {
        const int status =
            std::system(("cd '" + dir.string() + "' && env -u DISPLAY HOME=. " +
                         "XDG_CONFIG_HOME=config PATH='" + path(with_exomizer) + "' " +
                         SIDEWELL_EDITOR + " " + arguments + " >/dev/null 2>errors")
                            .c_str());
        return {WEXITSTATUS(status), read_text(dir / "errors")};
    }
};

struct ExportCase {
    const char *name;
    const char *project;
    const char *overrides;
    int palette, selection_method, transition; // what the window must use for the same files
    gboolean reencode;
    bool crunch = true;
};

class CommandLineExport : public EditorTest, public testing::WithParamInterface<ExportCase> {};

// The same project opened in the window and exported by the menus' calls with the options the
// command line took from the preferences and its own options. Without crunching, asked or for
// want of a cruncher, both write the uncrunched program.
TEST_P(CommandLineExport, WritesWhatTheMenusWriteAndLeavesThePreferences) {
    const ExportCase &c = GetParam();
    const Workspace space;
    const fs::path preferences = space.dir / "config" / "c64-sidewell" / "user.ini";
    fs::create_directories(preferences.parent_path());
    const std::string preferences_text =
        "[interface]\npalette=2\nexpansion=3\nselection_method=1\ntransition=0\n[sprites]\n"
        "sprite_attribute_byte_format=0\n[misc]\nreencode_graphics=false\n";
    write_file(preferences, preferences_text);
    const auto [status, errors] = space.run(
        c.overrides + std::string(" --export-png out/cli.png -x out/cli.prg ") + c.project);
    EXPECT_EQ(status, commandline_status_done) << errors;
    EXPECT_EQ(read_text(preferences), preferences_text);

    options_palette = c.palette;
    options_selection_method = c.selection_method;
    options_transition = c.transition;
    options_reencode_graphics = c.reencode;
    project_commands_open_project((space.dir / c.project).c_str());
    ASSERT_TRUE(export_screen_to_png((space.dir / "out/menu.png").c_str(), nullptr));
    const std::string old_path = g_getenv("PATH");
    g_setenv("PATH", space.path(c.crunch).c_str(), TRUE);
    export_program_to((space.dir / "out/menu.prg").c_str());
    g_setenv("PATH", old_path.c_str(), TRUE);
    EXPECT_EQ(space.bytes("out/cli.png"), space.bytes("out/menu.png"));
    EXPECT_EQ(space.bytes("out/cli.prg"), space.bytes("out/menu.prg"));
    if (c.crunch) {
        EXPECT_EQ(status_text(), " Info: Successfully exported to executable PRG");
        return;
    }
    EXPECT_NE(taken_error().find("exomizer"), std::string::npos);
    EXPECT_EQ(space.bytes("out/menu.prg").size(), executable_size_petscii);
    const auto [missing, why] = space.run("-x out/missing.prg " + std::string(c.project), false);
    EXPECT_EQ(missing, commandline_status_not_crunched);
    EXPECT_NE(why.find("exomizer"), std::string::npos) << why;
    EXPECT_EQ(space.bytes("out/missing.prg"), space.bytes("out/menu.prg"));
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, CommandLineExport,
    testing::Values(
        ExportCase{"multicolour_with_overrides", "sunset.ini",
                   "--palette ccs64 -t flicker --reencode --selection-method=both", 3, 2, 1, TRUE},
        ExportCase{"petscii_with_preferences", "welcome.ini", "", 2, 1, 0, FALSE},
        ExportCase{"petscii_uncrunched", "welcome.ini", "--no-crunch", 2, 1, 0, FALSE, false}),
    case_name);

// Each failure says what failed in one line and leaves no file.
TEST(CommandLine, FailureIsOneLineAndLeavesNoFile) {
    const std::tuple<const char *, int, const char *> failures[] = {
        {"-p out/a.png missing.ini", 1, "missing.ini"},
        {"-p out/a.png bad_picture.ini", 1, "garbage.koa"},
        {"-x out/a.prg bad_sprites.ini", 1, "empty.prg"},
        {"-p out/no/a.png sunset.ini", 1, "out/no/a.png"},
        {"-p out/a.png -x out/no/a.prg sunset.ini", 1, "out/no/a.prg"},
        {"--palette rainbow -p out/a.png sunset.ini", 2, "rainbow"},
        {"--export-pgn out/a.png sunset.ini", 2, "--export-pgn"},
        {"-p out/a.png sunset.ini welcome.ini", 2, "one project"}};
    const Workspace space;
    write_file(space.dir / "garbage.koa", Bytes(123, 0x42));
    write_file(space.dir / "empty.prg", Bytes{});
    write_file(space.dir / "bad_picture.ini",
               "[picture]\nfile=garbage.koa\n[sprites]\nfile=shapes.prg\n");
    write_file(space.dir / "bad_sprites.ini",
               "[picture]\nfile=sunset.koa\n[sprites]\nfile=empty.prg\n");
    for (const auto &[arguments, expected, named] : failures) {
        const auto [status, errors] = space.run(arguments);
        EXPECT_EQ(status, expected) << arguments;
        EXPECT_NE(errors.find(named), std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_TRUE(files_in(space.dir / "out").empty()) << arguments;
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
            gdk_window_get_cursor(gtk_widget_get_window(window_main)) != nullptr;
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

class BackgroundCrunch : public EditorTest, public testing::WithParamInterface<bool> {};

TEST_P(BackgroundCrunch, KeepsTheWindowPaintedAndCanBeCancelled) {
    const Workspace space;
    // The cruncher stand-in, started only once the test lets it go.
    write_script(space.dir / "bin/exomizer", "#!/bin/sh\nwhile [ ! -e '" +
                                                 (space.dir / "go").string() +
                                                 "' ]; do /bin/sleep 0.05; done\nexec '" +
                                                 SIDEWELL_TOOLS_DIR + "/exomizer' \"$@\"\n");
    project_commands_open_project((space.dir / "sunset.ini").c_str());
    process_events(300);
    WhileCrunching state{space.dir / "go", GetParam()};
    const std::string old_path = g_getenv("PATH");
    g_setenv("PATH", space.path(false).c_str(), TRUE);
    g_timeout_add(200, crunching_step, &state);
    export_program_to((space.dir / "out/scene.prg").c_str());
    g_setenv("PATH", old_path.c_str(), TRUE);

    EXPECT_TRUE(state.dialog_seen);
    EXPECT_EQ(state.difference, "");
    EXPECT_EQ(crunch_dialog(), nullptr);
    EXPECT_EQ(gdk_window_get_cursor(gtk_widget_get_window(window_main)), nullptr);
    const Bytes written = space.bytes("out/scene.prg");
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

// Without an emulator the command is not offered and says why; one that cannot be started is
// reported and its program does not stay behind; a picture without a viewer starts nothing.
// The stand-in is handed the crunched program when there is a cruncher, else one that starts
// by itself in the real x64sc and shows what the PNG export shows; its folder goes once the
// emulator has ended.
class RunInEmulator : public EditorTest {};
TEST_F(RunInEmulator, HandsOverAProgramThatShowsThePng) {
    const Workspace space;
    options_palette = 0; // x64sc's Pepto colours, so that the PNG compares as it is
    project_commands_open_project((space.dir / "sunset.ini").c_str());
    const std::string old_path = g_getenv("PATH");
    GtkWidget *item = lookup_widget(window_main, "menuitem_run_in_emulator");
    g_setenv("PATH", space.path(false).c_str(), TRUE);
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
    write_script(space.dir / "bin/x64sc", "#!/nonexistent/interpreter\n");
    on_menuitem_run_in_emulator_activate(nullptr, nullptr);
    EXPECT_NE(taken_error().find("x64sc"), std::string::npos);
    EXPECT_EQ(temporary_folders(), folders_before);

    const fs::path arguments = space.dir / "arguments";
    write_script(space.dir / "bin/x64sc", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" +
                                              arguments.string() + "'\n/bin/cp \"$1\" '" +
                                              (space.dir / "received.prg").string() + "'\n");
    on_menuitem_file_activate(nullptr, nullptr);
    EXPECT_TRUE(gtk_widget_get_sensitive(item));
    const int format = picture_data.format;
    picture_data.format = 3; // hires, which no viewer shows
    on_menuitem_run_in_emulator_activate(nullptr, nullptr);
    picture_data.format = format;
    EXPECT_TRUE(take_messages().empty());
    EXPECT_FALSE(fs::exists(arguments));
    EXPECT_EQ(temporary_folders(), folders_before);
    g_setenv("PATH", space.path(true).c_str(), TRUE);
    export_program_to((space.dir / "out/crunched.prg").c_str());
    for (const bool crunched : {true, false}) {
        g_setenv("PATH", space.path(crunched).c_str(), TRUE);
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
        EXPECT_EQ(space.bytes("received.prg") == space.bytes("out/crunched.prg"), crunched);
    }
    g_setenv("PATH", old_path.c_str(), TRUE);

    SKIP_UNLESS_EMULATOR_READY();
    const fs::path png = space.dir / "out/scene.png";
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
        run_emulator(space.dir / "received.prg", VideoStandard::pal,
                     emulator_steady_frame(VideoStandard::pal), space.dir.string());
    EXPECT_EQ(display_differences(
                  screenshot, {{"whole file", 0, png_top, display_width, png_top + 272}}, expected),
              "");
}

} // namespace
