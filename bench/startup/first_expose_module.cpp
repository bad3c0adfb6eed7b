// A GTK module for the start-up benchmark: loaded through GTK_MODULES into a program that knows
// nothing of it, it ends the program at its first expose event, printing the size of the window
// exposed and the peak memory so far (KiB). Both programs compared load it alike.

#include <gtk/gtk.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace {

gboolean on_first_expose(GSignalInvocationHint *, guint, const GValue *values, gpointer) {
    GtkWidget *widget = GTK_WIDGET(g_value_get_object(&values[0]));
    GtkWidget *toplevel = gtk_widget_get_toplevel(widget);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%d %d %ld\n", toplevel->allocation.width, toplevel->allocation.height,
                usage.ru_maxrss);
    std::fflush(stdout);
    _exit(0);
}

} // namespace

extern "C" G_MODULE_EXPORT void gtk_module_init(gint *, gchar ***) {
    // The widget class makes its signals when first used; GTK loads modules before that.
    g_type_class_ref(GTK_TYPE_WIDGET);
    g_signal_add_emission_hook(g_signal_lookup("expose-event", GTK_TYPE_WIDGET), 0, on_first_expose,
                               nullptr, nullptr);
}
