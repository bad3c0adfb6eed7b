// The File menu's project commands: load, new, save, open and reload, and the restore after the
// template preview.

#include "gui_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/controls.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>

#include <fstream>
#include <regex>
#include <tuple>

namespace {

using gui_test::PrintTo;
using FileMenu = EditorTest;

// Sprite index of the store; a record of zeros past its end.
const SpriteRecord &record(unsigned index) {
    static const SpriteRecord none{};
    const SpriteRecord *found = sprites_get_record_at_index(index);
    return found != nullptr ? *found : none;
}

GtkToggleButton *multicolor_button() {
    return GTK_TOGGLE_BUTTON(lookup_widget(window_main, "checkbutton_sprite_multicolor"));
}

struct LoadCase {
    const char *name;
    bool sprites; // F3 with a sprite file, otherwise F2 with a picture
    const char *file;
    Bytes bytes;
    const char *error; // null: the file loads
    int corner;        // the corner colour afterwards, 9 before
};

class Load : public EditorTest, public ::testing::WithParamInterface<LoadCase> {};

// Something of the same kind is loaded first, so that a failure shows what it keeps.
TEST_P(Load, ReportsInTheStatusBarAndAnErrorDialog) {
    const LoadCase &c = GetParam();
    const fs::path good = c.sprites ? write_file(dir / "good.prg", sprite_file(12, 0x40))
                                    : write_file(dir / "good.koa", koala_file(0));
    c.sprites ? load_sprites(good) : load_picture(good);
    const fs::path file = write_file(dir / "new" / c.file, c.bytes);
    fs::remove(config_file());
    border_color_index = 9;
    DialogAnswer answer(c.sprites ? "Select a sprite data file" : "Select a picture file",
                        GTK_RESPONSE_OK);
    pick(answer, file);
    flush_redraws();
    gtk_menu_item_activate(
        GTK_MENU_ITEM(widget(c.sprites ? "menuitem_load_sprites" : "menuitem_load_picture")));
    // A loaded file is drawn again, in the areas that show it: taken before the main loop does.
    const bool drawn_again =
        take_queued_redraw(c.sprites ? "drawingarea_sprites" : "drawingarea_picture");
    process_events(50);

    ASSERT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(drawn_again, c.error == nullptr);
    const gchar *loaded =
        c.sprites ? utf8_path_and_filename_sprites : utf8_path_and_filename_picture;
    const std::string path = loaded ? loaded : "";
    EXPECT_EQ(c.sprites ? sprites_loaded : picture_loaded, c.error ? 0 : 1);
    EXPECT_EQ(border_color_index, c.corner);
    if (c.error == nullptr) {
        EXPECT_EQ(path, file.string());
        EXPECT_EQ(status_text(),
                  c.sprites ? " Info: Sprite data loaded" : " Info: Picture data loaded");
        EXPECT_TRUE(take_messages().empty());
        const std::string key = c.sprites ? "sprites_dir=" : "picture_dir=";
        EXPECT_NE(read_config().find(key + file_uri(dir / "new") + "\n"), std::string::npos)
            << read_config();
        return;
    }
    EXPECT_EQ(taken_error(), c.error);
    // The path of what did load stays for the record; the sprite store keeps its sprites.
    EXPECT_EQ(path, good.string());
    if (c.sprites) {
        EXPECT_EQ(sprites_get_array_size(), 12u);
        EXPECT_EQ(record(0).data[0], 0x40);
    }
}

// A Koala file has no border colour, so the corner keeps its own; a PETSCII screen brings one.
// Which files decode is the decoders' unit tests' concern.
INSTANTIATE_TEST_SUITE_P(
    Files, Load,
    ::testing::Values(
        LoadCase{"Koala", false, "castle.koa", koala_file(0), nullptr, 9},
        LoadCase{"Petscii", false, "welcome.pet", petscii_file(0xF5, 6), nullptr, 5},
        LoadCase{"EmptyPicture", false, "bad.koa", Bytes{}, "Unknown picture format", 9},
        LoadCase{"Sprites", true, "shapes.prg", sprite_file(17, 0x10), nullptr, 9},
        LoadCase{"NoWholeSlot", true, "bad.prg", Bytes(65, 0), "Unknown file format", 9},
        LoadCase{"TooManySprites", true, "bad.prg", sprite_file(129, 0),
                 "Too many sprites in input file", 9}),
    case_name);

// The hidden scroll bar pages the list: one step a row of eight sprites, five rows a page; a
// new load keeps the row shown.
TEST_F(FileMenu, SpriteLoadSetsTheListPagesAndKeepsTheRow) {
    GtkAdjustment *rows = gtk_range_get_adjustment(GTK_RANGE(widget("vscrollbar_sprites")));
    const auto pages = [rows] {
        return std::vector<double>{gtk_adjustment_get_value(rows), gtk_adjustment_get_upper(rows),
                                   gtk_adjustment_get_step_increment(rows),
                                   gtk_adjustment_get_page_increment(rows),
                                   gtk_adjustment_get_page_size(rows)};
    };
    load_sprites(write_file(dir / "shapes.prg", sprite_file(17, 0x10)));
    EXPECT_EQ(pages(), (std::vector<double>{0, 3, 1, 5, 5}));
    gtk_adjustment_configure(rows, 2, 0, 20, 1, 5, 5);
    load_sprites(write_file(dir / "many.prg", sprite_file(128, 0)));
    EXPECT_EQ(pages(), (std::vector<double>{2, 16, 1, 5, 5}));
}

// With attribute bytes the multicolour button follows sprite 0; without them it is unchecked.
TEST_F(FileMenu, MulticolourButtonFollowsSpriteZeroOnlyWithAttributeBytes) {
    for (const auto &[format, attribute, before, after] :
         {std::tuple{1, 0x81, false, true}, std::tuple{1, 0x01, true, false},
          std::tuple{0, 0x81, true, false}}) {
        options_sprite_attribute_byte_format = format;
        gtk_toggle_button_set_active(multicolor_button(), before);
        load_sprites(write_file(dir / "shapes.prg", sprite_file(8, 0, attribute)));
        EXPECT_EQ(gtk_toggle_button_get_active(multicolor_button()), after) << format << attribute;
    }
}

struct NewCase {
    const char *name;
    bool picture;
    bool sprites;
    gint answer; // to the question, if it is asked
};

class NewProject : public EditorTest, public ::testing::WithParamInterface<NewCase> {};

TEST_P(NewProject, AsksOnlyWhenSomethingIsLoaded) {
    const NewCase &c = GetParam();
    if (c.picture) {
        load_picture(write_file(dir / "welcome.pet", petscii_file(2, 6)));
    }
    if (c.sprites) {
        load_sprites(write_file(dir / "shapes.prg", sprite_file(5, 0x30)));
    } else {
        sprites_set_array_size(3);
    }
    set_path(&utf8_path_and_filename_project, dir / "scene.ini");
    gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - scene.ini");
    color_index_sprite_bit_pair_10 = 4;
    gtk_toggle_button_set_active(multicolor_button(), TRUE);
    const int corner = border_color_index;
    std::string asked;
    DialogAnswer question("Confirmation request", c.answer);
    question.inspect = [&](GtkWidget *dialog) { asked = yes_no_question(dialog); };
    flush_redraws();
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_new_project")));
    // What the command queued for drawing, before the main loop draws it: every area.
    std::vector<std::string> unqueued;
    for (const char *area :
         {"picture", "upper_border", "lower_border", "left_border", "right_border", "sprites",
          "color_sprite_bit_pair_00", "color_sprite_bit_pair_01", "color_sprite_bit_pair_10",
          "color_sprite_bit_pair_11"})
        if (!take_queued_redraw((std::string{"drawingarea_"} + area).c_str()))
            unqueued.emplace_back(area);
    process_events(100);

    const bool anything = c.picture || c.sprites;
    EXPECT_EQ(question.times_answered(), anything ? 1 : 0);
    EXPECT_EQ(asked, anything ? "Are you sure you want to reset all data?" : "");
    // The corner colour and the project's name in the title stay in any case; the loads and the
    // multicolour switch above are unsaved changes, which a refused question keeps.
    EXPECT_EQ(border_color_index, corner);
    const bool kept = anything && c.answer != GTK_RESPONSE_YES;
    EXPECT_EQ(window_title(), std::string(kept ? "*" : "") + "C64 Sidewell - scene.ini");
    if (anything && c.answer != GTK_RESPONSE_YES) {
        EXPECT_EQ(picture_loaded, c.picture ? 1 : 0);
        EXPECT_EQ(sprites_loaded, c.sprites ? 1 : 0);
        EXPECT_NE(utf8_path_and_filename_project, nullptr);
        EXPECT_EQ(pixbuf_picture != nullptr, c.picture);
        EXPECT_EQ(sprites_get_array_size(), c.sprites ? 5u : 3u);
        EXPECT_EQ(color_index_sprite_bit_pair_10, 4);
        EXPECT_TRUE(gtk_toggle_button_get_active(multicolor_button()));
        return;
    }
    EXPECT_EQ(picture_loaded + sprites_loaded, 0);
    EXPECT_EQ(utf8_path_and_filename_project, nullptr);
    EXPECT_EQ(utf8_path_and_filename_picture, nullptr);
    EXPECT_EQ(utf8_path_and_filename_sprites, nullptr);
    EXPECT_EQ(unqueued, std::vector<std::string>{});
    EXPECT_EQ(color_index_sprite_bit_pair_10, 13); // the sprites' own colour, light green
    // Nothing loaded now, so a second new project does not ask.
    DialogAnswer again("Confirmation request", GTK_RESPONSE_NO);
    choose("menuitem_new_project");
    EXPECT_EQ(again.times_answered(), 0);
    // The window shows what a fresh start shows.
    controls_update_main_statusbar(" Info: the same");
    const PixbufPtr reset = widget_pixels(window_main);
    restart();
    controls_update_main_statusbar(" Info: the same");
    process_events(50);
    EXPECT_EQ(pixels_first_difference(widget_pixels(window_main).get(), reset.get()), "");
}

INSTANTIATE_TEST_SUITE_P(Loads, NewProject,
                         ::testing::Values(NewCase{"Nothing", false, false, GTK_RESPONSE_NO},
                                           NewCase{"BothRefused", true, true, GTK_RESPONSE_NO},
                                           NewCase{"BothConfirmed", true, true, GTK_RESPONSE_YES}),
                         case_name);

// A picture and three sprites loaded, with colours the artist gave them.
class SaveProject : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        picture = write_file(dir / "castle.koa", koala_file(0));
        sprites = write_file(dir / "shapes.prg", sprite_file(3, 0));
        load_picture(picture);
        load_sprites(sprites);
        sprites_set_background_color(1);
        sprites_set_multicolor0(2);
        sprites_set_multicolor1(3);
        sprites_set_color_at_index(0, 2);
        sprites_set_color_at_index(2, 9);
        sprites_set_multicolor_at_index(1, 1);
        border_color_index = 3;
        gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - before.ini");
    }
    std::string expected_text(int base) const {
        return "# C64 Sidewell 1.1.4 project file - do NOT edit\n\n"
               "[picture]\nfile=" +
               file_uri(picture) + "\n\n[sprites]\nfile=" + file_uri(sprites) +
               "\nbackground_color_index=1\nmulticolor0_index=2\nmulticolor1_index=3\n"
               "mc_flags=false;true;false;\ncolor_indexes=2;13;9;\n\n[colors]\nbase=" +
               std::to_string(base) + "\n";
    }
    // One error naming the target, the old file and the title as they were, and nothing else
    // written into folder, which holds entries files.
    void expect_save_failed(const fs::path &target, const fs::path &old, const fs::path &folder,
                            std::size_t entries) {
        EXPECT_NE(taken_error().find(target.filename().string()), std::string::npos);
        EXPECT_STREQ(utf8_path_and_filename_project, target.c_str());
        EXPECT_EQ(window_title(), "C64 Sidewell - before.ini");
        EXPECT_EQ(read_text(old), expected_text(3));
        EXPECT_EQ(files_in(folder).size(), entries);
    }
    fs::path picture;
    fs::path sprites;
};

TEST_F(SaveProject, FirstSaveAsksWithThePictureNameAndWritesTheExactText) {
    fs::remove(config_file());
    // The dialog starts in the picture folder with the picture's name as a project; the artist
    // types another.
    bool suggested = false;
    DialogAnswer answer("Save project file", GTK_RESPONSE_OK);
    answer.ready = [&](GtkWidget *dialog) {
        if (chooser_filename(dialog) == (dir / "castle.ini").string()) {
            suggested = true;
            gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), "scene.ini");
        }
        return suggested && chooser_filename(dialog) == (dir / "scene.ini").string();
    };
    choose("menuitem_save_project");

    ASSERT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(read_text(dir / "scene.ini"), expected_text(3));
    EXPECT_STREQ(utf8_path_and_filename_project, (dir / "scene.ini").c_str());
    EXPECT_EQ(status_text(), " Info: Project saved");
    EXPECT_EQ(window_title(), "C64 Sidewell - scene.ini");
    EXPECT_TRUE(fs::exists(config_file()));
    EXPECT_TRUE(take_messages().empty());

    // From now on Save writes there without asking, and Save as suggests the project's name.
    border_color_index = 11;
    DialogAnswer again("Save project file", GTK_RESPONSE_CANCEL);
    again.ready = [&](GtkWidget *dialog) {
        return chooser_filename(dialog) == (dir / "scene.ini").string();
    };
    choose("menuitem_save_project");
    process_events(100);
    EXPECT_EQ(again.times_answered(), 0);
    EXPECT_EQ(read_text(dir / "scene.ini"), expected_text(11));
    choose("menuitem_save_project_as");
    EXPECT_EQ(again.times_answered(), 1);
    EXPECT_STREQ(utf8_path_and_filename_project, (dir / "scene.ini").c_str());
}

// A save that cannot write reports the error and leaves the old file as it was: into a read-only
// folder, and with a name at the file system's limit, which leaves no room for the writer's
// temporary file beside it (the writer renames that over the old file), whoever runs the test.
TEST_F(SaveProject, FailedSaveReportsTheErrorAndKeepsTheOldFile) {
    const fs::path folder = dir / "locked";
    const fs::path old = write_file(folder / "scene.ini", expected_text(3));
    constexpr auto write =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(folder, write, fs::perm_options::remove);
    fs::path target = old;
    // Permissions do not stop root; a "folder" that is a regular file stops the write as well.
    if (std::ofstream(folder / "probe")) {
        fs::remove(folder / "probe");
        target = write_file(dir / "plain", std::string("a file, not a folder")) / "scene.ini";
    }
    set_path(&utf8_path_and_filename_project, target);
    border_color_index = 12;
    choose("menuitem_save_project");
    expect_save_failed(target, old, folder, 1);
    fs::permissions(folder, write, fs::perm_options::add); // so that it can be removed

    const fs::path long_name =
        write_file(dir / "long" / (std::string(251, 'p') + ".ini"), expected_text(3));
    set_path(&utf8_path_and_filename_project, long_name);
    choose("menuitem_save_project");
    expect_save_failed(long_name, long_name, long_name.parent_path(), 1);
}

// Project text with {picture} and {sprites} standing for the URIs of those files.
std::string fill_in(const std::string &text, const fs::path &picture, const fs::path &sprites) {
    return std::regex_replace(
        std::regex_replace(text, std::regex("\\{picture\\}"), file_uri(picture)),
        std::regex("\\{sprites\\}"), file_uri(sprites));
}

// The examples name their files on the machine they were made on; through File > Open project
// they open from wherever they are, finding their files beside them.
TEST_F(FileMenu, ExamplesFindTheirFilesBesideThem) {
    std::string source = __FILE__;
    const fs::path examples = fs::path(source.erase(source.rfind("/tests/gui/"))) / "examples";
    const std::string made_on = "/home/artist/sidewell/examples/";
    for (const auto &[project, picture, format] :
         {std::tuple{"sunset.ini", "sunset.koa", picture_format_koala},
          std::tuple{"welcome.ini", "welcome.pet", picture_format_petscii}}) {
        ASSERT_NE(read_text(examples / project).find("file://" + made_on + picture),
                  std::string::npos);
        ASSERT_FALSE(fs::exists(made_on + picture));
        answer_with("menuitem_open_project", "Open a project file", examples / project);
        EXPECT_TRUE(take_messages().empty());
        EXPECT_EQ(picture_loaded, 1);
        EXPECT_EQ(sprites_loaded, 1);
        EXPECT_STREQ(utf8_path_and_filename_picture, (examples / picture).c_str());
        EXPECT_STREQ(utf8_path_and_filename_sprites, (examples / "shapes.prg").c_str());
        EXPECT_EQ(picture_data.format, format);
        EXPECT_EQ(sprites_get_array_size(), 48u);
        EXPECT_EQ(window_title(), std::string("C64 Sidewell - ") + project);
        EXPECT_EQ(status_text(), " Info: Project opened");
        EXPECT_EQ(borders_first_difference(), "");
    }
}

using Messages = std::vector<std::string>;

// A PETSCII picture and twelve sprites are loaded, the corner colour 4; then a project of some
// kind is opened with F1 from the folder odd beside them.
struct OpenCase {
    const char *name;
    std::string text;
    // The messages shown after any about the project itself: a file name stands for GLib's
    // error for reading it from odd.
    std::vector<std::string> messages;
    bool files_kept; // the picture and sprites stay loaded
    int corner;
    std::vector<std::pair<unsigned, int>> colours; // of sprites, by index
};

class OpenOddProject : public EditorTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenOddProject, BehavesAndNeverLosesTheProjectPath) {
    const OpenCase &c = GetParam();
    const fs::path picture = write_file(dir / "welcome.pet", petscii_file(7, 6));
    const fs::path sprites = write_file(dir / "shapes.prg", sprite_file(12, 0x40));
    load_picture(picture);
    load_sprites(sprites);
    border_color_index = 4;
    gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - before.ini");
    const fs::path project = write_file(dir / "odd" / "odd.ini", fill_in(c.text, picture, sprites));
    fs::remove(config_file());
    DialogAnswer answer("Open a project file", GTK_RESPONSE_OK);
    pick(answer, project);
    press(GDK_F1);
    ASSERT_EQ(answer.times_answered(), 1);

    // A project that is not a key file gives GLib's message for it.
    GError *error = nullptr;
    g_key_file_load_from_file(GKeyFilePtr{g_key_file_new()}.get(), project.c_str(), G_KEY_FILE_NONE,
                              &error);
    const GErrorPtr parse_error{error};
    const bool parsed = !parse_error;
    Messages expected = parsed ? Messages{} : Messages{parse_error->message};
    for (const std::string &message : c.messages) {
        const bool file = message.find(' ') == std::string::npos;
        expected.push_back(file ? read_error(dir / "odd" / message) : message);
    }
    EXPECT_EQ(take_messages(), expected);
    EXPECT_EQ(status_text(), parsed ? " Info: Project opened" : " Error: " + expected[0]);
    EXPECT_EQ(window_title(), parsed ? "C64 Sidewell - odd.ini" : "C64 Sidewell - before.ini");
    EXPECT_STREQ(utf8_path_and_filename_project, project.c_str());
    EXPECT_EQ(fs::exists(config_file()), parsed);
    EXPECT_EQ(picture_loaded, c.files_kept ? 1 : 0);
    EXPECT_EQ(sprites_loaded, c.files_kept ? 1 : 0);
    if (c.files_kept) {
        EXPECT_STREQ(utf8_path_and_filename_picture, picture.c_str());
        EXPECT_STREQ(utf8_path_and_filename_sprites, sprites.c_str());
    }
    // The store keeps its sprites; a PETSCII or multicolour picture's background is the sprites'
    // transparent colour, whatever the project says.
    EXPECT_EQ(sprites_get_array_size(), 12u);
    EXPECT_EQ(record(0).data[0], 0x40);
    EXPECT_EQ(sprites_get_background_color(), 6);
    EXPECT_EQ(border_color_index, c.corner);
    for (const auto &[index, colour] : c.colours) {
        EXPECT_EQ(record(index).color, colour) << index;
    }
    EXPECT_EQ(borders_first_difference(), "");
}

using Colours = std::vector<std::pair<unsigned, int>>;
const Colours untouched{{0, 13}};

// Files are looked for beside the project too, and not found there either.
INSTANTIATE_TEST_SUITE_P(
    Files, OpenOddProject,
    ::testing::Values(
        // Groups in any order, the files loaded before the colours are taken, numbers reduced,
        // a list shorter than the sprites, and the project's corner colour winning over the
        // PETSCII screen's border byte. The reading of each value is the unit tests' concern.
        OpenCase{"HandWritten",
                 "# made by hand\n[colors]\nbase=17\n[sprites]\nfile={sprites}\n"
                 "background_color_index=-1\nmulticolor0_index=2\nmulticolor1_index=3\n"
                 "mc_flags=false;true;\ncolor_indexes=37;2;\n[picture]\nfile={picture}\n",
                 {},
                 true,
                 1,
                 {{0, 5}, {1, 2}}},
        OpenCase{"NotAKeyFile", "this is not\na key file\n", {}, true, 4, untouched},
        OpenCase{"MissingFiles",
                 "[picture]\nfile=file:///nowhere/gone.koa\n[sprites]\n"
                 "file=file:///nowhere/gone.prg\ncolor_indexes=1;\nmc_flags=false;\n",
                 {"gone.koa", "gone.prg"},
                 false,
                 4,
                 {{0, 1}}},
        OpenCase{"BrokenFiles",
                 "[picture]\nfile={sprites}\n[sprites]\nfile={picture}\n",
                 {"Unknown picture format", "Unknown file format"},
                 false,
                 4,
                 untouched}),

    case_name);

struct ReloadCase {
    const char *name;
    const char *picture; // null: no picture loaded
    bool sprites;
    int corner;      // the corner colour afterwards, 12 before
    int transparent; // the sprites' transparent colour afterwards
};

class Reload : public EditorTest, public ::testing::WithParamInterface<ReloadCase> {};

// What is loaded, and the colours the artist gave the sprites; then the files change on disk.
TEST_P(Reload, F4ReadsTheFilesAgainAndKeepsTheColours) {
    const ReloadCase &c = GetParam();
    const auto picture_file = [&](std::uint8_t border) {
        return write_file(dir / c.picture, fs::path(c.picture).extension() == ".pet"
                                               ? petscii_file(border, 6)
                                               : koala_file(2));
    };
    if (c.picture != nullptr) {
        load_picture(picture_file(7));
    }
    if (c.sprites) {
        load_sprites(write_file(dir / "shapes.prg", sprite_file(6, 0x10)));
    }
    sprites_set_color_at_index(0, 3);
    sprites_set_multicolor_at_index(2, 1);
    sprites_set_background_color(9);
    border_color_index = 12;
    if (c.picture != nullptr) {
        picture_file(5);
    }
    write_file(dir / "shapes.prg", sprite_file(8, 0x60));
    fs::remove(config_file());
    press(GDK_F4);

    const bool anything = c.picture != nullptr || c.sprites;
    EXPECT_TRUE(take_messages().empty());
    EXPECT_EQ(picture_loaded, c.picture != nullptr ? 1 : 0);
    EXPECT_EQ(sprites_loaded, c.sprites ? 1 : 0);
    // A PETSCII screen's border byte becomes the corner colour again.
    EXPECT_EQ(border_color_index, c.corner);
    EXPECT_EQ(sprites_get_array_size(), c.sprites ? 8u : 40u);
    if (c.sprites) {
        EXPECT_EQ(record(0).data[0], 0x60);
        EXPECT_EQ(record(7).data[0], 0x67);
    }
    EXPECT_EQ(record(0).color, 3);
    EXPECT_EQ(record(1).color, 13);
    EXPECT_EQ(record(2).multicolor, 1);
    // With a picture loaded the transparent colour follows its background, otherwise it stays
    // the artist's.
    EXPECT_EQ(sprites_get_background_color(), c.transparent);
    EXPECT_EQ(status_text(), anything ? " Info: All graphics were reloaded" : "");
    if (anything) {
        EXPECT_EQ(borders_first_difference(), ""); // the store changed behind the editor's back
    }
    EXPECT_EQ(fs::exists(config_file()), anything);
}

INSTANTIATE_TEST_SUITE_P(Loads, Reload,
                         ::testing::Values(ReloadCase{"PetsciiAndSprites", "welcome.pet", true, 5,
                                                      6},
                                           ReloadCase{"SpritesOnly", nullptr, true, 12, 9},
                                           ReloadCase{"Nothing", nullptr, false, 12, 9}),
                         case_name);

TEST_F(FileMenu, ReloadReportsAndForgetsVanishedFiles) {
    const fs::path picture = write_file(dir / "welcome.pet", petscii_file(7, 6));
    const fs::path sprites = write_file(dir / "shapes.prg", sprite_file(6, 0x10));
    load_picture(picture);
    load_sprites(sprites);
    fs::remove(sprites);
    choose("menuitem_reload_graphics");
    EXPECT_EQ(take_messages(), Messages{read_error(sprites)});
    EXPECT_EQ(sprites_loaded, 0);
    EXPECT_EQ(sprites_get_array_size(), 6u);
    // The picture did come back.
    EXPECT_EQ(status_text(), " Info: All graphics were reloaded");

    fs::remove(picture);
    choose("menuitem_reload_graphics");
    EXPECT_EQ(taken_error(), read_error(picture));
    EXPECT_EQ(picture_loaded, 0);
}

// The template preview replaced the store; the restore brings back what the backup names. The
// round trip itself goes through the 'z' key with the selection tests.
TEST_F(FileMenu, RestoreAfterTheTemplateCopesWithBadBackups) {
    const fs::path picture = write_file(dir / "welcome.pet", petscii_file(7, 6));
    const fs::path sprites = write_file(dir / "shapes.prg", sprite_file(6, 0x10));
    load_picture(picture);
    load_sprites(sprites);
    const auto take_backup_and_show_template = [] {
        set_path(&project_backup_data);
        project_backup_data =
            g_strdup(project_get_backup_text(utf8_path_and_filename_picture,
                                             utf8_path_and_filename_sprites, border_color_index)
                         .c_str());
        sprites_set_template();
    };
    sprites_set_background_color(9);
    border_color_index = 12;
    controls_update_main_statusbar(" Info: before");
    take_backup_and_show_template();
    flush_redraws();
    restore_project_from_data();
    // Everything the project shows is drawn again.
    std::vector<std::string> unqueued;
    for (const char *area : {"picture", "upper_border", "left_border", "right_border", "sprites",
                             "color_sprite_bit_pair_00", "color_sprite_bit_pair_10"})
        if (!take_queued_redraw((std::string{"drawingarea_"} + area).c_str()))
            unqueued.emplace_back(area);
    EXPECT_EQ(unqueued, std::vector<std::string>{});
    EXPECT_EQ(sprites_get_array_size(), 6u);
    EXPECT_EQ(sprites_get_background_color(), 6); // the picture's background again
    EXPECT_EQ(border_color_index, 12);
    EXPECT_EQ(status_text(), " Info: before");

    // A backup that does not parse restores nothing.
    take_backup_and_show_template();
    project_backup_data[0] = '=';
    restore_project_from_data();
    EXPECT_EQ(sprites_get_array_size(), 40u);
    EXPECT_TRUE(take_messages().empty());

    // "(NULL)" names no file; the colours are still taken.
    set_path(&project_backup_data);
    project_backup_data = g_strdup("[picture]\nfile=(NULL)\n[sprites]\nfile=(NULL)\n"
                                   "background_color_index=5\n[colors]\nbase=3\n");
    restore_project_from_data();
    EXPECT_TRUE(take_messages().empty());
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(border_color_index, 3);

    // A missing file is reported, without looking for it beside a project.
    take_backup_and_show_template();
    fs::remove(sprites);
    restore_project_from_data();
    EXPECT_EQ(take_messages(), Messages{read_error(sprites)});
    EXPECT_EQ(sprites_loaded, 0);
    EXPECT_STREQ(utf8_path_and_filename_sprites, sprites.c_str());
}

} // namespace
