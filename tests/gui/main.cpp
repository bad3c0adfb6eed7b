// GUI tests: GTK in test mode (warnings and criticals abort) under an X server, with a
// configuration folder of their own.

#include "core/glib_ptr.hpp"
#include "gui_test_support.hpp"

#include <X11/Xlib.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

namespace {

fs::path config_home;

constexpr int display_attempts = 100;
constexpr gulong display_retry_us = 100000;

// Xvfb resets itself when its last client leaves, and refuses connections meanwhile. With test
// processes coming and going, one may start in that moment: wait for the server, and keep a
// connection of our own so that it cannot reset under us.
Display *hold_display() {
    for (int attempt = 0; attempt < display_attempts; attempt++) {
        if (Display *display = XOpenDisplay(nullptr)) {
            return display;
        }
        g_usleep(display_retry_us);
    }
    return nullptr;
}

} // namespace

const fs::path &gui_test_config_home() {
    return config_home;
}

int main(int argc, char **argv) {
    // GLib reads these once, at first use: set them before anything asks.
    GCharPtr home{g_dir_make_tmp("sidewell-gui-XXXXXX", nullptr)};
    if (!home) {
        return 1;
    }
    const fs::path root = home.get();
    config_home = root / "config";
    std::filesystem::create_directories(config_home);
    // The file choosers record chosen files in the data folder; GTK warns when it is missing.
    std::filesystem::create_directories(root / "data");
    g_setenv("XDG_CONFIG_HOME", config_home.c_str(), TRUE);
    g_setenv("XDG_DATA_HOME", (root / "data").c_str(), TRUE);
    g_setenv("HOME", root.c_str(), TRUE);

    Display *held = hold_display();
    gtk_test_init(&argc, &argv, nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (held != nullptr) {
        XCloseDisplay(held);
    }
    std::filesystem::remove_all(root);
    return result;
}
