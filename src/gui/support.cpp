#include "gui/support.hpp"

#include "core/glib_ptr.hpp"

#include <cstdio>

namespace {

// Dialogs built apart from their top level keep a link to it under this key.
constexpr const char *parent_key = "GladeParentKey";

GList *pixmaps_directories = nullptr;

// The full name of filename in the first search folder that has it, or null.
gchar *find_pixmap_file(const gchar *filename) {
    for (GList *element = pixmaps_directories; element != nullptr; element = element->next) {
        gchar *pathname = g_strdup_printf("%s%s%s", static_cast<const gchar *>(element->data),
                                          G_DIR_SEPARATOR_S, filename);
        if (g_file_test(pathname, G_FILE_TEST_EXISTS)) {
            return pathname;
        }
        g_free(pathname);
    }
    return nullptr;
}

} // namespace

GtkWidget *lookup_widget(GtkWidget *widget, const gchar *widget_name) {
    GtkWidget *parent = nullptr;
    for (;;) {
        // A menu has no parent of its own in the tree: it hangs off the item it pops up from.
        if (GTK_IS_MENU(widget)) {
            parent = gtk_menu_get_attach_widget(GTK_MENU(widget));
        } else {
            parent = gtk_widget_get_parent(widget);
        }
        if (parent == nullptr) {
            parent = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(widget), parent_key));
        }
        if (parent == nullptr) {
            break;
        }
        widget = parent;
    }
    auto *found = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(widget), widget_name));
    if (found == nullptr) {
        g_warning("Widget not found: %s", widget_name);
    }
    return found;
}

void hookup_object(GtkWidget *owner, gpointer object, const gchar *name) {
    g_object_set_data_full(G_OBJECT(owner), name, g_object_ref(object), g_object_unref);
}

void hookup_object_no_ref(GtkWidget *owner, gpointer object, const gchar *name) {
    g_object_set_data(G_OBJECT(owner), name, object);
}

GtkWidget *add_dialog_button(GtkWidget *dialog, const gchar *stock_id, gint response) {
    GtkWidget *button = gtk_button_new_from_stock(stock_id);
    gtk_widget_show(button);
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), button, response);
    gtk_widget_set_can_default(button, TRUE);
    return button;
}

void add_pixmap_directory(const gchar *directory) {
    pixmaps_directories = g_list_prepend(pixmaps_directories, g_strdup(directory));
}

GtkWidget *create_pixmap(GtkWidget *, const gchar *filename) {
    if (filename == nullptr || filename[0] == '\0') {
        return gtk_image_new();
    }
    GCharPtr pathname{find_pixmap_file(filename)};
    if (!pathname) {
        g_warning("Couldn't find pixmap file: %s", filename);
        return gtk_image_new();
    }
    return gtk_image_new_from_file(pathname.get());
}

GdkPixbuf *create_pixbuf(const gchar *filename) {
    if (filename == nullptr || filename[0] == '\0') {
        return nullptr;
    }
    GCharPtr pathname{find_pixmap_file(filename)};
    if (!pathname) {
        return nullptr;
    }
    GError *error = nullptr;
    GdkPixbuf *pixbuf = gdk_pixbuf_new_from_file(pathname.get(), &error);
    if (pixbuf == nullptr) {
        std::fprintf(stderr, "Failed to load pixbuf file: %s: %s\n", pathname.get(),
                     error->message);
        g_error_free(error);
    }
    return pixbuf;
}

void glade_set_atk_action_description(AtkAction *action, const gchar *action_name,
                                      const gchar *description) {
    const gint n_actions = atk_action_get_n_actions(action);
    for (gint i = 0; i < n_actions; i++) {
        if (g_strcmp0(atk_action_get_name(action, i), action_name) == 0) {
            atk_action_set_description(action, i, description);
        }
    }
}
