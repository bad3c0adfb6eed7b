#include "gui/app.hpp"

int main(int argc, char **argv) {
    app_start(&argc, &argv);
    gtk_main();
    return 0;
}
