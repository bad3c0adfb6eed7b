// Project files: the whole text written, the names offered, and the examples as written.

#include "core/project.hpp"

#include "core/spritesdecoder.hpp"
#include "test_support.hpp"

namespace fs = std::filesystem;

namespace {

using namespace test_support;

constexpr const char *unknown = nullptr;

GKeyFilePtr parse(const std::string &text) {
    GKeyFilePtr key_file{g_key_file_new()};
    if (!g_key_file_load_from_data(key_file.get(), text.c_str(), text.size(),
                                   G_KEY_FILE_KEEP_COMMENTS, nullptr))
        return nullptr;
    return key_file;
}

// A backup names only known files; without any group the text is no key file.
TEST_F(FreshState, ProjectTextHoldsEveryLineInOrder) {
    sprites_set_array_size(3);
    sprites_set_background_color(0);
    sprites_set_multicolor0(11);
    sprites_set_multicolor1(12);
    sprites_set_color_at_index(0, 1);
    sprites_set_color_at_index(1, 7);
    sprites_set_color_at_index(2, 15);
    sprites_set_multicolor_at_index(1, 1);
    for (const auto &[backup, picture, sprites, groups] :
         {std::tuple{false, "/pictures/castle.koa", "/sprites/\xc3\xa4 #1.prg",
                     "[picture]\nfile=file:///pictures/castle.koa\n"
                     "[sprites]\nfile=file:///sprites/%C3%A4%20%231.prg\n"},
          std::tuple{false, unknown, "relative.prg",
                     "[picture]\nfile=(NULL)\n[sprites]\nfile=(NULL)\n"},
          std::tuple{true, "/a.koa", "/b.prg",
                     "[picture]\nfile=file:///a.koa\n[sprites]\nfile=file:///b.prg\n"},
          std::tuple{true, unknown, "/b.prg", "[sprites]\nfile=file:///b.prg\n"},
          std::tuple{true, "/a.koa", unknown, "[picture]\nfile=file:///a.koa\n"},
          std::tuple{true, unknown, unknown, ""}}) {
        const std::string text = backup ? project_get_backup_text(picture, sprites, 9)
                                        : project_get_file_text(picture, sprites, 9);
        EXPECT_EQ(text, std::string("# C64 Sidewell 1.1.4 project file - do NOT edit\n") + groups +
                            "background_color_index=0\nmulticolor0_index=11\n"
                            "multicolor1_index=12\nmc_flags=false;true;false;\n"
                            "color_indexes=1;7;15;\n[colors]\nbase=9\n");
        EXPECT_EQ(static_cast<bool>(parse(text)), *groups != '\0');
    }
}

// (project, picture, project name, export name): the extension starts at the last dot.
TEST(SuggestedNames, ProjectAndExportNames) {
    for (const auto &[project, picture, project_name, png_name] :
         {std::tuple{unknown, "/pics/castle.koa", "castle.ini", "castle.png"},
          std::tuple{unknown, "/pics/my.pic.koa", "my.pic.ini", "my.pic.png"},
          std::tuple{unknown, "/pics/castle", "castle.ini", "castle.png"},
          std::tuple{unknown, "/pics/a.b\\c", "a.b\\c.ini", "a.b\\c.png"},
          std::tuple{unknown, "/pics/a\\b.c", "a\\b.ini", "a\\b.png"},
          std::tuple{unknown, "/pics/a.b\\c.d", "a.b\\c.ini", "a.b\\c.png"},
          std::tuple{"/work/scene.INI", "/pics/castle.koa", "scene.INI", "scene.png"},
          std::tuple{"/work/scene.INI", unknown, "scene.INI", "scene.png"},
          std::tuple{unknown, unknown, "", ""}}) {
        EXPECT_EQ(project_get_suggested_project_name(project, picture), project_name) << png_name;
        EXPECT_EQ(project_get_suggested_export_name(project, picture, ".png"), png_name)
            << project_name;
    }
}

TEST(IniExtension, OnlyExactLowerOrUpperCaseIsKept) {
    for (const auto &[chosen, saved] :
         {std::pair{"/w/scene", "/w/scene.ini"}, std::pair{"/w/scene.ini", "/w/scene.ini"},
          std::pair{"/w/scene.INI", "/w/scene.INI"}, std::pair{"/w/scene.Ini", "/w/scene.Ini.ini"},
          std::pair{"/w/scene.ini.bak", "/w/scene.ini.bak.ini"}, std::pair{"ini", "ini.ini"}})
        EXPECT_EQ(project_add_ini_extension(chosen), saved);
}

// The example projects in the repository, found from this file's place in it.
std::string example_path(const std::string &name) {
    std::string path = __FILE__;
    path.erase(path.rfind("/tests/unit/"));
    return path + "/examples/" + name;
}

// What the generator wrote is what the editor itself writes for the same project.
TEST_F(FreshState, ExampleProjectsAreWhatTheWriterProduces) {
    for (const char *name : {"sunset.ini", "welcome.ini"}) {
        const std::string project = example_path(name);
        const std::string original = read_text(project);
        ASSERT_FALSE(original.empty()) << project;
        const GKeyFilePtr key_file = parse(original);
        ASSERT_TRUE(key_file);
        std::string picture_uri;
        std::string sprites_uri;
        ASSERT_TRUE(project_get_file_value(key_file.get(), "picture", &picture_uri));
        ASSERT_TRUE(project_get_file_value(key_file.get(), "sprites", &sprites_uri));
        const std::string sprites =
            project_find_file(project_get_path_from_uri(sprites_uri.c_str()), project.c_str());
        ASSERT_EQ(sprites, example_path("shapes.prg"));
        ASSERT_EQ(spritesdecoder_decode_sprites_file(sprites.c_str(),
                                                     sprites_attribute_format_ignore, 1, nullptr),
                  1);
        sprites_init_from_key_file(key_file.get());
        int border = 99;
        project_read_border_color(key_file.get(), &border);
        const GKeyFilePtr rewritten = parse(
            project_get_file_text(project_get_path_from_uri(picture_uri.c_str()).c_str(),
                                  project_get_path_from_uri(sprites_uri.c_str()).c_str(), border));
        ASSERT_TRUE(rewritten);
        const GCharPtr data{g_key_file_to_data(rewritten.get(), nullptr, nullptr)};
        EXPECT_EQ(data.get(), original) << name;
    }
}

} // namespace
