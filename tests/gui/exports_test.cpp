// Exports through the File menu and a save dialog: names, whole files, cruncher outcomes, errors.

#include "gui_test_support.hpp"

#include "core/executable.hpp"
#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <functional>
#include <sstream>

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

// With a cruncher that logs its arguments, one a line, and then ends as ending says.
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
        crunching_with("exit 0");
    }
    void TearDown() override {
        g_setenv("PATH", old_path.c_str(), TRUE);
        EditorTest::TearDown();
    }
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
    else
        g_setenv("PATH", out.c_str(), TRUE);
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

} // namespace
