// The File menu: opening projects, reloading the graphics, and the restore after the template.

#include "project_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/project.hpp"

#include <functional>

namespace {

using namespace project_test;

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

std::string repeated(const std::string &item, int times) {
    std::string items;
    for (int i = 0; i < times; i++) {
        items += item;
    }
    return items;
}

class OpenProject : public ProjectTest {};

TEST_F(OpenProject, F1LoadsBothFilesAndThenTheProjectColours) {
    const fs::path picture = write_file(dir / "art" / "welcome.pet", petscii_file(7, 6));
    const fs::path sprites = write_file(dir / "art" / "shapes.prg", sprite_file(6, 0x20));
    const fs::path project = write_text(
        dir / "scene.ini",
        fill_in("# made by hand\n[colors]\nbase=17\n"
                "[sprites]\nfile={sprites}\nbackground_color_index=-1\nmulticolor0_index=2\n"
                "multicolor1_index=3\nmc_flags=false;true;false;false;false;false;\n"
                "color_indexes=37;2;3;4;5;6;\n[picture]\nfile={picture}\n",
                picture, sprites));
    fs::remove(config_file());
    DialogAnswer answer("Open a project file", GTK_RESPONSE_OK);
    pick(answer, project);
    press(GDK_F1);

    ASSERT_EQ(answer.times_answered(), 1);
    EXPECT_TRUE(take_error_messages().empty());
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_loaded, 1);
    EXPECT_STREQ(utf8_path_and_filename_picture, picture.c_str());
    EXPECT_STREQ(utf8_path_and_filename_sprites, sprites.c_str());
    EXPECT_STREQ(utf8_path_and_filename_project, project.c_str());
    EXPECT_EQ(picture_data.format, picture_format_petscii);
    // The project's corner colour wins over the picture's border byte.
    EXPECT_EQ(border_color_index, 1);
    EXPECT_EQ(sprites_get_array_size(), 6u);
    EXPECT_EQ(first_byte_at(5), 0x25);
    // A multicolour or PETSCII picture's background is the sprites' transparent colour.
    EXPECT_EQ(sprites_get_background_color(), 6);
    EXPECT_EQ(sprites_get_multicolor0(), 2);
    EXPECT_EQ(colour_at(0), 5);
    EXPECT_EQ(colour_at(1), 2);
    EXPECT_EQ(multicolor_at(1), 1);
    EXPECT_FALSE(multicolor_button_active());
    EXPECT_EQ(color_index_sprite_bit_pair_10, 5);
    EXPECT_EQ(window_title(), "C64 Sidewell - scene.ini");
    EXPECT_EQ(status_text(), " Info: Project opened");
    EXPECT_TRUE(fs::exists(config_file()));
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
    clear_path(&options_picture_dir_string);
    clear_path(&options_sprites_dir_string);
    open_project(after / "scene.ini");

    EXPECT_TRUE(take_error_messages().empty());
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_loaded, 1);
    EXPECT_STREQ(utf8_path_and_filename_picture, (after / "castle.koa").c_str());
    EXPECT_STREQ(utf8_path_and_filename_sprites, (after / "shapes.prg").c_str());
    EXPECT_EQ(sprites_get_array_size(), 9u);
    EXPECT_EQ(first_byte_at(0), 0x70);
    EXPECT_EQ(colour_at(4), 10);
    EXPECT_EQ(border_color_index, 6);
}

struct Example {
    const char *project;
    const char *picture;
    int format;
};

void PrintTo(const Example &example, std::ostream *os) {
    *os << example.project;
}

class OpenExample : public ProjectTest, public ::testing::WithParamInterface<Example> {};

fs::path examples_dir() {
    std::string path = __FILE__;
    path.erase(path.rfind("/tests/gui/"));
    return fs::path(path) / "examples";
}

// The examples name their files on the machine they were made on; through File > Open project
// they open from wherever they are, finding their files beside them.
TEST_P(OpenExample, FindsItsFilesBesideIt) {
    const Example &example = GetParam();
    const fs::path project = examples_dir() / example.project;
    const std::string made_on = "file:///home/artist/sidewell/examples/";
    ASSERT_NE(read_text(project).find(made_on + example.picture), std::string::npos);
    ASSERT_FALSE(fs::exists(fs::path("/home/artist/sidewell/examples") / example.picture));
    open_project(project);

    EXPECT_TRUE(take_error_messages().empty());
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_loaded, 1);
    EXPECT_STREQ(utf8_path_and_filename_picture, (examples_dir() / example.picture).c_str());
    EXPECT_STREQ(utf8_path_and_filename_sprites, (examples_dir() / "shapes.prg").c_str());
    EXPECT_EQ(picture_data.format, example.format);
    EXPECT_EQ(sprites_get_array_size(), 48u);
    EXPECT_EQ(sprites_get_multicolor0(), 4);
    EXPECT_EQ(sprites_get_multicolor1(), 10);
    EXPECT_EQ(colour_at(0), 1);
    EXPECT_EQ(colour_at(24), 14);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 1);
    EXPECT_EQ(border_color_index, 0);
    EXPECT_EQ(window_title(), std::string("C64 Sidewell - ") + example.project);
    EXPECT_EQ(status_text(), " Info: Project opened");
}

INSTANTIATE_TEST_SUITE_P(
    Examples, OpenExample,
    ::testing::Values(Example{"sunset.ini", "sunset.koa", picture_format_koala},
                      Example{"welcome.ini", "welcome.pet", picture_format_petscii}),
    [](const auto &info) {
        const std::string project = info.param.project;
        return project.substr(0, project.find('.'));
    });

// A picture and twelve sprites loaded and coloured; then a project of some kind is opened.
struct OpenCase {
    const char *name;
    std::string text;
    // Checks what the open did; dir holds the loaded files and the project.
    std::function<void(const fs::path &dir, const std::vector<std::string> &errors)> check;
};

void PrintTo(const OpenCase &c, std::ostream *os) {
    *os << c.name;
}

class OpenOddProject : public ProjectTest, public ::testing::WithParamInterface<OpenCase> {};

constexpr int corner_before = 4;

void expect_nothing_applied() {
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_loaded, 1);
    EXPECT_EQ(border_color_index, corner_before);
    EXPECT_EQ(sprites_get_array_size(), 12u);
    EXPECT_EQ(colour_at(0), 13);
    EXPECT_EQ(sprites_get_background_color(), 0); // the Koala picture's background
}

TEST_P(OpenOddProject, BehavesAndNeverLosesTheProjectPath) {
    const fs::path picture = write_file(dir / "castle.koa", koala_file(0));
    const fs::path sprites = write_file(dir / "shapes.prg", sprite_file(12, 0x40));
    load_picture(picture);
    load_sprites(sprites);
    border_color_index = corner_before;
    gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - before.ini");
    const fs::path project =
        write_text(dir / "odd" / "odd.ini", fill_in(GetParam().text, picture, sprites));
    open_project(project);

    EXPECT_STREQ(utf8_path_and_filename_project, project.c_str());
    GetParam().check(dir, take_error_messages());
}

GKeyFilePtr load_key_file(const fs::path &path, GError **error) {
    GKeyFilePtr key_file{g_key_file_new()};
    g_key_file_load_from_file(key_file.get(), path.c_str(), G_KEY_FILE_KEEP_COMMENTS, error);
    return key_file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenOddProject,
    ::testing::Values(
        OpenCase{"NotAKeyFile", "this is not\na key file\n",
                 [](const fs::path &dir, const std::vector<std::string> &errors) {
                     GError *raw = nullptr;
                     load_key_file(dir / "odd" / "odd.ini", &raw);
                     ASSERT_NE(raw, nullptr);
                     const GErrorPtr error{raw};
                     EXPECT_EQ(errors, std::vector<std::string>{error->message});
                     EXPECT_EQ(status_text(), std::string(" Error: ") + error->message);
                     EXPECT_EQ(window_title(), "C64 Sidewell - before.ini");
                     expect_nothing_applied();
                 }},
        OpenCase{"EmptyFile", "",
                 [](const fs::path &, const std::vector<std::string> &errors) {
                     EXPECT_TRUE(errors.empty());
                     EXPECT_EQ(status_text(), " Info: Project opened");
                     EXPECT_EQ(window_title(), "C64 Sidewell - odd.ini");
                     expect_nothing_applied();
                 }},
        OpenCase{"MissingFiles",
                 "[picture]\nfile=file:///nowhere/gone.koa\n[sprites]\n"
                 "file=file:///nowhere/gone.prg\ncolor_indexes=1;\nmc_flags=false;\n",
                 [](const fs::path &dir, const std::vector<std::string> &errors) {
                     // Looked for beside the project, not found there either.
                     EXPECT_EQ(errors,
                               (std::vector<std::string>{read_error(dir / "odd" / "gone.koa"),
                                                         read_error(dir / "odd" / "gone.prg")}));
                     EXPECT_EQ(picture_loaded, 0);
                     EXPECT_EQ(sprites_loaded, 0);
                     EXPECT_EQ(status_text(), " Info: Project opened");
                     // The store keeps its sprites and takes the project's colours.
                     EXPECT_EQ(sprites_get_array_size(), 12u);
                     EXPECT_EQ(first_byte_at(0), 0x40);
                     EXPECT_EQ(colour_at(0), 1);
                 }},
        OpenCase{"BrokenFiles", "[picture]\nfile={sprites}\n[sprites]\nfile={picture}\n",
                 [](const fs::path &, const std::vector<std::string> &errors) {
                     EXPECT_EQ(errors, (std::vector<std::string>{"Unknown picture format",
                                                                 "Unknown file format"}));
                     EXPECT_EQ(picture_loaded, 0);
                     EXPECT_EQ(sprites_loaded, 0);
                 }},
        OpenCase{"NullFiles", "[picture]\nfile=(NULL)\n[sprites]\nfile=(NULL)\n",
                 [](const fs::path &dir, const std::vector<std::string> &errors) {
                     EXPECT_EQ(errors,
                               (std::vector<std::string>{read_error(dir / "odd" / "(NULL)"),
                                                         read_error(dir / "odd" / "(NULL)")}));
                     EXPECT_EQ(picture_loaded, 0);
                     EXPECT_EQ(sprites_loaded, 0);
                 }},
        OpenCase{"NumbersOutOfRange",
                 "[sprites]\nbackground_color_index=-1\nmulticolor0_index=300\n"
                 "mc_flags=false;false;\ncolor_indexes=37;-1;\n[colors]\nbase=33\n",
                 [](const fs::path &, const std::vector<std::string> &errors) {
                     EXPECT_TRUE(errors.empty());
                     // The loaded picture's background overrides the project's -1.
                     EXPECT_EQ(sprites_get_background_color(), 0);
                     EXPECT_EQ(sprites_get_multicolor0(), 12);
                     EXPECT_EQ(colour_at(0), 5);
                     EXPECT_EQ(colour_at(1), 255);
                     EXPECT_EQ(border_color_index, 1);
                     EXPECT_EQ(color_index_sprite_bit_pair_10, 5);
                 }},
        OpenCase{"NegativeCorner", "[colors]\nbase=-17\n",
                 [](const fs::path &, const std::vector<std::string> &errors) {
                     EXPECT_TRUE(errors.empty());
                     EXPECT_EQ(border_color_index, -1);
                 }},
        OpenCase{"ListsOfOtherLengths", "[sprites]\nmc_flags=true;false;\ncolor_indexes=3;4;5;6;\n",
                 [](const fs::path &, const std::vector<std::string> &errors) {
                     EXPECT_TRUE(errors.empty());
                     EXPECT_EQ(colour_at(0), 3);
                     EXPECT_EQ(colour_at(1), 4);
                     EXPECT_EQ(colour_at(2), 13);
                     EXPECT_EQ(multicolor_at(0), 1);
                     EXPECT_EQ(border_color_index, corner_before);
                 }},
        OpenCase{"ListsLongerThanTheSprites",
                 "[sprites]\nmc_flags=" + repeated("false;", 200) +
                     "\ncolor_indexes=" + repeated("7;", 200) + "\n",
                 [](const fs::path &, const std::vector<std::string> &errors) {
                     EXPECT_TRUE(errors.empty());
                     EXPECT_EQ(colour_at(11), 7);
                     EXPECT_EQ(sprites_get_array_size(), 12u);
                 }},
        OpenCase{"UnreadableLists", "[sprites]\nmc_flags=maybe;\ncolor_indexes=red;\n",
                 [](const fs::path &, const std::vector<std::string> &errors) {
                     EXPECT_TRUE(errors.empty());
                     expect_nothing_applied();
                 }}),
    [](const auto &info) { return std::string{info.param.name}; });

class Reload : public ProjectTest {
  protected:
    void SetUp() override {
        ProjectTest::SetUp();
        picture = write_file(dir / "welcome.pet", petscii_file(7, 6));
        sprites = write_file(dir / "shapes.prg", sprite_file(6, 0x10));
    }
    // The artist's own colours on top of what the files brought.
    void colour_the_sprites() {
        sprites_set_color_at_index(0, 3);
        sprites_set_multicolor_at_index(2, 1);
        sprites_set_background_color(9);
    }
    // With a picture loaded the transparent colour follows the PETSCII screen's background (6),
    // otherwise it stays the artist's (9).
    void expect_colours_kept(int background) {
        EXPECT_EQ(colour_at(0), 3);
        EXPECT_EQ(colour_at(1), 13);
        EXPECT_EQ(multicolor_at(2), 1);
        EXPECT_EQ(sprites_get_background_color(), background);
    }
    fs::path picture;
    fs::path sprites;
};

TEST_F(Reload, F4ReadsTheFilesAgainAndKeepsTheColours) {
    load_picture(picture);
    load_sprites(sprites);
    colour_the_sprites();
    border_color_index = 12;
    write_file(picture, petscii_file(5, 6));
    write_file(sprites, sprite_file(8, 0x60));
    fs::remove(config_file());
    press(GDK_F4);

    EXPECT_TRUE(take_error_messages().empty());
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_loaded, 1);
    // A PETSCII screen's border byte becomes the corner colour again.
    EXPECT_EQ(border_color_index, 5);
    EXPECT_EQ(sprites_get_array_size(), 8u);
    EXPECT_EQ(first_byte_at(0), 0x60);
    EXPECT_EQ(first_byte_at(7), 0x67);
    expect_colours_kept(6);
    EXPECT_EQ(status_text(), " Info: All graphics were reloaded");
    EXPECT_TRUE(fs::exists(config_file()));
}

TEST_F(Reload, OnlySpritesLoaded) {
    load_sprites(sprites);
    colour_the_sprites();
    write_file(sprites, sprite_file(6, 0x50));
    activate("menuitem_reload_graphics");

    EXPECT_EQ(picture_loaded, 0);
    EXPECT_EQ(first_byte_at(0), 0x50);
    expect_colours_kept(9);
    EXPECT_EQ(status_text(), " Info: All graphics were reloaded");
}

TEST_F(Reload, KoalaPictureKeepsTheCorner) {
    const fs::path koala = write_file(dir / "castle.koa", koala_file(2));
    load_picture(koala);
    border_color_index = 11;
    activate("menuitem_reload_graphics");
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(border_color_index, 11);
    EXPECT_EQ(status_text(), " Info: All graphics were reloaded");
}

TEST_F(Reload, WithNothingLoadedDoesNothing) {
    fs::remove(config_file());
    press(GDK_F4);
    EXPECT_EQ(status_text(), "");
    EXPECT_FALSE(fs::exists(config_file()));
    EXPECT_TRUE(take_error_messages().empty());
}

TEST_F(Reload, VanishedSpriteFileIsReportedAndForgotten) {
    load_picture(picture);
    load_sprites(sprites);
    fs::remove(sprites);
    activate("menuitem_reload_graphics");

    EXPECT_EQ(take_error_messages(), std::vector<std::string>{read_error(sprites)});
    EXPECT_EQ(sprites_loaded, 0);
    EXPECT_EQ(sprites_get_array_size(), 6u);
    // The picture did come back.
    EXPECT_EQ(status_text(), " Info: All graphics were reloaded");

    // With nothing left loaded a second reload is silent.
    gtk_statusbar_pop(GTK_STATUSBAR(widget("statusbar_main")), 0);
    fs::remove(picture);
    activate("menuitem_reload_graphics");
    EXPECT_EQ(take_error_messages(), std::vector<std::string>{read_error(picture)});
    EXPECT_EQ(picture_loaded, 0);
    EXPECT_EQ(status_text(), " Error: " + read_error(picture));
}

// The template preview replaced the store; the restore brings back what the backup names.
class Restore : public Reload {
  protected:
    void take_backup_and_show_template() {
        g_free(project_backup_data);
        project_backup_data =
            g_strdup(project_get_backup_text(utf8_path_and_filename_picture,
                                             utf8_path_and_filename_sprites, border_color_index)
                         .c_str());
        sprites_set_template();
        border_color_index = 0;
        color_index_sprite_bit_pair_10 = 13;
    }
};

TEST_F(Restore, BringsBackSpritesColoursAndCorner) {
    load_picture(picture);
    load_sprites(sprites);
    colour_the_sprites();
    border_color_index = 12;
    take_backup_and_show_template();
    ASSERT_EQ(sprites_get_array_size(), 40u);
    controls_update_main_statusbar(" Info: before");
    restore_project_from_data();

    EXPECT_TRUE(take_error_messages().empty());
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_loaded, 1);
    EXPECT_EQ(sprites_get_array_size(), 6u);
    EXPECT_EQ(first_byte_at(5), 0x15);
    expect_colours_kept(6);
    EXPECT_EQ(border_color_index, 12);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 3);
    EXPECT_EQ(status_text(), " Info: before");
}

TEST_F(Restore, BackupThatDoesNotParseRestoresNothing) {
    load_sprites(sprites);
    take_backup_and_show_template();
    project_backup_data[0] = '=';
    restore_project_from_data();
    EXPECT_EQ(sprites_get_array_size(), 40u);
    EXPECT_TRUE(take_error_messages().empty());
}

TEST_F(Restore, NullFilesAreSkipped) {
    load_picture(picture);
    project_backup_data = g_strdup("[picture]\nfile=(NULL)\n[sprites]\nfile=(NULL)\n"
                                   "background_color_index=5\n[colors]\nbase=3\n");
    restore_project_from_data();
    EXPECT_TRUE(take_error_messages().empty());
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_get_background_color(), 6); // the picture's background again
    EXPECT_EQ(border_color_index, 3);
}

TEST_F(Restore, MissingSpriteFileIsReportedWithoutLookingElsewhere) {
    load_sprites(sprites);
    take_backup_and_show_template();
    fs::remove(sprites);
    restore_project_from_data();
    EXPECT_EQ(take_error_messages(), std::vector<std::string>{read_error(sprites)});
    EXPECT_EQ(sprites_loaded, 0);
    EXPECT_STREQ(utf8_path_and_filename_sprites, sprites.c_str());
}

} // namespace
