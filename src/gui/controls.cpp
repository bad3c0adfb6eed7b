#include "gui/controls.hpp"

#include "core/glib_ptr.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "core/version.hpp"
#include "gui/app.hpp"
#include "gui/data/c64_sidewell_icon.hpp"
#include "gui/support.hpp"

#include <array>
#include <cstdlib>
#include <span>

namespace {

// The status bar shows one message at a time, always in this context.
constexpr guint statusbar_context = 0;
constexpr int about_border = 6;
constexpr int about_label_padding = 5;
constexpr int about_image_padding = 5;
constexpr int confirmation_side_padding = 4;
constexpr int confirmation_label_spacing = 5;

const char *message_dialog_title(GtkMessageType type) {
    switch (type) {
    case GTK_MESSAGE_ERROR:
        return tr("Error");
    case GTK_MESSAGE_INFO:
        return tr("Information");
    default:
        return tr("Warning");
    }
}

void add_about_label(GtkWidget *box, const GCharPtr &markup, GtkJustification justification) {
    GtkWidget *label = gtk_label_new(nullptr);
    gtk_label_set_markup(GTK_LABEL(label), markup.get());
    gtk_label_set_justify(GTK_LABEL(label), justification);
    gtk_misc_set_padding(GTK_MISC(label), about_label_padding, about_label_padding);
    gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
    gtk_widget_show(label);
}

} // namespace

std::string controls_format_build_date(const char *compiler_date) {
    // The compiler writes "Mmm dd yyyy" with a space instead of a leading zero.
    const std::string date(compiler_date);
    const int day = std::atoi(date.substr(4, 2).c_str());
    return date.substr(0, 3) + " " + std::to_string(day) + " " + date.substr(7);
}

void controls_update_main_window_title(const gchar *text) {
    const bool modified = g_str_has_prefix(gtk_window_get_title(GTK_WINDOW(window_main)), "*");
    GCharPtr title{g_strdup_printf(tr("C64 Sidewell - %s"), text)};
    gtk_window_set_title(GTK_WINDOW(window_main), title.get());
    controls_set_main_window_modified(modified);
}

void controls_set_main_window_modified(bool modified) {
    if (window_main == nullptr) {
        return;
    }
    const gchar *shown = gtk_window_get_title(GTK_WINDOW(window_main));
    const gchar *name = shown == nullptr ? "" : g_str_has_prefix(shown, "*") ? shown + 1 : shown;
    const GCharPtr title{g_strconcat(modified ? "*" : "", name, nullptr)};
    gtk_window_set_title(GTK_WINDOW(window_main), title.get());
}

void controls_update_main_statusbar(const gchar *text) {
    GtkWidget *statusbar = lookup_widget(window_main, "statusbar_main");
    if (statusbar == nullptr) {
        return;
    }
    gtk_statusbar_pop(GTK_STATUSBAR(statusbar), statusbar_context);
    gtk_statusbar_push(GTK_STATUSBAR(statusbar), statusbar_context, text);
}

void controls_show_message_dialog(const gchar *text, GtkMessageType type) {
    GtkWidget *dialog =
        gtk_message_dialog_new(GTK_WINDOW(window_main), GTK_DIALOG_DESTROY_WITH_PARENT, type,
                               GTK_BUTTONS_CLOSE, "%s", text);
    gtk_window_set_title(GTK_WINDOW(dialog), message_dialog_title(type));
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    g_signal_connect_swapped(dialog, "response", G_CALLBACK(gtk_widget_destroy), dialog);
    gtk_widget_show(dialog);
}

GtkWidget *create_dialog_yes_no_confirmation() {
    GtkWidget *dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), tr("Confirmation request"));
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);

    GtkWidget *vbox = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_widget_show(vbox);

    GtkWidget *alignment = gtk_alignment_new(0.5, 0.5, 1.0, 1.0);
    gtk_widget_show(alignment);
    gtk_box_pack_start(GTK_BOX(vbox), alignment, FALSE, FALSE, confirmation_label_spacing);
    gtk_alignment_set_padding(GTK_ALIGNMENT(alignment), 0, 0, confirmation_side_padding,
                              confirmation_side_padding);

    GtkWidget *label = gtk_label_new("");
    gtk_widget_show(label);
    gtk_container_add(GTK_CONTAINER(alignment), label);
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);

    GtkWidget *buttonbox = gtk_dialog_get_action_area(GTK_DIALOG(dialog));
    gtk_widget_show(buttonbox);
    gtk_button_box_set_layout(GTK_BUTTON_BOX(buttonbox), GTK_BUTTONBOX_SPREAD);

    GtkWidget *yes = add_dialog_button(dialog, GTK_STOCK_YES, GTK_RESPONSE_YES);
    GtkWidget *no = add_dialog_button(dialog, GTK_STOCK_NO, GTK_RESPONSE_NO);

    hookup_object_no_ref(dialog, dialog, "dialog_yes_no_confirmation");
    hookup_object_no_ref(dialog, vbox, "vbox_yes_no_confirmation");
    hookup_object(dialog, alignment, "alignment_yes_no_confirmation");
    hookup_object(dialog, label, "label_yes_no_confirmation");
    hookup_object_no_ref(dialog, buttonbox, "hbuttonbox_yes_no_confirmation");
    hookup_object(dialog, yes, "button_yes_no_confirmation_yes");
    hookup_object(dialog, no, "button_yes_no_confirmation_no");
    return dialog;
}

gboolean controls_get_user_confirmation(const gchar *markup) {
    GtkWidget *dialog = create_dialog_yes_no_confirmation();
    GtkWidget *label = lookup_widget(dialog, "label_yes_no_confirmation");
    if (label != nullptr) {
        gtk_label_set_markup(GTK_LABEL(label), markup);
    }
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return response == GTK_RESPONSE_YES;
}

void on_menuitem_about_activate(GtkMenuItem *, gpointer) {
    GtkWidget *dialog = gtk_dialog_new_with_buttons(
        tr("About C64 Sidewell"), GTK_WINDOW(window_main),
        static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
    gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK));
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);

    GtkWidget *box = gtk_vbox_new(FALSE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(box), about_border);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, FALSE, FALSE,
                       0);
    gtk_widget_show(box);

    PixbufPtr icon{gdk_pixbuf_new_from_xpm_data(c64_sidewell_icon_xpm)};
    GtkWidget *image = gtk_image_new_from_pixbuf(icon.get());
    gtk_misc_set_padding(GTK_MISC(image), 0, about_image_padding);
    gtk_box_pack_start(GTK_BOX(box), image, FALSE, FALSE, 0);
    gtk_widget_show(image);

    add_about_label(box,
                    GCharPtr{g_markup_printf_escaped(tr("<span size=\"xx-large\"><b>%s</b></span>"),
                                                     sidewell_name_and_version)},
                    GTK_JUSTIFY_CENTER);
    add_about_label(box,
                    GCharPtr{g_markup_printf_escaped(
                        tr("Extension tool for Commodore 64 graphics using sprites\n<i>Another "
                           "attempt to empower graphic artists\nand rid the C64 scene of bad "
                           "raster coding</i> =)"))},
                    GTK_JUSTIFY_CENTER);

    GtkWidget *spacer = gtk_hbox_new(FALSE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(spacer), about_border);
    gtk_box_pack_start(GTK_BOX(box), spacer, FALSE, FALSE, 0);
    gtk_widget_show(spacer);

    add_about_label(box,
                    GCharPtr{g_markup_printf_escaped(
                        tr("<b>Supported multicolor formats</b>\n- <i>Advanced Art Studio 2.0 (by "
                           "OCP)</i>\n- <i>Blazing Paddles</i>\n- <i>Koala Painter 2 (by Audio "
                           "Light)</i>\n- <i>Vidcom 64 (by Omega)</i>\n- <i>Wigmore Artist 64 (by "
                           "Wigmore)</i>"))},
                    GTK_JUSTIFY_LEFT);
    add_about_label(box,
                    GCharPtr{g_markup_printf_escaped(tr(
                        "<b>Supported PETSCII formats</b>\n- <i>PETSCII Vellum (by myself)</i>"))},
                    GTK_JUSTIFY_LEFT);
    const std::string build_date = controls_format_build_date(__DATE__);
    add_about_label(box,
                    GCharPtr{g_markup_printf_escaped(
                        tr("Compiled on: %s\nCompiled with gcc version: %d.%d.%d\nGTK+ runtime in "
                           "use: %u.%u.%u"),
                        build_date.c_str(), __GNUC__, __GNUC_MINOR__, __GNUC_PATCHLEVEL__,
                        gtk_major_version, gtk_minor_version, gtk_micro_version)},
                    GTK_JUSTIFY_CENTER);

    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}
