#include "gui_test_support.hpp"
#include "../options_reset.hpp"

#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/support.hpp"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr guint dialog_poll_ms = 20;
// A dialog that never gets ready is cancelled after this long, so a failing test cannot hang.
constexpr gint64 dialog_patience_us = 15 * G_USEC_PER_SEC;

gboolean end_main_loop(gpointer timed_out) {
    *static_cast<bool *>(timed_out) = true;
    gtk_main_quit();
    return FALSE;
}

void collect_labels(GtkWidget *widget, std::vector<std::string> *texts) {
    if (GTK_IS_LABEL(widget))
        texts->emplace_back(gtk_label_get_label(GTK_LABEL(widget)));
    if (GTK_IS_CONTAINER(widget)) {
        GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList *child = children; child != nullptr; child = child->next)
            collect_labels(GTK_WIDGET(child->data), texts);
        g_list_free(children);
    }
}

} // namespace

void process_events(int milliseconds) {
    const gint64 end = g_get_monotonic_time() + milliseconds * G_GINT64_CONSTANT(1000);
    do {
        gdk_display_sync(gdk_display_get_default());
        while (gtk_events_pending())
            gtk_main_iteration();
        if (milliseconds > 0)
            g_usleep(1000);
    } while (g_get_monotonic_time() < end);
}

bool run_main_loop(int timeout_seconds) {
    bool timed_out = false;
    const guint source = g_timeout_add_seconds(timeout_seconds, end_main_loop, &timed_out);
    gtk_main();
    if (!timed_out)
        g_source_remove(source);
    return !timed_out;
}

void call_from_main_loop(std::function<void()> action) {
    auto *owned = new std::function<void()>(std::move(action));
    g_idle_add(
        [](gpointer data) -> gboolean {
            auto *call = static_cast<std::function<void()> *>(data);
            (*call)();
            delete call;
            return FALSE;
        },
        owned);
}

std::vector<std::string> label_texts(GtkWidget *container) {
    std::vector<std::string> texts;
    collect_labels(container, &texts);
    return texts;
}

bool send_key(guint keyval, GdkModifierType modifiers) {
    // GTK's key sender needs a child window; the toplevel hands the key to its accelerators
    // before the focused widget sees it.
    return gtk_test_widget_send_key(lookup_widget(window_main, "drawingarea_sprites"), keyval,
                                    modifiers);
}

void send_delete_event(GtkWidget *window) {
    GdkEvent *event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->any.send_event = TRUE;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

DialogAnswer::DialogAnswer(std::string title, gint response, bool close_window)
    : title(std::move(title)), response(response), close_window(close_window) {
    source = g_timeout_add(dialog_poll_ms, poll, this);
}

DialogAnswer::~DialogAnswer() {
    if (source != 0)
        g_source_remove(source);
}

gboolean DialogAnswer::poll(gpointer data) {
    auto *self = static_cast<DialogAnswer *>(data);
    GList *toplevels = gtk_window_list_toplevels();
    GtkWidget *dialog = nullptr;
    for (GList *element = toplevels; element != nullptr; element = element->next) {
        GtkWidget *candidate = GTK_WIDGET(element->data);
        const gchar *candidate_title = gtk_window_get_title(GTK_WINDOW(candidate));
        if (GTK_IS_DIALOG(candidate) && gtk_widget_get_mapped(candidate) &&
            candidate_title != nullptr && self->title == candidate_title)
            dialog = candidate;
    }
    g_list_free(toplevels);
    if (dialog == nullptr)
        return TRUE;
    if (!self->inspected) {
        self->inspected = true;
        self->first_seen = g_get_monotonic_time();
        if (self->inspect)
            self->inspect(dialog);
    }
    bool give_up = false;
    if (self->ready && !self->ready(dialog)) {
        if (g_get_monotonic_time() - self->first_seen < dialog_patience_us)
            return TRUE;
        ADD_FAILURE() << "dialog \"" << self->title << "\" never got ready";
        give_up = true;
    }
    self->source = 0;
    self->answered++;
    if (self->close_window && !give_up)
        send_delete_event(dialog);
    else
        gtk_dialog_response(GTK_DIALOG(dialog), give_up ? GTK_RESPONSE_CANCEL : self->response);
    return FALSE;
}

void EditorTest::SetUp() {
    fs::remove_all(gui_test_config_home() / "c64-sidewell");
    options_reset_to_start_values();
    start();
}

void EditorTest::TearDown() {
    stop();
    options_reset_to_start_values();
}

void EditorTest::start() {
    int argc = 1;
    char program[] = "sidewell_gui_tests";
    char *arguments[] = {program, nullptr};
    char **argv = arguments;
    app_start(&argc, &argv);
    window = window_main;
    g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));
    process_events(50);
}

void EditorTest::stop() {
    if (window != nullptr) {
        // Tests run without the application's main loop, which "destroy" would try to end.
        g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(gtk_main_quit),
                                             nullptr);
        g_object_remove_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));
        gtk_widget_destroy(window);
        window = nullptr;
    }
    window_main = nullptr;
    cleanup_before_quitting();
    process_events();
}

void EditorTest::restart() {
    stop();
    options_reset_to_start_values();
    start();
}

fs::path EditorTest::config_file() {
    return gui_test_config_home() / "c64-sidewell" / "user.ini";
}

std::string EditorTest::read_config() {
    std::ifstream in(config_file(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

GtkWidget *EditorTest::widget(const char *name) {
    return lookup_widget(window_main, name);
}
