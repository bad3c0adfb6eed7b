// The preferences: start values, the whole user.ini text, and what reading it accepts.

#include "core/options.hpp"

#include "test_support.hpp"

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using test_support::read_text;

auto option_values() {
    return std::tuple(
        options_palette, options_expansion, options_selection_method, options_transition,
        options_sprite_attribute_byte_format, options_reencode_graphics, options_window_position,
        options_picture_dir_string, options_sprites_dir_string, options_export_png_dir_string,
        options_export_dir_string, utf8_path_configfile);
}

// Taken before any test runs: the values the program starts with, which the tests' reset restores.
const auto start_options = option_values();
const auto start_picture = std::tuple(picture_data.border_color, picture_data.format);

TEST(StartValues, AreWhatTheTestsResetToAndNoPicture) {
    options_reset_to_start_values();
    EXPECT_EQ(option_values(), start_options);
    EXPECT_EQ(start_picture, std::tuple(-1, picture_format_none));
}

void replace_string(gchar **variable, const char *value) {
    g_free(*variable);
    *variable = g_strdup(value);
}

std::string file_uri(const fs::path &path) {
    return GCharPtr{g_filename_to_uri(path.c_str(), nullptr, nullptr)}.get();
}

// The text with the line of each key replaced by the new line of that key.
std::string with(std::string text, const std::vector<std::string> &lines) {
    for (const std::string &line : lines) {
        const auto start = text.find("\n" + line.substr(0, line.find('=') + 1)) + 1;
        text.replace(start, text.find('\n', start) - start, line);
    }
    return text;
}

auto integers() {
    return std::tuple(options_palette, options_expansion, options_selection_method,
                      options_transition, options_sprite_attribute_byte_format,
                      options_reencode_graphics);
}

const std::string default_text =
    "# C64 Sidewell config file - do NOT edit\n\n"
    "[directories]\npicture_dir=(NULL)\nsprites_dir=(NULL)\nexport_png_dir=(NULL)\n"
    "export_dir=(NULL)\n\n"
    "[interface]\npalette=0\nexpansion=1\nselection_method=0\ntransition=0\n\n"
    "[sprites]\nsprite_attribute_byte_format=0\n\n"
    "[misc]\nreencode_graphics=false\n\n"
    "[application]\nposition=123;-45;\n";

// The first start writes the defaults into a private folder made with its parents; every
// setting is written in group order and read back; a value out of range reads as its default.
TEST(OptionsFile, EverySettingIsWrittenInGroupOrderAndSurvivesARoundTrip) {
    const test_support::TempDir dir;
    const fs::path root = dir.path;
    const fs::path file = root / "not yet" / "c64-sidewell" / "user.ini";
    const auto start = [&] { options_module_init_in((root / "not yet").c_str()); };
    options_set_position_source([](int *x, int *y) -> gboolean {
        *x = 123;
        *y = -45;
        return TRUE;
    });
    start();
    struct stat info {};
    ASSERT_EQ(stat(file.parent_path().c_str(), &info), 0);
    EXPECT_EQ(std::tuple(info.st_mode & 07777, read_text(file)), std::tuple(0700u, default_text));
    const fs::path pictures = root / "my pictures";
    const fs::path sprites = root / "sprites \u00fcn\u00efcode";
    fs::create_directory(pictures);
    fs::create_directory(sprites);
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
        read_text(file),
        with(default_text,
             {"picture_dir=" + file_uri(pictures), "sprites_dir=" + file_uri(sprites),
              "export_png_dir=" + file_uri(root), "palette=3", "expansion=4", "selection_method=2",
              "transition=1", "sprite_attribute_byte_format=1", "reencode_graphics=true"}));
    const auto written = option_values();
    options_reset_to_start_values();
    start();
    EXPECT_EQ(integers(), std::tuple(3, 4, 2, 1, 1, TRUE));
    EXPECT_EQ(std::tuple(std::string(options_picture_dir_string),
                         std::string(options_sprites_dir_string),
                         std::string(options_export_png_dir_string), options_export_dir_string,
                         options_window_position[0], options_window_position[1]),
              std::tuple(pictures.string(), sprites.string(), root.string(), nullptr, 123, -45));
    EXPECT_NE(written, option_values());
    const std::string out_of_range =
        with(default_text, {"palette=4", "expansion=5", "selection_method=3", "transition=2",
                            "sprite_attribute_byte_format=2"});
    g_file_set_contents(file.c_str(), out_of_range.c_str(), -1, nullptr);
    start();
    EXPECT_EQ(integers(), std::tuple(0, 1, 0, 0, 0, FALSE));
    options_reset_to_start_values();
    replace_string(&utf8_path_configfile, nullptr);
    options_set_position_source(nullptr);
}

} // namespace
