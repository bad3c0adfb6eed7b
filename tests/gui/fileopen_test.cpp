// The six file choosers: their templates, titles and filters, the folders and filters they
// remember, and the picture dialog's live preview.

#include "project_test_support.hpp"

#include "gui/fileopen.hpp"

#include <array>

namespace {

using namespace project_test;
using project_test::PrintTo;
using FileChoosers = ProjectTest;

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

TEST(FileChooserTemplates, CarryTheirButtonsAndNames) {
    struct Template {
        GtkWidget *(*create)();
        const char *title;
        GtkFileChooserAction action;
        const char *names[5]; // the dialog, its box, its action area, cancel and OK
        const char *confirm_stock;
    };
    for (const Template &t : {Template{create_filechooserdialog_open,
                                       "Open picture file",
                                       GTK_FILE_CHOOSER_ACTION_OPEN,
                                       {"filechooserdialog_open", "dialog_vbox1",
                                        "dialog_action_area1", "button1", "button2"},
                                       GTK_STOCK_OPEN},
                              Template{create_filechooserdialog_save,
                                       "Save work to file",
                                       GTK_FILE_CHOOSER_ACTION_SAVE,
                                       {"filechooserdialog_save", "dialog_vbox2",
                                        "dialog_action_area2", "button3", "button4"},
                                       GTK_STOCK_SAVE}}) {
        GtkWidget *dialog = t.create();
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), t.title);
        EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog)), t.action);
        EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(dialog)), 5u);
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), nullptr);
        EXPECT_EQ(lookup_widget(dialog, t.names[0]), dialog);
        EXPECT_EQ(lookup_widget(dialog, t.names[1]),
                  gtk_dialog_get_content_area(GTK_DIALOG(dialog)));
        EXPECT_EQ(lookup_widget(dialog, t.names[2]),
                  gtk_dialog_get_action_area(GTK_DIALOG(dialog)));
        GtkWidget *confirm = lookup_widget(dialog, t.names[4]);
        EXPECT_EQ(gtk_dialog_get_response_for_widget(GTK_DIALOG(dialog),
                                                     lookup_widget(dialog, t.names[3])),
                  GTK_RESPONSE_CANCEL);
        EXPECT_EQ(gtk_dialog_get_response_for_widget(GTK_DIALOG(dialog), confirm), GTK_RESPONSE_OK);
        EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(confirm)), t.confirm_stock);
        EXPECT_TRUE(gtk_widget_has_default(confirm));
        gtk_widget_destroy(dialog);
    }
}

// Each dialog with the folder preferences that start it and that a confirmation updates, in
// the order picture, sprites, PNG and program.
struct ChooserCase {
    const char *name;
    gboolean (*run)(gchar **out);
    const char *title;
    bool save;
    std::vector<std::string> filters;
    int start;
    std::array<bool, 4> updates;
};

// Four remembered folders of their own, and a fifth to move to.
class EveryChooser : public ProjectTest, public ::testing::WithParamInterface<ChooserCase> {
  protected:
    void SetUp() override {
        ProjectTest::SetUp();
        for (std::size_t k = 0; k < folders.size(); ++k) {
            fs::create_directories(dir / std::to_string(k));
            set_path(folders[k], dir / std::to_string(k));
        }
        chosen = dir / "chosen";
        fs::create_directories(chosen);
    }
    // Each remembered folder, or where the dialog moved it.
    void expect_folders(bool confirmed) {
        for (std::size_t k = 0; k < folders.size(); ++k) {
            const bool moved = confirmed && GetParam().updates[k];
            EXPECT_STREQ(*folders[k], (moved ? chosen : dir / std::to_string(k)).c_str()) << k;
        }
    }
    const std::array<gchar **, 4> folders = {
        &options_picture_dir_string, &options_sprites_dir_string, &options_export_png_dir_string,
        &options_export_dir_string};
    fs::path chosen;
};

TEST_P(EveryChooser, StartsInItsFolderWithItsFiltersAndCancelsToNothing) {
    const ChooserCase &c = GetParam();
    DialogAnswer answer(c.title, GTK_RESPONSE_CANCEL);
    std::vector<std::string> names;
    std::string active, shown_folder;
    answer.inspect = [&](GtkWidget *dialog) {
        GSList *filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
        for (GSList *filter = filters; filter != nullptr; filter = filter->next) {
            names.emplace_back(gtk_file_filter_get_name(GTK_FILE_FILTER(filter->data)));
        }
        g_slist_free(filters);
        active = active_filter(dialog);
        EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog)),
                  c.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN);
        EXPECT_EQ(gtk_file_chooser_get_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog)), c.save);
    };
    // The chooser reports its folder once it has started loading it; then the artist moves
    // elsewhere and changes the filter before cancelling.
    answer.ready = [&](GtkWidget *dialog) {
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
    EXPECT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(names, c.filters);
    EXPECT_EQ(active, c.filters.front());
    EXPECT_EQ(shown_folder, (dir / std::to_string(c.start)).string());
    expect_folders(false);

    // The filter changed before the cancel is not remembered.
    DialogAnswer again(c.title, GTK_RESPONSE_CANCEL);
    again.inspect = [&](GtkWidget *dialog) { active = active_filter(dialog); };
    c.run(&out);
    EXPECT_EQ(active, c.filters.front());
}

// A save dialog shows the name it was given in the folder the artist moves to.
TEST_P(EveryChooser, ConfirmedGivesTheFileAndRemembersItsFolder) {
    const ChooserCase &c = GetParam();
    const fs::path file = chosen / "file.ini";
    DialogAnswer answer(c.title, GTK_RESPONSE_OK);
    if (c.save) {
        type_name(answer, chosen, "", "file.ini");
    } else {
        pick(answer, write_file(file, std::string("[picture]\n")), all_files);
    }
    gchar *out = nullptr;
    ASSERT_TRUE(c.run(&out));
    EXPECT_EQ(GCharPtr{out}.get(), file.string());
    expect_folders(true);
}

const std::vector<std::string> project_filters{projects, all_files};

INSTANTIATE_TEST_SUITE_P(
    Dialogs, EveryChooser,
    ::testing::Values(
        ChooserCase{"picture",
                    fileopen_open_picture_file,
                    "Select a picture file",
                    false,
                    {supported_pictures, prg_pictures, all_files},
                    0,
                    {true, false, false, false}},
        ChooserCase{"sprites",
                    fileopen_open_sprites_file,
                    "Select a sprite data file",
                    false,
                    {supported_sprites, all_files},
                    1,
                    {false, true, false, false}},
        ChooserCase{"open_project",
                    fileopen_open_project_file,
                    "Open a project file",
                    false,
                    project_filters,
                    0,
                    {true, false, false, false}},
        ChooserCase{"save_project",
                    [](gchar **out) { return fileopen_save_project_file("file.ini", out); },
                    "Save project file",
                    true,
                    project_filters,
                    0,
                    {true, true, false, false}},
        ChooserCase{"png",
                    [](gchar **out) { return fileopen_save_png_file("file.ini", out); },
                    "Save screenshot file",
                    true,
                    {"  PNG files (.png) ", all_files},
                    2,
                    {false, false, true, false}},
        ChooserCase{"executable",
                    [](gchar **out) { return fileopen_save_executable_file("file.ini", out); },
                    "Save executable file",
                    true,
                    {"  PRG files (.prg) ", all_files},
                    3,
                    {false, false, false, true}}),
    case_name);

TEST_F(FileChoosers, PicturePatternsAreMatchedAsWritten) {
    DialogAnswer answer("Select a picture file", GTK_RESPONSE_CANCEL);
    std::vector<bool> matches;
    answer.inspect = [&matches](GtkWidget *dialog) {
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
    gchar *out = nullptr;
    fileopen_open_picture_file(&out);
    EXPECT_EQ(matches, (std::vector<bool>{true, false, true, true, false, true}));
}

TEST_F(FileChoosers, PictureFilterIsRememberedForPicturesOnly) {
    const fs::path picture = write_file(dir / "PIC.KOA", koala_file(0));
    {
        DialogAnswer answer("Select a picture file", GTK_RESPONSE_OK);
        pick(answer, picture, all_files);
        gchar *out = nullptr;
        ASSERT_TRUE(fileopen_open_picture_file(&out));
        g_free(out);
    }
    std::string picture_filter, sprite_filter;
    DialogAnswer pictures("Select a picture file", GTK_RESPONSE_CANCEL);
    pictures.inspect = [&](GtkWidget *dialog) { picture_filter = active_filter(dialog); };
    DialogAnswer sprites("Select a sprite data file", GTK_RESPONSE_CANCEL);
    sprites.inspect = [&](GtkWidget *dialog) { sprite_filter = active_filter(dialog); };
    gchar *out = nullptr;
    fileopen_open_picture_file(&out);
    fileopen_open_sprites_file(&out);
    EXPECT_EQ(picture_filter, all_files);
    EXPECT_EQ(sprite_filter, supported_sprites);
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
}

} // namespace
