#include "gui/file_follow.hpp"

#include "core/glib_ptr.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "gui/controls.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <gio/gio.h>

#include <array>
#include <memory>
#include <string>

namespace {

using FileMonitorPtr = std::unique_ptr<GFileMonitor, GObjectUnref>;

struct Followed {
    FollowedFile file = FollowedFile::picture;
    std::string path;       // UTF-8; empty when nothing is followed
    FileMonitorPtr monitor; // watches the name, so a file saved by renaming is followed on
    guint settle_timeout = 0;
    std::string digest; // of the contents last loaded or saved here
};

std::array<Followed, 3> followed = [] {
    std::array<Followed, 3> entries;
    for (const FollowedFile file :
         {FollowedFile::picture, FollowedFile::sprites, FollowedFile::project}) {
        entries[static_cast<std::size_t>(file)].file = file;
    }
    return entries;
}();

const gchar *path_in_use(FollowedFile file) {
    switch (file) {
    case FollowedFile::picture:
        return picture_loaded == 1 ? utf8_path_and_filename_picture : nullptr;
    case FollowedFile::sprites:
        return sprites_loaded == 1 ? utf8_path_and_filename_sprites : nullptr;
    case FollowedFile::project:
        return utf8_path_and_filename_project;
    }
    return nullptr;
}

// A checksum of the file's contents; empty when it cannot be read.
std::string digest_of(const std::string &utf8_path) {
    const GCharPtr filename = glib_filename_from_utf8(utf8_path.c_str());
    gchar *contents = nullptr;
    gsize length = 0;
    if (!filename || !g_file_get_contents(filename.get(), &contents, &length, nullptr)) {
        return "";
    }
    const GCharPtr owned{contents};
    const GCharPtr sum{g_compute_checksum_for_data(
        G_CHECKSUM_SHA256, reinterpret_cast<const guchar *>(contents), length)};
    return sum.get();
}

void stop_waiting(Followed &entry) {
    if (entry.settle_timeout != 0) {
        g_source_remove(entry.settle_timeout);
        entry.settle_timeout = 0;
    }
}

void forget(Followed &entry) {
    stop_waiting(entry);
    if (entry.monitor) {
        g_file_monitor_cancel(entry.monitor.get());
        entry.monitor.reset();
    }
    entry.path.clear();
    entry.digest.clear();
}

// Reloads the file in every role it has: a PNG frame is both the picture and the sprite file,
// and the new contents count as known for all roles once one of them reloads.
gboolean reload_every_role(const std::string &path, const std::string &contents, GError **error) {
    for (Followed &role : followed) {
        if (role.path != path || role.digest == contents) {
            continue;
        }
        stop_waiting(role);
        if (!project_commands_reload_changed_file(role.file, error)) {
            return FALSE;
        }
    }
    return TRUE;
}

// The file has rested: reload it when its contents are not those last loaded or saved.
gboolean on_settled(gpointer data) {
    Followed &entry = *static_cast<Followed *>(data);
    entry.settle_timeout = 0;
    const std::string contents = digest_of(entry.path);
    if (contents == entry.digest) {
        return G_SOURCE_REMOVE;
    }
    const std::string path = entry.path;
    const GCharPtr name{g_path_get_basename(path.c_str())};
    GError *error = nullptr;
    if (reload_every_role(path, contents, &error)) {
        const GCharPtr text{
            g_strdup_printf(tr(" Info: %s changed on disk and was reloaded"), name.get())};
        controls_update_main_statusbar(text.get());
        file_follow_sync();
    } else {
        const GErrorPtr owned{error};
        const GCharPtr text{g_strdup_printf(tr(" Error: %s changed on disk but does not read: %s"),
                                            name.get(), owned->message)};
        controls_update_main_statusbar(text.get());
    }
    return G_SOURCE_REMOVE;
}

// Every change, deletion or new file under the name starts the wait again.
void on_changed(GFileMonitor *, GFile *, GFile *, GFileMonitorEvent event, gpointer data) {
    if (event == G_FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED ||
        event == G_FILE_MONITOR_EVENT_PRE_UNMOUNT || event == G_FILE_MONITOR_EVENT_UNMOUNTED) {
        return;
    }
    Followed &entry = *static_cast<Followed *>(data);
    stop_waiting(entry);
    entry.settle_timeout = g_timeout_add(follow_settle_ms, on_settled, &entry);
}

void watch(Followed &entry, const gchar *utf8_path) {
    entry.path = utf8_path;
    const GCharPtr filename = glib_filename_from_utf8(utf8_path);
    if (!filename) {
        return;
    }
    const std::unique_ptr<GFile, GObjectUnref> file{g_file_new_for_path(filename.get())};
    entry.monitor.reset(g_file_monitor_file(file.get(), G_FILE_MONITOR_NONE, nullptr, nullptr));
    if (entry.monitor) {
        g_signal_connect(entry.monitor.get(), "changed", G_CALLBACK(on_changed), &entry);
    }
}

} // namespace

void file_follow_sync() {
    for (Followed &entry : followed) {
        const gchar *path = options_follow_files == TRUE ? path_in_use(entry.file) : nullptr;
        if (path == nullptr || entry.path != path) {
            forget(entry);
            if (path != nullptr) {
                watch(entry, path);
            }
        }
        if (path != nullptr) {
            entry.digest = digest_of(entry.path);
        }
    }
}

void file_follow_stop() {
    for (Followed &entry : followed) {
        forget(entry);
    }
}
