// The File menu: opening projects, reloading the graphics, and the restore after the template.

#include "project_test_support.hpp"

#include "core/project.hpp"

#include <functional>
#include <tuple>

namespace {

using namespace project_test;
using project_test::PrintTo;
using OpenProject = ProjectTest;

// Project text with {picture} and {sprites} standing for the URIs of those files.
std::string fill_in(std::string text, const fs::path &picture, const fs::path &sprites) {
    for (const auto &[mark, path] : {std::pair{std::string("{picture}"), picture},
                                     std::pair{std::string("{sprites}"), sprites}}) {
        for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark)) {
            text.replace(at, mark.size(), file_uri(path));
        }
    }
    return text;
}

TEST_F(OpenProject, MovedTogetherWithItsFilesFindsThemBesideIt) {
    const fs::path before = dir / "before";
    load_picture(write_file(before / "castle.koa", koala_file(3)));
    load_sprites(write_file(before / "shapes.prg", sprite_file(9, 0x70)));
    sprites_set_color_at_index(4, 10);
    border_color_index = 6;
    save_as(before, "scene.ini");
    ASSERT_TRUE(fs::exists(before / "scene.ini"));
    {
        DialogAnswer yes("Confirmation request", GTK_RESPONSE_YES);
        activate("menuitem_new_project");
        ASSERT_EQ(picture_loaded, 0);
    }
    border_color_index = 0;
    const fs::path after = dir / "after";
    fs::rename(before, after);
    set_path(&options_picture_dir_string);
    set_path(&options_sprites_dir_string);
    open_project(after / "scene.ini");

    EXPECT_TRUE(take_messages().empty());
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_loaded, 1);
    EXPECT_STREQ(utf8_path_and_filename_picture, (after / "castle.koa").c_str());
    EXPECT_STREQ(utf8_path_and_filename_sprites, (after / "shapes.prg").c_str());
    EXPECT_EQ(sprites_get_array_size(), 9u);
    EXPECT_EQ(record(0).data[0], 0x70);
    EXPECT_EQ(record(4).color, 10);
    EXPECT_EQ(border_color_index, 6);
}

// The examples name their files on the machine they were made on; through File > Open project
// they open from wherever they are, finding their files beside them.
TEST_F(OpenProject, ExamplesFindTheirFilesBesideThem) {
    std::string source = __FILE__;
    const fs::path examples = fs::path(source.erase(source.rfind("/tests/gui/"))) / "examples";
    const std::string made_on = "/home/artist/sidewell/examples/";
    for (const auto &[project, picture, format] :
         {std::tuple{"sunset.ini", "sunset.koa", picture_format_koala},
          std::tuple{"welcome.ini", "welcome.pet", picture_format_petscii}}) {
        ASSERT_NE(read_text(examples / project).find("file://" + made_on + picture),
                  std::string::npos);
        ASSERT_FALSE(fs::exists(made_on + picture));
        open_project(examples / project);
        EXPECT_TRUE(take_messages().empty());
        EXPECT_EQ(picture_loaded, 1);
        EXPECT_EQ(sprites_loaded, 1);
        EXPECT_STREQ(utf8_path_and_filename_picture, (examples / picture).c_str());
        EXPECT_STREQ(utf8_path_and_filename_sprites, (examples / "shapes.prg").c_str());
        EXPECT_EQ(picture_data.format, format);
        EXPECT_EQ(sprites_get_array_size(), 48u);
        EXPECT_EQ(sprites_get_multicolor0(), 4);
        EXPECT_EQ(record(24).color, 14);
        EXPECT_EQ(window_title(), std::string("C64 Sidewell - ") + project);
        EXPECT_EQ(status_text(), " Info: Project opened");
    }
}

// A PETSCII picture and twelve sprites are loaded, the corner colour 4; then a project of some
// kind is opened with F1 from the folder odd beside them.
struct OpenCase {
    const char *name;
    std::string text;
    // The messages shown: a file name stands for GLib's error for reading it from odd; "parse"
    // for GLib's error for parsing the project.
    std::vector<std::string> messages;
    bool files_kept; // the picture and sprites stay loaded
    int corner;
    std::vector<std::pair<unsigned, int>> colours; // of sprites, by index
    std::function<void()> more_checks = nullptr;
};

class OpenOddProject : public ProjectTest, public ::testing::WithParamInterface<OpenCase> {};

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

    std::vector<std::string> expected;
    for (const std::string &message : c.messages) {
        GError *error = nullptr;
        if (message == "parse") {
            g_key_file_load_from_file(GKeyFilePtr{g_key_file_new()}.get(), project.c_str(),
                                      G_KEY_FILE_NONE, &error);
        }
        const GErrorPtr parse_error{error};
        expected.push_back(parse_error ? parse_error->message
                           : message.find(' ') != std::string::npos
                               ? message
                               : read_error(dir / "odd" / message));
    }
    const bool parsed = c.messages != std::vector<std::string>{"parse"};
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
    if (c.more_checks) {
        c.more_checks();
    }
}

using Messages = std::vector<std::string>;
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
                 {{0, 5}, {1, 2}},
                 [] {
                     EXPECT_EQ(sprites_get_multicolor0(), 2);
                     EXPECT_EQ(record(1).multicolor, 1);
                     EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(
                         lookup_widget(window_main, "checkbutton_sprite_multicolor"))));
                     EXPECT_EQ(color_index_sprite_bit_pair_10, 5);
                 }},
        OpenCase{"NotAKeyFile", "this is not\na key file\n", {"parse"}, true, 4, untouched},
        OpenCase{"EmptyFile", "", {}, true, 4, untouched},
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
                 untouched},
        OpenCase{"NullFiles",
                 "[picture]\nfile=(NULL)\n[sprites]\nfile=(NULL)\n",
                 {"(NULL)", "(NULL)"},
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

class Reload : public ProjectTest, public ::testing::WithParamInterface<ReloadCase> {};

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
    EXPECT_EQ(fs::exists(config_file()), anything);
}

INSTANTIATE_TEST_SUITE_P(Loads, Reload,
                         ::testing::Values(ReloadCase{"PetsciiAndSprites", "welcome.pet", true, 5,
                                                      6},
                                           ReloadCase{"KoalaOnly", "castle.koa", false, 12, 2},
                                           ReloadCase{"SpritesOnly", nullptr, true, 12, 9},
                                           ReloadCase{"Nothing", nullptr, false, 12, 9}),
                         case_name);

TEST_F(OpenProject, ReloadReportsAndForgetsVanishedFiles) {
    const fs::path picture = write_file(dir / "welcome.pet", petscii_file(7, 6));
    const fs::path sprites = write_file(dir / "shapes.prg", sprite_file(6, 0x10));
    load_picture(picture);
    load_sprites(sprites);
    fs::remove(sprites);
    activate("menuitem_reload_graphics");
    EXPECT_EQ(take_messages(), Messages{read_error(sprites)});
    EXPECT_EQ(sprites_loaded, 0);
    EXPECT_EQ(sprites_get_array_size(), 6u);
    // The picture did come back.
    EXPECT_EQ(status_text(), " Info: All graphics were reloaded");

    fs::remove(picture);
    activate("menuitem_reload_graphics");
    EXPECT_EQ(taken_error(), read_error(picture));
    EXPECT_EQ(picture_loaded, 0);
}

// The template preview replaced the store; the restore brings back what the backup names. The
// round trip itself goes through the 'z' key with the selection tests.
TEST_F(OpenProject, RestoreAfterTheTemplateCopesWithBadBackups) {
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
    restore_project_from_data();
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
    EXPECT_EQ(sprites_get_background_color(), 6);
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
