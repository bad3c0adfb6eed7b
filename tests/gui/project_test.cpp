// The File menu: loading pictures and sprites, a new project, and saving projects.

#include "project_test_support.hpp"

#include "core/hiresdecoder.hpp"

namespace {

using namespace project_test;

class LoadPicture : public ProjectTest {};

TEST_F(LoadPicture, F2LoadsAPictureAndSavesThePreferences) {
    const fs::path picture = write_file(dir / "castle.koa", koala_file(0));
    fs::remove(config_file());
    border_color_index = 9;
    DialogAnswer answer("Select a picture file", GTK_RESPONSE_OK);
    pick(answer, picture);
    press(GDK_F2);

    EXPECT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_STREQ(utf8_path_and_filename_picture, picture.c_str());
    EXPECT_EQ(picture_data.format, picture_format_koala);
    EXPECT_EQ(status_text(), " Info: Picture data loaded");
    EXPECT_TRUE(take_error_messages().empty());
    // A Koala file has no border colour: the corner keeps its own.
    EXPECT_EQ(border_color_index, 9);
    EXPECT_NE(read_config().find("picture_dir=" + file_uri(dir) + "\n"), std::string::npos)
        << read_config();
}

TEST_F(LoadPicture, PetsciiScreenBringsItsBorderColour) {
    load_picture(write_file(dir / "welcome.pet", petscii_file(0xF5, 6)));
    EXPECT_EQ(picture_data.format, picture_format_petscii);
    EXPECT_EQ(border_color_index, 5);
}

TEST_F(LoadPicture, CancelChangesNothing) {
    const fs::path picture = write_file(dir / "castle.koa", koala_file(0));
    load_picture(picture);
    controls_update_main_statusbar("before");
    DialogAnswer answer("Select a picture file", GTK_RESPONSE_CANCEL);
    activate("menuitem_load_picture");
    EXPECT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_STREQ(utf8_path_and_filename_picture, picture.c_str());
    EXPECT_EQ(status_text(), "before");
}

struct BadPicture {
    const char *name;
    Bytes bytes;
    const char *message;
};

void PrintTo(const BadPicture &c, std::ostream *os) {
    *os << c.name;
}

class LoadBadPicture : public ProjectTest, public ::testing::WithParamInterface<BadPicture> {};

TEST_P(LoadBadPicture, ReportsTheErrorAndForgetsThePicture) {
    const fs::path good = write_file(dir / "good.koa", koala_file(0));
    load_picture(good);
    const fs::path bad = write_file(dir / "bad.koa", GetParam().bytes);
    DialogAnswer answer("Select a picture file", GTK_RESPONSE_OK);
    pick(answer, bad);
    press(GDK_F2);

    ASSERT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(picture_loaded, 0);
    EXPECT_EQ(status_text(), std::string(" Error: ") + GetParam().message);
    EXPECT_EQ(take_error_messages(), std::vector<std::string>{GetParam().message});
    // The path of the picture that did load stays for the record.
    EXPECT_STREQ(utf8_path_and_filename_picture, good.c_str());
}

Bytes without_last_byte(Bytes bytes) {
    bytes.pop_back();
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadBadPicture,
    ::testing::Values(BadPicture{"Empty", Bytes{}, "Unknown picture format"},
                      BadPicture{"NoKnownSize", Bytes(100, 0), "Unknown picture format"},
                      BadPicture{"KoalaOneByteShort", without_last_byte(koala_file(0)),
                                 "Unknown picture format"}),
    [](const auto &info) { return std::string{info.param.name}; });

class LoadSprites : public ProjectTest {
  protected:
    GtkAdjustment *list_adjustment() {
        return gtk_range_get_adjustment(GTK_RANGE(widget("vscrollbar_sprites")));
    }
};

TEST_F(LoadSprites, F3LoadsSpritesAndSetsUpTheListScrollBar) {
    const fs::path sprites = write_file(dir / "shapes.prg", sprite_file(17, 0x10));
    fs::remove(config_file());
    DialogAnswer answer("Select a sprite data file", GTK_RESPONSE_OK);
    pick(answer, sprites);
    press(GDK_F3);

    EXPECT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(sprites_loaded, 1);
    EXPECT_STREQ(utf8_path_and_filename_sprites, sprites.c_str());
    EXPECT_EQ(sprites_get_array_size(), 17u);
    EXPECT_EQ(first_byte_at(16), 0x20);
    EXPECT_EQ(status_text(), " Info: Sprite data loaded");
    EXPECT_TRUE(take_error_messages().empty());
    EXPECT_NE(read_config().find("sprites_dir=" + file_uri(dir) + "\n"), std::string::npos)
        << read_config();

    GtkAdjustment *adjustment = list_adjustment();
    EXPECT_EQ(gtk_adjustment_get_value(adjustment), 0);
    EXPECT_EQ(gtk_adjustment_get_lower(adjustment), 0);
    EXPECT_EQ(gtk_adjustment_get_upper(adjustment), 3); // 17 sprites fill three rows of eight
    EXPECT_EQ(gtk_adjustment_get_step_increment(adjustment), 1);
    EXPECT_EQ(gtk_adjustment_get_page_increment(adjustment), 5);
    EXPECT_EQ(gtk_adjustment_get_page_size(adjustment), 5);
}

TEST_F(LoadSprites, ScrollBarKeepsItsValue) {
    GtkAdjustment *adjustment = list_adjustment();
    gtk_adjustment_configure(adjustment, 2, 0, 20, 1, 5, 5);
    load_sprites(write_file(dir / "many.prg", sprite_file(128, 0)));
    EXPECT_EQ(gtk_adjustment_get_value(adjustment), 2);
    EXPECT_EQ(gtk_adjustment_get_upper(adjustment), 16);
}

struct MulticolorCase {
    const char *name;
    int attribute_format;
    std::uint8_t first_attribute;
    bool button_before;
    bool button_after;
};

void PrintTo(const MulticolorCase &c, std::ostream *os) {
    *os << c.name;
}

class LoadSpritesMulticolor : public LoadSprites,
                              public ::testing::WithParamInterface<MulticolorCase> {};

TEST_P(LoadSpritesMulticolor, ButtonFollowsSpriteZeroOnlyWithAttributeBytes) {
    const MulticolorCase &c = GetParam();
    options_sprite_attribute_byte_format = c.attribute_format;
    set_multicolor_button(c.button_before);
    load_sprites(write_file(dir / "shapes.prg", sprite_file(8, 0, c.first_attribute)));
    EXPECT_EQ(multicolor_button_active(), c.button_after);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LoadSpritesMulticolor,
    ::testing::Values(MulticolorCase{"SpritePadMulticolor", 1, 0x81, false, true},
                      MulticolorCase{"SpritePadSingleColour", 1, 0x01, true, false},
                      MulticolorCase{"IgnoreUnchecks", 0, 0x81, true, false}),
    [](const auto &info) { return std::string{info.param.name}; });

struct BadSprites {
    const char *name;
    Bytes bytes;
    const char *message;
};

void PrintTo(const BadSprites &c, std::ostream *os) {
    *os << c.name;
}

class LoadBadSprites : public LoadSprites, public ::testing::WithParamInterface<BadSprites> {};

TEST_P(LoadBadSprites, ReportsTheErrorAndKeepsTheStore) {
    const fs::path good = write_file(dir / "good.prg", sprite_file(12, 0x40));
    load_sprites(good);
    const fs::path bad = write_file(dir / "bad.prg", GetParam().bytes);
    DialogAnswer answer("Select a sprite data file", GTK_RESPONSE_OK);
    pick(answer, bad);
    press(GDK_F3);

    ASSERT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(sprites_loaded, 0);
    EXPECT_EQ(status_text(), std::string(" Error: ") + GetParam().message);
    EXPECT_EQ(take_error_messages(), std::vector<std::string>{GetParam().message});
    EXPECT_EQ(sprites_get_array_size(), 12u);
    EXPECT_EQ(first_byte_at(0), 0x40);
    EXPECT_STREQ(utf8_path_and_filename_sprites, good.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadBadSprites,
    ::testing::Values(BadSprites{"Empty", Bytes{}, "Unknown file format"},
                      BadSprites{"NoWholeSlot", Bytes(65, 0), "Unknown file format"},
                      BadSprites{"PartOfASecondSlot", Bytes(2 + 64 + 10, 0), "Unknown file format"},
                      BadSprites{"TooMany", sprite_file(129, 0), "Too many sprites in input file"}),
    [](const auto &info) { return std::string{info.param.name}; });

// What the artist loaded before the command under test.
struct Loaded {
    const char *name;
    bool picture;
    bool sprites;
};

void PrintTo(const Loaded &c, std::ostream *os) {
    *os << c.name;
}

class WhatIsLoaded : public ProjectTest, public ::testing::WithParamInterface<Loaded> {
  protected:
    void load() {
        if (GetParam().picture) {
            load_picture(write_file(dir / "castle.koa", koala_file(0)));
        }
        if (GetParam().sprites) {
            load_sprites(write_file(dir / "shapes.prg", sprite_file(4, 0)));
        }
    }
};

std::string loaded_name(const ::testing::TestParamInfo<Loaded> &info) {
    return info.param.name;
}

const Loaded nothing_loaded{"Nothing", false, false};
const Loaded picture_only{"PictureOnly", true, false};
const Loaded sprites_only{"SpritesOnly", false, true};
const Loaded both_loaded{"Both", true, true};

class NewProjectQuestion : public WhatIsLoaded {};

TEST_P(NewProjectQuestion, IsAskedOnlyWhenSomethingIsLoaded) {
    load();
    DialogAnswer question("Confirmation request", GTK_RESPONSE_NO);
    activate("menuitem_new_project");
    process_events(100);

    const bool anything = GetParam().picture || GetParam().sprites;
    EXPECT_EQ(question.times_answered(), anything ? 1 : 0);
    // Refused, or nothing there to lose.
    EXPECT_EQ(picture_loaded, GetParam().picture ? 1 : 0);
    EXPECT_EQ(sprites_loaded, GetParam().sprites ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Loads, NewProjectQuestion,
                         ::testing::Values(nothing_loaded, picture_only, sprites_only, both_loaded),
                         loaded_name);

class NewProject : public ProjectTest {};

TEST_F(NewProject, WithNothingLoadedResetsWithoutAsking) {
    sprites_set_array_size(3);
    color_index_sprite_bit_pair_10 = 2;
    set_multicolor_button(true);
    DialogAnswer question("Confirmation request", GTK_RESPONSE_NO);
    activate("menuitem_new_project");
    process_events(100);

    EXPECT_EQ(question.times_answered(), 0);
    EXPECT_EQ(sprites_get_array_size(), 40u);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 13);
    EXPECT_FALSE(multicolor_button_active());
}

class NewProjectLoaded : public ProjectTest {
  protected:
    void SetUp() override {
        ProjectTest::SetUp();
        load_picture(write_file(dir / "welcome.pet", petscii_file(2, 6)));
        load_sprites(write_file(dir / "shapes.prg", sprite_file(5, 0x30)));
        utf8_path_and_filename_project = g_strdup((dir / "scene.ini").c_str());
        gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - scene.ini");
        color_index_sprite_bit_pair_10 = 4;
    }
};

TEST_F(NewProjectLoaded, RefusedKeepsEverything) {
    std::string asked;
    DialogAnswer question("Confirmation request", GTK_RESPONSE_NO);
    question.inspect = [&](GtkWidget *dialog) {
        asked = gtk_label_get_label(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation")));
    };
    activate("menuitem_new_project");

    EXPECT_EQ(question.times_answered(), 1);
    EXPECT_EQ(asked, "Are you sure you want to reset all data?");
    EXPECT_EQ(picture_loaded, 1);
    EXPECT_EQ(sprites_loaded, 1);
    EXPECT_NE(utf8_path_and_filename_project, nullptr);
    EXPECT_NE(pixbuf_picture, nullptr);
    EXPECT_EQ(sprites_get_array_size(), 5u);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 4);
}

TEST_F(NewProjectLoaded, ConfirmedForgetsEverythingButTheCornerAndTitle) {
    DialogAnswer question("Confirmation request", GTK_RESPONSE_YES);
    activate("menuitem_new_project");

    EXPECT_EQ(question.times_answered(), 1);
    EXPECT_EQ(picture_loaded, 0);
    EXPECT_EQ(sprites_loaded, 0);
    EXPECT_EQ(utf8_path_and_filename_project, nullptr);
    EXPECT_EQ(utf8_path_and_filename_picture, nullptr);
    EXPECT_EQ(utf8_path_and_filename_sprites, nullptr);
    EXPECT_EQ(pixbuf_picture, nullptr);
    EXPECT_EQ(sprites_get_array_size(), 40u);
    EXPECT_EQ(sprites_get_selected_count(), sprites_capacity);
    EXPECT_EQ(color_index_sprite_bit_pair_10, 13);
    EXPECT_EQ(border_color_index, 2);
    EXPECT_EQ(window_title(), "C64 Sidewell - scene.ini");
    // Nothing loaded now, so a second new project does not ask.
    activate("menuitem_new_project");
    EXPECT_EQ(question.times_answered(), 1);
}

class SaveRefused : public WhatIsLoaded {};

TEST_P(SaveRefused, UntilPictureAndSpritesAreLoaded) {
    load();
    utf8_path_and_filename_project = g_strdup((dir / "scene.ini").c_str());
    for (const char *item : {"menuitem_save_project", "menuitem_save_project_as"}) {
        controls_update_main_statusbar("");
        DialogAnswer answer("Save project file", GTK_RESPONSE_CANCEL);
        activate(item);
        process_events(100);
        EXPECT_EQ(answer.times_answered(), 0) << item;
        EXPECT_EQ(status_text(), " Info: First load a picture and sprites or open a project")
            << item;
    }
    EXPECT_FALSE(fs::exists(dir / "scene.ini"));
}

INSTANTIATE_TEST_SUITE_P(Loads, SaveRefused,
                         ::testing::Values(nothing_loaded, picture_only, sprites_only),
                         loaded_name);

// A picture and three sprites loaded, with colours the artist gave them.
class SaveProject : public ProjectTest {
  protected:
    void SetUp() override {
        ProjectTest::SetUp();
        picture = write_file(dir / "castle.koa", koala_file(0));
        sprites = write_file(dir / "shapes.prg", sprite_file(3, 0));
        load_picture(picture);
        load_sprites(sprites);
        sprites_set_background_color(1);
        sprites_set_multicolor0(2);
        sprites_set_multicolor1(3);
        sprites_set_color_at_index(0, 2);
        sprites_set_color_at_index(2, 9);
        sprites_set_multicolor_at_index(1, 1);
        border_color_index = 3;
    }
    std::string expected_text(int base) const {
        return "# C64 Sidewell 1.1.4 project file - do NOT edit\n\n"
               "[picture]\nfile=" +
               file_uri(picture) + "\n\n[sprites]\nfile=" + file_uri(sprites) +
               "\nbackground_color_index=1\nmulticolor0_index=2\nmulticolor1_index=3\n"
               "mc_flags=false;true;false;\ncolor_indexes=2;13;9;\n\n[colors]\nbase=" +
               std::to_string(base) + "\n";
    }
    fs::path picture;
    fs::path sprites;
};

TEST_F(SaveProject, FirstSaveAsksWithThePictureNameAndWritesTheExactText) {
    fs::remove(config_file());
    DialogAnswer answer("Save project file", GTK_RESPONSE_OK);
    // The dialog starts in the picture folder with the picture's name as a project.
    answer.ready = [&](GtkWidget *dialog) {
        return chooser_filename(dialog) == (dir / "castle.ini").string();
    };
    activate("menuitem_save_project");

    ASSERT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(read_text(dir / "castle.ini"), expected_text(3));
    EXPECT_STREQ(utf8_path_and_filename_project, (dir / "castle.ini").c_str());
    EXPECT_EQ(status_text(), " Info: Project saved");
    EXPECT_EQ(window_title(), "C64 Sidewell - castle.ini");
    EXPECT_TRUE(fs::exists(config_file()));
    EXPECT_TRUE(take_error_messages().empty());

    // From now on Save writes there without asking.
    border_color_index = 11;
    DialogAnswer again("Save project file", GTK_RESPONSE_CANCEL);
    activate("menuitem_save_project");
    process_events(100);
    EXPECT_EQ(again.times_answered(), 0);
    EXPECT_EQ(read_text(dir / "castle.ini"), expected_text(11));
}

TEST_F(SaveProject, SaveAsSuggestsTheProjectNameOnceThereIsOne) {
    save_as(dir, "first.ini");
    DialogAnswer answer("Save project file", GTK_RESPONSE_CANCEL);
    answer.ready = [&](GtkWidget *dialog) {
        return chooser_filename(dialog) == (dir / "first.ini").string();
    };
    activate("menuitem_save_project_as");
    EXPECT_EQ(answer.times_answered(), 1);
    EXPECT_STREQ(utf8_path_and_filename_project, (dir / "first.ini").c_str());
}

// Answers the question the save chooser asks itself before it replaces a file. GTK gives that
// dialog no title, so it is found by its message type.
class OverwriteAnswer {
  public:
    explicit OverwriteAnswer(gint response) : response(response) {
        source = g_timeout_add(poll_ms, poll, this);
    }
    ~OverwriteAnswer() {
        if (source != 0) {
            g_source_remove(source);
        }
    }
    OverwriteAnswer(const OverwriteAnswer &) = delete;
    OverwriteAnswer &operator=(const OverwriteAnswer &) = delete;

    bool answered() const { return !question.empty(); }
    std::string question;

  private:
    static constexpr guint poll_ms = 20;
    static gboolean poll(gpointer data) {
        auto *self = static_cast<OverwriteAnswer *>(data);
        GList *toplevels = gtk_window_list_toplevels();
        GtkWidget *found = nullptr;
        for (GList *element = toplevels; element != nullptr; element = element->next) {
            GtkMessageType type = GTK_MESSAGE_OTHER;
            if (GTK_IS_MESSAGE_DIALOG(element->data) &&
                gtk_widget_get_mapped(GTK_WIDGET(element->data))) {
                g_object_get(element->data, "message-type", &type, nullptr);
            }
            if (type == GTK_MESSAGE_QUESTION) {
                found = GTK_WIDGET(element->data);
            }
        }
        g_list_free(toplevels);
        if (found == nullptr) {
            return TRUE;
        }
        gchar *text = nullptr;
        g_object_get(found, "text", &text, nullptr);
        self->question = text != nullptr ? text : "?";
        g_free(text);
        self->source = 0;
        gtk_dialog_response(GTK_DIALOG(found), self->response);
        return FALSE;
    }
    gint response;
    guint source = 0;
};

struct Overwrite {
    const char *name;
    gint answer;
    bool replaced;
};

void PrintTo(const Overwrite &c, std::ostream *os) {
    *os << c.name;
}

class SaveAsOverwrite : public SaveProject, public ::testing::WithParamInterface<Overwrite> {};

TEST_P(SaveAsOverwrite, ChooserAsksBeforeReplacingAProject) {
    const Overwrite &c = GetParam();
    const fs::path old = write_text(dir / "scene.ini", "# the old project\n");
    border_color_index = 12;
    controls_update_main_statusbar(" Info: before");
    OverwriteAnswer overwrite(c.answer);
    DialogAnswer answer("Save project file", GTK_RESPONSE_OK);
    type_name(answer, dir, "scene.ini");
    // A refused replacement leaves the chooser open: the artist then cancels it.
    DialogAnswer cancel("Save project file", GTK_RESPONSE_CANCEL);
    cancel.ready = [&](GtkWidget *) { return !c.replaced && overwrite.answered(); };
    activate("menuitem_save_project_as");

    EXPECT_NE(overwrite.question.find("scene.ini"), std::string::npos) << overwrite.question;
    EXPECT_EQ(cancel.times_answered(), c.replaced ? 0 : 1);
    EXPECT_TRUE(take_error_messages().empty());
    if (c.replaced) {
        EXPECT_EQ(read_text(old), expected_text(12));
        EXPECT_EQ(status_text(), " Info: Project saved");
        EXPECT_STREQ(utf8_path_and_filename_project, old.c_str());
    } else {
        EXPECT_EQ(read_text(old), "# the old project\n");
        EXPECT_EQ(status_text(), " Info: before");
        EXPECT_EQ(utf8_path_and_filename_project, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, SaveAsOverwrite,
                         ::testing::Values(Overwrite{"Replace", GTK_RESPONSE_ACCEPT, true},
                                           Overwrite{"Refuse", GTK_RESPONSE_CANCEL, false}),
                         [](const auto &info) { return std::string{info.param.name}; });

struct NameRule {
    const char *typed;
    const char *written;
};

void PrintTo(const NameRule &rule, std::ostream *os) {
    *os << rule.typed;
}

class SaveAsName : public SaveProject, public ::testing::WithParamInterface<NameRule> {};

TEST_P(SaveAsName, OnlyIniInLowerOrUpperCaseIsKept) {
    save_as(dir, GetParam().typed);
    const fs::path written = dir / GetParam().written;
    EXPECT_EQ(read_text(written), expected_text(3));
    EXPECT_STREQ(utf8_path_and_filename_project, written.c_str());
    EXPECT_EQ(window_title(), std::string("C64 Sidewell - ") + GetParam().written);
    // Nothing else came into the folder: the picture, the sprites and the project.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

INSTANTIATE_TEST_SUITE_P(Names, SaveAsName,
                         ::testing::Values(NameRule{"scene", "scene.ini"},
                                           NameRule{"scene.INI", "scene.INI"},
                                           NameRule{"scene.ini", "scene.ini"},
                                           NameRule{"scene.Ini", "scene.Ini.ini"}));

TEST_F(SaveProject, SaveAsOntoAFolderReportsTheErrorAndKeepsTheFolder) {
    // The chosen name gets ".ini", which names a folder: the writer cannot replace it.
    fs::create_directories(dir / "scene.ini");
    write_text(dir / "scene.ini" / "keep.txt", "kept");
    gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - before.ini");
    save_as(dir, "scene");

    const std::vector<std::string> messages = take_error_messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("scene.ini"), std::string::npos) << messages[0];
    EXPECT_EQ(status_text(), " Error: " + messages[0]);
    EXPECT_TRUE(fs::is_directory(dir / "scene.ini"));
    EXPECT_EQ(read_text(dir / "scene.ini" / "keep.txt"), "kept");
    // Save as takes the name even when the write failed.
    EXPECT_STREQ(utf8_path_and_filename_project, (dir / "scene.ini").c_str());
    EXPECT_EQ(window_title(), "C64 Sidewell - before.ini");
    // No half-written file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

// Whether permissions stop this process from writing into folder; they do not stop root.
bool permissions_bind(const fs::path &folder) {
    const fs::path probe = folder / "probe";
    if (!std::ofstream(probe)) {
        return true;
    }
    fs::remove(probe);
    return false;
}

// Makes a folder read-only for as long as it lives, so that it can be removed afterwards.
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(fs::path folder) : folder(std::move(folder)) {
        fs::permissions(this->folder,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    ~ReadOnlyFolder() { fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add); }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

  private:
    fs::path folder;
};

TEST_F(SaveProject, SaveIntoAReadOnlyFolderReportsTheErrorAndKeepsTheOldFile) {
    const fs::path folder = dir / "locked";
    const fs::path old = write_text(folder / "scene.ini", expected_text(3));
    const ReadOnlyFolder locked(folder);
    fs::path target = old;
    if (!permissions_bind(folder)) {
        // Running as root: a "folder" that is a regular file stops the write just as well.
        target = write_text(dir / "plain", "a file, not a folder") / "scene.ini";
    }
    utf8_path_and_filename_project = g_strdup(target.c_str());
    gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - before.ini");
    border_color_index = 12;
    activate("menuitem_save_project");

    const std::vector<std::string> messages = take_error_messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("scene.ini"), std::string::npos) << messages[0];
    EXPECT_EQ(status_text(), " Error: " + messages[0]);
    EXPECT_EQ(window_title(), "C64 Sidewell - before.ini");
    EXPECT_STREQ(utf8_path_and_filename_project, target.c_str());
    EXPECT_EQ(read_text(old), expected_text(3));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// The writer puts a temporary file beside the target and renames it over the old file. With a
// name at the file system's limit there is no room for the temporary name, so the write fails
// before the old file is touched, whoever runs the test.
TEST_F(SaveProject, FailedSaveLeavesTheOldProjectIntact) {
    const fs::path old = write_text(dir / (std::string(251, 'p') + ".ini"), expected_text(3));
    open_project(old);
    ASSERT_STREQ(utf8_path_and_filename_project, old.c_str());
    border_color_index = 12;
    activate("menuitem_save_project");

    const std::vector<std::string> messages = take_error_messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(status_text(), " Error: " + messages[0]);
    EXPECT_EQ(read_text(old), expected_text(3));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

} // namespace
