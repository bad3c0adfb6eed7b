#pragma once
// Project files: the key-file text that names the picture and sprite files and keeps the sprite
// attributes and the corner colour, and the names a project and its exports are offered under.

#include <glib.h>

#include <string>
#include <string_view>

// What a file key holds when there is no file to name.
inline constexpr const char *project_no_file = "(NULL)";

inline constexpr const char *project_picture_group = "picture";
inline constexpr const char *project_sprites_group = "sprites";
inline constexpr const char *project_colors_group = "colors";
inline constexpr const char *project_file_key = "file";
inline constexpr const char *project_base_key = "base";

// The whole project file: header comment, [picture] and [sprites] with their file URIs, the
// sprite store's section and [colors] with the corner colour. Each line ends with a newline.
std::string project_get_file_text(const gchar *utf8_picture_path, const gchar *utf8_sprites_path,
                                  int border_color_index);
// The same, for the template preview's backup: a file group is written only with a known path.
std::string project_get_backup_text(const gchar *utf8_picture_path, const gchar *utf8_sprites_path,
                                    int border_color_index);

// An absolute UTF-8 path as a file: URI; project_no_file when there is no path or it is not
// absolute.
std::string project_get_file_uri(const gchar *utf8_path);
// The UTF-8 path a file key names: the file of a file: URI, or the value itself when it is not
// one.
std::string project_get_path_from_uri(const gchar *value);
// The file a project names: the path itself when that is a regular file, otherwise the file of
// the same base name beside the project file, so that a project moved together with its files
// still finds them.
std::string project_find_file(const std::string &utf8_named_path, const gchar *utf8_project_path);

// The file a key of the group names, or false when the key is missing.
bool project_get_file_value(GKeyFile *key_file, const char *group, std::string *out);
// The file a project's group names, found as project_find_file finds it; false when the group
// names none.
bool project_get_named_file(GKeyFile *key_file, const char *group, const gchar *utf8_project_path,
                            std::string *out);
// The corner colour: the [colors] base value reduced modulo 16 when the key exists; otherwise
// border_color_index is left as it is.
void project_read_border_color(GKeyFile *key_file, int *border_color_index);
// The truncating remainder by 16, as the project's corner colour is reduced (-17 stays -1).
int project_reduce_border_color(int value);

// A base name without its extension: the text from the last "." on goes, provided that "."
// comes after the last backslash.
std::string project_strip_extension(std::string_view base_name);
// The name the save-project dialog offers: the project file's base name if there is a project
// file, otherwise the picture's base name with ".ini" instead of its extension; empty when
// neither is known.
std::string project_get_suggested_project_name(const gchar *utf8_project_path,
                                               const gchar *utf8_picture_path);
// The name the export dialogs offer: the base name of the project file, or of the picture when
// there is none, with extension (".png", ".prg") instead of its own; empty when neither is known.
std::string project_get_suggested_export_name(const gchar *utf8_project_path,
                                              const gchar *utf8_picture_path,
                                              std::string_view extension);
// The example project a newcomer opens first: beside an installed editor (prefix/bin/editor finds
// prefix/share/c64-sidewell/examples), else in the source tree the editor was built from.
std::string project_find_example(const std::string &executable_path);

// A chosen project name as it is saved: kept when it ends in ".ini" or ".INI", else ".ini" is
// appended (so "scene.Ini" becomes "scene.Ini.ini").
std::string project_add_ini_extension(std::string_view name);
