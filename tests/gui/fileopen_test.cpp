// The six file choosers: templates, filters, remembered folders and filters, the live preview.

#include "gui_test_support.hpp"

#include "core/options.hpp"
#include "gui/fileopen.hpp"
#include "gui/support.hpp"

#include <array>

namespace {

using gui_test::PrintTo;
using FileChoosers = EditorTest;

constexpr const char *all_files = "  All files (*) ";
constexpr const char *supported_pictures =
    "  Supported image files (.a64;.blp;.pi;.koa;.kla;.vid;.pet) ";
constexpr const char *prg_pictures = "  Image files as non-executable PRG files (.prg) ";
constexpr const char *supported_sprites = "  Supported sprite files (.prg;.pmap) ";
constexpr const char *projects = "  Project files (.ini) ";

std::string active_filter(GtkWidget *dialog) {
    GtkFileFilter *filter = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog));
    return filter == nullptr ? "" : gtk_file_filter_get_name(filter);
}

// Each dialog, with the remembered folder that starts it and those that a confirmation updates:
// bits 0 to 3 for the picture, sprite, PNG and program folders.
struct ChooserCase {
    const char *name;
    gboolean (*run)(gchar **out);
    const char *title;
    bool save;
    const std::vector<std::string> &filters;
    int start;
    unsigned updates;
};

// Open and save choosers, found by their names: their Cancel and confirm buttons, and a
// question before a save replaces a file.
void expect_template(GtkWidget *dialog, bool save) {
    EXPECT_EQ(lookup_widget(dialog, save ? "filechooserdialog_save" : "filechooserdialog_open"),
              dialog);
    EXPECT_EQ(lookup_widget(dialog, save ? "dialog_vbox2" : "dialog_vbox1"),
              gtk_dialog_get_content_area(GTK_DIALOG(dialog)));
    EXPECT_EQ(lookup_widget(dialog, save ? "dialog_action_area2" : "dialog_action_area1"),
              gtk_dialog_get_action_area(GTK_DIALOG(dialog)));
    GtkWidget *confirm = lookup_widget(dialog, save ? "button4" : "button2");
    EXPECT_EQ(gtk_dialog_get_response_for_widget(GTK_DIALOG(dialog), confirm), GTK_RESPONSE_OK);
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(confirm)), save ? GTK_STOCK_SAVE : GTK_STOCK_OPEN);
    EXPECT_TRUE(gtk_widget_has_default(confirm));
    EXPECT_EQ(gtk_dialog_get_response_for_widget(
                  GTK_DIALOG(dialog), lookup_widget(dialog, save ? "button3" : "button1")),
              GTK_RESPONSE_CANCEL);
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    int x = 0, y = 0; // placed towards the middle, not where a bare X server puts windows
    gtk_window_get_position(GTK_WINDOW(dialog), &x, &y);
    EXPECT_TRUE(x > 0 && y > 0) << x << "," << y;
    EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog)),
              save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN);
    EXPECT_EQ(gtk_file_chooser_get_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog)), save);
}

class EveryChooser : public EditorTest, public ::testing::WithParamInterface<ChooserCase> {};

// Four remembered folders of their own; the artist moves to a fifth, changes the filter and
// cancels, then confirms there. A save dialog shows the name it was given.
TEST_P(EveryChooser, StartsInItsFolderAndRemembersOnlyWhatWasConfirmed) {
    const ChooserCase &c = GetParam();
    const std::array<gchar **, 4> folders = {
        &options_picture_dir_string, &options_sprites_dir_string, &options_export_png_dir_string,
        &options_export_dir_string};
    for (std::size_t k = 0; k < folders.size(); ++k) {
        fs::create_directories(dir / std::to_string(k));
        set_path(folders[k], dir / std::to_string(k));
    }
    const fs::path chosen = dir / "chosen", file = chosen / "file.ini";
    fs::create_directories(chosen);
    const auto expect_folders = [&](bool confirmed) {
        for (std::size_t k = 0; k < folders.size(); ++k) {
            const bool moved = confirmed && (c.updates >> k & 1) != 0;
            EXPECT_STREQ(*folders[k], (moved ? chosen : dir / std::to_string(k)).c_str()) << k;
        }
    };
    std::vector<std::string> names;
    std::string active, shown_folder;
    DialogAnswer cancel(c.title, GTK_RESPONSE_CANCEL);
    cancel.inspect = [&](GtkWidget *dialog) {
        expect_template(dialog, c.save);
        GSList *filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
        for (GSList *filter = filters; filter != nullptr; filter = filter->next) {
            names.emplace_back(gtk_file_filter_get_name(GTK_FILE_FILTER(filter->data)));
        }
        g_slist_free(filters);
        active = active_filter(dialog);
        // Only the picture chooser previews what is highlighted.
        EXPECT_EQ(gtk_file_chooser_get_preview_widget(GTK_FILE_CHOOSER(dialog)) != nullptr,
                  c.run == fileopen_open_picture_file);
    };
    // The chooser reports its folder once it has started loading it.
    cancel.ready = [&](GtkWidget *dialog) {
        const GCharPtr folder{gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog))};
        if (folder) {
            shown_folder = folder.get();
            gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog), filter_named(dialog, all_files));
            gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), chosen.c_str());
        }
        return folder != nullptr;
    };
    gchar *out = nullptr;
    EXPECT_FALSE(c.run(&out));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(cancel.times_answered(), 1);
    EXPECT_EQ(names, c.filters);
    EXPECT_EQ(active, c.filters.front());
    EXPECT_EQ(shown_folder, (dir / std::to_string(c.start)).string());
    expect_folders(false);

    DialogAnswer confirm(c.title, GTK_RESPONSE_OK);
    if (c.save) {
        type_name(confirm, chosen, "", "file.ini");
    } else {
        pick(confirm, write_file(file, std::string("[picture]\n")), all_files);
    }
    // The filter changed before the cancel is not remembered.
    confirm.inspect = [&, pick_file = confirm.inspect](GtkWidget *dialog) {
        active = active_filter(dialog);
        pick_file(dialog);
    };
    ASSERT_TRUE(c.run(&out));
    EXPECT_EQ(active, c.filters.front());
    EXPECT_EQ(GCharPtr{out}.get(), file.string());
    expect_folders(true);
    DialogAnswer gone(c.title, GTK_RESPONSE_CANCEL); // the answered dialog went away
    process_events(100);
    EXPECT_EQ(gone.times_answered(), 0);
}

const std::vector<std::string> picture_filters{supported_pictures, prg_pictures, all_files};
const std::vector<std::string> sprite_filters{supported_sprites, all_files};
const std::vector<std::string> project_filters{projects, all_files};
const std::vector<std::string> png_filters{"  PNG files (.png) ", all_files};
const std::vector<std::string> prg_filters{"  PRG files (.prg) ", all_files};

INSTANTIATE_TEST_SUITE_P(
    Dialogs, EveryChooser,
    ::testing::Values(
        ChooserCase{"picture", fileopen_open_picture_file, "Select a picture file", false,
                    picture_filters, 0, 0b0001},
        ChooserCase{"sprites", fileopen_open_sprites_file, "Select a sprite data file", false,
                    sprite_filters, 1, 0b0010},
        ChooserCase{"open_project", fileopen_open_project_file, "Open a project file", false,
                    project_filters, 0, 0b0001},
        ChooserCase{"save_project",
                    [](gchar **out) { return fileopen_save_project_file("file.ini", out); },
                    "Save project file", true, project_filters, 0, 0b0011},
        ChooserCase{"png", [](gchar **out) { return fileopen_save_png_file("file.ini", out); },
                    "Save screenshot file", true, png_filters, 2, 0b0100},
        ChooserCase{"executable",
                    [](gchar **out) { return fileopen_save_executable_file("file.ini", out); },
                    "Save executable file", true, prg_filters, 3, 0b1000}),
    case_name);

// After a picture is opened under "All files" the next picture dialog starts with that filter;
// the sprite dialog does not. The patterns are matched as written.
TEST_F(FileChoosers, PictureFilterIsRememberedForPicturesOnly) {
    DialogAnswer answer("Select a picture file", GTK_RESPONSE_OK);
    pick(answer, write_file(dir / "PIC.KOA", koala_file(0)), all_files);
    gchar *out = nullptr;
    ASSERT_TRUE(fileopen_open_picture_file(&out));
    g_free(out);
    std::string picture_filter, sprite_filter;
    std::vector<bool> matches;
    DialogAnswer pictures("Select a picture file", GTK_RESPONSE_CANCEL);
    pictures.inspect = [&](GtkWidget *dialog) {
        picture_filter = active_filter(dialog);
        const auto accepts = [dialog](const char *filter, const char *name) {
            GtkFileFilterInfo info{};
            info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
            info.display_name = name;
            return gtk_file_filter_filter(filter_named(dialog, filter), &info) == TRUE;
        };
        matches = {accepts(supported_pictures, "pic.koa"), accepts(supported_pictures, "PIC.KOA"),
                   accepts(supported_pictures, "s.pet"),   accepts(prg_pictures, "x.Prg"),
                   accepts(prg_pictures, "x.pRG"),         accepts(all_files, "PIC.KOA")};
    };
    DialogAnswer sprites("Select a sprite data file", GTK_RESPONSE_CANCEL);
    sprites.inspect = [&](GtkWidget *dialog) { sprite_filter = active_filter(dialog); };
    fileopen_open_picture_file(&out);
    fileopen_open_sprites_file(&out);
    EXPECT_EQ(picture_filter, all_files);
    EXPECT_EQ(sprite_filter, supported_sprites);
    EXPECT_EQ(matches, (std::vector<bool>{true, false, true, true, false, true}));
    // Back to the first filter, which the next dialog starts with again.
    DialogAnswer first("Select a picture file", GTK_RESPONSE_OK);
    pick(first, write_file(dir / "pic.koa", koala_file(0)), supported_pictures);
    ASSERT_TRUE(fileopen_open_picture_file(&out));
    g_free(out);
    DialogAnswer again("Select a picture file", GTK_RESPONSE_CANCEL);
    again.inspect = [&](GtkWidget *dialog) { picture_filter = active_filter(dialog); };
    fileopen_open_picture_file(&out);
    EXPECT_EQ(picture_filter, supported_pictures);
}

// The chooser's file list: the one tree view with name, size and date columns.
GtkTreeView *file_list(GtkWidget *widget) {
    if (GTK_IS_TREE_VIEW(widget) && gtk_tree_view_get_column(GTK_TREE_VIEW(widget), 2) != nullptr) {
        return GTK_TREE_VIEW(widget);
    }
    GtkTreeView *found = nullptr;
    if (GTK_IS_CONTAINER(widget)) {
        GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList *child = children; child != nullptr && found == nullptr; child = child->next) {
            found = file_list(GTK_WIDGET(child->data));
        }
        g_list_free(children);
    }
    return found;
}

// Highlights the selected file as the arrow keys would, which is what brings up its preview.
bool highlight_selected_file(GtkWidget *dialog) {
    GtkTreeView *view = file_list(dialog);
    if (view == nullptr) {
        return false;
    }
    GList *rows = gtk_tree_selection_get_selected_rows(gtk_tree_view_get_selection(view), nullptr);
    if (rows != nullptr) {
        // The chooser looks for the file under the cursor when the selection changes.
        gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(view));
        gtk_tree_view_set_cursor(view, static_cast<GtkTreePath *>(rows->data), nullptr, FALSE);
    }
    const bool highlighted = rows != nullptr;
    g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    return highlighted;
}

TEST_F(FileChoosers, PreviewShowsAPictureAndHidesForAFileThatDoesNotDecode) {
    const fs::path good = write_file(dir / "good.koa", koala_file(0));
    const fs::path bad = write_file(dir / "bad.koa", Bytes(100, 0x60));
    DialogAnswer answer("Select a picture file", GTK_RESPONSE_CANCEL);
    // Each step highlights a file and waits for the preview to agree with it.
    const std::pair<fs::path, bool> steps[] = {{good, true}, {bad, false}, {good, true}};
    std::size_t step = 0;
    bool highlighted = false;
    int shown_width = 0;
    answer.ready = [&](GtkWidget *dialog) {
        GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
        const auto &[file, shown] = steps[step];
        if (!highlighted) {
            gtk_file_chooser_select_filename(chooser, file.c_str());
            highlighted = chooser_filename(dialog) == file && highlight_selected_file(dialog);
            return false;
        }
        const GCharPtr previewed{gtk_file_chooser_get_preview_filename(chooser)};
        if (!previewed || file != previewed.get() ||
            gtk_file_chooser_get_preview_widget_active(chooser) != shown) {
            return false;
        }
        GdkPixbuf *image =
            gtk_image_get_pixbuf(GTK_IMAGE(gtk_file_chooser_get_preview_widget(chooser)));
        shown_width = image == nullptr ? 0 : gdk_pixbuf_get_width(image);
        highlighted = false;
        return ++step == std::size(steps);
    };
    gchar *out = nullptr;
    fileopen_open_picture_file(&out);
    EXPECT_EQ(step, std::size(steps));
    EXPECT_EQ(shown_width, 320);
    // With nothing highlighted there is nothing to preview.
    GtkWidget *dialog = create_filechooserdialog_open();
    GtkWidget *image = gtk_image_new();
    gtk_file_chooser_set_preview_widget(GTK_FILE_CHOOSER(dialog), image);
    gtk_file_chooser_set_preview_widget_active(GTK_FILE_CHOOSER(dialog), TRUE);
    fileopen_update_hires_preview_cb(GTK_FILE_CHOOSER(dialog), image);
    EXPECT_FALSE(gtk_file_chooser_get_preview_widget_active(GTK_FILE_CHOOSER(dialog)));
    gtk_widget_destroy(dialog);
}

} // namespace
