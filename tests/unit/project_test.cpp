#include "core/glib_ptr.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// Three sprites with known attributes, so that the store's section is short and exact.
void set_three_sprites() {
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

constexpr const char *three_sprites_section = "background_color_index=0\n"
                                              "multicolor0_index=11\n"
                                              "multicolor1_index=12\n"
                                              "mc_flags=false;true;false;\n"
                                              "color_indexes=1;7;15;\n";

GKeyFilePtr parse(const std::string &text) {
    GKeyFilePtr key_file{g_key_file_new()};
    if (!g_key_file_load_from_data(key_file.get(), text.c_str(), text.size(),
                                   G_KEY_FILE_KEEP_COMMENTS, nullptr)) {
        return nullptr;
    }
    return key_file;
}

std::string written_by_glib(GKeyFile *key_file) {
    const GCharPtr data{g_key_file_to_data(key_file, nullptr, nullptr)};
    return data.get();
}

std::string read_file(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ProjectText : public ::testing::Test {
  protected:
    void SetUp() override { set_three_sprites(); }
    void TearDown() override { sprites_module_init(); }
};

TEST_F(ProjectText, FileTextHoldsEveryLineInOrder) {
    const std::string text = project_get_file_text("/pictures/castle.koa", "/sprites/a b.prg", 5);
    EXPECT_EQ(text, std::string("# C64 Sidewell 1.1.4 project file - do NOT edit\n"
                                "[picture]\n"
                                "file=file:///pictures/castle.koa\n"
                                "[sprites]\n"
                                "file=file:///sprites/a%20b.prg\n") +
                        three_sprites_section + "[colors]\nbase=5\n");
}

TEST_F(ProjectText, GlibWriterSeparatesTheGroupsAndKeepsTheHeader) {
    const GKeyFilePtr key_file = parse(project_get_file_text("/p.koa", "/s.prg", 0));
    ASSERT_TRUE(key_file);
    EXPECT_EQ(written_by_glib(key_file.get()),
              std::string("# C64 Sidewell 1.1.4 project file - do NOT edit\n\n"
                          "[picture]\nfile=file:///p.koa\n\n"
                          "[sprites]\nfile=file:///s.prg\n") +
                  three_sprites_section + "\n[colors]\nbase=0\n");
}

TEST_F(ProjectText, UnknownPathsAreWrittenAsNull) {
    const std::string text = project_get_file_text(nullptr, "relative.prg", 0);
    EXPECT_NE(text.find("[picture]\nfile=(NULL)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[sprites]\nfile=(NULL)\n"), std::string::npos) << text;
}

struct BackupCase {
    const char *name;
    const char *picture;
    const char *sprites;
    const char *expected_groups; // the text between the header and the store's section
    bool parses;
};

class BackupText : public ProjectText, public ::testing::WithParamInterface<BackupCase> {};

TEST_P(BackupText, WritesOnlyTheFilesThatAreKnown) {
    const BackupCase &c = GetParam();
    const std::string text = project_get_backup_text(c.picture, c.sprites, 9);
    EXPECT_EQ(text, std::string("# C64 Sidewell 1.1.4 project file - do NOT edit\n") +
                        c.expected_groups + three_sprites_section + "[colors]\nbase=9\n");
    EXPECT_EQ(static_cast<bool>(parse(text)), c.parses);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, BackupText,
    ::testing::Values(
        BackupCase{"Both", "/a.koa", "/b.prg",
                   "[picture]\nfile=file:///a.koa\n[sprites]\nfile=file:///b.prg\n", true},
        BackupCase{"SpritesOnly", nullptr, "/b.prg", "[sprites]\nfile=file:///b.prg\n", true},
        // The store's keys then fall into [picture], where nothing reads them.
        BackupCase{"PictureOnly", "/a.koa", nullptr, "[picture]\nfile=file:///a.koa\n", true},
        // Keys before any group: not a key file.
        BackupCase{"Neither", nullptr, nullptr, "", false}),
    [](const auto &info) { return std::string{info.param.name}; });

struct UriCase {
    const char *name;
    const char *path;
    const char *uri;
};

class FileUri : public ::testing::TestWithParam<UriCase> {};

TEST_P(FileUri, PathBecomesUriAndBack) {
    EXPECT_EQ(project_get_file_uri(GetParam().path), GetParam().uri);
    EXPECT_EQ(project_get_path_from_uri(GetParam().uri), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileUri,
    ::testing::Values(UriCase{"Plain", "/home/artist/castle.koa", "file:///home/artist/castle.koa"},
                      UriCase{"Space", "/a b/c.prg", "file:///a%20b/c.prg"},
                      UriCase{"Unicode", "/bilder/\xc3\xa4pfel.koa",
                              "file:///bilder/%C3%A4pfel.koa"},
                      UriCase{"HashAndPercent", "/x/#1 100%.pet", "file:///x/%231%20100%25.pet"}),
    [](const auto &info) { return std::string{info.param.name}; });

TEST(FileUriEdges, NoPathAndRelativePathGiveNull) {
    EXPECT_EQ(project_get_file_uri(nullptr), "(NULL)");
    EXPECT_EQ(project_get_file_uri("castle.koa"), "(NULL)");
}

TEST(FileUriEdges, ValueThatIsNoFileUriIsTakenAsItStands) {
    EXPECT_EQ(project_get_path_from_uri("(NULL)"), "(NULL)");
    EXPECT_EQ(project_get_path_from_uri("castle.koa"), "castle.koa");
    EXPECT_EQ(project_get_path_from_uri("http://example.org/castle.koa"),
              "http://example.org/castle.koa");
    EXPECT_EQ(project_get_path_from_uri(""), "");
}

class FindFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const GCharPtr made{g_dir_make_tmp("sidewell-project-XXXXXX", nullptr)};
        ASSERT_TRUE(made);
        dir = made.get();
        fs::create_directories(dir / "old");
        fs::create_directories(dir / "moved");
        std::ofstream(dir / "old" / "castle.koa") << "x";
        std::ofstream(dir / "moved" / "castle.koa") << "y";
        project = (dir / "moved" / "scene.ini").string();
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    std::string project;
};

TEST_F(FindFile, StoredPathWinsWhenItIsAFile) {
    const std::string stored = (dir / "old" / "castle.koa").string();
    EXPECT_EQ(project_find_file(stored, project.c_str()), stored);
}

TEST_F(FindFile, MissingFileIsLookedForBesideTheProject) {
    fs::remove(dir / "old" / "castle.koa");
    EXPECT_EQ(project_find_file((dir / "old" / "castle.koa").string(), project.c_str()),
              (dir / "moved" / "castle.koa").string());
}

TEST_F(FindFile, FolderOfThatNameIsNoFile) {
    fs::remove(dir / "old" / "castle.koa");
    fs::create_directories(dir / "old" / "castle.koa");
    EXPECT_EQ(project_find_file((dir / "old" / "castle.koa").string(), project.c_str()),
              (dir / "moved" / "castle.koa").string());
}

TEST_F(FindFile, NullNameLeadsBesideTheProjectToo) {
    EXPECT_EQ(project_find_file("(NULL)", project.c_str()), (dir / "moved" / "(NULL)").string());
}

struct BaseCase {
    const char *name;
    const char *colors_group; // null: no [colors] group at all
    int expected;
};

class BorderColour : public ::testing::TestWithParam<BaseCase> {};

TEST_P(BorderColour, BaseIsReducedByTheTruncatingRemainder) {
    std::string text = "[picture]\nfile=(NULL)\n";
    if (GetParam().colors_group != nullptr) {
        text += std::string("[colors]\n") + GetParam().colors_group;
    }
    const GKeyFilePtr key_file = parse(text);
    ASSERT_TRUE(key_file);
    int border = 7;
    project_read_border_color(key_file.get(), &border);
    EXPECT_EQ(border, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, BorderColour,
                         ::testing::Values(BaseCase{"InRange", "base=14\n", 14},
                                           BaseCase{"Seventeen", "base=17\n", 1},
                                           BaseCase{"Sixteen", "base=16\n", 0},
                                           BaseCase{"NegativeStaysNegative", "base=-17\n", -1},
                                           BaseCase{"NotANumber", "base=red\n", 0},
                                           BaseCase{"MissingKey", "other=3\n", 7},
                                           BaseCase{"NoGroup", nullptr, 7}),
                         [](const auto &info) { return std::string{info.param.name}; });

TEST(FileValue, MissingKeyOrGroupGivesNothing) {
    const GKeyFilePtr key_file = parse("[picture]\nfile=file:///a.koa\n[sprites]\nother=1\n");
    ASSERT_TRUE(key_file);
    std::string value = "unchanged";
    EXPECT_TRUE(project_get_file_value(key_file.get(), "picture", &value));
    EXPECT_EQ(value, "file:///a.koa");
    value = "unchanged";
    EXPECT_FALSE(project_get_file_value(key_file.get(), "sprites", &value));
    EXPECT_FALSE(project_get_file_value(key_file.get(), "colors", &value));
    EXPECT_EQ(value, "unchanged");
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

INSTANTIATE_TEST_SUITE_P(
    Paths, SuggestedNames,
    ::testing::Values(
        NameCase{"Picture", nullptr, "/pics/castle.koa", "castle.ini", "castle.png"},
        NameCase{"TwoDots", nullptr, "/pics/my.pic.koa", "my.pic.ini", "my.pic.png"},
        NameCase{"NoExtension", nullptr, "/pics/castle", "castle.ini", "castle.png"},
        NameCase{"DotBeforeBackslash", nullptr, "/pics/a.b\\c", "a.b\\c.ini", "a.b\\c.png"},
        NameCase{"DotAfterBackslash", nullptr, "/pics/a\\b.c", "a\\b.ini", "a\\b.png"},
        NameCase{"ProjectKeepsItsName", "/work/scene.INI", "/pics/castle.koa", "scene.INI",
                 "scene.png"},
        NameCase{"Neither", nullptr, nullptr, "", ""}),
    [](const auto &info) { return std::string{info.param.name}; });

TEST(SuggestedNames, ExecutableNameFollowsThePicture) {
    EXPECT_EQ(project_get_suggested_export_name(nullptr, "/pics/welcome.pet", ".prg"),
              "welcome.prg");
}

struct ExtensionCase {
    const char *chosen;
    const char *saved;
};

class IniExtension : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(IniExtension, OnlyExactLowerOrUpperCaseIsKept) {
    EXPECT_EQ(project_add_ini_extension(GetParam().chosen), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(Names, IniExtension,
                         ::testing::Values(ExtensionCase{"/w/scene", "/w/scene.ini"},
                                           ExtensionCase{"/w/scene.ini", "/w/scene.ini"},
                                           ExtensionCase{"/w/scene.INI", "/w/scene.INI"},
                                           ExtensionCase{"/w/scene.Ini", "/w/scene.Ini.ini"},
                                           ExtensionCase{"/w/scene.ini.bak",
                                                         "/w/scene.ini.bak.ini"},
                                           ExtensionCase{"ini", "ini.ini"}));

// The example projects in the repository, found from this file's place in it.
fs::path examples_dir() {
    std::string path = __FILE__;
    path.erase(path.rfind("/tests/unit/"));
    return fs::path(path) / "examples";
}

class ExampleProject : public ::testing::TestWithParam<const char *> {
  protected:
    void TearDown() override { sprites_module_init(); }
};

// What the generator wrote is what the editor itself writes for the same project.
TEST_P(ExampleProject, IsWhatTheWriterProduces) {
    const fs::path project = examples_dir() / (std::string(GetParam()) + ".ini");
    const std::string original = read_file(project);
    if (original.empty()) {
        GTEST_SKIP() << "example project not available: " << project;
    }
    const GKeyFilePtr key_file = parse(original);
    ASSERT_TRUE(key_file);
    std::string picture_uri;
    std::string sprites_uri;
    ASSERT_TRUE(project_get_file_value(key_file.get(), "picture", &picture_uri));
    ASSERT_TRUE(project_get_file_value(key_file.get(), "sprites", &sprites_uri));
    const std::string sprites =
        project_find_file(project_get_path_from_uri(sprites_uri.c_str()), project.c_str());
    ASSERT_EQ(sprites, (examples_dir() / "shapes.prg").string());
    ASSERT_EQ(spritesdecoder_decode_sprites_file(sprites.c_str(), sprites_attribute_format_ignore,
                                                 1, nullptr),
              1);
    sprites_init_from_key_file(key_file.get());
    int border = 99;
    project_read_border_color(key_file.get(), &border);

    const GKeyFilePtr rewritten = parse(
        project_get_file_text(project_get_path_from_uri(picture_uri.c_str()).c_str(),
                              project_get_path_from_uri(sprites_uri.c_str()).c_str(), border));
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(written_by_glib(rewritten.get()), original);
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleProject, ::testing::Values("sunset", "welcome"));

} // namespace
