#include "gui/exports.hpp"

void on_menuitem_export_to_png_activate(GtkMenuItem *, gpointer) {}
void on_menuitem_export_activate(GtkMenuItem *, gpointer) {}
