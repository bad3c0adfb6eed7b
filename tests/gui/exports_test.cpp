// The two export commands through the File menu with the save dialog answered: refusals, the
// suggested and completed names, the PNG file against a composition computed here, and the
// program file with the cruncher stand-in, a logging cruncher and no cruncher at all.

#include "core/executable.hpp"
#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/palette.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"
#include "gui_test_support.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char *nothing_loaded = " Info: First load a picture and sprites or open a project";
constexpr const char *png_exported = " Info: Project exported to PNG";
constexpr const char *prg_exported = " Info: Successfully exported to executable PRG";
constexpr const char *earlier_status = " Info: earlier message";
constexpr const char *error_prefix = " Error: ";

enum class Export { png, prg };
enum class Picture { koala, petscii };

const char *menu_item(Export kind) {
    return kind == Export::png ? "menuitem_export_to_png" : "menuitem_export";
}
const char *chooser_title(Export kind) {
    return kind == Export::png ? "Save screenshot file" : "Save executable file";
}

using Bytes = std::vector<std::uint8_t>;
using Rgb = std::array<std::uint8_t, 3>;

// Koala Painter at $6000: bitmap, screen RAM, colour RAM with junk high nibbles, background.
Bytes koala_file() {
    Bytes file(10003);
    file[1] = 0x60;
    for (std::size_t i = 0; i < 8000; ++i) {
        file[2 + i] = static_cast<std::uint8_t>(i * 37 + i / 320);
    }
    for (std::size_t i = 0; i < 1000; ++i) {
        file[8002 + i] = static_cast<std::uint8_t>(i * 13 + 5);
        file[9002 + i] = static_cast<std::uint8_t>(0xF0 | (i % 16));
    }
    file[10002] = 0xF6;
    return file;
}

// PETSCII Vellum: 40 and 25, border, background, character set, screen codes, colours.
Bytes petscii_file() {
    Bytes file(2005);
    file[0] = 40;
    file[1] = 25;
    file[2] = 2;
    file[3] = 11;
    file[4] = 1;
    for (std::size_t i = 0; i < 1000; ++i) {
        file[5 + i] = static_cast<std::uint8_t>(i % 256);
        file[1005 + i] = static_cast<std::uint8_t>(i * 3 % 16);
    }
    return file;
}

Bytes read_file(const fs::path &path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

void write_file(const fs::path &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::set<std::string> files_in(const fs::path &folder) {
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::vector<std::string> lines_of(const fs::path &path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string status_text() {
    GtkWidget *bar = lookup_widget(window_main, "statusbar_main");
    const auto texts = label_texts(gtk_statusbar_get_message_area(GTK_STATUSBAR(bar)));
    return texts.empty() ? "" : texts.front();
}

// The texts of the message dialogs on screen, which are closed.
std::vector<std::string> take_message_dialogs() {
    process_events();
    std::vector<std::string> texts;
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *element = toplevels; element != nullptr; element = element->next) {
        GtkWidget *window = GTK_WIDGET(element->data);
        if (GTK_IS_MESSAGE_DIALOG(window) && gtk_widget_get_visible(window)) {
            gchar *text = nullptr;
            g_object_get(window, "text", &text, nullptr);
            texts.emplace_back(GCharPtr(text).get());
            gtk_widget_destroy(window);
        }
    }
    g_list_free(toplevels);
    return texts;
}

std::string chooser_filename(GtkWidget *dialog) {
    const GCharPtr filename{gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))};
    return filename ? filename.get() : "";
}

// Colour index of a sprite's pixel, -1 where it lets the background through.
int sprite_pixel(const SpriteRecord &sprite, int x, int y) {
    const std::uint8_t byte = sprite.data[y * 3 + x / 8];
    if (sprite.multicolor == 1) {
        const int pair = (byte >> (6 - (x % 8) / 2 * 2)) & 3;
        const int colours[] = {-1, sprites_get_multicolor0(), sprite.color,
                               sprites_get_multicolor1()};
        return colours[pair];
    }
    return ((byte >> (7 - x % 8)) & 1) ? sprite.color : -1;
}

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
    constexpr int top = 13, picture_x = 48, picture_y = 48, right_x = 368;
    constexpr int slot_top = 40, band_height = 201;
    const int y = file_y + top;
    const Rgb back = rgb_of(background);
    if (x >= picture_x && x < right_x) {
        const bool in_picture = y >= picture_y && y < picture_y + 200;
        return in_picture ? pixel_of(pixbuf_picture, x - picture_x, y - picture_y) : back;
    }
    const bool left = x < picture_x;
    const int band_top = left ? 48 : 47;
    if (y < band_top || y >= band_top + band_height) {
        return back;
    }
    const int border_x = left ? x : x - right_x;
    const unsigned index =
        static_cast<unsigned>(4 * ((y - slot_top) / 21) + (left ? 0 : 2) + border_x / 24);
    const SpriteRecord *sprite = sprites_get_record_at_index(index);
    const int colour = sprite ? sprite_pixel(*sprite, border_x % 24, (y - slot_top) % 21) : -1;
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

class Exports : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        const GCharPtr made{g_dir_make_tmp("sidewell-exports-XXXXXX", nullptr)};
        ASSERT_TRUE(made);
        root = made.get();
        dir = root / "out";
        fs::create_directories(dir);
        options_export_png_dir_string = g_strdup(dir.c_str());
        options_export_dir_string = g_strdup(dir.c_str());
        old_path = g_getenv("PATH") ? g_getenv("PATH") : "";
        controls_update_main_statusbar(earlier_status);
    }
    void TearDown() override {
        g_setenv("PATH", old_path.c_str(), TRUE);
        picture_loaded = 0;
        sprites_loaded = 0;
        g_free(utf8_path_and_filename_project);
        utf8_path_and_filename_project = nullptr;
        g_free(utf8_path_and_filename_picture);
        utf8_path_and_filename_picture = nullptr;
        picture_data.format = picture_format_none;
        fs::remove_all(root);
        EditorTest::TearDown();
    }

    void load_picture(Picture kind, const std::string &name = "castle.koa") {
        const fs::path file = root / name;
        write_file(file, kind == Picture::koala ? koala_file() : petscii_file());
        ASSERT_TRUE(open_picture(file.c_str(), TRUE));
        picture_loaded = 1;
        set_background_color_for_sprites();
        repaint_sprite_views();
    }

    // 38 sprites, so that the last two slots stay empty; every third multicolour, every fifth
    // selected, every third bitmap byte clear so the background shows between pixels.
    static void load_sprites() {
        constexpr unsigned count = 38;
        ASSERT_TRUE(sprites_set_array_size(count));
        for (unsigned i = 0; i < count; ++i) {
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
        sprites_loaded = 1;
        repaint_sprite_views();
    }

    // Runs the export from the menu, typing name into the save dialog (or taking the suggestion
    // when name is empty) and confirming once the dialog shows that file in the folder.
    void export_as(Export kind, const std::string &name, const std::string &shown) {
        DialogAnswer answer(chooser_title(kind), GTK_RESPONSE_OK);
        answer.inspect = [name](GtkWidget *dialog) {
            if (!name.empty()) {
                gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), name.c_str());
            }
        };
        const std::string expected = (dir / shown).string();
        answer.ready = [expected](GtkWidget *dialog) {
            return chooser_filename(dialog) == expected;
        };
        gtk_menu_item_activate(GTK_MENU_ITEM(widget(menu_item(kind))));
        EXPECT_EQ(answer.times_answered(), 1);
        process_events();
    }

    // A cruncher that logs its arguments, one a line, and ends as the shell command says.
    fs::path install_logging_cruncher(const std::string &ending) {
        const fs::path bin = root / "bin";
        fs::create_directories(bin);
        const fs::path log = root / "cruncher.log";
        std::ofstream(bin / "exomizer")
            << "#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s\\n' \"$@\" > '" << log.string() << "'\n"
            << ending << "\n";
        fs::permissions(bin / "exomizer", fs::perms::owner_all);
        g_setenv("PATH", bin.c_str(), TRUE);
        return log;
    }

    void install_stand_in_cruncher() {
        g_setenv("PATH", (std::string(SIDEWELL_TOOLS_DIR) + ":" + old_path).c_str(), TRUE);
    }

    void install_no_cruncher() {
        fs::create_directories(root / "empty");
        g_setenv("PATH", (root / "empty").c_str(), TRUE);
    }

    static Bytes expected_program() {
        return executable_build(picture_data, options_transition, options_reencode_graphics == 1)
            .bytes;
    }

    static void choose(const char *menu_item_name) {
        gtk_menu_item_activate(GTK_MENU_ITEM(lookup_widget(window_main, menu_item_name)));
        process_events();
    }

    fs::path root;
    fs::path dir;
    std::string old_path;
};

// ------------------------------------------------------------------ refusals

struct RefusalCase {
    const char *name;
    Export kind;
    bool picture;
    bool sprites;
};

void PrintTo(const RefusalCase &c, std::ostream *os) {
    *os << c.name;
}

class ExportRefusal : public Exports, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ExportRefusal, TellsWhatIsMissingWithoutAskingForAName) {
    const RefusalCase &c = GetParam();
    if (c.picture) {
        load_picture(Picture::koala);
    }
    if (c.sprites) {
        load_sprites();
    }
    const fs::path log = install_logging_cruncher("exit 0");
    DialogAnswer answer(chooser_title(c.kind), GTK_RESPONSE_CANCEL);
    gtk_menu_item_activate(GTK_MENU_ITEM(widget(menu_item(c.kind))));
    process_events(100);
    EXPECT_EQ(answer.times_answered(), 0);
    EXPECT_EQ(status_text(), nothing_loaded);
    EXPECT_TRUE(take_message_dialogs().empty());
    EXPECT_TRUE(files_in(dir).empty());
    EXPECT_FALSE(fs::exists(log));
}

INSTANTIATE_TEST_SUITE_P(
    NothingOrHalf, ExportRefusal,
    ::testing::Values(RefusalCase{"png_nothing", Export::png, false, false},
                      RefusalCase{"png_picture_only", Export::png, true, false},
                      RefusalCase{"png_sprites_only", Export::png, false, true},
                      RefusalCase{"prg_nothing", Export::prg, false, false},
                      RefusalCase{"prg_picture_only", Export::prg, true, false},
                      RefusalCase{"prg_sprites_only", Export::prg, false, true}),
    [](const ::testing::TestParamInfo<RefusalCase> &info) { return info.param.name; });

TEST_F(Exports, CancelledDialogWritesNothing) {
    load_picture(Picture::koala);
    load_sprites();
    const fs::path log = install_logging_cruncher("exit 0");
    for (const Export kind : {Export::png, Export::prg}) {
        DialogAnswer answer(chooser_title(kind), GTK_RESPONSE_CANCEL);
        gtk_menu_item_activate(GTK_MENU_ITEM(widget(menu_item(kind))));
        EXPECT_EQ(answer.times_answered(), 1);
    }
    EXPECT_EQ(status_text(), earlier_status);
    EXPECT_TRUE(files_in(dir).empty());
    EXPECT_FALSE(fs::exists(log));
}

// ------------------------------------------------------------------ names

struct NameCase {
    const char *name;
    Export kind;
    const char *project; // null: no project file
    const char *picture;
    const char *typed; // empty: the suggestion is accepted
    const char *suggested;
    const char *written;
};

void PrintTo(const NameCase &c, std::ostream *os) {
    *os << c.name;
}

class ExportName : public Exports, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ExportName, IsSuggestedThenCompletedWithTheExtension) {
    const NameCase &c = GetParam();
    load_picture(Picture::koala, c.picture);
    load_sprites();
    if (c.project != nullptr) {
        utf8_path_and_filename_project = g_strdup(c.project);
    }
    install_logging_cruncher("exit 0");
    const std::string typed = c.typed;
    export_as(c.kind, typed, typed.empty() ? c.suggested : typed);
    EXPECT_EQ(files_in(dir), std::set<std::string>{c.written});
    EXPECT_EQ(status_text(), c.kind == Export::png ? png_exported : prg_exported);
}

INSTANTIATE_TEST_SUITE_P(
    SuggestedAndTyped, ExportName,
    ::testing::Values(
        NameCase{"png_from_picture", Export::png, nullptr, "castle.koa", "", "castle.png",
                 "castle.png"},
        NameCase{"png_from_project", Export::png, "/work/scene.ini", "castle.koa", "", "scene.png",
                 "scene.png"},
        NameCase{"prg_from_picture", Export::prg, nullptr, "scene.koa", "", "scene.prg",
                 "scene.prg"},
        NameCase{"prg_from_project", Export::prg, "/work/scene.ini", "castle.koa", "", "scene.prg",
                 "scene.prg"},
        NameCase{"name_without_dot_used_whole", Export::png, nullptr, "castle", "", "castle.png",
                 "castle.png"},
        NameCase{"cut_at_the_last_dot", Export::prg, nullptr, "my.best.koa", "", "my.best.prg",
                 "my.best.prg"},
        NameCase{"dot_before_a_backslash_kept", Export::png, "/work/old.v1\\scene", "castle.koa",
                 "", "old.v1\\scene.png", "old.v1\\scene.png"},
        NameCase{"dot_after_a_backslash_cut", Export::prg, "/work/old\\scene.ini", "castle.koa", "",
                 "old\\scene.prg", "old\\scene.prg"},
        NameCase{"png_extended", Export::png, nullptr, "castle.koa", "shot", "", "shot.png"},
        NameCase{"png_lower_kept", Export::png, nullptr, "castle.koa", "shot.png", "", "shot.png"},
        NameCase{"png_upper_kept", Export::png, nullptr, "castle.koa", "shot.PNG", "", "shot.PNG"},
        NameCase{"png_mixed_extended", Export::png, nullptr, "castle.koa", "shot.Png", "",
                 "shot.Png.png"},
        NameCase{"prg_other_extended", Export::prg, nullptr, "castle.koa", "out.bin", "",
                 "out.bin.prg"},
        NameCase{"prg_upper_kept", Export::prg, nullptr, "castle.koa", "GAME.PRG", "", "GAME.PRG"},
        NameCase{"prg_mixed_extended", Export::prg, nullptr, "castle.koa", "game.Prg", "",
                 "game.Prg.prg"}),
    [](const ::testing::TestParamInfo<NameCase> &info) { return info.param.name; });

// ------------------------------------------------------------------ the PNG file

struct PngCase {
    const char *name;
    Picture picture;
    const char *method_item;
    int method;
    const char *zoom_item;
    const char *palette_item;
};

void PrintTo(const PngCase &c, std::ostream *os) {
    *os << c.name;
}

class PngExport : public Exports, public ::testing::WithParamInterface<PngCase> {};

TEST_P(PngExport, HoldsTheComposedScreenPixelForPixel) {
    const PngCase &c = GetParam();
    load_picture(c.picture);
    load_sprites();
    border_color_index = 7; // a corner colour the file must not show
    choose(c.palette_item);
    choose(c.zoom_item);
    choose(c.method_item);
    ASSERT_EQ(options_selection_method, c.method);
    export_as(Export::png, "shot", "shot");
    EXPECT_EQ(status_text(), png_exported);

    GError *error = nullptr;
    const PixbufPtr image{gdk_pixbuf_new_from_file((dir / "shot.png").c_str(), &error)};
    ASSERT_TRUE(image) << GErrorPtr(error)->message;
    ASSERT_EQ(gdk_pixbuf_get_width(image.get()), 416);
    ASSERT_EQ(gdk_pixbuf_get_height(image.get()), 272);
    ASSERT_TRUE(gdk_pixbuf_get_has_alpha(image.get()));
    const int background = picture_data.background_color % 16;
    int wrong = 0, translucent = 0;
    std::ostringstream first;
    for (int y = 0; y < 272; ++y) {
        for (int x = 0; x < 416; ++x) {
            const guchar *p = gdk_pixbuf_read_pixels(image.get()) +
                              y * gdk_pixbuf_get_rowstride(image.get()) + x * 4;
            translucent += p[3] != 255 ? 1 : 0;
            if (pixel_of(image.get(), x, y) != expected_pixel(x, y, background, c.method) &&
                wrong++ == 0) {
                first << "first wrong pixel at (" << x << ", " << y << ")";
            }
        }
    }
    EXPECT_EQ(wrong, 0) << first.str();
    EXPECT_EQ(translucent, 0);

    // The side borders are those the editor shows, cut to the same rows.
    int unlike_display = 0;
    for (int y = 0; y < 272; ++y) {
        for (int x = 0; x < 48; ++x) {
            unlike_display +=
                pixel_of(image.get(), x, y) != pixel_of(pixbuf_left_border, x, y + 13);
            unlike_display +=
                pixel_of(image.get(), 368 + x, y) != pixel_of(pixbuf_right_border, x, y + 13);
        }
    }
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
    [](const ::testing::TestParamInfo<PngCase> &info) { return info.param.name; });

TEST_F(Exports, PngWriteErrorIsReportedTwice) {
    load_picture(Picture::koala);
    load_sprites();
    // The dialog would open a folder given by its own name; the extension leads there.
    fs::create_directory(dir / "shot.png");
    export_as(Export::png, "shot", "shot");
    const std::string status = status_text();
    ASSERT_EQ(status.rfind(error_prefix, 0), 0u) << status;
    EXPECT_EQ(take_message_dialogs(),
              std::vector<std::string>{status.substr(std::string(error_prefix).size())});
}

// ------------------------------------------------------------------ the program file

// Names a shell would take apart, expand or run, and names beyond ASCII.
struct AwkwardCase {
    const char *name;
    const char *file;
};

void PrintTo(const AwkwardCase &c, std::ostream *os) {
    *os << c.name;
}

class AwkwardName : public Exports, public ::testing::WithParamInterface<AwkwardCase> {};

TEST_P(AwkwardName, SurvivesTheCrunchersCommandLine) {
    load_picture(Picture::koala);
    load_sprites();
    install_stand_in_cruncher();
    const std::string name = GetParam().file;
    export_as(Export::prg, name, name);
    const std::string written = g_str_has_suffix(name.c_str(), ".prg") ? name : name + ".prg";
    EXPECT_EQ(status_text(), prg_exported);
    EXPECT_TRUE(take_message_dialogs().empty());
    EXPECT_EQ(files_in(dir), std::set<std::string>{written});
    // The stand-in's program starts with a BASIC line at $0801 and carries the program behind it.
    const Bytes crunched = read_file(dir / written);
    const Bytes program = expected_program();
    ASSERT_GT(crunched.size(), program.size());
    EXPECT_EQ(crunched[0], 0x01);
    EXPECT_EQ(crunched[1], 0x08);
    EXPECT_TRUE(std::equal(program.begin() + 2, program.end(),
                           crunched.end() - static_cast<long>(program.size() - 2)));
    EXPECT_EQ(gdk_window_get_cursor(gtk_widget_get_window(window_main)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Names, AwkwardName,
    ::testing::Values(AwkwardCase{"spaces", "two words"}, AwkwardCase{"apostrophe", "it's"},
                      AwkwardCase{"double_quotes", "say \"hi\".prg"},
                      AwkwardCase{"dollar", "$HOME"}, AwkwardCase{"escaped_dollar", "cost \\$5"},
                      AwkwardCase{"semicolon", "a;touch b"},
                      AwkwardCase{"command_substitution", "`id` and $(id)"},
                      AwkwardCase{"backslash", "back\\slash"},
                      AwkwardCase{"non_ascii", "gr\u00fc\u00dfe \u65e5\u672c.prg"}),
    [](const ::testing::TestParamInfo<AwkwardCase> &info) { return info.param.name; });

struct CruncherCase {
    const char *name;
    Picture picture;
    const char *ending; // the logging cruncher's last command; null: no cruncher on PATH
    const char *transition_item;
    bool reencode;
    bool succeeds;
};

void PrintTo(const CruncherCase &c, std::ostream *os) {
    *os << c.name;
}

class CruncherOutcome : public Exports, public ::testing::WithParamInterface<CruncherCase> {};

TEST_P(CruncherOutcome, DecidesTheMessage) {
    const CruncherCase &c = GetParam();
    load_picture(c.picture);
    load_sprites();
    choose(c.transition_item);
    if ((options_reencode_graphics == TRUE) != c.reencode) {
        choose("menuitem_reencode_graphics");
    }
    fs::path log;
    if (c.ending != nullptr) {
        log = install_logging_cruncher(c.ending);
    } else {
        install_no_cruncher();
    }
    export_as(Export::prg, "demo", "demo");
    const fs::path path = dir / "demo.prg";

    // The logging cruncher leaves the program file as the exporter wrote it.
    EXPECT_EQ(read_file(path), expected_program());
    EXPECT_EQ(files_in(dir), std::set<std::string>{"demo.prg"});
    EXPECT_EQ(gdk_window_get_cursor(gtk_widget_get_window(window_main)), nullptr);
    const std::vector<std::string> dialogs = take_message_dialogs();
    if (c.ending == nullptr) {
        const std::string status = status_text();
        ASSERT_EQ(status.rfind(error_prefix, 0), 0u) << status;
        EXPECT_NE(status.find("exomizer"), std::string::npos) << status;
        EXPECT_EQ(dialogs,
                  std::vector<std::string>{status.substr(std::string(error_prefix).size())});
        return;
    }
    const std::string start =
        std::to_string(c.picture == Picture::koala ? executable_start_address_mc
                                                   : executable_start_address_petscii);
    EXPECT_EQ(lines_of(log),
              (std::vector<std::string>{"sfx", start, path.string(), "-o", path.string(), "-n"}));
    EXPECT_EQ(status_text(), c.succeeds ? prg_exported : earlier_status);
    EXPECT_TRUE(dialogs.empty());
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
    [](const ::testing::TestParamInfo<CruncherCase> &info) { return info.param.name; });

TEST_F(Exports, WatchCursorWhileTheCruncherRuns) {
    load_picture(Picture::koala);
    load_sprites();
    const fs::path go = root / "go";
    const fs::path log = install_logging_cruncher("for i in $(seq 200); do [ -e '" + go.string() +
                                                  "' ] && exit 0; sleep 0.05; done");
    // The main loop is blocked while the cruncher runs, so only another thread can look; it
    // reads the window's cursor and then lets the cruncher end.
    GdkWindow *window = gtk_widget_get_window(window_main);
    int shown = -1;
    std::thread watcher([&] {
        for (int i = 0; i < 200 && !fs::exists(log); ++i) {
            g_usleep(50000);
        }
        GdkCursor *cursor = gdk_window_get_cursor(window);
        shown = cursor != nullptr ? gdk_cursor_get_cursor_type(cursor) : -1;
        std::ofstream{go};
    });
    export_as(Export::prg, "demo", "demo");
    watcher.join();
    EXPECT_EQ(shown, GDK_WATCH);
    EXPECT_EQ(gdk_window_get_cursor(window), nullptr);
    EXPECT_EQ(status_text(), prg_exported);
}

TEST_F(Exports, WriteErrorIsReportedAndNothingCrunched) {
    load_picture(Picture::koala);
    load_sprites();
    const fs::path log = install_logging_cruncher("exit 0");
    fs::create_directory(dir / "taken.prg");
    export_as(Export::prg, "taken", "taken");
    const std::string status = status_text();
    ASSERT_EQ(status.rfind(error_prefix, 0), 0u) << status;
    EXPECT_EQ(take_message_dialogs(),
              std::vector<std::string>{status.substr(std::string(error_prefix).size())});
    EXPECT_FALSE(fs::exists(log));
    EXPECT_EQ(files_in(dir), std::set<std::string>{"taken.prg"});
    EXPECT_TRUE(fs::is_directory(dir / "taken.prg"));
}

TEST_F(Exports, ExistingFileIsReplacedNotOverwritten) {
    load_picture(Picture::petscii);
    load_sprites();
    install_logging_cruncher("exit 1");
    const Bytes old = {'o', 'l', 'd'};
    write_file(dir / "demo.prg", old);
    // A second name for the old file's contents: writing into the file would change it too.
    fs::create_hard_link(dir / "demo.prg", root / "second-name.prg");
    // Typed without the extension, so that the dialog has no file to ask about replacing.
    export_as(Export::prg, "demo", "demo");
    EXPECT_EQ(read_file(dir / "demo.prg"), expected_program());
    EXPECT_EQ(read_file(root / "second-name.prg"), old);
}

TEST_F(Exports, PictureWithoutViewerExportsNothing) {
    load_picture(Picture::koala);
    load_sprites();
    const fs::path log = install_logging_cruncher("exit 0");
    constexpr int hires_format = 3; // recognised by no decoder, shown by no viewer
    picture_data.format = hires_format;
    export_as(Export::prg, "demo", "demo");
    EXPECT_TRUE(files_in(dir).empty());
    EXPECT_FALSE(fs::exists(log));
    EXPECT_EQ(status_text(), earlier_status);
    EXPECT_TRUE(take_message_dialogs().empty());
}

} // namespace
