// The start-up benchmark's yardstick: the least a GTK+ 2 program of the editor's size and place
// shows, a window with a menu bar. Centred like the editor, it is under the same pointer and
// gets the same crossing events. Usage: sidewell_empty_window WIDTH HEIGHT

#include <gtk/gtk.h>

#include <cstdlib>

int main(int argc, char **argv) {
    gtk_init(&argc, &argv);
    if (argc != 3) {
        return EXIT_FAILURE;
    }
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_size_request(window, std::atoi(argv[1]), std::atoi(argv[2]));
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    GtkWidget *box = gtk_vbox_new(FALSE, 0);
    GtkWidget *menubar = gtk_menu_bar_new();
    GtkWidget *file = gtk_menu_item_new_with_mnemonic("_File");
    GtkWidget *menu = gtk_menu_new();
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_menu_item_new_with_mnemonic("_Quit"));
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(file), menu);
    gtk_menu_shell_append(GTK_MENU_SHELL(menubar), file);
    gtk_box_pack_start(GTK_BOX(box), menubar, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(window), box);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(window);
    gtk_main();
    return EXIT_SUCCESS;
}
