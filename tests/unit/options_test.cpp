#include "core/options.hpp"

#include "../options_reset.hpp"
#include "test_support.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

using test_support::read_text;

constexpr int fake_x = 123;
constexpr int fake_y = 45;

gboolean fake_window_position(int *x, int *y) {
    *x = fake_x;
    *y = fake_y;
    return TRUE;
}

void write_text(const fs::path &path, const std::string &text) {
    g_file_set_contents(path.c_str(), text.c_str(), static_cast<gssize>(text.size()), nullptr);
}

void replace_string(gchar **variable, const char *value) {
    g_free(*variable);
    *variable = g_strdup(value);
}

std::string file_uri(const fs::path &path) {
    const GCharPtr uri{g_filename_to_uri(path.c_str(), nullptr, nullptr)};
    return uri.get();
}

// The text with the line of each key replaced by the new line of that key.
std::string with(std::string text, const std::vector<std::string> &lines) {
    for (const std::string &line : lines) {
        const auto start = text.find("\n" + line.substr(0, line.find('=') + 1)) + 1;
        text.replace(start, text.find('\n', start) - start, line);
    }
    return text;
}

// Puts every option back to its value at process start.
void reset_options() {
    options_reset_to_start_values();
    replace_string(&utf8_path_configfile, nullptr);
}

class OptionsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        root = dir.path();
        reset_options();
        options_set_position_source(fake_window_position);
    }
    void TearDown() override {
        reset_options();
        options_set_position_source(nullptr);
    }

    // Not there yet: the preferences folder is made with its parents.
    fs::path config_dir() const { return root / "config" / "not yet"; }
    fs::path folder() const { return config_dir() / "c64-sidewell"; }
    fs::path file() const { return folder() / "user.ini"; }
    void start() const { options_module_init_in(config_dir().c_str()); }

    // Writes a preferences file of the given text and starts up on it.
    void start_with(const std::string &text) const {
        fs::create_directories(folder());
        write_text(file(), text);
        start();
    }

    test_support::TempDir dir;
    fs::path root;
};

constexpr const char *default_text =
    "# C64 Sidewell config file - do NOT edit\n\n"
    "[directories]\npicture_dir=(NULL)\nsprites_dir=(NULL)\nexport_png_dir=(NULL)\n"
    "export_dir=(NULL)\n\n"
    "[interface]\npalette=0\nexpansion=1\nselection_method=0\ntransition=0\n\n"
    "[sprites]\nsprite_attribute_byte_format=0\n\n"
    "[misc]\nreencode_graphics=false\n\n"
    "[application]\nposition=123;45;\n";

TEST_F(OptionsFile, FirstStartCreatesPrivateFolderAndDefaultFile) {
    start();
    struct stat info {};
    ASSERT_EQ(stat(folder().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(std::string(utf8_path_configfile), file().string());
    EXPECT_EQ(read_text(file()), default_text);
}

TEST_F(OptionsFile, EverySettingIsWrittenInGroupOrderAndSurvivesARoundTrip) {
    const fs::path pictures = root / "my pictures";
    const fs::path sprites = root / "sprites \u00fcn\u00efcode";
    for (const fs::path &folder : {pictures, sprites})
        fs::create_directory(folder);
    start();
    replace_string(&options_picture_dir_string, pictures.c_str());
    replace_string(&options_sprites_dir_string, sprites.c_str());
    replace_string(&options_export_png_dir_string, root.c_str());
    options_palette = 3;
    options_expansion = 4;
    options_selection_method = 2;
    options_transition = 1;
    options_sprite_attribute_byte_format = 1;
    options_reencode_graphics = TRUE;
    ASSERT_TRUE(options_save_to_file());

    EXPECT_EQ(
        read_text(file()),
        with(default_text,
             {"picture_dir=" + file_uri(pictures), "sprites_dir=" + file_uri(sprites),
              "export_png_dir=" + file_uri(root), "palette=3", "expansion=4", "selection_method=2",
              "transition=1", "sprite_attribute_byte_format=1", "reencode_graphics=true"}));
    EXPECT_NE(read_text(file()).find("my%20pictures"), std::string::npos);

    reset_options();
    start();
    EXPECT_STREQ(options_picture_dir_string, pictures.c_str());
    EXPECT_STREQ(options_sprites_dir_string, sprites.c_str());
    EXPECT_STREQ(options_export_png_dir_string, root.c_str());
    EXPECT_EQ(options_export_dir_string, nullptr);
    EXPECT_EQ(std::tuple(options_palette, options_expansion, options_selection_method,
                         options_transition, options_sprite_attribute_byte_format,
                         options_reencode_graphics),
              std::tuple(3, 4, 2, 1, 1, TRUE));
    ASSERT_NE(options_window_position, nullptr);
    EXPECT_EQ(std::tuple(options_window_position[0], options_window_position[1]),
              std::tuple(fake_x, fake_y));
}

// No [application] group without a position source; a reencode flag of 2 is written as false.
TEST_F(OptionsFile, WithoutPositionSourceNoPositionIsWrittenAndOnlyOneIsTrue) {
    options_set_position_source(nullptr);
    start();
    options_reencode_graphics = 2;
    ASSERT_TRUE(options_save_to_file());
    const std::string text = default_text;
    EXPECT_EQ(read_text(file()), text.substr(0, text.find("\n[application]")));
}

struct ValueCase {
    const char *line; // in its group
    int *variable;
    int before; // a value the variable holds before reading, to see it replaced
    int expected;
};

void PrintTo(const ValueCase &c, std::ostream *os) {
    *os << c.line;
}

class OptionsValue : public OptionsFile, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(OptionsValue, IsAcceptedOrReplacedByItsDefault) {
    const ValueCase &c = GetParam();
    *c.variable = c.before;
    start_with(with(default_text, {c.line}));
    EXPECT_EQ(*c.variable, c.expected);
}

const ValueCase value_cases[] = {
    {"palette=3", &options_palette, 0, 3},
    {"palette=7", &options_palette, 2, 0},
    {"palette=-1", &options_palette, 2, 0},
    {"palette=pepto", &options_palette, 2, 0},
    {"palette=99999999999", &options_palette, 2, 0},
    {"expansion=4", &options_expansion, 1, 4},
    {"expansion=0", &options_expansion, 3, 1},
    {"expansion=5", &options_expansion, 3, 1},
    {"expansion=big", &options_expansion, 3, 1},
    {"selection_method=2", &options_selection_method, 0, 2},
    {"selection_method=3", &options_selection_method, 1, 0},
    {"transition=1", &options_transition, 0, 1},
    {"transition=2", &options_transition, 1, 0},
    {"sprite_attribute_byte_format=1", &options_sprite_attribute_byte_format, 0, 1},
    {"sprite_attribute_byte_format=-1", &options_sprite_attribute_byte_format, 1, 0},
    {"reencode_graphics=true", &options_reencode_graphics, 0, 1},
    {"reencode_graphics=1", &options_reencode_graphics, 0, 1},
    {"reencode_graphics=0", &options_reencode_graphics, 1, 0},
    {"reencode_graphics=yes", &options_reencode_graphics, 1, 0},
};

INSTANTIATE_TEST_SUITE_P(Acceptance, OptionsValue, ::testing::ValuesIn(value_cases));

// An existing file is read, not overwritten.
TEST_F(OptionsFile, MissingKeysTakeTheirDefaultsAndFoldersAreKept) {
    replace_string(&options_picture_dir_string, root.c_str());
    options_expansion = 3;
    options_selection_method = 2;
    options_transition = 1;
    options_sprite_attribute_byte_format = 1;
    options_reencode_graphics = TRUE;

    const std::string text = "# mine\n[interface]\nzoom_is_not_a_key=1\npalette=2\n";
    start_with(text);
    EXPECT_EQ(read_text(file()), text);

    EXPECT_EQ(std::tuple(options_palette, options_expansion, options_selection_method,
                         options_transition, options_sprite_attribute_byte_format,
                         options_reencode_graphics),
              std::tuple(2, 1, 0, 0, 0, FALSE));
    EXPECT_STREQ(options_picture_dir_string, root.c_str());
}

// A list of any length but 2 is ignored; no key keeps the position from before.
TEST_F(OptionsFile, PositionIsTakenOnlyFromAListOfTwo) {
    using Position = std::optional<std::pair<int, int>>;
    const std::pair<const char *, Position> lists[] = {{"position=300;200;", std::pair{300, 200}},
                                                       {"position=-5;-6;", std::pair{-5, -6}},
                                                       {"position=1;2;3;", std::nullopt},
                                                       {"position=1;", std::nullopt},
                                                       {"position=", std::nullopt},
                                                       {"position=a;b;", std::nullopt},
                                                       {"", std::pair{7, 8}}};
    for (const auto &[line, position] : lists) {
        g_free(options_window_position);
        options_window_position = g_new(int, 2);
        options_window_position[0] = 7;
        options_window_position[1] = 8;
        start_with(std::string("[interface]\npalette=0\n[application]\n") + line + "\n");
        EXPECT_EQ(options_window_position
                      ? Position{std::pair(options_window_position[0], options_window_position[1])}
                      : std::nullopt,
                  position)
            << line;
    }
}

TEST_F(OptionsFile, UnparsableFileChangesNothingAndIsReplacedByTheNextWrite) {
    options_palette = 2;
    options_expansion = 3;
    start_with("this is [not a key file\n=\n");
    EXPECT_EQ(std::tuple(options_palette, options_expansion), std::tuple(2, 3));
    EXPECT_EQ(options_window_position, nullptr);
    ASSERT_TRUE(options_save_to_file());
    EXPECT_EQ(read_text(file()), with(default_text, {"palette=2", "expansion=3"}));
}

TEST_F(OptionsFile, VanishedOrUnsetFoldersAreIgnoredAndWrittenAsNull) {
    const fs::path gone = root / "gone";
    fs::create_directory(gone);
    const std::string gone_uri = file_uri(gone);
    fs::remove(gone);

    start_with("[directories]\npicture_dir=" + gone_uri +
               "\nsprites_dir=(NULL)\nexport_png_dir=not a uri\nexport_dir=" +
               file_uri(root / "user.ini") + "\n");

    for (gchar *folder : {options_picture_dir_string, options_sprites_dir_string,
                          options_export_png_dir_string, options_export_dir_string})
        EXPECT_EQ(folder, nullptr);
    ASSERT_TRUE(options_save_to_file());
    EXPECT_EQ(read_text(file()), default_text);
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

TEST_F(OptionsFile, AFailedWriteReturnsFalse) {
    start();
    replace_string(&utf8_path_configfile, (root / "missing" / "user.ini").c_str());
    EXPECT_FALSE(options_save_to_file());
}

} // namespace
