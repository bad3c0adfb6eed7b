// Start-up to the first painted frame: the editor against an empty GTK+ 2 window of its size with
// a menu bar, started alternately as whole processes that end at their first expose (a GTK module
// loaded into both ends them). Run on an X server that does not reset between clients, so that
// neither pays for the server's reset: xvfb-run -s "... -noreset".

#include "core/glib_ptr.hpp"

#include <benchmark/benchmark.h>
#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int runs_each = 51;

struct Run {
    double seconds = 0;
    long peak_kib = 0;
    int width = 0, height = 0;
    bool ok = false;
};

// One process from its start to its first expose, with the module that ends it there; HOME and
// the preferences folder are the benchmark's own.
Run run_to_first_expose(const std::vector<std::string> &arguments, const std::string &home) {
    std::vector<gchar *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<gchar *>(argument.c_str()));
    argv.push_back(nullptr);
    GCharPtr module{g_strdup(SIDEWELL_FIRST_EXPOSE_MODULE)};
    gchar **environment = g_get_environ();
    environment = g_environ_setenv(environment, "GTK_MODULES", module.get(), TRUE);
    environment = g_environ_setenv(environment, "HOME", home.c_str(), TRUE);
    environment = g_environ_setenv(environment, "XDG_CONFIG_HOME", home.c_str(), TRUE);
    gchar *output = nullptr;
    gint status = 0;
    const gint64 start = g_get_monotonic_time();
    const gboolean spawned = g_spawn_sync(nullptr, argv.data(), environment, G_SPAWN_DEFAULT,
                                          nullptr, nullptr, &output, nullptr, &status, nullptr);
    Run run;
    run.seconds = static_cast<double>(g_get_monotonic_time() - start) / G_USEC_PER_SEC;
    g_strfreev(environment);
    const GCharPtr owned{output};
    run.ok = spawned && g_spawn_check_wait_status(status, nullptr) && output != nullptr &&
             std::sscanf(output, "%d %d %ld", &run.width, &run.height, &run.peak_kib) == 3;
    return run;
}

template <typename T> T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void startup_against_empty_window(benchmark::State &state) {
    const GCharPtr home{g_dir_make_tmp("sidewell-startup-XXXXXX", nullptr)};
    const std::vector<std::string> editor{SIDEWELL_EDITOR};
    // The first start writes the preferences; the timed ones start as a user's every day does.
    const Run first = run_to_first_expose(editor, home.get());
    if (!first.ok) {
        state.SkipWithError("the editor did not reach its first expose (no X display?)");
        std::filesystem::remove_all(home.get());
        return;
    }
    const std::vector<std::string> empty{SIDEWELL_EMPTY_WINDOW, std::to_string(first.width),
                                         std::to_string(first.height)};
    // Neither timed series starts with a cold cache.
    run_to_first_expose(empty, home.get());
    std::vector<double> editor_seconds, empty_seconds;
    std::vector<long> editor_kib, empty_kib;
    for (auto _ : state) {
        for (int i = 0; i < runs_each; ++i) {
            const Run a = run_to_first_expose(editor, home.get());
            const Run b = run_to_first_expose(empty, home.get());
            if (!a.ok || !b.ok) {
                state.SkipWithError("a run did not reach its first expose");
                break;
            }
            editor_seconds.push_back(a.seconds);
            editor_kib.push_back(a.peak_kib);
            empty_seconds.push_back(b.seconds);
            empty_kib.push_back(b.peak_kib);
        }
    }
    std::filesystem::remove_all(home.get());
    if (editor_seconds.empty())
        return;
    const double editor_ms = 1000 * median(editor_seconds);
    const double empty_ms = 1000 * median(empty_seconds);
    const double memory_ratio =
        static_cast<double>(median(editor_kib)) / static_cast<double>(median(empty_kib));
    state.counters["editor_ms"] = editor_ms;
    state.counters["empty_window_ms"] = empty_ms;
    state.counters["time_ratio"] = editor_ms / empty_ms;
    state.counters["memory_ratio"] = memory_ratio;
    std::printf("start-up to first expose, median of %d alternate runs (%dx%d): editor %.1f ms, "
                "empty window %.1f ms, ratio %.2f; peak memory ratio %.2f\n",
                runs_each, first.width, first.height, editor_ms, empty_ms, editor_ms / empty_ms,
                memory_ratio);
}
BENCHMARK(startup_against_empty_window)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
