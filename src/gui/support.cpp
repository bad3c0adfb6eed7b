#include "gui/support.hpp"

GtkWidget *lookup_widget(GtkWidget *widget, const gchar *widget_name) {
    for (;;) {
        // A menu has no parent of its own in the tree: it hangs off the item it pops up from.
        GtkWidget *parent = GTK_IS_MENU(widget) ? gtk_menu_get_attach_widget(GTK_MENU(widget))
                                                : gtk_widget_get_parent(widget);
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
