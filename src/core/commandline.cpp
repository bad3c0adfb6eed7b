#include "core/commandline.hpp"

#include "core/executable.hpp"
#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "core/pngreader.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"
#include "core/spriteviews.hpp"

#include <glib/gstdio.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char *program_name = "c64-sidewell";

// Names of the menu choices, in the order of their option values.
constexpr auto palette_names =
    std::to_array<std::string_view>({"pepto", "high-contrast", "pixcen", "ccs64"});
constexpr auto transition_names = std::to_array<std::string_view>({"plain", "flicker"});
constexpr auto selection_method_names = std::to_array<std::string_view>({"frame", "alpha", "both"});

// The index of value among names; nullopt for an unknown name.
template <std::size_t n>
std::optional<int> find_name(const std::array<std::string_view, n> &names, const gchar *value) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == value) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

void print_error(const std::string &subject, const char *message) {
    g_printerr("%s: %s: %s\n", program_name, subject.c_str(), message);
}

std::string to_utf8(const gchar *filename) {
    const GCharPtr utf8(g_filename_display_name(filename));
    return utf8.get();
}

// Applies one named choice to its option; false (reported) for an unknown name.
template <std::size_t n>
bool apply_choice(const char *option, const gchar *value,
                  const std::array<std::string_view, n> &names, int *variable) {
    if (value == nullptr) {
        return true;
    }
    const auto index = find_name(names, value);
    if (!index) {
        std::string known;
        for (const std::string_view name : names) {
            known += (known.empty() ? "" : ", ") + std::string(name);
        }
        const GCharPtr message(
            g_strdup_printf(tr("unknown value \"%s\" (one of %s)"), value, known.c_str()));
        print_error(option, message.get());
        return false;
    }
    *variable = *index;
    return true;
}

bool apply_overrides(const CommandlineRequest &request) {
    if (request.reencode && request.no_reencode) {
        print_error("--reencode", tr("cannot be given together with --no-reencode"));
        return false;
    }
    if (request.reencode || request.no_reencode) {
        options_reencode_graphics = request.reencode;
    }
    return apply_choice("--palette", request.palette, palette_names, &options_palette) &&
           apply_choice("--transition", request.transition, transition_names,
                        &options_transition) &&
           apply_choice("--selection-method", request.selection_method, selection_method_names,
                        &options_selection_method);
}

// The picture, its rendering and the sprites with their colours, as File -> Open project
// leaves them.
struct LoadedProject {
    PixbufPtr picture;
    std::string picture_file;
    std::string sprites_file;
    int border_color = 0;    // the closed corner border, $D020
    std::string failed_file; // empty when everything loaded
    GErrorPtr error;
};

// The picture and sprite files a project names, with its colours applied after loading them.
struct NamedFiles {
    std::string picture;
    std::string sprites;
    GKeyFilePtr key_file; // null without a project
};

LoadedProject load_files(NamedFiles files) {
    LoadedProject project;
    GError *error = nullptr;
    const auto fail = [&](const std::string &file) {
        project.failed_file = file;
        project.error.reset(error);
        return std::move(project);
    };
    const std::string &picture = files.picture;
    const std::string &sprites = files.sprites;
    project.picture_file = picture;
    project.sprites_file = sprites;
    GdkPixbuf *rendered = nullptr;
    if (!hiresdecoder_decode_hires_screen_file(picture.c_str(), picture_format_none, &rendered,
                                               &picture_data, &error)) {
        return fail(picture);
    }
    project.picture.reset(rendered);
    if (sprites.empty()) {
        pngreader_sprite_offences.clear();
    } else if (!spritesdecoder_decode_sprites_file(
                   sprites.c_str(), options_sprite_attribute_byte_format, 1, &error)) {
        return fail(sprites);
    }
    // The project's colours override those the sprite file brought; the sprites' background
    // follows the picture's, as in the window.
    if (files.key_file) {
        sprites_init_from_key_file(files.key_file.get());
        project_read_border_color(files.key_file.get(), &project.border_color);
    }
    if (!picture_format_is_hires(picture_data.format)) {
        sprites_set_background_color(picture_data.background_color);
    }
    return project;
}

LoadedProject load_project(const std::string &utf8_project) {
    GError *error = nullptr;
    const GCharPtr filename = glib_filename_from_utf8(utf8_project.c_str(), &error);
    NamedFiles files{{}, {}, GKeyFilePtr(g_key_file_new())};
    if (filename && g_key_file_load_from_file(files.key_file.get(), filename.get(),
                                              G_KEY_FILE_KEEP_COMMENTS, &error)) {
        if (project_get_named_file(files.key_file.get(), project_picture_group,
                                   utf8_project.c_str(), &files.picture) &&
            project_get_named_file(files.key_file.get(), project_sprites_group,
                                   utf8_project.c_str(), &files.sprites)) {
            return load_files(std::move(files));
        }
        g_set_error_literal(&error, G_FILE_ERROR, G_FILE_ERROR_FAILED,
                            tr("the project names no picture or no sprite file"));
    }
    LoadedProject failed;
    failed.failed_file = utf8_project;
    failed.error.reset(error);
    return failed;
}

// The arguments as the window takes them: a project; a picture and a sprite file, in either
// order; or one file that is both, a PNG frame. A picture alone will do when no sprites are
// needed.
LoadedProject load_arguments(gchar **arguments, guint count, bool sprites_needed) {
    const std::string first = to_utf8(arguments[0]);
    if (count == 1) {
        if (commandline_classify_file(first.c_str()) == CommandlineFileKind::project) {
            return load_project(first);
        }
        const bool both = sprites_needed || pngreader_is_frame_file(first.c_str());
        return load_files({first, both ? first : std::string(), nullptr});
    }
    const std::string second = to_utf8(arguments[1]);
    if (commandline_classify_file(first.c_str()) == CommandlineFileKind::picture) {
        return load_files({first, second, nullptr});
    }
    return load_files({second, first, nullptr});
}

// A drawing that breaks the C64's rules is listed, unless the nearest fit is asked for.
bool accept_fit(const LoadedProject &project, gboolean best_fit) {
    if (best_fit || (pngreader_picture_offences.empty() && pngreader_sprite_offences.empty())) {
        return true;
    }
    const std::string list =
        pngreader_describe_offences(pngreader_picture_offences, pngreader_sprite_offences);
    print_error(pngreader_picture_offences.empty() ? project.sprites_file : project.picture_file,
                (list + tr("\n--best-fit loads the nearest fit")).c_str());
    return false;
}

// Paths written so far, removed again when a later step fails.
struct WrittenFiles {
    std::vector<std::string> filenames;
    bool keep = false;
    ~WrittenFiles() {
        for (const std::string &filename : filenames) {
            if (!keep) {
                g_remove(filename.c_str());
            }
        }
    }
};

// The one line said for each file written, with its size.
void print_written(const std::string &utf8_path, std::size_t size) {
    g_print(tr("%s: wrote %s, %zu bytes\n"), program_name, utf8_path.c_str(), size);
}

std::size_t size_on_disk(const std::string &utf8_path) {
    std::error_code unknown;
    const GCharPtr filename = glib_filename_from_utf8(utf8_path.c_str());
    const auto size = filename ? std::filesystem::file_size(filename.get(), unknown) : 0;
    return unknown ? 0 : static_cast<std::size_t>(size);
}

// An output name that cannot become a file is refused before anything is read or written.
bool usable_output_name(const char *option, const gchar *filename) {
    if (filename == nullptr) {
        return true;
    }
    const char *why = nullptr;
    const GCharPtr folder{g_path_get_dirname(filename)};
    if (*filename == '\0') {
        why = tr("the output file name is empty");
    } else if (g_file_test(filename, G_FILE_TEST_IS_DIR)) {
        why = tr("names a folder, not a file");
    } else if (!g_file_test(folder.get(), G_FILE_TEST_IS_DIR)) {
        why = tr("its folder does not exist");
    }
    if (why != nullptr) {
        print_error(*filename == '\0' ? std::string(option)
                                      : std::string(option) + " " + to_utf8(filename),
                    why);
    }
    return why == nullptr;
}

// Crunches the written program in place as the menu command does; on any failure the file holds
// the uncrunched program again. The cruncher's own output shows when it fails or when asked.
int crunch_program(const std::string &utf8_prg, const std::vector<std::uint8_t> &program,
                   int start_address, const CommandlineRequest &request) {
    if (request.no_crunch) {
        g_print(tr("%s: wrote %s, %zu bytes, uncrunched as asked\n"), program_name,
                utf8_prg.c_str(), program.size());
        return commandline_status_done;
    }
    const GCharPtr exomizer(g_find_program_in_path("exomizer"));
    if (!exomizer) {
        print_error(utf8_prg, tr("exomizer not found on PATH: the program was written uncrunched"));
        return commandline_status_not_crunched;
    }
    gint wait_status = 0;
    GError *error = nullptr;
    std::string output;
    const gboolean started =
        executable_crunch_file(utf8_prg.c_str(), start_address, &wait_status, &output, &error);
    const GErrorPtr owned(error);
    const bool crunched = started && g_spawn_check_wait_status(wait_status, nullptr);
    if (!crunched || request.verbose) {
        g_printerr("%s", output.c_str());
    }
    if (crunched) {
        g_print(tr("%s: wrote %s, %zu bytes crunched to %zu\n"), program_name, utf8_prg.c_str(),
                program.size(), size_on_disk(utf8_prg));
        return commandline_status_done;
    }
    executable_write_file(utf8_prg.c_str(), program, nullptr);
    const GCharPtr message(
        started ? g_strdup_printf(tr("exomizer failed (wait status %d): the program was written "
                                     "uncrunched"),
                                  wait_status)
                : g_strdup_printf(tr("exomizer could not be started (%s): the program was "
                                     "written uncrunched"),
                                  owned->message));
    print_error(utf8_prg, message.get());
    return commandline_status_not_crunched;
}

} // namespace

GOptionContext *commandline_new_option_context(CommandlineRequest *request) {
    const std::array<GOptionEntry, 15> entries = {{
        {"export-png", 'p', 0, G_OPTION_ARG_FILENAME, &request->export_png,
         tr("Write the project's screen as a PNG image"), tr("FILE")},
        {"export-prg", 'x', 0, G_OPTION_ARG_FILENAME, &request->export_prg,
         tr("Write the project as a self-running C64 program"), tr("FILE")},
        {"save-picture", 'c', 0, G_OPTION_ARG_FILENAME, &request->save_picture,
         tr("Save the picture as a C64 file: Koala Painter or PETSCII Vellum"), tr("FILE")},
        {"save-sprites", 'S', 0, G_OPTION_ARG_FILENAME, &request->save_sprites,
         tr("Save the sprites as a C64 sprite file with attribute bytes, or as SpritePad 1.x "
            "for a name ending in .spr"),
         tr("FILE")},
        {"verbose", 'v', 0, G_OPTION_ARG_NONE, &request->verbose,
         tr("Show what exomizer prints even when it succeeds"), nullptr},
        {"best-fit", 'b', 0, G_OPTION_ARG_NONE, &request->best_fit,
         tr("Take the nearest fit of a PNG that breaks the C64's rules"), nullptr},
        {"palette", 'P', 0, G_OPTION_ARG_STRING, &request->palette,
         tr("Palette for this run: pepto, high-contrast, pixcen or ccs64"), tr("NAME")},
        {"transition", 't', 0, G_OPTION_ARG_STRING, &request->transition,
         tr("The program's transition: plain or flicker"), tr("NAME")},
        {"reencode", 'r', 0, G_OPTION_ARG_NONE, &request->reencode,
         tr("Re-encode multicolour pictures for better packing"), nullptr},
        {"no-reencode", 'R', 0, G_OPTION_ARG_NONE, &request->no_reencode,
         tr("Keep multicolour pictures as they are"), nullptr},
        {"selection-method", 's', 0, G_OPTION_ARG_STRING, &request->selection_method,
         tr("How the PNG marks unselected sprites: frame, alpha or both"), tr("NAME")},
        {"no-crunch", 'n', 0, G_OPTION_ARG_NONE, &request->no_crunch,
         tr("Write the program without running exomizer"), nullptr},
        {"version", 'V', 0, G_OPTION_ARG_NONE, &request->version, tr("Show the version and exit"),
         nullptr},
        {G_OPTION_REMAINING, 0, 0, G_OPTION_ARG_FILENAME_ARRAY, &request->files, nullptr,
         tr("[FILE...]")},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    }};
    GOptionContext *context = g_option_context_new(nullptr);
    g_option_context_set_summary(
        context, tr("Opens a project, a picture or a sprite file (a PNG frame is both) in the "
                    "editor's window, or with --export-png, --export-prg, --save-picture or "
                    "--save-sprites writes them without one. Exit status of an export: 0 done, 1 "
                    "failed, 2 wrong options, 3 the program was written but could not be "
                    "crunched."));
    g_option_context_add_main_entries(context, entries.data(), i18n_text_domain);
    return context;
}

void commandline_free_request(CommandlineRequest *request) {
    for (gchar **text : {&request->export_png, &request->export_prg, &request->save_picture,
                         &request->save_sprites, &request->palette, &request->transition,
                         &request->selection_method}) {
        g_free(*text);
        *text = nullptr;
    }
    g_strfreev(request->files);
    request->files = nullptr;
}

bool commandline_wants_export(const CommandlineRequest &request) {
    return request.export_png != nullptr || request.export_prg != nullptr ||
           request.save_picture != nullptr || request.save_sprites != nullptr;
}

int commandline_run_export(const CommandlineRequest &request) {
    const guint file_count = request.files != nullptr ? g_strv_length(request.files) : 0;
    if (file_count != 1 && file_count != 2) {
        print_error("--export-png, --export-prg, --save-picture, --save-sprites",
                    tr("need a project, a picture and a sprite file, or one PNG frame"));
        return commandline_status_usage;
    }
    if (!usable_output_name("--export-png", request.export_png) ||
        !usable_output_name("--export-prg", request.export_prg) ||
        !usable_output_name("--save-picture", request.save_picture) ||
        !usable_output_name("--save-sprites", request.save_sprites)) {
        return commandline_status_usage;
    }
    sprites_module_init();
    options_module_init_read_only(request.config_dir != nullptr ? request.config_dir
                                                                : g_get_user_config_dir());
    if (!apply_overrides(request)) {
        return commandline_status_usage;
    }

    const std::string utf8_project = to_utf8(request.files[0]);
    const LoadedProject project =
        load_arguments(request.files, file_count,
                       request.export_png != nullptr || request.export_prg != nullptr ||
                           request.save_sprites != nullptr);
    if (project.error) {
        print_error(project.failed_file, project.error->message);
        return commandline_status_failed;
    }
    if (!accept_fit(project, request.best_fit)) {
        return commandline_status_failed;
    }
    const ExecutableProgram program =
        executable_build(picture_data, options_transition, options_reencode_graphics == TRUE);
    if (request.export_prg != nullptr && program.bytes.empty()) {
        print_error(utf8_project, tr("the picture's format has no viewer program"));
        return commandline_status_failed;
    }

    WrittenFiles written;
    GError *error = nullptr;
    if (request.export_png != nullptr) {
        const std::string png = to_utf8(request.export_png);
        const std::uint8_t background = spriteviews_get_display_background_index(
            true, picture_data.format, picture_data.background_color);
        if (!spriteviews_save_screen_png(png.c_str(), project.picture.get(),
                                         options_selection_method, background, &error)) {
            print_error(png, GErrorPtr(error)->message);
            return commandline_status_failed;
        }
        written.filenames.emplace_back(request.export_png);
        print_written(png, size_on_disk(png));
    }
    const auto save = [&](const gchar *filename, const std::vector<std::uint8_t> &bytes) {
        const std::string utf8 = to_utf8(filename);
        if (bytes.empty()) {
            print_error(utf8, tr("the picture's format has no C64 file to save it in"));
            return false;
        }
        if (!executable_write_file(utf8.c_str(), bytes, &error)) {
            print_error(utf8, GErrorPtr(error)->message);
            return false;
        }
        written.filenames.emplace_back(filename);
        print_written(utf8, bytes.size());
        return true;
    };
    if (request.save_picture != nullptr &&
        !save(request.save_picture,
              hiresdecoder_build_picture_file(
                  picture_data, static_cast<std::uint8_t>(project.border_color & 0x0F)))) {
        return commandline_status_failed;
    }
    if (request.save_sprites != nullptr &&
        !save(request.save_sprites,
              spritesdecoder_build_file_for_name(to_utf8(request.save_sprites).c_str()))) {
        return commandline_status_failed;
    }
    if (request.export_prg == nullptr) {
        written.keep = true;
        return commandline_status_done;
    }
    const std::string prg = to_utf8(request.export_prg);
    if (!executable_write_file(prg.c_str(), program.bytes, &error)) {
        print_error(prg, GErrorPtr(error)->message);
        return commandline_status_failed;
    }
    written.keep = true;
    return crunch_program(prg, program.bytes, program.start_address, request);
}

CommandlineFileKind commandline_classify_file(const gchar *utf8_path) {
    const GCharPtr filename = glib_filename_from_utf8(utf8_path);
    const GKeyFilePtr key_file(g_key_file_new());
    if (filename &&
        g_key_file_load_from_file(key_file.get(), filename.get(), G_KEY_FILE_NONE, nullptr) &&
        (g_key_file_has_group(key_file.get(), project_picture_group) ||
         g_key_file_has_group(key_file.get(), project_sprites_group))) {
        return CommandlineFileKind::project;
    }
    // Decoded without a record, so that what is loaded (and its outlines) stays as it is.
    GdkPixbuf *rendered = nullptr;
    if (hiresdecoder_decode_hires_screen_file(utf8_path, picture_format_none, &rendered, nullptr,
                                              nullptr)) {
        g_object_unref(rendered);
        return CommandlineFileKind::picture;
    }
    return CommandlineFileKind::sprites;
}
