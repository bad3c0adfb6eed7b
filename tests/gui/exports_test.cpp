// The File menu's commands that write a file named in a save dialog: refusals, names, write
// errors, the whole PNG against the screen composed here, and what the cruncher's outcome
// makes the editor say.

#include "gui_test_support.hpp"

#include "core/executable.hpp"
#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <array>
#include <functional>
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
const Saving project_save{"menuitem_save_project", "Save project file", " Info: Project saved"};

enum class Picture { koala, petscii };

class Exports : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        out = dir / "out";
        fs::create_directories(out);
        set_path(&options_export_png_dir_string, out);
        set_path(&options_export_dir_string, out);
        old_path = g_getenv("PATH") ? g_getenv("PATH") : "";
        controls_update_main_statusbar(earlier_status);
        log = dir / "cruncher.log";
        install_logging_cruncher("exit 0");
    }
    void TearDown() override {
        g_setenv("PATH", old_path.c_str(), TRUE);
        EditorTest::TearDown();
    }

    // The example picture of the given kind, named castle.koa, and the example sprites cut to
    // 38, so that the last two slots stay empty; every third sprite multicolour, every fifth
    // selected.
    void load(Picture kind = Picture::koala, bool picture = true, bool sprites = true) {
        if (picture) {
            fs::copy_file(example_path(kind == Picture::koala ? "sunset.koa" : "welcome.pet"),
                          dir / "castle.koa", fs::copy_options::overwrite_existing);
            put_picture(dir / "castle.koa");
        }
        if (sprites) {
            put_sprites(example_path("shapes.prg"));
            ASSERT_TRUE(sprites_set_array_size(38));
            for (unsigned i = 0; i < 38; ++i) {
                sprites_set_multicolor_at_index(i, i % 3 == 0 ? 1 : 0);
                sprites_set_selected_at_index(i, i % 5 == 0 ? 1 : 0);
            }
            sprites_set_multicolor0(10);
            sprites_set_multicolor1(13);
            repaint_sprite_views();
        }
    }

    // Runs the export from the menu, typing name into the save dialog (or taking the suggestion
    // when name is empty) and confirming once the dialog shows shown in the export folder;
    // confirming runs as the dialog is confirmed.
    void export_as(const Saving &kind, const std::string &name, const std::string &shown = "",
                   const std::function<void()> &confirming = {}) {
        DialogAnswer answer(kind.title, GTK_RESPONSE_OK);
        type_name(answer, out, name, shown);
        answer.ready = [shows = answer.ready, confirming](GtkWidget *dialog) {
            if (!shows(dialog))
                return false;
            if (confirming)
                confirming();
            return true;
        };
        choose(kind.menu_item);
        EXPECT_EQ(answer.times_answered(), 1);
    }

    // A cruncher that logs its arguments, one a line, and ends as the shell command says.
    void install_logging_cruncher(const std::string &ending) {
        write_file(dir / "bin" / "exomizer",
                   "#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s\\n' \"$@\" > '" + log.string() +
                       "'\n" + ending + "\n");
        fs::permissions(dir / "bin" / "exomizer", fs::perms::owner_all);
        g_setenv("PATH", (dir / "bin").c_str(), TRUE);
    }

    // The cruncher may run while the main loop goes on: waits until it has run, when it could
    // start, and no window but the main one and message dialogs is left open.
    void wait_for_cruncher(bool runs) {
        const gint64 end = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
        const auto busy = [&] {
            bool open = false;
            GList *toplevels = gtk_window_list_toplevels();
            for (GList *element = toplevels; element != nullptr; element = element->next)
                open = open ||
                       (element->data != window_main && !GTK_IS_MESSAGE_DIALOG(element->data) &&
                        gtk_widget_get_visible(GTK_WIDGET(element->data)));
            g_list_free(toplevels);
            return open || (runs && !fs::exists(log));
        };
        while (busy() && g_get_monotonic_time() < end)
            process_events(10);
        process_events(50);
    }

    static Bytes expected_program() {
        return executable_build(picture_data, options_transition, options_reencode_graphics == 1)
            .bytes;
    }

    fs::path out;
    std::string old_path;
    fs::path log; // written by the logging cruncher when it runs
};

// With half a project every command says what is missing, without asking for a name; the
// project's own Save would write without asking, had it not refused.
TEST_F(Exports, HalfAProjectIsRefusedWithoutAskingForAName) {
    for (const bool picture : {false, true}) {
        load(Picture::koala, picture, !picture);
        set_path(&utf8_path_and_filename_project, out / "scene.ini");
        for (const Saving &command : {png, prg, project_save, project_as}) {
            SCOPED_TRACE(command.menu_item);
            controls_update_main_statusbar(earlier_status);
            DialogAnswer answer(command.title, GTK_RESPONSE_CANCEL);
            choose(command.menu_item);
            EXPECT_EQ(answer.times_answered(), 0);
            EXPECT_EQ(status_text(), " Info: First load a picture and sprites or open a project");
        }
        picture_loaded = sprites_loaded = 0;
    }
    EXPECT_TRUE(take_messages().empty());
    EXPECT_TRUE(files_in(out).empty());
    EXPECT_FALSE(fs::exists(log));
}

// Neither a cancelled dialog nor a picture format without a viewer gives a file.
TEST_F(Exports, CancelledDialogOrPictureWithoutViewerWritesNothing) {
    load();
    for (const Saving &kind : {png, prg, project_as}) {
        DialogAnswer answer(kind.title, GTK_RESPONSE_CANCEL);
        choose(kind.menu_item);
        EXPECT_EQ(answer.times_answered(), 1);
    }
    constexpr int hires_format = 3; // recognised by no decoder, shown by no viewer
    picture_data.format = hires_format;
    export_as(prg, "demo");
    EXPECT_EQ(status_text(), earlier_status);
    EXPECT_TRUE(take_messages().empty());
    EXPECT_TRUE(files_in(out).empty());
    EXPECT_FALSE(fs::exists(log));
}

// The chooser cannot replace a folder with a file; the extension leads to a folder of that name.
TEST_F(Exports, WriteErrorIsReportedAndNothingCrunched) {
    load();
    set_path(&options_picture_dir_string, out);
    for (const auto &[kind, name] : {std::pair{png, "taken.png"}, std::pair{prg, "taken.prg"},
                                     std::pair{project_as, "taken.ini"}}) {
        gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - before.ini");
        // Made only as the dialog is confirmed, or its name entry could complete "taken" to it.
        export_as(kind, "taken", "", [&, name = name] { fs::create_directory(out / name); });
        EXPECT_NE(taken_error().find(name), std::string::npos);
        EXPECT_EQ(files_in(out), std::set<std::string>{name});
        EXPECT_TRUE(fs::is_directory(out / name));
        EXPECT_EQ(window_title(), "C64 Sidewell - before.ini");
        fs::remove(out / name);
    }
    EXPECT_FALSE(fs::exists(log));
    // Save as takes the name even when the write failed.
    EXPECT_STREQ(utf8_path_and_filename_project, (out / "taken.ini").c_str());
}

// The rules for suggested names and extensions are the project module's; here they go through
// the menus, dialogs and cruncher.
struct NameCase {
    const char *name;
    Saving kind;
    const char *project; // null: no project file, the picture castle.koa names the file
    const char *typed;   // empty: the suggestion, which is the name written, is accepted
    const char *written;
};

class SaveName : public Exports, public ::testing::WithParamInterface<NameCase> {};

// With the cruncher stand-in, whose program starts with a BASIC line at $0801 and carries the
// exported program behind it.
TEST_P(SaveName, IsSuggestedThenCompletedWithTheExtension) {
    const NameCase &c = GetParam();
    load();
    if (c.project != nullptr) {
        set_path(&utf8_path_and_filename_project, c.project);
    }
    g_setenv("PATH", (std::string(SIDEWELL_TOOLS_DIR) + ":" + old_path).c_str(), TRUE);
    export_as(c.kind, c.typed, *c.typed ? c.typed : c.written);
    wait_for_cruncher(false);
    EXPECT_EQ(files_in(out), std::set<std::string>{c.written});
    EXPECT_EQ(status_text(), c.kind.done);
    EXPECT_TRUE(take_messages().empty());
    if (c.kind.menu_item == project_as.menu_item) {
        EXPECT_EQ(window_title(), std::string("C64 Sidewell - ") + c.written);
        EXPECT_STREQ(utf8_path_and_filename_project, (out / c.written).c_str());
    }
    if (c.kind.menu_item == prg.menu_item) {
        const std::string file = read_text(out / c.written);
        const Bytes crunched(file.begin(), file.end());
        const Bytes program = expected_program();
        ASSERT_GT(crunched.size(), program.size());
        EXPECT_EQ(crunched[0], 0x01);
        EXPECT_EQ(crunched[1], 0x08);
        EXPECT_TRUE(std::equal(program.begin() + 2, program.end(),
                               crunched.end() - static_cast<long>(program.size() - 2)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    SuggestedAndTyped, SaveName,
    ::testing::Values(
        NameCase{"png_from_picture", png, nullptr, "", "castle.png"},
        NameCase{"png_from_project", png, "/work/scene.ini", "", "scene.png"},
        NameCase{"prg_from_project", prg, "/work/scene.ini", "", "scene.prg"},
        // Names may come from Windows: only a dot after the last backslash starts an extension.
        NameCase{"png_from_windows_project", png, "/work/old.v2\\scene.ini", "",
                 "old.v2\\scene.png"},
        NameCase{"prg_from_windows_folder", prg, "/work/scene.v2\\notes", "",
                 "scene.v2\\notes.prg"},
        NameCase{"ini_from_project", project_as, "/work/scene.INI", "", "scene.INI"},
        NameCase{"png_extended", png, nullptr, "shot", "shot.png"},
        NameCase{"png_mixed_extended", png, nullptr, "shot.Png", "shot.Png.png"},
        NameCase{"prg_upper_kept", prg, nullptr, "GAME.PRG", "GAME.PRG"},
        NameCase{"prg_mixed_extended", prg, nullptr, "game.Prg", "game.Prg.prg"},
        // Names a shell would take apart, expand or run, and names beyond ASCII, through the
        // cruncher's command line.
        NameCase{"double_quotes", prg, nullptr, "say \"hi\".prg", "say \"hi\".prg"},
        NameCase{"escaped_dollar", prg, nullptr, "cost \\$5", "cost \\$5.prg"},
        NameCase{"command_substitution", prg, nullptr, "`id` and $(id)", "`id` and $(id).prg"},
        NameCase{"non_ascii", prg, nullptr, "gr\u00fc\u00dfe \u65e5\u672c.prg",
                 "gr\u00fc\u00dfe \u65e5\u672c.prg"}),
    case_name);

struct PngCase {
    const char *name;
    Picture picture;
    const char *method_item;
    int method;
    const char *zoom_item;
    const char *palette_item;
};

class PngExport : public Exports, public ::testing::WithParamInterface<PngCase> {};

TEST_P(PngExport, HoldsTheComposedScreenPixelForPixel) {
    const PngCase &c = GetParam();
    load(c.picture);
    border_color_index = 7; // a corner colour the file must not show
    for (const char *item : {c.palette_item, c.zoom_item, c.method_item}) {
        choose(item);
    }
    ASSERT_EQ(options_selection_method, c.method);
    export_as(png, "shot");
    EXPECT_EQ(status_text(), png.done);

    GError *error = nullptr;
    const PixbufPtr image{gdk_pixbuf_new_from_file((out / "shot.png").c_str(), &error)};
    ASSERT_TRUE(image) << GErrorPtr(error)->message;
    ASSERT_TRUE(gdk_pixbuf_get_has_alpha(image.get()));
    // The monitor's rows 13-284 of the display, every pixel opaque.
    PixbufPtr expected{gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 416, 272)};
    gdk_pixbuf_fill(expected.get(), 0xFF);
    const PixbufPtr picture = decoded_picture((dir / "castle.koa").string());
    for (int y = 0; y < 272; ++y)
        for (int x = 0; x < 416; ++x)
            pixel_set_rgb(expected.get(), x, y,
                          screen_pixel_rgb(picture.get(), x, y + 13,
                                           picture_data.background_color % 16, c.method));
    EXPECT_EQ(pixels_first_difference(image.get(), expected.get()), "");
    const guchar *pixels = gdk_pixbuf_read_pixels(image.get());
    int translucent = 0;
    for (int y = 0; y < 272; ++y)
        for (int x = 0; x < 416; ++x)
            translucent += pixels[y * gdk_pixbuf_get_rowstride(image.get()) + x * 4 + 3] != 255;
    EXPECT_EQ(translucent, 0);
}

INSTANTIATE_TEST_SUITE_P(
    MethodsZoomsPalettes, PngExport,
    ::testing::Values(
        PngCase{"koala_frame_zoom1", Picture::koala, "menuitem_selection_method_frame", 0,
                "menuitem_zoom_1x", "menuitem_palette_peptos"},
        PngCase{"koala_alpha_zoom2", Picture::koala, "menuitem_selection_method_alpha_adjustment",
                1, "menuitem_zoom_2x", "menuitem_palette_peptos"},
        PngCase{"koala_both_zoom4_ccs64", Picture::koala, "menuitem_selection_method_both", 2,
                "menuitem_zoom_4x", "menuitem_palette_ccs64"},
        PngCase{"petscii_alpha_zoom3_high_contrast", Picture::petscii,
                "menuitem_selection_method_alpha_adjustment", 1, "menuitem_zoom_3x",
                "menuitem_palette_high_contrast"}),
    case_name);

struct CruncherCase {
    const char *name;
    Picture picture;
    const char *ending; // the logging cruncher's last command; null: no cruncher on PATH
    const char *transition_item;
    bool reencode;
    bool succeeds;
};

class CruncherOutcome : public Exports, public ::testing::WithParamInterface<CruncherCase> {};

// The message by how the cruncher ends, judged once the editor has dealt with it; the file is
// written by replacing the old one.
TEST_P(CruncherOutcome, DecidesTheMessage) {
    const CruncherCase &c = GetParam();
    load(c.picture);
    choose(c.transition_item);
    if ((options_reencode_graphics == TRUE) != c.reencode)
        choose("menuitem_reencode_graphics");
    if (c.ending != nullptr) {
        install_logging_cruncher(c.ending);
    } else {
        fs::create_directories(dir / "empty");
        g_setenv("PATH", (dir / "empty").c_str(), TRUE);
    }
    // An old file with a second name: writing into it, not replacing it, would change both.
    const fs::path path = write_file(out / "demo.prg", std::string("old"));
    fs::create_hard_link(path, dir / "second-name.prg");
    // Typed without the extension, so that the dialog has no file to ask about replacing.
    export_as(prg, "demo");
    wait_for_cruncher(c.ending != nullptr);

    // The logging cruncher leaves the program file as the exporter wrote it.
    const std::string program = read_text(path);
    EXPECT_EQ(Bytes(program.begin(), program.end()), expected_program());
    EXPECT_EQ(read_text(dir / "second-name.prg"), "old");
    EXPECT_EQ(files_in(out), std::set<std::string>{"demo.prg"});
    if (c.ending == nullptr) {
        EXPECT_NE(taken_error().find("exomizer"), std::string::npos);
        EXPECT_EQ(status_text().find(prg.done), std::string::npos);
        return;
    }
    const int start = c.picture == Picture::koala ? executable_start_address_mc
                                                  : executable_start_address_petscii;
    EXPECT_EQ(read_text(log), "sfx\n" + std::to_string(start) + "\n" + path.string() + "\n-o\n" +
                                  path.string() + "\n-n\n");
    EXPECT_EQ(status_text(), c.succeeds ? prg.done : earlier_status);
    EXPECT_TRUE(take_messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, CruncherOutcome,
    ::testing::Values(CruncherCase{"mc_success", Picture::koala, "exit 0",
                                   "menuitem_transition_none", false, true},
                      CruncherCase{"mc_flicker_reencoded_success", Picture::koala, "exit 0",
                                   "menuitem_transition_flicker", true, true},
                      CruncherCase{"petscii_success", Picture::petscii, "exit 0",
                                   "menuitem_transition_flicker", false, true},
                      CruncherCase{"failure_status", Picture::koala, "exit 1",
                                   "menuitem_transition_none", false, false},
                      CruncherCase{"killed", Picture::petscii, "kill -KILL $$",
                                   "menuitem_transition_none", false, false},
                      CruncherCase{"missing_cruncher", Picture::koala, nullptr,
                                   "menuitem_transition_none", false, false}),
    case_name);

} // namespace
