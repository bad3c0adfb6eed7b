#pragma once
// Owners for GLib and GObject memory, so that every return path releases what it took.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include <memory>

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};
struct GErrorDeleter {
    void operator()(GError *error) const { g_error_free(error); }
};
struct GKeyFileDeleter {
    void operator()(GKeyFile *key_file) const { g_key_file_free(key_file); }
};
struct GStringDeleter {
    void operator()(GString *text) const { g_string_free(text, TRUE); }
};

// Hands value to a plain pointer that owns GLib memory, freeing what it held.
template <typename T> void glib_replace(T *&owner, T *value) {
    g_free(owner);
    owner = value;
}

using PixbufPtr = std::unique_ptr<GdkPixbuf, GObjectUnref>;
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;
using GKeyFilePtr = std::unique_ptr<GKeyFile, GKeyFileDeleter>;
using GStringPtr = std::unique_ptr<GString, GStringDeleter>;

// File names in the system's encoding from the UTF-8 the interface shows, and back; null when a
// name cannot be converted.
inline GCharPtr glib_filename_from_utf8(const gchar *utf8, GError **error = nullptr) {
    return GCharPtr{g_filename_from_utf8(utf8, -1, nullptr, nullptr, error)};
}
inline GCharPtr glib_filename_to_utf8(const gchar *filename) {
    return GCharPtr{g_filename_to_utf8(filename, -1, nullptr, nullptr, nullptr)};
}
