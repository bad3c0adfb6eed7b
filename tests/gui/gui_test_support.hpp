#pragma once
// Drives the real editor window under X: starts it as main() does, answers its modal dialogs
// from timeouts, and waits for the X server.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// The per-process configuration folder (XDG_CONFIG_HOME), set up by the test main.
const std::filesystem::path &gui_test_config_home();

// Lets GTK handle everything the X server has for it, for at least the given time.
void process_events(int milliseconds = 0);

// Runs a main loop until the application quits it; false when it was still running after
// timeout_seconds (the loop is then ended by the test).
bool run_main_loop(int timeout_seconds = 20);

// Calls action from the main loop as soon as it runs.
void call_from_main_loop(std::function<void()> action);

std::vector<std::string> label_texts(GtkWidget *container); // markup source of every label

// Waits for a visible dialog with the given title, lets inspect look at it (once), waits until
// ready agrees, then answers it with response, or closes its window when close_window is set.
class DialogAnswer {
  public:
    DialogAnswer(std::string title, gint response, bool close_window = false);
    ~DialogAnswer();
    DialogAnswer(const DialogAnswer &) = delete;
    DialogAnswer &operator=(const DialogAnswer &) = delete;

    std::function<void(GtkWidget *)> inspect;
    std::function<bool(GtkWidget *)> ready;
    int times_answered() const { return answered; }

  private:
    static gboolean poll(gpointer self);
    std::string title;
    gint response;
    bool close_window;
    int answered = 0;
    bool inspected = false;
    gint64 first_seen = 0;
    guint source = 0;
};

// Starts the editor as main() does, with a fresh preferences folder, and removes it afterwards.
class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The window goes away as after quitting, and the editor starts again on the same folder.
    void restart();
    static std::filesystem::path config_file();
    static std::string read_config();
    GtkWidget *widget(const char *name);

  private:
    void start();
    void stop();
    GtkWidget *window = nullptr; // follows window_main, cleared when GTK destroys it
};

// Presses and releases a key in the main window, as the keyboard would.
bool send_key(guint keyval, GdkModifierType modifiers);
// Sends the close request the window manager sends for the window's close button.
void send_delete_event(GtkWidget *window);
