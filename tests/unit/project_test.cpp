// Project files: the whole text written, the names offered, and the examples as written.

#include "core/project.hpp"

#include "core/spritesdecoder.hpp"
#include "test_support.hpp"

namespace fs = std::filesystem;

namespace {

using namespace test_support;

GKeyFilePtr parse(const std::string &text) {
    GKeyFilePtr key_file{g_key_file_new()};
    if (!g_key_file_load_from_data(key_file.get(), text.c_str(), text.size(),
                                   G_KEY_FILE_KEEP_COMMENTS, nullptr))
        return nullptr;
    return key_file;
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
