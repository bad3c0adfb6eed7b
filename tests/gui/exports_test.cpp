// Exports through the File menu, the crunch dialog and Run in emulator.

#include "gui_test_support.hpp"

#include "core/sprites.hpp"

#include "core/executable.hpp"
#include "core/options.hpp"
#include "core/spriteviews.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/exports.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <functional>
#include <sstream>

namespace {

constexpr const char *earlier_status = " Info: earlier message";

// A command, the title of its save dialog and what it says when it has written the file.
struct Saving {
    const char *menu_item, *title, *done;
};
const Saving png{"menuitem_export_to_png", "Save screenshot file",
                 " Info: Project exported to PNG"};
const Saving prg{"menuitem_export", "Save executable file",
                 " Info: Successfully exported to executable PRG"};
const Saving c64_picture{"menuitem_save_picture_as_c64", "Save picture as C64 file",
                         " Info: Picture saved as a C64 file"};
const Saving c64_sprites{"menuitem_save_sprites_as_c64", "Save sprites as C64 file",
                         " Info: Sprites saved as a C64 file"};

void write_script(const fs::path &path, const std::string &body) {
    write_file(path, body);
    fs::permissions(path, fs::perms::owner_all);
}

class Exports : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        out = dir / "out";
        fs::create_directories(out);
        set_path(&options_export_png_dir_string, out);
        set_path(&options_export_dir_string, out);
        set_path(&options_picture_dir_string, out);
        set_path(&options_sprites_dir_string, out);
        // The example projects beside their files (they name folders of another machine).
        fs::copy(example_path(""), dir);
        g_setenv("PATH", path(false).c_str(), TRUE);
    }
    void TearDown() override {
        g_setenv("PATH", old_path.c_str(), TRUE);
        EditorTest::TearDown();
    }
    // The test's bin folder, after the cruncher; no system folders, which may hold x64sc.
    std::string path(bool with_exomizer) const {
        return (with_exomizer ? std::string(SIDEWELL_TOOLS_DIR) + ":" : "") +
               (dir / "bin").string();
    }
    // Types name, or takes the suggestion shown, and runs confirming as it confirms the dialog.
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

    fs::path out;
    const std::string old_path = g_getenv("PATH");
};

// Half a project is refused without a dialog; a cancelled dialog, a file that cannot be written
// (a folder made in its place) and a picture format without a viewer write and crunch nothing.
TEST_F(Exports, RefusedCancelledOrUnwritableLeavesNoFile) {
    project_commands_open_project((dir / "sunset.ini").c_str());
    for (const auto &[kind, name] : {std::pair{png, "taken.png"}, {prg, "taken.prg"}}) {
        DialogAnswer answer(kind.title, GTK_RESPONSE_CANCEL);
        picture_loaded = kind.menu_item == png.menu_item;
        sprites_loaded = !picture_loaded;
        choose(kind.menu_item);
        EXPECT_EQ(status_text(), " Info: First load a picture and sprites or open a project");
        picture_loaded = sprites_loaded = 1;
        choose(kind.menu_item);
        EXPECT_EQ(answer.times_answered(), 1);
        export_as(kind, "taken", "", [&, name = name] { fs::create_directory(out / name); });
        EXPECT_NE(taken_error().find(name), std::string::npos);
        fs::remove(out / name);
    }
    controls_update_main_statusbar(earlier_status);
    picture_data.format = 3; // hires: recognised by no decoder, shown by no viewer
    export_as(prg, "demo");
    EXPECT_EQ(status_text(), earlier_status);
    EXPECT_TRUE(files_in(out).empty());
}

// The picture saved as a C64 file is the file it came from; the sprite file is the example's,
// loading at $2000, with the project's colours in its attribute bytes.
TEST_F(Exports, C64FilesHoldThePictureAndTheSpriteColours) {
    for (const auto &[project, picture] :
         {std::pair{"sunset.ini", "sunset.koa"}, std::pair{"welcome.ini", "welcome.pet"}}) {
        project_commands_open_project((dir / project).c_str());
        export_as(c64_picture, "", picture);
        EXPECT_EQ(status_text(), c64_picture.done);
        EXPECT_EQ(read_bytes(out / picture), read_bytes(dir / picture)) << picture;
    }
    export_as(c64_sprites, "", "shapes.prg");
    EXPECT_EQ(status_text(), c64_sprites.done);
    Bytes expected = read_bytes(dir / "shapes.prg");
    expected[0] = 0x00;
    expected[1] = 0x20;
    const std::string text = read_text(dir / "welcome.ini");
    std::istringstream colours(text.substr(text.find("color_indexes=") + 14));
    for (std::size_t slot = 0; slot < (expected.size() - 2) / 64; ++slot) {
        int colour = 0;
        colours >> colour;
        colours.ignore(1);
        expected[2 + 64 * slot + 63] = static_cast<std::uint8_t>(colour);
    }
    EXPECT_EQ(read_bytes(out / "shapes.prg"), expected);

    // The SpritePad type names the file ".spr" and writes SpritePad's 1.x layout: the picture's
    // background and the shared colours, then the same slots without a load address.
    {
        DialogAnswer answer(c64_sprites.title, GTK_RESPONSE_OK);
        type_name(answer, out, "back");
        answer.ready = [shows = answer.ready](GtkWidget *dialog) {
            gtk_file_chooser_set_filter(
                GTK_FILE_CHOOSER(dialog),
                filter_named(dialog, "  SpritePad 1.x files with their colours (.spr) "));
            return shows(dialog);
        };
        choose(c64_sprites.menu_item);
    }
    Bytes spritepad{std::uint8_t(picture_data.background_color & 15), sprites_get_multicolor0(),
                    sprites_get_multicolor1()};
    spritepad.insert(spritepad.end(), expected.begin() + 2, expected.end());
    EXPECT_EQ(read_bytes(out / "back.spr"), spritepad);

    // Nothing to save: said in the status bar, without a dialog.
    for (const auto &[kind, missing] : {std::pair{c64_picture, " Info: First load a picture"},
                                        std::pair{c64_sprites, " Info: First load sprites"}}) {
        DialogAnswer answer(kind.title, GTK_RESPONSE_CANCEL);
        picture_loaded = kind.menu_item == c64_sprites.menu_item;
        sprites_loaded = !picture_loaded;
        choose(kind.menu_item);
        EXPECT_EQ(status_text(), missing);
        EXPECT_EQ(answer.times_answered(), 0);
    }
}

struct ExportCase {
    const char *name;
    Saving kind;
    const char *typed; // empty: the suggestion, which is the name written, is accepted
    const char *written;
    const char *project = ""; // empty: no project file, the picture's file names it
    const char *items = "";   // the menu items chosen before, without "menuitem_"
    bool koala = true;
    const char *ending = "exit 0"; // null: no cruncher on PATH
};

class Export : public Exports, public ::testing::WithParamInterface<ExportCase> {};

// The whole file and the cruncher's arguments; the status by the cruncher's outcome.
TEST_P(Export, WritesTheWholeFileUnderTheNameGiven) {
    const ExportCase &c = GetParam();
    project_commands_open_project((dir / (c.koala ? "sunset.ini" : "welcome.ini")).c_str());
    controls_update_main_statusbar(earlier_status);
    set_path(&utf8_path_and_filename_project, c.project);
    const fs::path path = out / c.written, log = dir / "cruncher.log";
    std::istringstream items(c.items);
    for (std::string item; items >> item;)
        choose(("menuitem_" + item).c_str());
    if (c.ending != nullptr) // a cruncher that logs its arguments, one a line
        write_script(dir / "bin/exomizer",
                     "#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s\\n' \"$@\" > '" + log.string() +
                         "'\n" + c.ending + "\n");
    const bool program = c.kind.menu_item == prg.menu_item;
    export_as(c.kind, c.typed, *c.typed ? c.typed : c.written);

    EXPECT_EQ(files_in(out), std::set<std::string>{c.written});
    if (c.ending == nullptr)
        EXPECT_NE(taken_error().find("exomizer"), std::string::npos);
    else
        EXPECT_EQ(status_text(), std::string(c.ending) == "exit 0" ? c.kind.done : earlier_status);
    const int start = c.koala ? executable_start_address_mc : executable_start_address_petscii;
    EXPECT_EQ(read_text(log), program && c.ending
                                  ? "sfx\n" + std::to_string(start) + "\n" + path.string() +
                                        "\n-o\n" + path.string() + "\n-n\n"
                                  : "");
    // The program as built here, or the screen as drawn for the picture on show.
    const Bytes built =
        executable_build(picture_data, options_transition, options_reencode_graphics).bytes;
    ASSERT_TRUE(spriteviews_save_screen_png((dir / "expected.png").c_str(), pixbuf_picture,
                                            options_selection_method,
                                            picture_data.background_color % 16, nullptr));
    EXPECT_EQ(read_bytes(path), program ? built : read_bytes(dir / "expected.png"));
}

// Names may come from Windows: only a dot after the last backslash starts an extension. Names
// a shell would take apart, expand or run reach the cruncher whole.
const ExportCase export_cases[] = {
    {"png_from_picture_alpha_zoomed", png, "", "sunset.png", "",
     "zoom_2x selection_method_alpha_adjustment"},
    {"png_from_windows_project_petscii_frame", png, "", "old.v2\\scene.png",
     "/work/old.v2\\scene.ini", "selection_method_frame", false},
    {"petscii_flicker_windows_folder", prg, "", "scene.v2\\notes.prg", "/work/scene.v2\\notes",
     "transition_flicker", false},
    {"upper_kept_no_cruncher", prg, "GAME.PRG", "GAME.PRG", "", "", true, nullptr},
    {"shell_characters_mixed_case", prg, "say \"hi\" `id` $(id) \\$5.Prg",
     "say \"hi\" `id` $(id) \\$5.Prg.prg"},
    {"flicker_reencoded_cruncher_fails", prg, "demo", "demo.prg", "",
     "transition_flicker reencode_graphics", true, "exit 1"}};
INSTANTIATE_TEST_SUITE_P(Files, Export, ::testing::ValuesIn(export_cases), case_name);

class BackgroundCrunch : public Exports {};

// While the cruncher runs, its dialog stands over the window with the watch cursor; Cancel stops
// the cruncher, ends the dialog and leaves the uncrunched program.
TEST_F(BackgroundCrunch, ShowsItsDialogAndCanBeCancelled) {
    project_commands_open_project((dir / "sunset.ini").c_str());
    write_script(dir / "bin/exomizer", "#!/bin/sh\nexec /bin/sleep 60\n");
    DialogAnswer answer("Crunching", GTK_RESPONSE_CANCEL);
    bool seen = false;
    GtkWidget *alive = nullptr; // cleared as the dialog is destroyed
    answer.inspect = [&](GtkWidget *dialog) {
        seen =
            g_strcmp0(gtk_widget_get_name(dialog), "dialog_crunch") == 0 &&
            gtk_window_get_transient_for(GTK_WINDOW(dialog)) == GTK_WINDOW(window_main) &&
            gdk_window_get_cursor(gtk_widget_get_window(window_main)) != nullptr &&
            std::ranges::count(label_texts(dialog, true), "Packing the program with Exomizer...");
        alive = dialog;
        g_object_add_weak_pointer(G_OBJECT(dialog), reinterpret_cast<gpointer *>(&alive));
    };
    export_program_to((out / "scene.prg").c_str());
    EXPECT_TRUE(seen);
    EXPECT_EQ(alive, nullptr);
    EXPECT_EQ(gdk_window_get_cursor(gtk_widget_get_window(window_main)), nullptr);
    EXPECT_EQ(status_text(), " Info: Crunching cancelled: the program was written uncrunched");
    EXPECT_EQ(read_bytes(out / "scene.prg"),
              executable_build(picture_data, options_transition, options_reencode_graphics).bytes);
}

// Not offered without an emulator, reported when it cannot start; the stand-in gets the crunched
// program, or without a cruncher one that starts by itself. No temporary folder stays behind.
TEST_F(Exports, RunInEmulatorHandsOverTheProgram) {
    project_commands_open_project((dir / "sunset.ini").c_str());
    const auto temporary_folders = [] {
        std::set<std::string> found;
        for (const auto &entry : fs::directory_iterator(g_get_tmp_dir()))
            if (entry.path().filename().string().starts_with("c64-sidewell-"))
                found.insert(entry.path().string());
        return found;
    };
    const std::set<std::string> folders_before = temporary_folders();
    GtkWidget *item = lookup_widget(window_main, "menuitem_run_in_emulator");
    on_menuitem_file_activate(nullptr, nullptr);
    EXPECT_FALSE(gtk_widget_get_sensitive(item));
    on_menuitem_run_in_emulator_activate(nullptr, nullptr);
    EXPECT_EQ(status_text(), " Info: Neither x64sc nor x64 was found on PATH");
    write_script(dir / "bin/x64sc", "#!/nonexistent/interpreter\n");
    on_menuitem_file_activate(nullptr, nullptr);
    EXPECT_TRUE(gtk_widget_get_sensitive(item));
    on_menuitem_run_in_emulator_activate(nullptr, nullptr);
    EXPECT_NE(taken_error().find("x64sc"), std::string::npos);
    EXPECT_EQ(temporary_folders(), folders_before);

    const fs::path received = dir / "received.prg";
    write_script(dir / "bin/x64sc", "#!/bin/sh\n/bin/cp \"$1\" '" + received.string() + "'\n");
    g_setenv("PATH", path(true).c_str(), TRUE);
    export_program_to((out / "crunched.prg").c_str());
    for (const bool crunched : {true, false}) {
        g_setenv("PATH", path(crunched).c_str(), TRUE);
        fs::remove(received);
        EXPECT_TRUE(send_key(GDK_r, GDK_CONTROL_MASK));
        for (int wait = 0;
             wait < 100 && (!fs::exists(received) || temporary_folders() != folders_before); ++wait)
            process_events(50);
        EXPECT_EQ(status_text(), " Info: Started the project in the emulator");
        EXPECT_EQ(temporary_folders(), folders_before);
        const Bytes program =
            executable_build(picture_data, options_transition, options_reencode_graphics).bytes;
        EXPECT_EQ(read_bytes(received),
                  crunched ? read_bytes(out / "crunched.prg")
                           : executable_make_self_starting(program, executable_start_address_mc));
    }
    g_setenv("PATH", old_path.c_str(), TRUE);
}

} // namespace
