#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "gui/fileopen.hpp"
#include "gui/support.hpp"
#include "gui_test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char *all_files = "  All files (*) ";
constexpr std::size_t koala_size = 10003; // load address, bitmap, screen, colour, background

std::string filter_name(GtkFileFilter *filter) {
    return filter == nullptr ? "" : gtk_file_filter_get_name(filter);
}

std::vector<std::string> filter_names(GtkWidget *dialog) {
    std::vector<std::string> names;
    GSList *filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
    for (GSList *filter = filters; filter != nullptr; filter = filter->next) {
        names.push_back(filter_name(GTK_FILE_FILTER(filter->data)));
    }
    g_slist_free(filters);
    return names;
}

GtkFileFilter *filter_named(GtkWidget *dialog, const std::string &name) {
    GSList *filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
    GtkFileFilter *found = nullptr;
    for (GSList *filter = filters; filter != nullptr; filter = filter->next) {
        if (filter_name(GTK_FILE_FILTER(filter->data)) == name) {
            found = GTK_FILE_FILTER(filter->data);
        }
    }
    g_slist_free(filters);
    return found;
}

std::string active_filter(GtkWidget *dialog) {
    return filter_name(gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog)));
}

std::string chooser_filename(GtkWidget *dialog) {
    GCharPtr filename{gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))};
    return filename ? filename.get() : "";
}

bool filter_accepts(GtkFileFilter *filter, const char *name) {
    GtkFileFilterInfo info{};
    info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
    info.display_name = name;
    return gtk_file_filter_filter(filter, &info);
}

void set_folder_option(gchar **option, const fs::path &folder) {
    g_free(*option);
    *option = g_strdup(folder.c_str());
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
    const bool highlighted = rows != nullptr;
    if (highlighted) {
        // The chooser looks for the file under the cursor when the selection changes.
        gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(view));
        gtk_tree_view_set_cursor(view, static_cast<GtkTreePath *>(rows->data), nullptr, FALSE);
    }
    g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    return highlighted;
}

class FileChoosers : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        GCharPtr made{g_dir_make_tmp("sidewell-choosers-XXXXXX", nullptr)};
        ASSERT_TRUE(made);
        dir = made.get();
    }
    void TearDown() override {
        fs::remove_all(dir);
        EditorTest::TearDown();
    }

    fs::path make_file(const fs::path &path, std::size_t size, unsigned char first = 0,
                       unsigned char second = 0) {
        fs::create_directories(path.parent_path());
        std::string bytes(size, '\0');
        if (size >= 2) {
            bytes[0] = static_cast<char>(first);
            bytes[1] = static_cast<char>(second);
        }
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Picks file in the chooser (with the named filter, if any) and confirms once it is picked.
    static void pick(DialogAnswer &answer, const fs::path &file, const char *filter = nullptr) {
        answer.inspect = [file, filter](GtkWidget *dialog) {
            if (filter != nullptr) {
                gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog), filter_named(dialog, filter));
            }
            gtk_file_chooser_select_filename(GTK_FILE_CHOOSER(dialog), file.c_str());
        };
        answer.ready = [file](GtkWidget *dialog) { return chooser_filename(dialog) == file; };
    }

    fs::path dir;
};

TEST_F(FileChoosers, TemplatesCarryTheirButtonsAndNames) {
    struct Template {
        GtkWidget *(*create)();
        const char *title;
        GtkFileChooserAction action;
        const char *names[5];
        const char *confirm_stock;
    };
    const Template templates[] = {
        {create_filechooserdialog_open,
         "Open picture file",
         GTK_FILE_CHOOSER_ACTION_OPEN,
         {"filechooserdialog_open", "dialog_vbox1", "dialog_action_area1", "button1", "button2"},
         GTK_STOCK_OPEN},
        {create_filechooserdialog_save,
         "Save work to file",
         GTK_FILE_CHOOSER_ACTION_SAVE,
         {"filechooserdialog_save", "dialog_vbox2", "dialog_action_area2", "button3", "button4"},
         GTK_STOCK_SAVE},
    };
    for (const Template &t : templates) {
        GtkWidget *dialog = t.create();
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), t.title);
        EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog)), t.action);
        EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(dialog)), 5u);
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), nullptr);
        EXPECT_EQ(lookup_widget(dialog, t.names[0]), dialog);
        EXPECT_EQ(lookup_widget(dialog, t.names[1]),
                  gtk_dialog_get_content_area(GTK_DIALOG(dialog)));
        GtkWidget *cancel = lookup_widget(dialog, t.names[3]);
        GtkWidget *confirm = lookup_widget(dialog, t.names[4]);
        EXPECT_EQ(gtk_dialog_get_response_for_widget(GTK_DIALOG(dialog), cancel),
                  GTK_RESPONSE_CANCEL);
        EXPECT_EQ(gtk_dialog_get_response_for_widget(GTK_DIALOG(dialog), confirm), GTK_RESPONSE_OK);
        EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(confirm)), t.confirm_stock);
        EXPECT_TRUE(gtk_widget_has_default(confirm));
        gtk_widget_destroy(dialog);
    }
}

struct ChooserCase {
    const char *name;
    gboolean (*run)(gchar **out);
    const char *title;
    GtkFileChooserAction action;
    std::vector<std::string> filters;
};

void PrintTo(const ChooserCase &c, std::ostream *os) {
    *os << c.name;
}

class EveryChooser : public FileChoosers, public ::testing::WithParamInterface<ChooserCase> {};

TEST_P(EveryChooser, HasItsTitleAndFiltersAndCancelsToNothing) {
    const ChooserCase &c = GetParam();
    DialogAnswer answer(c.title, GTK_RESPONSE_CANCEL);
    std::vector<std::string> names;
    std::string active;
    GtkFileChooserAction action = GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
    gboolean confirms_overwrite = FALSE;
    answer.inspect = [&](GtkWidget *dialog) {
        names = filter_names(dialog);
        active = active_filter(dialog);
        action = gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog));
        confirms_overwrite =
            gtk_file_chooser_get_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog));
    };
    gchar *out = nullptr;
    EXPECT_FALSE(c.run(&out));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(names, c.filters);
    EXPECT_EQ(active, c.filters.front());
    EXPECT_EQ(action, c.action);
    EXPECT_EQ(confirms_overwrite, c.action == GTK_FILE_CHOOSER_ACTION_SAVE);
}

const std::vector<std::string> project_filters{"  Project files (.ini) ", all_files};

INSTANTIATE_TEST_SUITE_P(
    Dialogs, EveryChooser,
    ::testing::Values(
        ChooserCase{"picture",
                    fileopen_open_picture_file,
                    "Select a picture file",
                    GTK_FILE_CHOOSER_ACTION_OPEN,
                    {"  Supported image files (.a64;.blp;.pi;.koa;.kla;.vid;.pet) ",
                     "  Image files as non-executable PRG files (.prg) ", all_files}},
        ChooserCase{"sprites",
                    fileopen_open_sprites_file,
                    "Select a sprite data file",
                    GTK_FILE_CHOOSER_ACTION_OPEN,
                    {"  Supported sprite files (.prg;.pmap) ", all_files}},
        ChooserCase{"open_project", fileopen_open_project_file, "Open a project file",
                    GTK_FILE_CHOOSER_ACTION_OPEN, project_filters},
        ChooserCase{"save_project",
                    [](gchar **out) { return fileopen_save_project_file("scene.ini", out); },
                    "Save project file", GTK_FILE_CHOOSER_ACTION_SAVE, project_filters},
        ChooserCase{"png", [](gchar **out) { return fileopen_save_png_file(nullptr, out); },
                    "Save screenshot file", GTK_FILE_CHOOSER_ACTION_SAVE,
                    std::vector<std::string>{"  PNG files (.png) ", all_files}},
        ChooserCase{"executable",
                    [](gchar **out) { return fileopen_save_executable_file("a.prg", out); },
                    "Save executable file", GTK_FILE_CHOOSER_ACTION_SAVE,
                    std::vector<std::string>{"  PRG files (.prg) ", all_files}}),
    [](const ::testing::TestParamInfo<ChooserCase> &info) { return info.param.name; });

TEST_F(FileChoosers, PatternsAreMatchedAsWritten) {
    DialogAnswer answer("Select a picture file", GTK_RESPONSE_CANCEL);
    std::vector<bool> matches;
    answer.inspect = [&matches](GtkWidget *dialog) {
        GtkFileFilter *supported =
            filter_named(dialog, "  Supported image files (.a64;.blp;.pi;.koa;.kla;.vid;.pet) ");
        GtkFileFilter *prg =
            filter_named(dialog, "  Image files as non-executable PRG files (.prg) ");
        GtkFileFilter *all = filter_named(dialog, all_files);
        matches = {filter_accepts(supported, "pic.koa"), filter_accepts(supported, "PIC.KOA"),
                   filter_accepts(supported, "s.pet"),   filter_accepts(prg, "x.Prg"),
                   filter_accepts(prg, "x.pRG"),         filter_accepts(all, "PIC.KOA")};
    };
    gchar *out = nullptr;
    fileopen_open_picture_file(&out);
    EXPECT_EQ(matches, (std::vector<bool>{true, false, true, true, false, true}));
}

TEST_F(FileChoosers, CancelLeavesTheRememberedFolderAndFilter) {
    const fs::path start = dir / "start";
    fs::create_directories(start);
    fs::create_directories(dir / "elsewhere");
    set_folder_option(&options_picture_dir_string, start);
    {
        DialogAnswer answer("Select a picture file", GTK_RESPONSE_CANCEL);
        std::string shown_folder;
        // The chooser reports its folder once it has started loading it.
        answer.ready = [&](GtkWidget *dialog) {
            GCharPtr folder{gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog))};
            if (!folder) {
                return false;
            }
            shown_folder = folder.get();
            gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog), filter_named(dialog, all_files));
            gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog),
                                                (dir / "elsewhere").c_str());
            return true;
        };
        gchar *out = nullptr;
        EXPECT_FALSE(fileopen_open_picture_file(&out));
        EXPECT_EQ(shown_folder, start.string());
    }
    EXPECT_STREQ(options_picture_dir_string, start.c_str());
    DialogAnswer again("Select a picture file", GTK_RESPONSE_CANCEL);
    std::string active;
    again.inspect = [&active](GtkWidget *dialog) { active = active_filter(dialog); };
    gchar *out = nullptr;
    fileopen_open_picture_file(&out);
    EXPECT_EQ(active, "  Supported image files (.a64;.blp;.pi;.koa;.kla;.vid;.pet) ");
}

TEST_F(FileChoosers, PictureFilterIsRememberedForPicturesOnly) {
    const fs::path picture = make_file(dir / "pictures" / "PIC.KOA", koala_size, 0x00, 0x60);
    {
        DialogAnswer answer("Select a picture file", GTK_RESPONSE_OK);
        pick(answer, picture, all_files);
        gchar *out = nullptr;
        ASSERT_TRUE(fileopen_open_picture_file(&out));
        EXPECT_STREQ(out, picture.c_str());
        g_free(out);
    }
    EXPECT_STREQ(options_picture_dir_string, (dir / "pictures").c_str());
    EXPECT_EQ(options_sprites_dir_string, nullptr);

    std::string picture_filter;
    {
        DialogAnswer answer("Select a picture file", GTK_RESPONSE_CANCEL);
        answer.inspect = [&](GtkWidget *dialog) { picture_filter = active_filter(dialog); };
        gchar *out = nullptr;
        fileopen_open_picture_file(&out);
    }
    EXPECT_EQ(picture_filter, all_files);

    std::string sprite_filter;
    DialogAnswer answer("Select a sprite data file", GTK_RESPONSE_CANCEL);
    answer.inspect = [&](GtkWidget *dialog) { sprite_filter = active_filter(dialog); };
    gchar *out = nullptr;
    fileopen_open_sprites_file(&out);
    EXPECT_EQ(sprite_filter, "  Supported sprite files (.prg;.pmap) ");
}

TEST_F(FileChoosers, OpeningAProjectMovesThePictureFolderNotTheSpriteFolder) {
    const fs::path sprites = dir / "sprites";
    fs::create_directories(sprites);
    set_folder_option(&options_sprites_dir_string, sprites);
    const fs::path project = make_file(dir / "projects" / "scene.ini", 8);
    DialogAnswer answer("Open a project file", GTK_RESPONSE_OK);
    pick(answer, project);
    gchar *out = nullptr;
    ASSERT_TRUE(fileopen_open_project_file(&out));
    EXPECT_STREQ(out, project.c_str());
    g_free(out);
    EXPECT_STREQ(options_picture_dir_string, (dir / "projects").c_str());
    EXPECT_STREQ(options_sprites_dir_string, sprites.c_str());
}

TEST_F(FileChoosers, SavingAProjectMovesBothFoldersAndSuggestsTheName) {
    const fs::path target = dir / "work";
    fs::create_directories(target);
    set_folder_option(&options_picture_dir_string, target);
    DialogAnswer answer("Save project file", GTK_RESPONSE_OK);
    answer.ready = [&](GtkWidget *dialog) {
        return chooser_filename(dialog) == (target / "scene.ini").string();
    };
    gchar *out = nullptr;
    ASSERT_TRUE(fileopen_save_project_file("scene.ini", &out));
    EXPECT_STREQ(out, (target / "scene.ini").c_str());
    g_free(out);
    EXPECT_STREQ(options_picture_dir_string, target.c_str());
    EXPECT_STREQ(options_sprites_dir_string, target.c_str());
    EXPECT_EQ(options_export_png_dir_string, nullptr);
}

TEST_F(FileChoosers, ExportChoosersStartInAndRememberTheirOwnFolders) {
    const fs::path png = dir / "png";
    const fs::path prg = dir / "prg";
    fs::create_directories(png);
    fs::create_directories(prg);
    set_folder_option(&options_export_png_dir_string, png);
    set_folder_option(&options_export_dir_string, prg);
    {
        DialogAnswer answer("Save screenshot file", GTK_RESPONSE_OK);
        answer.ready = [&](GtkWidget *dialog) {
            return chooser_filename(dialog) == (png / "shot.png").string();
        };
        gchar *out = nullptr;
        ASSERT_TRUE(fileopen_save_png_file("shot.png", &out));
        EXPECT_STREQ(out, (png / "shot.png").c_str());
        g_free(out);
    }
    DialogAnswer answer("Save executable file", GTK_RESPONSE_OK);
    answer.inspect = [&](GtkWidget *dialog) {
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), dir.c_str());
    };
    answer.ready = [&](GtkWidget *dialog) {
        return chooser_filename(dialog) == (dir / "demo.prg").string();
    };
    gchar *out = nullptr;
    ASSERT_TRUE(fileopen_save_executable_file("demo.prg", &out));
    EXPECT_STREQ(out, (dir / "demo.prg").c_str());
    g_free(out);
    EXPECT_STREQ(options_export_dir_string, dir.c_str());
    EXPECT_STREQ(options_export_png_dir_string, png.c_str());
    EXPECT_EQ(options_picture_dir_string, nullptr);
}

TEST_F(FileChoosers, PreviewShowsAPictureAndHidesForAFileThatDoesNotDecode) {
    const fs::path good = make_file(dir / "good.koa", koala_size, 0x00, 0x60);
    const fs::path bad = make_file(dir / "bad.koa", 100, 0x00, 0x60);
    DialogAnswer answer("Select a picture file", GTK_RESPONSE_CANCEL);
    // Each step highlights a file and waits for the preview to agree with it.
    struct Step {
        fs::path file;
        bool shown;
    };
    const Step steps[] = {{good, true}, {bad, false}, {good, true}};
    std::size_t step = 0;
    bool highlighted = false;
    int shown_width = 0;
    answer.ready = [&](GtkWidget *dialog) {
        GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
        if (!highlighted) {
            gtk_file_chooser_select_filename(chooser, steps[step].file.c_str());
            highlighted =
                chooser_filename(dialog) == steps[step].file && highlight_selected_file(dialog);
            return false;
        }
        GCharPtr previewed{gtk_file_chooser_get_preview_filename(chooser)};
        if (!previewed || steps[step].file != previewed.get() ||
            gtk_file_chooser_get_preview_widget_active(chooser) != steps[step].shown) {
            return false;
        }
        GdkPixbuf *shown =
            gtk_image_get_pixbuf(GTK_IMAGE(gtk_file_chooser_get_preview_widget(chooser)));
        shown_width = shown == nullptr ? 0 : gdk_pixbuf_get_width(shown);
        highlighted = false;
        return ++step == std::size(steps);
    };
    gchar *out = nullptr;
    fileopen_open_picture_file(&out);
    EXPECT_EQ(step, std::size(steps));
    EXPECT_EQ(shown_width, 320);
}

} // namespace
