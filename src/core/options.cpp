#include "core/options.hpp"

#include "core/glib_ptr.hpp"
#include "core/i18n.hpp"

#include <glib/gstdio.h>

#include <array>

namespace {

constexpr const char *config_folder_name = "c64-sidewell";
constexpr const char *config_file_name = "user.ini";
constexpr int config_folder_mode = 0700; // the preferences are the owner's business only
constexpr const char *config_header = "# C64 Sidewell config file - do NOT edit\n";
constexpr const char *unset_folder = "(NULL)";

constexpr const char *group_directories = "directories";
constexpr const char *group_misc = "misc";
constexpr const char *group_application = "application";
constexpr const char *key_reencode_graphics = "reencode_graphics";
constexpr const char *key_follow_files = "follow_files";
constexpr const char *key_position = "position";

struct FolderKey {
    const char *key;
    gchar **variable;
};

constexpr std::array<FolderKey, 4> folder_keys{{
    {"picture_dir", &options_picture_dir_string},
    {"sprites_dir", &options_sprites_dir_string},
    {"export_png_dir", &options_export_png_dir_string},
    {"export_dir", &options_export_dir_string},
}};

// An integer preference and the values it accepts; anything else falls back to the default.
struct IntegerKey {
    const char *group;
    const char *key;
    int *variable;
    unsigned lowest;
    unsigned highest;
    int fallback;
};

constexpr std::array<IntegerKey, 5> integer_keys{{
    {"interface", "palette", &options_palette, 0, 3, 0},
    {"interface", "expansion", &options_expansion, 1, 4, 1},
    {"interface", "selection_method", &options_selection_method, 0, 2, 0},
    {"interface", "transition", &options_transition, 0, 1, 0},
    {"sprites", "sprite_attribute_byte_format", &options_sprite_attribute_byte_format, 0, 1, 0},
}};

OptionsPositionSource position_source = nullptr;

// The folder as a file URI, or "(NULL)" when it is unset or cannot be expressed as one.
GCharPtr folder_as_uri(const gchar *utf8_folder) {
    if (utf8_folder != nullptr) {
        GCharPtr filename = glib_filename_from_utf8(utf8_folder);
        if (filename) {
            GCharPtr uri{g_filename_to_uri(filename.get(), nullptr, nullptr)};
            if (uri) {
                return uri;
            }
        }
    }
    return GCharPtr{g_strdup(unset_folder)};
}

void read_position(GKeyFile *key_file) {
    if (!g_key_file_has_key(key_file, group_application, key_position, nullptr)) {
        return;
    }
    gsize length{};
    std::unique_ptr<gint, GFreeDeleter> list{
        g_key_file_get_integer_list(key_file, group_application, key_position, &length, nullptr)};
    glib_replace(options_window_position, length == 2 ? list.release() : nullptr);
}

void read_folder(GKeyFile *key_file, const FolderKey &folder) {
    GCharPtr uri{g_key_file_get_string(key_file, group_directories, folder.key, nullptr)};
    if (!uri) {
        return;
    }
    GCharPtr filename{g_filename_from_uri(uri.get(), nullptr, nullptr)};
    if (!filename || !g_file_test(filename.get(), G_FILE_TEST_IS_DIR)) {
        return;
    }
    GCharPtr utf8 = glib_filename_to_utf8(filename.get());
    if (!utf8) {
        return;
    }
    glib_replace(*folder.variable, utf8.release());
}

void read_integer(GKeyFile *key_file, const IntegerKey &integer) {
    // A missing key or a non-number reads as 0; the unsigned check refuses negative numbers.
    const int value = g_key_file_get_integer(key_file, integer.group, integer.key, nullptr);
    const auto as_unsigned = static_cast<unsigned>(value);
    const bool accepted = as_unsigned >= integer.lowest && as_unsigned <= integer.highest;
    *integer.variable = accepted ? value : integer.fallback;
}

GStringPtr build_config_text() {
    GStringPtr text{g_string_new(config_header)};
    g_string_append_printf(text.get(), "[%s]\n", group_directories);
    for (const FolderKey &folder : folder_keys) {
        GCharPtr uri = folder_as_uri(*folder.variable);
        g_string_append_printf(text.get(), "%s=%s\n", folder.key, uri.get());
    }
    const char *group = nullptr;
    for (const IntegerKey &integer : integer_keys) {
        if (group == nullptr || g_strcmp0(group, integer.group) != 0) {
            group = integer.group;
            g_string_append_printf(text.get(), "[%s]\n", group);
        }
        g_string_append_printf(text.get(), "%s=%d\n", integer.key, *integer.variable);
    }
    g_string_append_printf(text.get(), "[%s]\n%s=%s\n%s=%s\n", group_misc, key_reencode_graphics,
                           options_reencode_graphics == 1 ? "true" : "false", key_follow_files,
                           options_follow_files == 1 ? "true" : "false");
    return text;
}

// Sets utf8_path_configfile to user.ini in the preferences folder below config_dir; with create,
// a missing folder is made (the current folder stands in when that fails).
void locate_config_file(const gchar *config_dir, bool create) {
    GCharPtr folder{g_build_filename(config_dir, tr(config_folder_name), nullptr)};
    if (create && !g_file_test(folder.get(), G_FILE_TEST_EXISTS) &&
        g_mkdir_with_parents(folder.get(), config_folder_mode) != 0) {
        folder.reset(g_get_current_dir());
    }
    GCharPtr path{g_build_filename(folder.get(), tr(config_file_name), nullptr)};
    GCharPtr utf8_path = glib_filename_to_utf8(path.get());
    glib_replace(utf8_path_configfile, utf8_path ? utf8_path.release() : path.release());
}

// Takes the preferences of an existing file; a missing or unreadable one changes nothing.
void read_config_file(const gchar *filename) {
    GKeyFilePtr key_file{g_key_file_new()};
    if (filename != nullptr &&
        g_key_file_load_from_file(key_file.get(), filename, G_KEY_FILE_KEEP_COMMENTS, nullptr)) {
        set_options_from_config(key_file.get());
    }
}

} // namespace

void options_set_position_source(OptionsPositionSource source) {
    position_source = source;
}

void options_module_init() {
    options_module_init_in(g_get_user_config_dir());
}

void options_module_init_in(const gchar *config_dir) {
    locate_config_file(config_dir, true);
    options_load_from_file();
}

void options_module_init_read_only(const gchar *config_dir) {
    locate_config_file(config_dir, false);
    if (utf8_path_configfile != nullptr) {
        read_config_file(glib_filename_from_utf8(utf8_path_configfile).get());
    }
}

void options_load_from_file() {
    if (utf8_path_configfile == nullptr) {
        return;
    }
    GCharPtr filename = glib_filename_from_utf8(utf8_path_configfile);
    if (!filename) {
        return;
    }
    if (!g_file_test(filename.get(), G_FILE_TEST_EXISTS)) {
        options_save_to_file();
        return;
    }
    read_config_file(filename.get());
}

void set_options_from_config(GKeyFile *key_file) {
    read_position(key_file);
    for (const FolderKey &folder : folder_keys) {
        read_folder(key_file, folder);
    }
    for (const IntegerKey &integer : integer_keys) {
        read_integer(key_file, integer);
    }
    options_reencode_graphics =
        g_key_file_get_boolean(key_file, group_misc, key_reencode_graphics, nullptr);
    // Files written before the key existed follow files, as a fresh start does.
    options_follow_files = !g_key_file_has_key(key_file, group_misc, key_follow_files, nullptr) ||
                           g_key_file_get_boolean(key_file, group_misc, key_follow_files, nullptr);
}

gboolean options_save_to_file() {
    GStringPtr text = build_config_text();
    GKeyFilePtr key_file{g_key_file_new()};
    // The text is our own and always parses.
    g_key_file_load_from_data(key_file.get(), text->str, text->len, G_KEY_FILE_KEEP_COMMENTS,
                              nullptr);
    std::array<gint, 2> position{};
    if (position_source != nullptr && position_source(&position[0], &position[1])) {
        g_key_file_set_integer_list(key_file.get(), group_application, key_position,
                                    position.data(), position.size());
    }
    if (utf8_path_configfile == nullptr) {
        return FALSE;
    }
    GCharPtr filename = glib_filename_from_utf8(utf8_path_configfile);
    gsize length{};
    GCharPtr data{g_key_file_to_data(key_file.get(), &length, nullptr)};
    return filename && data &&
           g_file_set_contents(filename.get(), data.get(), static_cast<gssize>(length), nullptr);
}
