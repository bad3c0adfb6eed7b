#include "core/project.hpp"

#include "core/glib_ptr.hpp"
#include "core/sprites.hpp"
#include "core/version.hpp"

namespace {

// The corner border register $D020 takes one of the 16 C64 colours.
constexpr int c64_colour_count = 16;

constexpr std::string_view ini_extension = ".ini";
constexpr std::string_view ini_extension_upper = ".INI";

enum class FileGroups { always, when_known };

void append_file_group(GString *text, const char *group, const gchar *utf8_path,
                       FileGroups groups) {
    if (groups == FileGroups::when_known && utf8_path == nullptr) {
        return;
    }
    g_string_append_printf(text, "[%s]\n", group);
    g_string_append_printf(text, "%s=%s\n", project_file_key,
                           project_get_file_uri(utf8_path).c_str());
}

std::string build_text(const gchar *utf8_picture_path, const gchar *utf8_sprites_path,
                       int border_color_index, FileGroups groups) {
    const GStringPtr text{g_string_new(nullptr)};
    g_string_append_printf(text.get(), "# %s project file - do NOT edit\n",
                           sidewell_name_and_version);
    append_file_group(text.get(), project_picture_group, utf8_picture_path, groups);
    append_file_group(text.get(), project_sprites_group, utf8_sprites_path, groups);
    sprites_get_config_string(text.get());
    g_string_append_printf(text.get(), "[%s]\n", project_colors_group);
    g_string_append_printf(text.get(), "%s=%d\n", project_base_key, border_color_index);
    return std::string(text->str, text->len);
}

std::string base_name_of(const gchar *utf8_path) {
    const GCharPtr base{g_path_get_basename(utf8_path)};
    return base.get();
}

bool ends_with(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

} // namespace

std::string project_get_file_text(const gchar *utf8_picture_path, const gchar *utf8_sprites_path,
                                  int border_color_index) {
    return build_text(utf8_picture_path, utf8_sprites_path, border_color_index, FileGroups::always);
}

std::string project_get_backup_text(const gchar *utf8_picture_path, const gchar *utf8_sprites_path,
                                    int border_color_index) {
    return build_text(utf8_picture_path, utf8_sprites_path, border_color_index,
                      FileGroups::when_known);
}

std::string project_get_file_uri(const gchar *utf8_path) {
    if (utf8_path == nullptr) {
        return project_no_file;
    }
    const GCharPtr filename = glib_filename_from_utf8(utf8_path);
    if (!filename) {
        return project_no_file;
    }
    const GCharPtr uri{g_filename_to_uri(filename.get(), nullptr, nullptr)};
    return uri ? uri.get() : project_no_file;
}

std::string project_get_path_from_uri(const gchar *value) {
    const GCharPtr filename{g_filename_from_uri(value, nullptr, nullptr)};
    if (!filename) {
        return value;
    }
    const GCharPtr utf8_path = glib_filename_to_utf8(filename.get());
    return utf8_path ? utf8_path.get() : value;
}

std::string project_find_file(const std::string &utf8_named_path, const gchar *utf8_project_path) {
    const GCharPtr filename = glib_filename_from_utf8(utf8_named_path.c_str());
    if (filename && g_file_test(filename.get(), G_FILE_TEST_IS_REGULAR)) {
        return utf8_named_path;
    }
    const GCharPtr folder{g_path_get_dirname(utf8_project_path)};
    const GCharPtr beside{
        g_build_filename(folder.get(), base_name_of(utf8_named_path.c_str()).c_str(), nullptr)};
    return beside.get();
}

bool project_get_file_value(GKeyFile *key_file, const char *group, std::string *out) {
    const GCharPtr value{g_key_file_get_string(key_file, group, project_file_key, nullptr)};
    if (!value) {
        return false;
    }
    *out = value.get();
    return true;
}

bool project_get_named_file(GKeyFile *key_file, const char *group, const gchar *utf8_project_path,
                            std::string *out) {
    std::string named;
    if (!project_get_file_value(key_file, group, &named)) {
        return false;
    }
    *out = project_find_file(project_get_path_from_uri(named.c_str()), utf8_project_path);
    return true;
}

void project_read_border_color(GKeyFile *key_file, int *border_color_index) {
    if (!g_key_file_has_key(key_file, project_colors_group, project_base_key, nullptr)) {
        return;
    }
    // A value that is no integer reads as 0, as GLib gives it.
    const gint value =
        g_key_file_get_integer(key_file, project_colors_group, project_base_key, nullptr);
    *border_color_index = project_reduce_border_color(value);
}

int project_reduce_border_color(int value) {
    return value % c64_colour_count;
}

std::string project_strip_extension(std::string_view base_name) {
    const auto dot = base_name.rfind('.');
    const auto backslash = base_name.rfind('\\');
    if (dot != std::string_view::npos && (backslash == std::string_view::npos || dot > backslash)) {
        base_name = base_name.substr(0, dot);
    }
    return std::string(base_name);
}

std::string project_get_suggested_project_name(const gchar *utf8_project_path,
                                               const gchar *utf8_picture_path) {
    if (utf8_project_path != nullptr) {
        return base_name_of(utf8_project_path);
    }
    return project_get_suggested_export_name(nullptr, utf8_picture_path, ini_extension);
}

std::string project_get_suggested_export_name(const gchar *utf8_project_path,
                                              const gchar *utf8_picture_path,
                                              std::string_view extension) {
    const gchar *named = utf8_project_path != nullptr ? utf8_project_path : utf8_picture_path;
    if (named == nullptr) {
        return {};
    }
    return project_strip_extension(base_name_of(named)) + std::string(extension);
}

std::string project_add_ini_extension(std::string_view name) {
    if (ends_with(name, ini_extension) || ends_with(name, ini_extension_upper)) {
        return std::string(name);
    }
    return std::string(name) + std::string(ini_extension);
}

std::string project_find_example(const std::string &executable_path) {
    constexpr const char *example = "sunset.ini";
    const GCharPtr bin{g_path_get_dirname(executable_path.c_str())};
    const GCharPtr installed{
        g_build_filename(bin.get(), "..", "share", "c64-sidewell", "examples", example, nullptr)};
    if (g_file_test(installed.get(), G_FILE_TEST_IS_REGULAR)) {
        const GCharPtr canonical{g_canonicalize_filename(installed.get(), nullptr)};
        return canonical.get();
    }
    const GCharPtr source{g_build_filename(SIDEWELL_EXAMPLES_SOURCE_DIR, example, nullptr)};
    return source.get();
}
