// Exports without a window: the options taken over the preferences, the files written as the
// export code writes them for the same project, each failure told in one line that names the
// file with nothing left behind, and what a file argument holds.

#include "core/commandline.hpp"

#include "core/executable.hpp"
#include "core/options.hpp"
#include "core/spriteviews.hpp"
#include "test_support.hpp"

#include <glib/gstdio.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace test_support;
namespace fs = std::filesystem;

std::string printed_errors;

void keep_error(const gchar *text) {
    printed_errors += text;
}

// The example projects copied into a fresh folder, with PATH holding no exomizer.
class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        const fs::path examples =
            fs::path(__FILE__).parent_path().parent_path().parent_path() / "examples";
        for (const auto &entry : fs::directory_iterator(examples)) {
            fs::copy_file(entry.path(), dir / entry.path().filename());
        }
        old_path = g_getenv("PATH");
        g_setenv("PATH", dir.c_str(), TRUE);
        printed_errors.clear();
        g_set_printerr_handler(keep_error);
    }
    // The next test finds the options, the preferences path and the picture of a fresh start.
    void TearDown() override {
        options_reset_to_start_values();
        g_free(utf8_path_configfile);
        utf8_path_configfile = nullptr;
        picture_data.format = picture_format_none;
        picture_data.border_color = -1;
        g_set_printerr_handler(nullptr);
        g_setenv("PATH", old_path.c_str(), TRUE);
        fs::remove_all(dir);
    }
    // Runs the export with the options given as in argv.
    int run(std::vector<std::string> arguments) {
        std::vector<gchar *> argv = {const_cast<gchar *>("c64-sidewell")};
        for (std::string &argument : arguments) {
            argument = (argument.find(".ini") != std::string::npos || argument.find("out") == 0)
                           ? (dir / argument).string()
                           : argument;
            argv.push_back(argument.data());
        }
        int argc = static_cast<int>(argv.size());
        gchar **args = argv.data();
        CommandlineRequest request;
        const std::string config = (dir / "config").string();
        request.config_dir = config.c_str();
        GOptionContext *context = commandline_new_option_context(&request);
        const gboolean parsed = g_option_context_parse(context, &argc, &args, nullptr);
        g_option_context_free(context);
        const int status = parsed ? commandline_run_export(request) : -1;
        commandline_free_request(&request);
        return status;
    }
    const fs::path dir = GCharPtr(g_dir_make_tmp("sidewell-cli-XXXXXX", nullptr)).get();
    std::string old_path;
};

// The same project and choices through the export code: picture rendered in the chosen
// palette, PNG with the chosen marking, program with the chosen viewer.
TEST_F(CommandLine, OptionsOverrideThePreferencesForTheWrittenFiles) {
    ASSERT_EQ(run({"--palette=pixcen", "-t", "flicker", "--no-reencode", "-s", "alpha", "-n", "-p",
                   "out.png", "-x", "out.prg", "sunset.ini"}),
              commandline_status_done)
        << printed_errors;
    EXPECT_EQ(options_palette, 2);
    EXPECT_EQ(options_selection_method, spriteviews_method_alpha);
    GdkPixbuf *rendered = nullptr;
    PictureData picture{};
    ASSERT_TRUE(hiresdecoder_decode_hires_screen_file((dir / "sunset.koa").c_str(), 0, &rendered,
                                                      &picture, nullptr));
    const PixbufPtr owned(rendered);
    ASSERT_TRUE(spriteviews_save_screen_png((dir / "expected.png").c_str(), rendered,
                                            spriteviews_method_alpha, picture.background_color,
                                            nullptr));
    EXPECT_TRUE(same_bytes(read_bytes((dir / "out.png").string()),
                           read_bytes((dir / "expected.png").string())));
    EXPECT_TRUE(same_bytes(read_bytes((dir / "out.prg").string()),
                           executable_build(picture, executable_transition_flicker, false).bytes));
    EXPECT_EQ(printed_errors, "");

    // Without -n, and without exomizer or with one that fails, the program is written
    // uncrunched all the same, and the status and one line say so.
    for (const char *exomizer : {"none", "#!/bin/sh\nexit 1\n"}) {
        if (std::string(exomizer) != "none") {
            std::ofstream(dir / "exomizer") << exomizer;
            fs::permissions(dir / "exomizer", fs::perms::owner_all);
        }
        printed_errors.clear();
        EXPECT_EQ(run({"-x", "out2.prg", "--no-reencode", "-t", "plain", "welcome.ini"}),
                  commandline_status_not_crunched);
        EXPECT_NE(printed_errors.find("exomizer"), std::string::npos) << printed_errors;
        EXPECT_NE(printed_errors.find("uncrunched"), std::string::npos) << printed_errors;
        EXPECT_TRUE(same_bytes(read_bytes((dir / "out2.prg").string()),
                               executable_build(picture_data, 0, false).bytes));
    }
}

// --help lists every option with its short form.
TEST(CommandLineHelp, ListsEveryOption) {
    CommandlineRequest request;
    GOptionContext *context = commandline_new_option_context(&request);
    const GCharPtr help(g_option_context_get_help(context, TRUE, nullptr));
    g_option_context_free(context);
    for (const char *option :
         {"-p, --export-png=FILE", "-x, --export-prg=FILE", "-P, --palette=NAME",
          "-t, --transition=NAME", "-r, --reencode", "-R, --no-reencode",
          "-s, --selection-method=NAME", "-n, --no-crunch", "-V, --version"}) {
        EXPECT_NE(std::string(help.get()).find(option), std::string::npos) << option;
    }
}

struct FailureCase {
    const char *name;
    std::vector<std::string> arguments;
    int status;
    const char *named;
};

const FailureCase failure_cases[] = {
    {"missing_project", {"-p", "out.png", "missing.ini"}, commandline_status_failed, "missing.ini"},
    {"unknown_transition",
     {"-t", "wipe", "-p", "out.png", "sunset.ini"},
     commandline_status_usage,
     "wipe"},
    {"unknown_method",
     {"-s", "glow", "-p", "out.png", "sunset.ini"},
     commandline_status_usage,
     "glow"},
    {"both_reencode_options",
     {"-r", "-R", "-p", "out.png", "sunset.ini"},
     commandline_status_usage,
     "--no-reencode"},
    {"no_project", {"-p", "out.png"}, commandline_status_usage, "one project"},
    {"png_folder_missing",
     {"-p", "out/a.png", "sunset.ini"},
     commandline_status_failed,
     "out/a.png"},
    {"program_folder_missing_after_png",
     {"-p", "out.png", "-x", "out/a.prg", "sunset.ini"},
     commandline_status_failed,
     "out/a.prg"},
};

class CommandLineFailure : public CommandLine, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CommandLineFailure, NamesTheCulpritAndLeavesNoFile) {
    const FailureCase &c = GetParam();
    const auto before = std::distance(fs::directory_iterator(dir), fs::directory_iterator());
    EXPECT_EQ(run(c.arguments), c.status);
    EXPECT_NE(printed_errors.find(c.named), std::string::npos) << printed_errors;
    EXPECT_EQ(std::count(printed_errors.begin(), printed_errors.end(), '\n'), 1) << printed_errors;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), before);
}

INSTANTIATE_TEST_SUITE_P(Everything, CommandLineFailure, ::testing::ValuesIn(failure_cases),
                         by_name);

TEST_F(CommandLine, FilesAreKnownByWhatTheyHold) {
    fs::copy_file(dir / "sunset.koa", dir / "picture.ini");
    std::ofstream(dir / "notes.ini") << "[notes]\nabout=nothing\n";
    const std::pair<const char *, CommandlineFileKind> files[] = {
        {"sunset.ini", CommandlineFileKind::project},
        {"picture.ini", CommandlineFileKind::picture},
        {"welcome.pet", CommandlineFileKind::picture},
        {"shapes.prg", CommandlineFileKind::sprites},
        {"notes.ini", CommandlineFileKind::sprites},
    };
    for (const auto &[file, kind] : files) {
        EXPECT_EQ(commandline_classify_file((dir / file).c_str()), kind) << file;
    }
}

} // namespace
