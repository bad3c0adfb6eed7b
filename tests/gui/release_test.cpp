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
#include <glib/gstdio.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>

namespace {

namespace fs = std::filesystem;

constexpr int basic_start = 0x0801;

// A shell script named name in folder.
void write_script(const fs::path &folder, const std::string &name, const std::string &body) {
    const fs::path path = folder / name;
    write_bytes(path, Bytes(body.begin(), body.end()));
    fs::permissions(path, fs::perms::owner_all);
}

// The example projects with their files, in a folder of their own (the projects name folders
// of another machine, so the editor takes the files beside them).
struct Workspace {
    TemporaryDirectory directory;
    fs::path dir = directory.path;
    Workspace() {
        for (const auto &entry :
             fs::directory_iterator(fs::path(SIDEWELL_SOURCE_DIR) / "examples")) {
            fs::copy_file(entry.path(), dir / entry.path().filename());
        }
        fs::create_directories(dir / "out");
        fs::create_directories(dir / "bin");
    }
    // PATH with the cruncher stand-in or without it, and the test's own bin folder; no system
    // folders, which may hold a real x64sc or exomizer.
    std::string path(bool with_exomizer) const {
        return (with_exomizer ? std::string(SIDEWELL_TOOLS_DIR) + ":" : "") +
               (dir / "bin").string() + "";
    }
};

struct CommandRun {
    int status;
    std::string errors;
};

// The editor as a command in folder, without an X display, with its own HOME and preferences.
CommandRun run_editor(const Workspace &space, std::vector<std::string> arguments,
                      bool with_exomizer = true) {
    std::vector<gchar *> argv = {const_cast<gchar *>(SIDEWELL_EDITOR)};
    for (std::string &argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    gchar **env = g_get_environ();
    env = g_environ_unsetenv(env, "DISPLAY");
    env = g_environ_setenv(env, "HOME", space.dir.c_str(), TRUE);
    env = g_environ_setenv(env, "XDG_CONFIG_HOME", (space.dir / "config").c_str(), TRUE);
    env = g_environ_setenv(env, "PATH", space.path(with_exomizer).c_str(), TRUE);
    gchar *errors = nullptr;
    gint wait_status = 0;
    const gboolean ran =
        g_spawn_sync(space.dir.c_str(), argv.data(), env, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr,
                     nullptr, nullptr, &errors, &wait_status, nullptr);
    g_strfreev(env);
    const GCharPtr owned(errors);
    return {ran && WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1,
            owned ? owned.get() : ""};
}

// The preferences the command reads: ~/.config/c64-sidewell/user.ini of its own HOME.
fs::path preferences_file(const Workspace &space) {
    return space.dir / "config" / "c64-sidewell" / "user.ini";
}

constexpr const char *preferences_text = "[interface]\npalette=2\nexpansion=3\nselection_method=1\n"
                                         "transition=0\n[sprites]\nsprite_attribute_byte_format=0\n"
                                         "[misc]\nreencode_graphics=false\n";

struct ExportCase {
    const char *name;
    const char *project;
    std::vector<std::string> overrides;
    int palette, selection_method, transition; // what the window must use for the same files
    gboolean reencode;
};

const ExportCase export_cases[] = {
    {"multicolour_with_overrides",
     "sunset.ini",
     {"--palette", "ccs64", "-t", "flicker", "--reencode", "--selection-method=both"},
     3,
     2,
     1,
     TRUE},
    {"petscii_with_preferences", "welcome.ini", {}, 2, 1, 0, FALSE},
};

class CommandLineExport : public EditorTest, public testing::WithParamInterface<ExportCase> {};

// The same project through the window: opened, exported to PNG and to a crunched program with
// the options the command line took from the preferences and its own options.
TEST_P(CommandLineExport, WritesWhatTheMenusWriteAndLeavesThePreferences) {
    const ExportCase &c = GetParam();
    const Workspace space;
    fs::create_directories(preferences_file(space).parent_path());
    write_bytes(preferences_file(space),
                Bytes(preferences_text, preferences_text + std::strlen(preferences_text)));
    std::vector<std::string> arguments = c.overrides;
    arguments.insert(arguments.end(),
                     {"--export-png", "out/cli.png", "-x", "out/cli.prg", c.project});
    const CommandRun run = run_editor(space, arguments);
    EXPECT_EQ(run.status, commandline_status_done) << run.errors;
    EXPECT_EQ(read_text(preferences_file(space)), preferences_text);

    options_palette = c.palette;
    options_selection_method = c.selection_method;
    options_transition = c.transition;
    options_reencode_graphics = c.reencode;
    options_sprite_attribute_byte_format = 0;
    project_commands_open_project((space.dir / c.project).c_str());
    GError *error = nullptr;
    ASSERT_TRUE(export_screen_to_png((space.dir / "out/menu.png").c_str(), &error));
    const std::string old_path = g_getenv("PATH");
    g_setenv("PATH", space.path(true).c_str(), TRUE);
    export_program_to((space.dir / "out/menu.prg").c_str());
    g_setenv("PATH", old_path.c_str(), TRUE);
    EXPECT_EQ(status_text(), " Info: Successfully exported to executable PRG");

    EXPECT_EQ(read_bytes(space.dir / "out/cli.png"), read_bytes(space.dir / "out/menu.png"));
    EXPECT_EQ(read_bytes(space.dir / "out/cli.prg"), read_bytes(space.dir / "out/menu.prg"));
    const Bytes crunched = read_bytes(space.dir / "out/cli.prg");
    ASSERT_GE(crunched.size(), 2u);
    EXPECT_EQ(crunched[0] | crunched[1] << 8, basic_start); // the stand-in's self-starting file
}

INSTANTIATE_TEST_SUITE_P(BothPictureKinds, CommandLineExport, testing::ValuesIn(export_cases),
                         [](const auto &info) { return std::string(info.param.name); });

struct FailureCase {
    const char *name;
    std::vector<std::string> arguments;
    int status;
    const char *named; // the file or option the one line of the message names
};

const FailureCase failure_cases[] = {
    {"missing_project", {"-p", "out/a.png", "missing.ini"}, 1, "missing.ini"},
    {"picture_not_decoding", {"-p", "out/a.png", "bad_picture.ini"}, 1, "garbage.koa"},
    {"sprites_not_decoding", {"-x", "out/a.prg", "bad_sprites.ini"}, 1, "empty.prg"},
    {"png_not_writable", {"-p", "out/none/a.png", "sunset.ini"}, 1, "out/none/a.png"},
    {"png_written_then_program_not",
     {"-p", "out/a.png", "-x", "out/none/a.prg", "sunset.ini"},
     1,
     "out/none/a.prg"},
    {"unknown_palette", {"--palette", "rainbow", "-p", "out/a.png", "sunset.ini"}, 2, "rainbow"},
    {"unknown_option", {"--export-pgn", "out/a.png", "sunset.ini"}, 2, "--export-pgn"},
    {"two_projects", {"-p", "out/a.png", "sunset.ini", "welcome.ini"}, 2, "one project"},
};

class CommandLineFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(CommandLineFailure, SaysWhatFailedInOneLineAndLeavesNoFile) {
    const FailureCase &c = GetParam();
    const Workspace space;
    write_bytes(space.dir / "garbage.koa", Bytes(123, 0x42));
    write_bytes(space.dir / "empty.prg", {});
    for (const auto &[project, picture, sprites] :
         {std::tuple{"bad_picture.ini", "garbage.koa", "shapes.prg"},
          std::tuple{"bad_sprites.ini", "sunset.koa", "empty.prg"}}) {
        const std::string text =
            std::string("[picture]\nfile=") + picture + "\n[sprites]\nfile=" + sprites + "\n";
        write_bytes(space.dir / project, Bytes(text.begin(), text.end()));
    }
    const CommandRun run = run_editor(space, c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.errors.find(c.named), std::string::npos) << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_TRUE(files_in(space.dir / "out").empty());
}

INSTANTIATE_TEST_SUITE_P(Everything, CommandLineFailure, testing::ValuesIn(failure_cases),
                         [](const auto &info) { return std::string(info.param.name); });

// Asked not to crunch, or without a cruncher, the command writes the uncrunched program and
// its status tells which.
TEST(CommandLineCrunch, UncrunchedWhenAskedOrWithoutExomizer) {
    const Workspace space;
    const CommandRun asked =
        run_editor(space, {"--no-crunch", "-x", "out/asked.prg", "welcome.ini"});
    EXPECT_EQ(asked.status, commandline_status_done) << asked.errors;
    const CommandRun missing = run_editor(space, {"-x", "out/missing.prg", "welcome.ini"}, false);
    EXPECT_EQ(missing.status, commandline_status_not_crunched);
    EXPECT_NE(missing.errors.find("exomizer"), std::string::npos) << missing.errors;
    const Bytes program = read_bytes(space.dir / "out/asked.prg");
    EXPECT_EQ(program.size(), executable_size_petscii);
    EXPECT_EQ(read_bytes(space.dir / "out/missing.prg"), program);
}

// The picture as the X server holds it on screen, not painted afresh for the test.
PixbufPtr picture_on_screen() {
    GdkWindow *area = gtk_widget_get_window(lookup_widget(window_main, "drawingarea_picture"));
    int width = 0, height = 0;
    gdk_drawable_get_size(GDK_DRAWABLE(area), &width, &height);
    return PixbufPtr(
        gdk_pixbuf_get_from_drawable(nullptr, area, nullptr, 0, 0, 0, 0, width, height));
}

// Every drawing area of the window, whose expose events are counted.
std::vector<GtkWidget *> drawing_areas() {
    std::vector<GtkWidget *> areas;
    GList *children = gdk_window_get_children(gtk_widget_get_window(window_main));
    for (GList *child = children; child != nullptr; child = child->next) {
        gpointer owner = nullptr;
        gdk_window_get_user_data(GDK_WINDOW(child->data), &owner);
        if (owner != nullptr && GTK_IS_DRAWING_AREA(owner)) {
            areas.push_back(GTK_WIDGET(owner));
        }
    }
    g_list_free(children);
    return areas;
}

// Counted through "event", which GTK emits before the expose handler that ends the emission.
gboolean count_expose(GtkWidget *, GdkEvent *event, gpointer count) {
    if (event->type == GDK_EXPOSE) {
        ++*static_cast<int *>(count);
    }
    return FALSE;
}

bool same_pixels(const GdkPixbuf *a, const GdkPixbuf *b) {
    return gdk_pixbuf_get_width(a) == gdk_pixbuf_get_width(b) &&
           gdk_pixbuf_get_height(a) == gdk_pixbuf_get_height(b) &&
           gdk_pixbuf_get_byte_length(a) == gdk_pixbuf_get_byte_length(b) &&
           std::equal(gdk_pixbuf_read_pixels(a),
                      gdk_pixbuf_read_pixels(a) + gdk_pixbuf_get_byte_length(a),
                      gdk_pixbuf_read_pixels(b));
}

GtkWidget *crunch_dialog() {
    GtkWidget *found = nullptr;
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *element = toplevels; element != nullptr; element = element->next) {
        if (g_strcmp0(gtk_widget_get_name(GTK_WIDGET(element->data)), "dialog_crunch") == 0 &&
            gtk_widget_get_visible(GTK_WIDGET(element->data))) {
            found = GTK_WIDGET(element->data);
        }
    }
    g_list_free(toplevels);
    return found;
}

// While the slow cruncher runs: a window covers the editor and goes, and every drawing area
// must be painted again, the picture as it was (given a few seconds on a busy machine); then
// the cruncher is let go, or cancelled.
struct WhileCrunching {
    fs::path go;
    bool cancel = false;
    const GdkPixbuf *before = nullptr;
    std::vector<int> exposed; // per drawing area, since the cover went
    int step = 0;
    bool dialog_seen = false;
    bool repainted = false;
    GtkWidget *cover = nullptr;
};

constexpr guint step_ms = 200;
constexpr int repaint_polls = 25;

gboolean crunching_step(gpointer data) {
    auto *state = static_cast<WhileCrunching *>(data);
    GtkWidget *dialog = crunch_dialog();
    const int step = state->step++;
    if (step == 0) {
        state->dialog_seen = dialog != nullptr;
        if (dialog != nullptr) {
            gtk_window_move(GTK_WINDOW(dialog), 1300, 1000);
        }
        state->cover = gtk_window_new(GTK_WINDOW_POPUP);
        gtk_widget_set_size_request(state->cover, 1200, 900);
        gtk_widget_show(state->cover);
        return TRUE;
    }
    if (step == 1) {
        std::fill(state->exposed.begin(), state->exposed.end(), 0);
        gtk_widget_destroy(state->cover);
        return TRUE;
    }
    state->repainted = std::count(state->exposed.begin(), state->exposed.end(), 0) == 0 &&
                       same_pixels(state->before, picture_on_screen().get());
    if (!state->repainted && step < repaint_polls) {
        return TRUE;
    }
    if (state->cancel && dialog != nullptr) {
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    } else {
        write_bytes(state->go, {});
    }
    return FALSE;
}

class BackgroundCrunch : public EditorTest, public testing::WithParamInterface<bool> {};

TEST_P(BackgroundCrunch, KeepsTheWindowPaintedAndCanBeCancelled) {
    const bool cancel = GetParam();
    const Workspace space;
    // The cruncher stand-in, started only once the test lets it go.
    write_script(space.dir / "bin", "exomizer",
                 "#!/bin/sh\nwhile [ ! -e '" + (space.dir / "go").string() +
                     "' ]; do /bin/sleep 0.05; done\nexec '" + SIDEWELL_TOOLS_DIR +
                     "/exomizer' \"$@\"\n");
    project_commands_open_project((space.dir / "sunset.ini").c_str());
    process_events(300);
    const PixbufPtr before = picture_on_screen();

    const std::string old_path = g_getenv("PATH");
    g_setenv("PATH", space.path(false).c_str(), TRUE);
    WhileCrunching state;
    state.go = space.dir / "go";
    state.cancel = cancel;
    state.before = before.get();
    const std::vector<GtkWidget *> areas = drawing_areas();
    state.exposed.assign(areas.size(), 0);
    std::vector<gulong> counters;
    for (std::size_t i = 0; i < areas.size(); ++i) {
        counters.push_back(
            g_signal_connect(areas[i], "event", G_CALLBACK(count_expose), &state.exposed[i]));
    }
    g_timeout_add(step_ms, crunching_step, &state);
    const fs::path program = space.dir / "out/scene.prg";
    export_program_to(program.c_str());
    g_setenv("PATH", old_path.c_str(), TRUE);

    for (std::size_t i = 0; i < areas.size(); ++i) {
        g_signal_handler_disconnect(areas[i], counters[i]);
    }
    EXPECT_TRUE(state.dialog_seen);
    EXPECT_TRUE(state.repainted);
    EXPECT_EQ(crunch_dialog(), nullptr);
    const Bytes written = read_bytes(program);
    if (cancel) {
        EXPECT_EQ(status_text(), " Info: Crunching cancelled: the program was written uncrunched");
        EXPECT_EQ(written, executable_build(picture_data, options_transition,
                                            options_reencode_graphics == TRUE)
                               .bytes);
    } else {
        EXPECT_EQ(status_text(), " Info: Successfully exported to executable PRG");
        ASSERT_GE(written.size(), 2u);
        EXPECT_EQ(written[0] | written[1] << 8, basic_start);
    }
}

INSTANTIATE_TEST_SUITE_P(LetGoOrCancelled, BackgroundCrunch, testing::Bool(),
                         [](const auto &info) { return info.param ? "cancelled" : "let_go"; });

class RunInEmulator : public EditorTest {};

// Without an emulator the command is not offered and says why; with the stand-in it hands over a
// program that starts by itself in the real x64sc and shows what the PNG export shows.
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

    // An emulator that cannot be started is reported, and its program does not stay behind.
    write_script(space.dir / "bin", "x64sc", "#!/nonexistent/interpreter\n");
    const auto temporary_folders = [] {
        std::set<std::string> found;
        for (const auto &entry : fs::directory_iterator(g_get_tmp_dir())) {
            if (entry.path().filename().string().rfind("c64-sidewell-", 0) == 0) {
                found.insert(entry.path().string());
            }
        }
        return found;
    };
    const std::set<std::string> folders_before = temporary_folders();
    on_menuitem_run_in_emulator_activate(nullptr, nullptr);
    EXPECT_NE(taken_error().find("x64sc"), std::string::npos);
    EXPECT_EQ(temporary_folders(), folders_before);

    const fs::path received = space.dir / "received.prg";
    const fs::path arguments = space.dir / "arguments";
    write_script(space.dir / "bin", "x64sc",
                 "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + arguments.string() +
                     "'\n/bin/cp \"$1\" '" + received.string() + "'\n");
    on_menuitem_file_activate(nullptr, nullptr);
    EXPECT_TRUE(gtk_widget_get_sensitive(item));
    EXPECT_TRUE(send_key(GDK_r, GDK_CONTROL_MASK));
    process_events(100);
    g_setenv("PATH", old_path.c_str(), TRUE);
    EXPECT_EQ(status_text(), " Info: Started the project in the emulator");
    // The program's folder goes once the emulator has ended.
    std::string handed_over;
    for (int wait = 0; wait < 100; ++wait) {
        process_events(50);
        handed_over = read_text(arguments);
        if (!handed_over.empty() && !fs::exists(handed_over.substr(0, handed_over.size() - 1))) {
            break;
        }
    }
    ASSERT_EQ(std::count(handed_over.begin(), handed_over.end(), '\n'), 1) << handed_over;
    EXPECT_FALSE(fs::exists(fs::path(handed_over.substr(0, handed_over.size() - 1)).parent_path()));

    SKIP_UNLESS_EMULATOR_READY();
    GError *error = nullptr;
    const fs::path png = space.dir / "out/scene.png";
    ASSERT_TRUE(export_screen_to_png(png.c_str(), &error));
    const PixbufPtr image(gdk_pixbuf_new_from_file(png.c_str(), nullptr));
    ASSERT_TRUE(image);
    const guchar *pixels = gdk_pixbuf_read_pixels(image.get());
    const int stride = gdk_pixbuf_get_rowstride(image.get());
    const int channels = gdk_pixbuf_get_n_channels(image.get());
    constexpr int png_top = 13;
    const auto expected = [&](int x, int y) -> std::optional<Rgb> {
        const guchar *p = pixels + (y - png_top) * stride + x * channels;
        return Rgb{p[0], p[1], p[2]};
    };
    const Screenshot screenshot =
        run_emulator(received, VideoStandard::pal, emulator_steady_frame(VideoStandard::pal),
                     space.dir.string());
    EXPECT_EQ(display_differences(
                  screenshot, {{"whole file", 0, png_top, display_width, png_top + 272}}, expected),
              "");
}

} // namespace
