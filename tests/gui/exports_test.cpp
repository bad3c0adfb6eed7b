// The File menu's commands that write a file named in a save dialog: refusals, names, write
// errors, the PNG against a composition computed here, and the cruncher's outcomes.

#include "project_test_support.hpp"

#include "core/executable.hpp"
#include "core/palette.hpp"

#include <array>
#include <atomic>
#include <thread>
#include <tuple>

namespace {

using namespace project_test;
using project_test::PrintTo;

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

using Rgb = std::array<std::uint8_t, 3>;

Rgb rgb_of(int colour) {
    Rgb rgb{};
    palette_get_rgb_at_index(colour, rgb.data());
    return rgb;
}

Rgb pixel_of(const GdkPixbuf *image, int x, int y) {
    const guchar *p = gdk_pixbuf_read_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                      x * gdk_pixbuf_get_n_channels(image);
    return {p[0], p[1], p[2]};
}

// What the file holds at (x, file_y), worked out from the picture image and the sprite store:
// the monitor's rows 13-284 of the display, sprites only in the rows the viewer opens the side
// borders on, unselected ones blended at 192/255 when the method marks selection by alpha.
Rgb expected_pixel(int x, int file_y, int background, int method) {
    constexpr int top = 13, picture_x = 48, picture_y = 48, right_x = 368, slot_top = 40;
    const int y = file_y + top;
    const Rgb back = rgb_of(background);
    if (x >= picture_x && x < right_x) {
        const bool in_picture = y >= picture_y && y < picture_y + 200;
        return in_picture ? pixel_of(pixbuf_picture, x - picture_x, y - picture_y) : back;
    }
    const bool left = x < picture_x;
    const int band_top = left ? 48 : 47, band_height = 201;
    if (y < band_top || y >= band_top + band_height) {
        return back;
    }
    const int border_x = left ? x : x - right_x, row = (y - slot_top) % 21;
    const SpriteRecord *sprite = sprites_get_record_at_index(
        static_cast<unsigned>(4 * ((y - slot_top) / 21) + (left ? 0 : 2) + border_x / 24));
    if (sprite == nullptr) {
        return back;
    }
    // The sprite's colour index at its pixel, -1 where it lets the background through.
    const std::uint8_t byte = sprite->data[row * 3 + border_x % 24 / 8];
    const int bit = 7 - border_x % 8;
    const int pair = (byte >> (bit & ~1)) & 3;
    const int colours[] = {-1, sprites_get_multicolor0(), sprite->color, sprites_get_multicolor1()};
    const int colour =
        sprite->multicolor == 1 ? colours[pair] : ((byte >> bit) & 1 ? sprite->color : -1);
    if (colour < 0) {
        return back;
    }
    const int alpha = (method != 0 && sprite->selected != 1) ? 192 : 255;
    const Rgb front = rgb_of(colour);
    Rgb blended{};
    for (std::size_t c = 0; c < 3; ++c) {
        blended[c] = static_cast<std::uint8_t>((alpha * front[c] + (255 - alpha) * back[c]) / 255);
    }
    return blended;
}

class Exports : public ProjectTest {
  protected:
    void SetUp() override {
        ProjectTest::SetUp();
        out = dir / "out";
        fs::create_directories(out);
        set_path(&options_export_png_dir_string, out);
        set_path(&options_export_dir_string, out);
        old_path = g_getenv("PATH") ? g_getenv("PATH") : "";
        controls_update_main_statusbar(earlier_status);
        log = dir / "cruncher.log";
        go = dir / "go";
        install_logging_cruncher("exit 0");
    }
    void TearDown() override {
        g_setenv("PATH", old_path.c_str(), TRUE);
        ProjectTest::TearDown();
    }

    // A picture of the given kind and 38 sprites, so that the last two slots stay empty; every
    // third sprite multicolour, every fifth selected, every third bitmap byte clear so that the
    // background shows between pixels.
    void load(Picture kind = Picture::koala, bool picture = true, bool sprites = true) {
        if (picture) {
            const fs::path file =
                write_file(dir / "castle.koa",
                           kind == Picture::koala ? koala_file(0xF6) : petscii_file(2, 11));
            ASSERT_TRUE(open_picture(file.c_str(), TRUE));
            picture_loaded = 1;
            set_background_color_for_sprites();
        }
        constexpr unsigned count = 38;
        ASSERT_TRUE(!sprites || sprites_set_array_size(count));
        for (unsigned i = 0; sprites && i < count; ++i) {
            sprites_init_at_index(i);
            std::array<std::uint8_t, sprite_data_size> data{};
            for (unsigned k = 0; k < sprite_data_size; ++k) {
                data[k] = k % 3 == 1 ? 0 : static_cast<std::uint8_t>(i * 11 + k * 29 + 1);
            }
            sprites_set_data_at_index(i, data.data());
            sprites_set_color_at_index(i, static_cast<std::uint8_t>((i * 7 + 1) % 16));
            sprites_set_multicolor_at_index(i, i % 3 == 0 ? 1 : 0);
            sprites_set_selected_at_index(i, i % 5 == 0 ? 1 : 0);
        }
        sprites_set_multicolor0(10);
        sprites_set_multicolor1(13);
        sprites_loaded = sprites ? 1 : 0;
        repaint_sprite_views();
    }

    // Runs the export from the menu, typing name into the save dialog (or taking the suggestion
    // when name is empty) and confirming once the dialog shows shown in the export folder.
    void export_as(const Saving &kind, const std::string &name, const std::string &shown = "") {
        DialogAnswer answer(kind.title, GTK_RESPONSE_OK);
        type_name(answer, out, name, shown);
        activate(kind.menu_item);
        EXPECT_EQ(answer.times_answered(), 1);
    }

    // A cruncher that logs its arguments, one a line, waits up to ten seconds for the file go and
    // ends as the shell command says.
    void install_logging_cruncher(const std::string &ending) {
        write_file(dir / "bin" / "exomizer",
                   "#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s\\n' \"$@\" > '" + log.string() +
                       "'\nfor i in $(seq 200); do [ -e '" + go.string() +
                       "' ] && break; sleep 0.05; done\n" + ending + "\n");
        fs::permissions(dir / "bin" / "exomizer", fs::perms::owner_all);
        g_setenv("PATH", (dir / "bin").c_str(), TRUE);
    }

    static Bytes expected_program() {
        return executable_build(picture_data, options_transition, options_reencode_graphics == 1)
            .bytes;
    }

    fs::path out;
    std::string old_path;
    fs::path log; // written by the logging cruncher when it runs
    fs::path go;
};

struct Loaded {
    const char *name;
    bool picture;
    bool sprites;
};

class Refusal : public Exports, public ::testing::WithParamInterface<std::tuple<Saving, Loaded>> {};

// The project's own Save would write without asking, had it not refused.
TEST_P(Refusal, TellsWhatIsMissingWithoutAskingForAName) {
    const auto &[command, loaded] = GetParam();
    load(Picture::koala, loaded.picture, loaded.sprites);
    set_path(&utf8_path_and_filename_project, out / "scene.ini");
    DialogAnswer answer(command.title, GTK_RESPONSE_CANCEL);
    activate(command.menu_item);
    process_events(100);
    EXPECT_EQ(answer.times_answered(), 0);
    EXPECT_EQ(status_text(), " Info: First load a picture and sprites or open a project");
    EXPECT_TRUE(take_messages().empty());
    EXPECT_TRUE(files_in(out).empty());
    EXPECT_FALSE(fs::exists(log));
}

INSTANTIATE_TEST_SUITE_P(NothingOrHalf, Refusal,
                         ::testing::Combine(::testing::Values(png, prg, project_save, project_as),
                                            ::testing::Values(Loaded{"nothing", false, false},
                                                              Loaded{"picture_only", true, false},
                                                              Loaded{"sprites_only", false, true})),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).menu_item).substr(9) + "_" +
                                    std::get<1>(info.param).name;
                         });

// Neither a cancelled dialog nor a picture format without a viewer gives a file.
TEST_F(Exports, CancelledDialogOrPictureWithoutViewerWritesNothing) {
    load();
    for (const Saving &kind : {png, prg, project_as}) {
        DialogAnswer answer(kind.title, GTK_RESPONSE_CANCEL);
        activate(kind.menu_item);
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
    // Each dialog starts where the name is typed, or its name entry would complete "taken" to
    // the folder when it gets there.
    set_path(&options_picture_dir_string, out);
    for (const auto &[kind, name] : {std::pair{png, "taken.png"}, std::pair{prg, "taken.prg"},
                                     std::pair{project_as, "taken.ini"}}) {
        gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - before.ini");
        fs::create_directory(out / name);
        export_as(kind, "taken");
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
    EXPECT_EQ(files_in(out), std::set<std::string>{c.written});
    EXPECT_EQ(status_text(), c.kind.done);
    EXPECT_TRUE(take_messages().empty());
    if (c.kind.menu_item == project_as.menu_item) {
        EXPECT_EQ(window_title(), std::string("C64 Sidewell - ") + c.written);
        EXPECT_STREQ(utf8_path_and_filename_project, (out / c.written).c_str());
    }
    if (c.kind.menu_item == prg.menu_item) {
        const Bytes crunched = read_bytes(out / c.written);
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
        NameCase{"prg_from_picture", prg, nullptr, "", "castle.prg"},
        NameCase{"prg_from_project", prg, "/work/scene.ini", "", "scene.prg"},
        NameCase{"ini_from_picture", project_as, nullptr, "", "castle.ini"},
        NameCase{"ini_from_project", project_as, "/work/scene.INI", "", "scene.INI"},
        NameCase{"png_extended", png, nullptr, "shot", "shot.png"},
        NameCase{"png_lower_kept", png, nullptr, "shot.png", "shot.png"},
        NameCase{"png_upper_kept", png, nullptr, "shot.PNG", "shot.PNG"},
        NameCase{"png_mixed_extended", png, nullptr, "shot.Png", "shot.Png.png"},
        NameCase{"prg_other_extended", prg, nullptr, "out.bin", "out.bin.prg"},
        NameCase{"prg_upper_kept", prg, nullptr, "GAME.PRG", "GAME.PRG"},
        NameCase{"prg_mixed_extended", prg, nullptr, "game.Prg", "game.Prg.prg"},
        NameCase{"ini_added", project_as, nullptr, "scene", "scene.ini"},
        NameCase{"ini_mixed_extended", project_as, nullptr, "scene.Ini", "scene.Ini.ini"},
        // Names a shell would take apart, expand or run, and names beyond ASCII, through the
        // cruncher's command line.
        NameCase{"spaces", prg, nullptr, "two words", "two words.prg"},
        NameCase{"apostrophe", prg, nullptr, "it's", "it's.prg"},
        NameCase{"double_quotes", prg, nullptr, "say \"hi\".prg", "say \"hi\".prg"},
        NameCase{"dollar", prg, nullptr, "$HOME", "$HOME.prg"},
        NameCase{"escaped_dollar", prg, nullptr, "cost \\$5", "cost \\$5.prg"},
        NameCase{"semicolon", prg, nullptr, "a;touch b", "a;touch b.prg"},
        NameCase{"command_substitution", prg, nullptr, "`id` and $(id)", "`id` and $(id).prg"},
        NameCase{"backslash", prg, nullptr, "back\\slash", "back\\slash.prg"},
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
        activate(item);
    }
    ASSERT_EQ(options_selection_method, c.method);
    export_as(png, "shot");
    EXPECT_EQ(status_text(), png.done);

    GError *error = nullptr;
    const PixbufPtr image{gdk_pixbuf_new_from_file((out / "shot.png").c_str(), &error)};
    ASSERT_TRUE(image) << GErrorPtr(error)->message;
    ASSERT_EQ(gdk_pixbuf_get_width(image.get()), 416);
    ASSERT_EQ(gdk_pixbuf_get_height(image.get()), 272);
    ASSERT_TRUE(gdk_pixbuf_get_has_alpha(image.get()));
    const int background = picture_data.background_color % 16;
    const guchar *pixels = gdk_pixbuf_read_pixels(image.get());
    const int stride = gdk_pixbuf_get_rowstride(image.get());
    int wrong = 0, translucent = 0, unlike_display = 0;
    std::string first;
    for (int y = 0; y < 272; ++y) {
        for (int x = 0; x < 416; ++x) {
            const Rgb pixel = pixel_of(image.get(), x, y);
            translucent += pixels[y * stride + x * 4 + 3] != 255 ? 1 : 0;
            if (pixel != expected_pixel(x, y, background, c.method) && wrong++ == 0) {
                first = "first wrong pixel at " + std::to_string(x) + ", " + std::to_string(y);
            }
            // The side borders are those the editor shows, cut to the same rows.
            GdkPixbuf *border = x < 48 ? pixbuf_left_border : pixbuf_right_border;
            if ((x < 48 || x >= 368) && pixel != pixel_of(border, x % 368, y + 13)) {
                ++unlike_display;
            }
        }
    }
    EXPECT_EQ(wrong, 0) << first;
    EXPECT_EQ(translucent, 0);
    EXPECT_EQ(unlike_display, 0);
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

// The watch cursor while the cruncher runs, the message by how it ends; the file is written by
// replacing the old one.
TEST_P(CruncherOutcome, DecidesTheMessage) {
    const CruncherCase &c = GetParam();
    load(c.picture);
    activate(c.transition_item);
    if ((options_reencode_graphics == TRUE) != c.reencode) {
        activate("menuitem_reencode_graphics");
    }
    if (c.ending != nullptr) {
        install_logging_cruncher(c.ending);
    } else {
        fs::create_directories(dir / "empty");
        g_setenv("PATH", (dir / "empty").c_str(), TRUE);
    }
    // An old file with a second name: writing into it, not replacing it, would change both.
    const fs::path path = write_file(out / "demo.prg", std::string("old"));
    fs::create_hard_link(path, dir / "second-name.prg");
    // The main loop is blocked while the cruncher runs, so only another thread can look; it
    // reads the window's cursor and then lets the cruncher end.
    GdkWindow *window = gtk_widget_get_window(window_main);
    int shown = -1;
    std::atomic<bool> done = false;
    std::thread watcher([&] {
        while (!done && !fs::exists(log)) {
            g_usleep(20000);
        }
        GdkCursor *cursor = gdk_window_get_cursor(window);
        shown = cursor != nullptr ? gdk_cursor_get_cursor_type(cursor) : -1;
        std::ofstream{go};
    });
    // Typed without the extension, so that the dialog has no file to ask about replacing.
    export_as(prg, "demo");
    done = true;
    watcher.join();
    EXPECT_EQ(shown, c.ending != nullptr ? GDK_WATCH : -1);
    EXPECT_EQ(gdk_window_get_cursor(window), nullptr);

    // The logging cruncher leaves the program file as the exporter wrote it.
    EXPECT_EQ(read_bytes(path), expected_program());
    EXPECT_EQ(read_text(dir / "second-name.prg"), "old");
    EXPECT_EQ(files_in(out), std::set<std::string>{"demo.prg"});
    if (c.ending == nullptr) {
        EXPECT_NE(taken_error().find("exomizer"), std::string::npos);
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
