#pragma once
// The widget registry every window carries: widgets found by name.

#include <gtk/gtk.h>

// The widget registered as name on the top-level window that holds widget; null and a warning
// when there is none.
GtkWidget *lookup_widget(GtkWidget *widget, const gchar *widget_name);

// Registers object on owner under name, holding a reference until owner is destroyed.
void hookup_object(GtkWidget *owner, gpointer object, const gchar *name);
// Registers without a reference: for the owner itself and for objects the owner already holds.
void hookup_object_no_ref(GtkWidget *owner, gpointer object, const gchar *name);

// A shown stock button in the dialog's action area that answers response and may be the default.
GtkWidget *add_dialog_button(GtkWidget *dialog, const gchar *stock_id, gint response);
