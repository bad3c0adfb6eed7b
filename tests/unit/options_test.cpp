#include "core/glib_ptr.hpp"
#include "core/options.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int fake_x = 123;
constexpr int fake_y = 45;

gboolean fake_window_position(int *x, int *y) {
    *x = fake_x;
    *y = fake_y;
    return TRUE;
}

std::string read_text(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_text(const fs::path &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

void replace_string(gchar **variable, const char *value) {
    g_free(*variable);
    *variable = g_strdup(value);
}

std::string file_uri(const fs::path &path) {
    GCharPtr uri{g_filename_to_uri(path.c_str(), nullptr, nullptr)};
    return uri.get();
}

// Puts every option back to its value at process start.
void reset_options() {
    options_palette = 0;
    options_expansion = 1;
    options_selection_method = 0;
    options_transition = 0;
    options_sprite_attribute_byte_format = 0;
    options_reencode_graphics = FALSE;
    g_free(options_window_position);
    options_window_position = nullptr;
    for (gchar **folder : {&options_picture_dir_string, &options_sprites_dir_string,
                           &options_export_png_dir_string, &options_export_dir_string}) {
        replace_string(folder, nullptr);
    }
    replace_string(&utf8_path_configfile, nullptr);
}

class OptionsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        GCharPtr dir{g_dir_make_tmp("sidewell-options-XXXXXX", nullptr)};
        ASSERT_TRUE(dir);
        root = dir.get();
        config_dir = root / "config";
        fs::create_directory(config_dir);
        reset_options();
        options_set_position_source(fake_window_position);
    }
    void TearDown() override {
        reset_options();
        options_set_position_source(nullptr);
        fs::remove_all(root);
    }

    fs::path folder() const { return config_dir / "c64-sidewell"; }
    fs::path file() const { return folder() / "user.ini"; }

    // Writes a preferences file of the given text and starts up on it.
    void start_with(const std::string &text) {
        fs::create_directory(folder());
        write_text(file(), text);
        options_module_init_in(config_dir.c_str());
    }

    fs::path root;
    fs::path config_dir;
};

constexpr const char *default_text = "# C64 Sidewell config file - do NOT edit\n"
                                     "\n"
                                     "[directories]\n"
                                     "picture_dir=(NULL)\n"
                                     "sprites_dir=(NULL)\n"
                                     "export_png_dir=(NULL)\n"
                                     "export_dir=(NULL)\n"
                                     "\n"
                                     "[interface]\n"
                                     "palette=0\n"
                                     "expansion=1\n"
                                     "selection_method=0\n"
                                     "transition=0\n"
                                     "\n"
                                     "[sprites]\n"
                                     "sprite_attribute_byte_format=0\n"
                                     "\n"
                                     "[misc]\n"
                                     "reencode_graphics=false\n"
                                     "\n"
                                     "[application]\n"
                                     "position=123;45;\n";

TEST_F(OptionsFile, FirstStartCreatesPrivateFolderAndDefaultFile) {
    options_module_init_in(config_dir.c_str());

    struct stat info {};
    ASSERT_EQ(stat(folder().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(std::string(utf8_path_configfile), file().string());
    EXPECT_EQ(read_text(file()), default_text);
}

TEST_F(OptionsFile, ConfigFolderIsCreatedWithItsParents) {
    const fs::path deeper = config_dir / "not" / "yet";
    options_module_init_in(deeper.c_str());
    EXPECT_TRUE(fs::exists(deeper / "c64-sidewell" / "user.ini"));
}

TEST_F(OptionsFile, WrittenTextHoldsEveryValueInGroupOrder) {
    const fs::path pictures = root / "my pictures";
    fs::create_directory(pictures);
    options_module_init_in(config_dir.c_str());
    replace_string(&options_picture_dir_string, pictures.c_str());
    replace_string(&options_export_dir_string, root.c_str());
    options_palette = 3;
    options_expansion = 4;
    options_selection_method = 2;
    options_transition = 1;
    options_sprite_attribute_byte_format = 1;
    options_reencode_graphics = TRUE;

    ASSERT_TRUE(options_save_to_file());

    const std::string expected = "# C64 Sidewell config file - do NOT edit\n"
                                 "\n"
                                 "[directories]\n"
                                 "picture_dir=" +
                                 file_uri(pictures) +
                                 "\n"
                                 "sprites_dir=(NULL)\n"
                                 "export_png_dir=(NULL)\n"
                                 "export_dir=" +
                                 file_uri(root) +
                                 "\n"
                                 "\n"
                                 "[interface]\n"
                                 "palette=3\n"
                                 "expansion=4\n"
                                 "selection_method=2\n"
                                 "transition=1\n"
                                 "\n"
                                 "[sprites]\n"
                                 "sprite_attribute_byte_format=1\n"
                                 "\n"
                                 "[misc]\n"
                                 "reencode_graphics=true\n"
                                 "\n"
                                 "[application]\n"
                                 "position=123;45;\n";
    EXPECT_EQ(read_text(file()), expected);
    EXPECT_NE(expected.find("my%20pictures"), std::string::npos);
}

TEST_F(OptionsFile, ReencodeIsWrittenTrueOnlyForExactlyOne) {
    options_module_init_in(config_dir.c_str());
    options_reencode_graphics = 2;
    ASSERT_TRUE(options_save_to_file());
    EXPECT_NE(read_text(file()).find("reencode_graphics=false\n"), std::string::npos);
}

TEST_F(OptionsFile, WithoutPositionSourceNoPositionIsWritten) {
    options_set_position_source(nullptr);
    options_module_init_in(config_dir.c_str());
    const std::string text = read_text(file());
    EXPECT_EQ(text.find("[application]"), std::string::npos);
    EXPECT_NE(text.find("reencode_graphics=false"), std::string::npos);
}

TEST_F(OptionsFile, EverySettingSurvivesARoundTrip) {
    const fs::path pictures = root / "pictures";
    const fs::path sprites = root / "sprites ünïcode";
    const fs::path png = root / "png";
    const fs::path prg = root / "prg";
    for (const fs::path &dir : {pictures, sprites, png, prg}) {
        fs::create_directory(dir);
    }
    options_module_init_in(config_dir.c_str());
    replace_string(&options_picture_dir_string, pictures.c_str());
    replace_string(&options_sprites_dir_string, sprites.c_str());
    replace_string(&options_export_png_dir_string, png.c_str());
    replace_string(&options_export_dir_string, prg.c_str());
    options_palette = 2;
    options_expansion = 3;
    options_selection_method = 1;
    options_transition = 1;
    options_sprite_attribute_byte_format = 1;
    options_reencode_graphics = TRUE;
    ASSERT_TRUE(options_save_to_file());

    reset_options();
    options_module_init_in(config_dir.c_str());

    EXPECT_STREQ(options_picture_dir_string, pictures.c_str());
    EXPECT_STREQ(options_sprites_dir_string, sprites.c_str());
    EXPECT_STREQ(options_export_png_dir_string, png.c_str());
    EXPECT_STREQ(options_export_dir_string, prg.c_str());
    EXPECT_EQ(options_palette, 2);
    EXPECT_EQ(options_expansion, 3);
    EXPECT_EQ(options_selection_method, 1);
    EXPECT_EQ(options_transition, 1);
    EXPECT_EQ(options_sprite_attribute_byte_format, 1);
    EXPECT_EQ(options_reencode_graphics, TRUE);
    ASSERT_NE(options_window_position, nullptr);
    EXPECT_EQ(options_window_position[0], fake_x);
    EXPECT_EQ(options_window_position[1], fake_y);
}

struct ValueCase {
    const char *group;
    const char *key;
    const char *written;
    int *variable;
    int before; // a value the variable holds before reading, to see it replaced
    int expected;
};

void PrintTo(const ValueCase &c, std::ostream *os) {
    *os << c.key << "=" << c.written;
}

class OptionsValue : public OptionsFile, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(OptionsValue, IsAcceptedOrReplacedByItsDefault) {
    const ValueCase &c = GetParam();
    *c.variable = c.before;
    start_with(std::string("[") + c.group + "]\n" + c.key + "=" + c.written + "\n");
    EXPECT_EQ(*c.variable, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Acceptance, OptionsValue,
    ::testing::Values(
        ValueCase{"interface", "palette", "3", &options_palette, 0, 3},
        ValueCase{"interface", "palette", "1", &options_palette, 2, 1},
        ValueCase{"interface", "palette", "7", &options_palette, 2, 0},
        ValueCase{"interface", "palette", "-1", &options_palette, 2, 0},
        ValueCase{"interface", "palette", "pepto", &options_palette, 2, 0},
        ValueCase{"interface", "palette", "99999999999", &options_palette, 2, 0},
        ValueCase{"interface", "expansion", "4", &options_expansion, 1, 4},
        ValueCase{"interface", "expansion", "0", &options_expansion, 3, 1},
        ValueCase{"interface", "expansion", "5", &options_expansion, 3, 1},
        ValueCase{"interface", "expansion", "-2", &options_expansion, 3, 1},
        ValueCase{"interface", "expansion", "big", &options_expansion, 3, 1},
        ValueCase{"interface", "selection_method", "2", &options_selection_method, 0, 2},
        ValueCase{"interface", "selection_method", "3", &options_selection_method, 1, 0},
        ValueCase{"interface", "transition", "1", &options_transition, 0, 1},
        ValueCase{"interface", "transition", "2", &options_transition, 1, 0},
        ValueCase{"sprites", "sprite_attribute_byte_format", "1",
                  &options_sprite_attribute_byte_format, 0, 1},
        ValueCase{"sprites", "sprite_attribute_byte_format", "-1",
                  &options_sprite_attribute_byte_format, 1, 0},
        ValueCase{"misc", "reencode_graphics", "true", &options_reencode_graphics, 0, 1},
        ValueCase{"misc", "reencode_graphics", "1", &options_reencode_graphics, 0, 1},
        ValueCase{"misc", "reencode_graphics", "0", &options_reencode_graphics, 1, 0},
        ValueCase{"misc", "reencode_graphics", "yes", &options_reencode_graphics, 1, 0}));

TEST_F(OptionsFile, MissingKeysTakeTheirDefaultsAndFoldersAreKept) {
    replace_string(&options_picture_dir_string, root.c_str());
    options_expansion = 3;
    options_selection_method = 2;
    options_transition = 1;
    options_sprite_attribute_byte_format = 1;
    options_reencode_graphics = TRUE;

    start_with("[interface]\npalette=2\n");

    EXPECT_EQ(options_palette, 2);
    EXPECT_EQ(options_expansion, 1);
    EXPECT_EQ(options_selection_method, 0);
    EXPECT_EQ(options_transition, 0);
    EXPECT_EQ(options_sprite_attribute_byte_format, 0);
    EXPECT_EQ(options_reencode_graphics, FALSE);
    EXPECT_STREQ(options_picture_dir_string, root.c_str());
}

struct PositionCase {
    const char *name;
    std::optional<std::string> line; // no line: the key is absent
    bool expect_position;
    int x;
    int y;
};

class OptionsPosition : public OptionsFile, public ::testing::WithParamInterface<PositionCase> {};

TEST_P(OptionsPosition, IsTakenOnlyFromAListOfTwo) {
    const PositionCase &c = GetParam();
    options_window_position = g_new(int, 2);
    options_window_position[0] = 7;
    options_window_position[1] = 8;

    start_with("[interface]\npalette=0\n" + (c.line ? "[application]\n" + *c.line + "\n" : ""));

    if (!c.expect_position) {
        EXPECT_EQ(options_window_position, nullptr);
        return;
    }
    ASSERT_NE(options_window_position, nullptr);
    EXPECT_EQ(options_window_position[0], c.x);
    EXPECT_EQ(options_window_position[1], c.y);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, OptionsPosition,
    ::testing::Values(PositionCase{"two", "position=300;200;", true, 300, 200},
                      PositionCase{"negative", "position=-5;-6;", true, -5, -6},
                      PositionCase{"three", "position=1;2;3;", false, 0, 0},
                      PositionCase{"one", "position=1;", false, 0, 0},
                      PositionCase{"empty", "position=", false, 0, 0},
                      PositionCase{"not_numbers", "position=a;b;", false, 0, 0},
                      PositionCase{"absent_keeps_old", std::nullopt, true, 7, 8}),
    [](const ::testing::TestParamInfo<PositionCase> &info) { return info.param.name; });

TEST_F(OptionsFile, UnparsableFileChangesNothingAndIsReplacedByTheNextWrite) {
    options_palette = 2;
    options_expansion = 3;

    start_with("this is [not a key file\n=\n");

    EXPECT_EQ(options_palette, 2);
    EXPECT_EQ(options_expansion, 3);
    EXPECT_EQ(options_window_position, nullptr);
    ASSERT_TRUE(options_save_to_file());
    GKeyFilePtr key_file{g_key_file_new()};
    EXPECT_TRUE(
        g_key_file_load_from_file(key_file.get(), file().c_str(), G_KEY_FILE_NONE, nullptr));
    EXPECT_EQ(g_key_file_get_integer(key_file.get(), "interface", "expansion", nullptr), 3);
}

TEST_F(OptionsFile, VanishedOrUnsetFoldersAreIgnoredAndWrittenAsNull) {
    const fs::path gone = root / "gone";
    fs::create_directory(gone);
    const std::string gone_uri = file_uri(gone);
    fs::remove(gone);

    start_with("[directories]\npicture_dir=" + gone_uri +
               "\nsprites_dir=(NULL)\nexport_png_dir=not a uri\nexport_dir=" +
               file_uri(root / "user.ini") + "\n");

    EXPECT_EQ(options_picture_dir_string, nullptr);
    EXPECT_EQ(options_sprites_dir_string, nullptr);
    EXPECT_EQ(options_export_png_dir_string, nullptr);
    EXPECT_EQ(options_export_dir_string, nullptr);
    ASSERT_TRUE(options_save_to_file());
    EXPECT_NE(read_text(file()).find("picture_dir=(NULL)\n"), std::string::npos);
}

TEST_F(OptionsFile, AFolderThatCannotBeCreatedSendsTheFileToTheCurrentFolder) {
    const fs::path blocker = root / "plain-file";
    write_text(blocker, "not a folder");
    const fs::path working = root / "working";
    fs::create_directory(working);
    const fs::path previous = fs::current_path();
    fs::current_path(working);

    options_module_init_in((blocker / "config").c_str());

    fs::current_path(previous);
    EXPECT_EQ(std::string(utf8_path_configfile), (working / "user.ini").string());
    EXPECT_EQ(read_text(working / "user.ini"), default_text);
}

TEST_F(OptionsFile, AnExistingFileIsReadNotOverwritten) {
    const std::string text = "# mine\n[interface]\nzoom_is_not_a_key=1\nexpansion=2\n";
    start_with(text);
    EXPECT_EQ(options_expansion, 2);
    EXPECT_EQ(read_text(file()), text);
}

TEST_F(OptionsFile, FailedWriteReturnsFalse) {
    options_module_init_in(config_dir.c_str());
    replace_string(&utf8_path_configfile, (root / "missing" / "user.ini").c_str());
    EXPECT_FALSE(options_save_to_file());
}

} // namespace
