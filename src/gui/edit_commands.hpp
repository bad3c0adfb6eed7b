#pragma once
// The Edit menu: undo and redo of the colouring the artist does with the colour pickers, and the
// "*" in the window title while the project has changes that are not saved.

#include "core/history.hpp"

#include <gtk/gtk.h>

// The colouring as the store and the colour pickers hold it now.
HistoryState edit_commands_get_state();
// One user action changed the colouring from before to what it is now.
void edit_commands_record(const char *label, const HistoryState &before);

// While a load or restore runs, the colour pickers' handlers it sets off are no user action.
struct EditCommandsLoading {
    EditCommandsLoading();
    ~EditCommandsLoading();
    EditCommandsLoading(const EditCommandsLoading &) = delete;
    EditCommandsLoading &operator=(const EditCommandsLoading &) = delete;
};

// A fresh history after a project or new sprites came in; saved tells whether the project file
// holds what is shown.
void edit_commands_start_history(bool saved);
// The multicolour switch shows the state without its handler applying it to every sprite.
void edit_commands_show_multicolour_switch(bool active);
void edit_commands_mark_saved();
void edit_commands_mark_unsaved();

void on_menuitem_undo_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_redo_activate(GtkMenuItem *menuitem, gpointer user_data);
