// Repainting the sprite views and exposing the drawing areas of the real window at zoom 4: what
// every editing action costs before its result is on the screen. Needs an X display.

#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/painting.hpp"
#include "gui/support.hpp"

#include <benchmark/benchmark.h>
#include <glib.h>
#include <gtk/gtk.h>

#include <filesystem>

namespace {

constexpr int largest_zoom = 4;

void process_pending_events() {
    while (gtk_events_pending())
        gtk_main_iteration();
}

// A preferences folder of the benchmark's own, so that the user's are left alone.
class ConfigFolder {
  public:
    ConfigFolder() : path_(g_dir_make_tmp("sidewell-bench-XXXXXX", nullptr)) {
        if (path_)
            g_setenv("XDG_CONFIG_HOME", path_.get(), TRUE);
    }
    ~ConfigFolder() {
        if (path_)
            std::filesystem::remove_all(path_.get());
    }
    ConfigFolder(const ConfigFolder &) = delete;
    ConfigFolder &operator=(const ConfigFolder &) = delete;

  private:
    GCharPtr path_;
};

// The editor as started by main(), at the largest zoom.
bool editor_started() {
    static const ConfigFolder config;
    static const bool started = [] {
        int argc = 1;
        char program[] = "sidewell_benchmarks";
        char *arguments[] = {program, nullptr};
        char **argv = arguments;
        if (!gtk_init_check(&argc, &argv))
            return false;
        app_start(&argc, &argv);
        options_expansion = largest_zoom;
        set_zoom_level();
        process_pending_events();
        return true;
    }();
    return started;
}

// Paints the whole area as an expose event does, and waits until the X server has it.
void expose_whole(GtkWidget *area) {
    GdkWindow *window = gtk_widget_get_window(area);
    gdk_window_invalidate_rect(window, nullptr, FALSE);
    gdk_window_process_updates(window, FALSE);
    gdk_display_sync(gdk_window_get_display(window));
}

void repaint_views(benchmark::State &state) {
    if (!editor_started()) {
        state.SkipWithError("no X display");
        return;
    }
    for (auto _ : state)
        repaint_sprite_views();
    process_pending_events();
}
BENCHMARK(repaint_views)->Unit(benchmark::kMicrosecond);

void expose_area(benchmark::State &state, const char *name) {
    if (!editor_started()) {
        state.SkipWithError("no X display");
        return;
    }
    GtkWidget *area = lookup_widget(window_main, name);
    for (auto _ : state)
        expose_whole(area);
}
BENCHMARK_CAPTURE(expose_area, picture, "drawingarea_picture")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(expose_area, upper_border, "drawingarea_upper_border")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(expose_area, left_border, "drawingarea_left_border")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(expose_area, sprite_list, "drawingarea_sprites")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(expose_area, sprite_palette, "drawingarea_sprite_palette")
    ->Unit(benchmark::kMicrosecond);

// One editing action whole: new sprite images, then every area that shows sprites on screen.
void edit_and_show(benchmark::State &state) {
    if (!editor_started()) {
        state.SkipWithError("no X display");
        return;
    }
    for (auto _ : state) {
        repaint_sprite_views();
        for (const char *name :
             {"drawingarea_sprites", "drawingarea_left_border", "drawingarea_right_border"})
            expose_whole(lookup_widget(window_main, name));
    }
}
BENCHMARK(edit_and_show)->Unit(benchmark::kMicrosecond);

} // namespace
