#include "core/commandline.hpp"
#include "core/i18n.hpp"
#include "core/version.hpp"
#include "gui/app.hpp"

#include <memory>

namespace {

struct RequestOwner {
    CommandlineRequest *request;
    ~RequestOwner() { commandline_free_request(request); }
};

} // namespace

int main(int argc, char **argv) {
    CommandlineRequest request;
    const RequestOwner owner{&request};
    GOptionContext *context = commandline_new_option_context(&request);
    // GTK's own options (--display and the like) are understood too; parsing them opens no
    // display, so the exports run without one.
    g_option_context_add_group(context, gtk_get_option_group(FALSE));
    GError *error = nullptr;
    const gboolean parsed = g_option_context_parse(context, &argc, &argv, &error);
    g_option_context_free(context);
    if (!parsed) {
        g_printerr("c64-sidewell: %s\n", error->message);
        g_error_free(error);
        return commandline_status_usage;
    }
    if (request.version) {
        g_print("%s\n", sidewell_name_and_version);
        return commandline_status_done;
    }
    if (commandline_wants_export(request)) {
        return commandline_run_export(request);
    }
    if (!app_start(&argc, &argv)) {
        g_printerr(tr("c64-sidewell: cannot open the display; use --export-png or --export-prg "
                      "to export without one\n"));
        return commandline_status_failed;
    }
    app_open_files(request.files);
    gtk_main();
    return commandline_status_done;
}
