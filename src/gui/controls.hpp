#pragma once
// The ways the editor talks to the user outside the drawing areas: window title, status bar,
// message and confirmation dialogs, the about box; and the menus brought into line with the
// preferences at start-up.

#include <gtk/gtk.h>

#include <string>

void controls_update_main_window_title(const gchar *text);
// Puts "*" before the title while the project has changes that are not saved.
void controls_set_main_window_modified(bool modified);
void controls_update_main_statusbar(const gchar *text);
// Shows text literally in a modal dialog that closes itself; returns without waiting.
void controls_show_message_dialog(const gchar *text, GtkMessageType type);
// Asks a yes/no question (markup) and waits; only Yes gives TRUE.
gboolean controls_get_user_confirmation(const gchar *markup);
GtkWidget *create_dialog_yes_no_confirmation();

// "Mar  6 2024", as the compiler writes a date, in the about box's form "Mar 6 2024".
std::string controls_format_build_date(const char *compiler_date);

void on_menuitem_about_activate(GtkMenuItem *menuitem, gpointer user_data);
