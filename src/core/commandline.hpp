#pragma once
// The command line: its options, exports without a window, and what a file argument holds.

#include <glib.h>

#include <string>

// What the options asked for; strings are in the GLib file name encoding, as parsed.
struct CommandlineRequest {
    gchar *export_png = nullptr;
    gchar *export_prg = nullptr;
    gchar *save_picture = nullptr;
    gchar *save_sprites = nullptr;
    gchar *palette = nullptr;
    gchar *transition = nullptr;
    gchar *selection_method = nullptr;
    gboolean reencode = FALSE;
    gboolean no_reencode = FALSE;
    gboolean no_crunch = FALSE;
    gboolean best_fit = FALSE;
    gboolean verbose = FALSE; // the cruncher's own output even when it succeeds
    gboolean version = FALSE;
    gchar **files = nullptr;
    const gchar *config_dir = nullptr; // where the preferences folder is; null: the user's
};

// Exit statuses of a run without a window.
constexpr int commandline_status_done = 0;
constexpr int commandline_status_failed = 1;
constexpr int commandline_status_usage = 2;
constexpr int commandline_status_not_crunched = 3; // the program was written, but not crunched

// A context whose main group fills request; the caller frees it and the request's strings.
GOptionContext *commandline_new_option_context(CommandlineRequest *request);
void commandline_free_request(CommandlineRequest *request);

bool commandline_wants_export(const CommandlineRequest &request);

// Loads the file arguments as the window takes them (a project; a picture and a sprite file; or
// one PNG frame, which is both; for --save-picture alone, a picture alone) with the user's
// preferences (read, never written) and the options' overrides, and writes the asked-for exports
// and C64 files. Errors go to stderr as one line naming the file; a drawing that breaks the C64's
// rules is listed there instead, unless best_fit asks for the nearest fit. No output file is left
// behind by a failed run.
int commandline_run_export(const CommandlineRequest &request);

enum class CommandlineFileKind { project, picture, sprites };

// A key file with a picture or sprites group is a project; else a file that decodes as a
// picture is one; anything else is taken for sprites.
CommandlineFileKind commandline_classify_file(const gchar *utf8_path);
