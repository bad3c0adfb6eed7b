#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/support.hpp"
#include "gui_test_support.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <tuple>

namespace {

class Messages : public EditorTest {};

GtkWidget *find_message_dialog() {
    GList *toplevels = gtk_window_list_toplevels();
    GtkWidget *found = nullptr;
    for (GList *element = toplevels; element != nullptr; element = element->next) {
        if (GTK_IS_MESSAGE_DIALOG(element->data)) {
            found = GTK_WIDGET(element->data);
        }
    }
    g_list_free(toplevels);
    return found;
}

TEST_F(Messages, StatusBarShowsOnlyTheLatestMessage) {
    GtkStatusbar *bar = GTK_STATUSBAR(widget("statusbar_main"));
    GtkWidget *label = gtk_statusbar_get_message_area(bar);
    controls_update_main_statusbar(" Info: first");
    controls_update_main_statusbar(" Info: second");
    std::vector<std::string> texts = label_texts(label);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], " Info: second");
    // Popping the one message leaves the bar empty: nothing older is stacked beneath it.
    gtk_statusbar_pop(bar, 0);
    EXPECT_EQ(label_texts(label)[0], "");
}

TEST_F(Messages, StatusBarCopiesTheText) {
    gchar *text = g_strdup(" Error: copied");
    controls_update_main_statusbar(text);
    g_free(text);
    EXPECT_EQ(
        label_texts(gtk_statusbar_get_message_area(GTK_STATUSBAR(widget("statusbar_main")))).at(0),
        " Error: copied");
}

TEST_F(Messages, TitleNamesTheProject) {
    controls_update_main_window_title("scene.ini");
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window_main)), "C64 Sidewell - scene.ini");
    controls_update_main_window_title("100%s.ini");
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window_main)), "C64 Sidewell - 100%s.ini");
}

struct DialogType {
    GtkMessageType type;
    const char *title;
};

class MessageDialogs : public EditorTest, public ::testing::WithParamInterface<DialogType> {};

TEST_P(MessageDialogs, ShowTextLiterallyWithTitleByTypeAndCloseThemselves) {
    const char *text = "100% <b>not bold</b> & %s";
    controls_show_message_dialog(text, GetParam().type);
    GtkWidget *dialog = find_message_dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(gtk_widget_get_visible(dialog));
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), GetParam().title);
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), GTK_WINDOW(window_main));
    GtkWidget *label = GTK_MESSAGE_DIALOG(dialog)->label;
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(label)), text);
    EXPECT_FALSE(gtk_label_get_use_markup(GTK_LABEL(label)));

    g_object_add_weak_pointer(G_OBJECT(dialog), reinterpret_cast<gpointer *>(&dialog));
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
    process_events();
    EXPECT_EQ(dialog, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Types, MessageDialogs,
                         ::testing::Values(DialogType{GTK_MESSAGE_ERROR, "Error"},
                                           DialogType{GTK_MESSAGE_INFO, "Information"},
                                           DialogType{GTK_MESSAGE_WARNING, "Warning"},
                                           DialogType{GTK_MESSAGE_QUESTION, "Warning"}));

TEST_F(Messages, MessageDialogDoesNotWaitAndGoesWithTheWindow) {
    controls_show_message_dialog("still open", GTK_MESSAGE_ERROR);
    GtkWidget *dialog = find_message_dialog();
    ASSERT_NE(dialog, nullptr);
    g_object_add_weak_pointer(G_OBJECT(dialog), reinterpret_cast<gpointer *>(&dialog));
    restart();
    EXPECT_EQ(dialog, nullptr);
}

struct ConfirmationCase {
    const char *name;
    gint response;
    bool close_window;
    gboolean expected;
};

class Confirmation : public EditorTest, public ::testing::WithParamInterface<ConfirmationCase> {};

TEST_P(Confirmation, OnlyYesConfirms) {
    const ConfirmationCase &c = GetParam();
    DialogAnswer answer("Confirmation request", c.response, c.close_window);
    std::string shown;
    answer.inspect = [&shown](GtkWidget *dialog) {
        shown = gtk_label_get_label(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation")));
    };
    EXPECT_EQ(controls_get_user_confirmation("Reset <b>all</b>?"), c.expected);
    EXPECT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(shown, "Reset <b>all</b>?");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Confirmation,
    ::testing::Values(ConfirmationCase{"yes", GTK_RESPONSE_YES, false, TRUE},
                      ConfirmationCase{"no", GTK_RESPONSE_NO, false, FALSE},
                      ConfirmationCase{"closed", GTK_RESPONSE_NONE, true, FALSE},
                      ConfirmationCase{"other", GTK_RESPONSE_OK, false, FALSE}),
    [](const ::testing::TestParamInfo<ConfirmationCase> &info) { return info.param.name; });

TEST(ConfirmationDialog, IsBuiltWithItsRegistry) {
    GtkWidget *dialog = create_dialog_yes_no_confirmation();
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), "Confirmation request");
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    EXPECT_FALSE(gtk_widget_get_visible(dialog));
    EXPECT_EQ(lookup_widget(dialog, "dialog_yes_no_confirmation"), dialog);
    EXPECT_EQ(lookup_widget(dialog, "vbox_yes_no_confirmation"),
              gtk_dialog_get_content_area(GTK_DIALOG(dialog)));
    EXPECT_EQ(lookup_widget(dialog, "hbuttonbox_yes_no_confirmation"),
              gtk_dialog_get_action_area(GTK_DIALOG(dialog)));
    EXPECT_EQ(gtk_button_box_get_layout(
                  GTK_BUTTON_BOX(lookup_widget(dialog, "hbuttonbox_yes_no_confirmation"))),
              GTK_BUTTONBOX_SPREAD);
    GtkWidget *yes = lookup_widget(dialog, "button_yes_no_confirmation_yes");
    GtkWidget *no = lookup_widget(dialog, "button_yes_no_confirmation_no");
    EXPECT_EQ(gtk_dialog_get_response_for_widget(GTK_DIALOG(dialog), yes), GTK_RESPONSE_YES);
    EXPECT_EQ(gtk_dialog_get_response_for_widget(GTK_DIALOG(dialog), no), GTK_RESPONSE_NO);
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(yes)), GTK_STOCK_YES);
    EXPECT_TRUE(gtk_widget_get_can_default(no));
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation"))),
                 "");
    gtk_widget_destroy(dialog);
}

class AboutBox : public EditorTest {};

TEST_F(AboutBox, ShowsEveryTextAndTheIcon) {
    DialogAnswer answer("About C64 Sidewell", GTK_RESPONSE_OK);
    std::vector<std::string> texts;
    GdkPixbuf *icon = nullptr;
    bool modal = false;
    answer.inspect = [&](GtkWidget *dialog) {
        modal = gtk_window_get_modal(GTK_WINDOW(dialog));
        GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
        GList *boxes = gtk_container_get_children(GTK_CONTAINER(content));
        for (GList *box = boxes; box != nullptr; box = box->next) {
            if (box->data == gtk_dialog_get_action_area(GTK_DIALOG(dialog))) {
                continue;
            }
            texts = label_texts(GTK_WIDGET(box->data));
            GList *items = gtk_container_get_children(GTK_CONTAINER(box->data));
            if (GTK_IS_IMAGE(items->data)) {
                icon = GDK_PIXBUF(g_object_ref(gtk_image_get_pixbuf(GTK_IMAGE(items->data))));
            }
            g_list_free(items);
        }
        g_list_free(boxes);
    };
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_about")));
    ASSERT_EQ(answer.times_answered(), 1);
    EXPECT_TRUE(modal);

    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0], "<span size=\"xx-large\"><b>C64 Sidewell 1.1.4</b></span>");
    EXPECT_EQ(texts[1], "Extension tool for Commodore 64 graphics using sprites\n<i>Another "
                        "attempt to empower graphic artists\nand rid the C64 scene of bad raster "
                        "coding</i> =)");
    EXPECT_EQ(texts[2], "<b>Supported multicolor formats</b>\n- <i>Advanced Art Studio 2.0 (by "
                        "OCP)</i>\n- <i>Blazing Paddles</i>\n- <i>Koala Painter 2 (by Audio "
                        "Light)</i>\n- <i>Vidcom 64 (by Omega)</i>\n- <i>Wigmore Artist 64 (by "
                        "Wigmore)</i>");
    EXPECT_EQ(texts[3], "<b>Supported PETSCII formats</b>\n- <i>PETSCII Vellum (by myself)</i>");
    const std::string build =
        "Compiled on: " + controls_format_build_date(__DATE__) +
        "\nCompiled with gcc version: " + std::to_string(__GNUC__) + "." +
        std::to_string(__GNUC_MINOR__) + "." + std::to_string(__GNUC_PATCHLEVEL__) +
        "\nGTK+ runtime in use: " + std::to_string(gtk_major_version) + "." +
        std::to_string(gtk_minor_version) + "." + std::to_string(gtk_micro_version);
    EXPECT_EQ(texts[4], build);

    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(icon), 64);
    EXPECT_EQ(gdk_pixbuf_get_height(icon), 64);
    std::set<std::tuple<int, int, int, int>> colours;
    const int channels = gdk_pixbuf_get_n_channels(icon);
    const guchar *pixels = gdk_pixbuf_get_pixels(icon);
    for (int y = 0; y < 64; y++) {
        for (int x = 0; x < 64; x++) {
            const guchar *p = pixels + y * gdk_pixbuf_get_rowstride(icon) + x * channels;
            colours.emplace(p[0], p[1], p[2], channels == 4 ? p[3] : 255);
        }
    }
    EXPECT_LE(colours.size(), 16u);
    EXPECT_GE(colours.size(), 4u);
    g_object_unref(icon);
}

TEST(BuildDate, IsWrittenWithoutPadding) {
    EXPECT_EQ(controls_format_build_date("Mar 26 2024"), "Mar 26 2024");
    EXPECT_EQ(controls_format_build_date("Jan  6 2025"), "Jan 6 2025");
    EXPECT_TRUE(std::regex_match(controls_format_build_date(__DATE__),
                                 std::regex("[A-Z][a-z]{2} [1-9][0-9]? [0-9]{4}")));
}

} // namespace
