#include "core/project.hpp"

#include "core/spritesdecoder.hpp"
#include "test_support.hpp"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using namespace test_support;

constexpr const char *header = "# C64 Sidewell 1.1.4 project file - do NOT edit\n";

// Three sprites with known attributes, so that the store's section is short and exact.
constexpr const char *three_sprites_section =
    "background_color_index=0\nmulticolor0_index=11\nmulticolor1_index=12\n"
    "mc_flags=false;true;false;\ncolor_indexes=1;7;15;\n";

GKeyFilePtr parse(const std::string &text) {
    GKeyFilePtr key_file{g_key_file_new()};
    if (!g_key_file_load_from_data(key_file.get(), text.c_str(), text.size(),
                                   G_KEY_FILE_KEEP_COMMENTS, nullptr))
        return nullptr;
    return key_file;
}

std::string written_by_glib(GKeyFile *key_file) {
    const GCharPtr data{g_key_file_to_data(key_file, nullptr, nullptr)};
    return data.get();
}

class ProjectText : public ::testing::Test {
  protected:
    void SetUp() override {
        sprites_module_init();
        sprites_set_array_size(3);
        sprites_set_background_color(0);
        sprites_set_multicolor0(11);
        sprites_set_multicolor1(12);
        const std::uint8_t colours[] = {1, 7, 15};
        for (unsigned i = 0; i < 3; i++) {
            sprites_set_color_at_index(i, colours[i]);
            sprites_set_multicolor_at_index(i, i == 1 ? 1 : 0);
        }
    }
    void TearDown() override { sprites_module_init(); }
};

struct TextCase {
    const char *name;
    bool backup;
    const char *picture;
    const char *sprites;
    const char *groups; // the text between the header and the store's section
};

class ProjectFileText : public ProjectText, public ::testing::WithParamInterface<TextCase> {};

TEST_P(ProjectFileText, HoldsEveryLineInOrder) {
    const TextCase &c = GetParam();
    const std::string text = c.backup ? project_get_backup_text(c.picture, c.sprites, 9)
                                      : project_get_file_text(c.picture, c.sprites, 9);
    EXPECT_EQ(text, header + std::string(c.groups) + three_sprites_section + "[colors]\nbase=9\n");
    // Without a group the store's keys stand before any group: not a key file.
    EXPECT_EQ(static_cast<bool>(parse(text)), *c.groups != '\0');
}

// A backup names only the files that are known; with the picture alone the store's keys fall
// into [picture], where nothing reads them.
const TextCase text_cases[] = {
    {"file", false, "/pictures/castle.koa", "/sprites/a b.prg",
     "[picture]\nfile=file:///pictures/castle.koa\n[sprites]\nfile=file:///sprites/a%20b.prg\n"},
    {"file_with_unknown_paths", false, nullptr, "relative.prg",
     "[picture]\nfile=(NULL)\n[sprites]\nfile=(NULL)\n"},
    {"backup_of_both", true, "/a.koa", "/b.prg",
     "[picture]\nfile=file:///a.koa\n[sprites]\nfile=file:///b.prg\n"},
    {"backup_of_sprites", true, nullptr, "/b.prg", "[sprites]\nfile=file:///b.prg\n"},
    {"backup_of_picture", true, "/a.koa", nullptr, "[picture]\nfile=file:///a.koa\n"},
    {"backup_of_neither", true, nullptr, nullptr, ""},
};

INSTANTIATE_TEST_SUITE_P(Paths, ProjectFileText, ::testing::ValuesIn(text_cases), by_name);

TEST(FileUri, PathBecomesUriAndBack) {
    const std::pair<const char *, const char *> uris[] = {
        {"/home/artist/castle.koa", "file:///home/artist/castle.koa"},
        {"/a b/c.prg", "file:///a%20b/c.prg"},
        {"/bilder/\xc3\xa4pfel.koa", "file:///bilder/%C3%A4pfel.koa"},
        {"/x/#1 100%.pet", "file:///x/%231%20100%25.pet"}};
    for (const auto &[path, uri] : uris) {
        EXPECT_EQ(project_get_file_uri(path), uri);
        EXPECT_EQ(project_get_path_from_uri(uri), path);
    }
}

TEST(FileUriEdges, NoOrRelativePathGivesNullAndAValueThatIsNoFileUriIsTakenAsItStands) {
    EXPECT_EQ(project_get_file_uri(nullptr), "(NULL)");
    EXPECT_EQ(project_get_file_uri("castle.koa"), "(NULL)");
    for (const char *value : {"(NULL)", "castle.koa", "http://example.org/castle.koa", ""})
        EXPECT_EQ(project_get_path_from_uri(value), value);
}

TEST(FindFile, StoredFileFirstThenTheSameNameBesideTheProject) {
    const TempDir dir;
    const fs::path root = dir.path();
    const fs::path stored = root / "old" / "castle.koa";
    const std::string project = (root / "moved" / "scene.ini").string();
    fs::create_directories(root / "old");
    fs::create_directories(root / "moved");
    dir.write("old/castle.koa", {1});
    dir.write("moved/castle.koa", {2});

    EXPECT_EQ(project_find_file(stored.string(), project.c_str()), stored.string());
    fs::remove(stored);
    EXPECT_EQ(project_find_file(stored.string(), project.c_str()), dir.file("moved/castle.koa"));
    fs::create_directories(stored); // a folder of that name is no file
    EXPECT_EQ(project_find_file(stored.string(), project.c_str()), dir.file("moved/castle.koa"));
    EXPECT_EQ(project_find_file("(NULL)", project.c_str()), dir.file("moved/(NULL)"));
}

// The truncating remainder: -17 stays -1. No key or no group: the colour stays as it was.
TEST(BorderColour, BaseIsReducedByTheTruncatingRemainder) {
    const std::pair<const char *, int> groups[] = {{"[colors]\nbase=14\n", 14},
                                                   {"[colors]\nbase=17\n", 1},
                                                   {"[colors]\nbase=16\n", 0},
                                                   {"[colors]\nbase=-17\n", -1},
                                                   {"[colors]\nbase=red\n", 0},
                                                   {"[colors]\nother=3\n", 7},
                                                   {"", 7}};
    for (const auto &[group, expected] : groups) {
        const GKeyFilePtr key_file = parse(std::string("[picture]\nfile=(NULL)\n") + group);
        ASSERT_TRUE(key_file);
        int border = 7;
        project_read_border_color(key_file.get(), &border);
        EXPECT_EQ(border, expected) << group;
    }
}

TEST(FileValue, MissingKeyOrGroupGivesNothing) {
    const GKeyFilePtr key_file = parse("[picture]\nfile=file:///a.koa\n[sprites]\nother=1\n");
    ASSERT_TRUE(key_file);
    std::string value = "unchanged";
    EXPECT_FALSE(project_get_file_value(key_file.get(), "sprites", &value));
    EXPECT_FALSE(project_get_file_value(key_file.get(), "colors", &value));
    EXPECT_EQ(value, "unchanged");
    EXPECT_TRUE(project_get_file_value(key_file.get(), "picture", &value));
    EXPECT_EQ(value, "file:///a.koa");
}

struct NameCase {
    const char *name;
    const char *project;
    const char *picture;
    const char *project_name;
    const char *png_name;
};

class SuggestedNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(SuggestedNames, ProjectAndExportNames) {
    const NameCase &c = GetParam();
    EXPECT_EQ(project_get_suggested_project_name(c.project, c.picture), c.project_name);
    EXPECT_EQ(project_get_suggested_export_name(c.project, c.picture, ".png"), c.png_name);
}

const NameCase name_cases[] = {
    {"Picture", nullptr, "/pics/castle.koa", "castle.ini", "castle.png"},
    {"TwoDots", nullptr, "/pics/my.pic.koa", "my.pic.ini", "my.pic.png"},
    {"NoExtension", nullptr, "/pics/castle", "castle.ini", "castle.png"},
    {"DotBeforeBackslash", nullptr, "/pics/a.b\\c", "a.b\\c.ini", "a.b\\c.png"},
    {"DotAfterBackslash", nullptr, "/pics/a\\b.c", "a\\b.ini", "a\\b.png"},
    {"ProjectKeepsItsName", "/work/scene.INI", "/pics/castle.koa", "scene.INI", "scene.png"},
    {"Neither", nullptr, nullptr, "", ""},
};

INSTANTIATE_TEST_SUITE_P(Paths, SuggestedNames, ::testing::ValuesIn(name_cases), by_name);

TEST(IniExtension, OnlyExactLowerOrUpperCaseIsKept) {
    const std::pair<const char *, const char *> names[] = {
        {"/w/scene", "/w/scene.ini"},
        {"/w/scene.ini", "/w/scene.ini"},
        {"/w/scene.INI", "/w/scene.INI"},
        {"/w/scene.Ini", "/w/scene.Ini.ini"},
        {"/w/scene.ini.bak", "/w/scene.ini.bak.ini"},
        {"ini", "ini.ini"}};
    for (const auto &[chosen, saved] : names)
        EXPECT_EQ(project_add_ini_extension(chosen), saved);
}

// What the generator wrote is what the editor itself writes for the same project.
TEST(ExampleProject, IsWhatTheWriterProduces) {
    for (const char *name : {"sunset.ini", "welcome.ini"}) {
        const std::string project = example_path(name);
        const std::string original = read_text(project);
        if (original.empty())
            GTEST_SKIP() << "example project not available: " << project;
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
        EXPECT_EQ(written_by_glib(rewritten.get()), original) << name;
    }
    sprites_module_init();
}

} // namespace
