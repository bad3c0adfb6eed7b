// Exports without a window; the preferences and projects as the editor writes them.

#include "core/commandline.hpp"

#include "core/executable.hpp"
#include "core/options.hpp"
#include "core/pngreader.hpp"
#include "core/project.hpp"
#include "core/spritesdecoder.hpp"
#include "core/spriteviews.hpp"
#include "test_support.hpp"

#include <sys/stat.h>

namespace {

using namespace test_support;
namespace fs = std::filesystem;

std::string printed_errors;
std::string printed;
// A file name whose folder exists but takes no new files.
const std::string unwritable = "/proc/sidewell-test.prg";

// The example projects copied into a fresh folder, with PATH holding no exomizer.
class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(example_path(""), dir);
        old_path = g_getenv("PATH");
        g_setenv("PATH", dir.c_str(), TRUE);
        printed_errors.clear();
        printed.clear();
        g_set_printerr_handler([](const gchar *text) { printed_errors += text; });
        g_set_print_handler([](const gchar *text) { printed += text; });
    }
    // The next test finds the options, the preferences path and the picture of a fresh start.
    void TearDown() override {
        options_reset_to_start_values();
        g_free(utf8_path_configfile);
        utf8_path_configfile = nullptr;
        picture_data.format = picture_format_none;
        picture_data.border_color = -1;
        g_set_printerr_handler(nullptr);
        g_set_print_handler(nullptr);
        g_setenv("PATH", old_path.c_str(), TRUE);
    }
    // Runs the export with the options given as in argv; files named out* or *.ini lie in dir.
    int run(std::vector<std::string> arguments) {
        std::vector<gchar *> argv = {const_cast<gchar *>("c64-sidewell")};
        for (std::string &argument : arguments) {
            if (argument.find(".ini") != std::string::npos || argument.find("out") == 0)
                argument = (dir / argument).string();
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
    const TempDir temp;
    const fs::path dir = temp.path;
    std::string old_path;
};

// Export code output for the same projects, sprites loaded afresh; -P beats the preferences.
TEST_F(CommandLine, OptionsOverrideThePreferencesForTheWrittenFiles) {
    fs::create_directories(dir / "config" / "c64-sidewell");
    std::ofstream(dir / "config" / "c64-sidewell" / "user.ini")
        << "[interface]\npalette=3\nselection_method=1\n";
    for (const auto &[project, picture_file, reencode] :
         {std::tuple{"sunset.ini", "sunset.koa", true},
          std::tuple{"welcome.ini", "welcome.pet", false}}) {
        ASSERT_EQ(run({"--palette=pixcen", "-t", "flicker", reencode ? "-r" : "-R", "-n", "-p",
                       "out.png", "-x", "out.prg", project}),
                  commandline_status_done)
            << printed_errors;
        EXPECT_EQ(std::tuple(options_palette, options_selection_method, printed_errors, printed),
                  std::tuple(2, spriteviews_method_alpha, "",
                             "c64-sidewell: wrote " + (dir / "out.png").string() + ", " +
                                 std::to_string(fs::file_size(dir / "out.png")) +
                                 " bytes\nc64-sidewell: wrote " + (dir / "out.prg").string() +
                                 ", " + std::to_string(fs::file_size(dir / "out.prg")) +
                                 " bytes, uncrunched as asked\n"));
        printed.clear();
        // As in the window, the sprites' background follows the picture's.
        EXPECT_EQ(sprites_get_background_color(), picture_data.background_color);
        sprites_module_init();
        ASSERT_EQ(spritesdecoder_decode_sprites_file((dir / "shapes.prg").c_str(), 0, 1, nullptr),
                  1);
        const GKeyFilePtr key_file{g_key_file_new()};
        ASSERT_TRUE(g_key_file_load_from_file(key_file.get(), (dir / project).c_str(),
                                              G_KEY_FILE_NONE, nullptr));
        sprites_init_from_key_file(key_file.get());
        GdkPixbuf *rendered = nullptr;
        PictureData picture{};
        ASSERT_TRUE(hiresdecoder_decode_hires_screen_file((dir / picture_file).c_str(), 0,
                                                          &rendered, &picture, nullptr));
        const PixbufPtr owned(rendered);
        ASSERT_TRUE(spriteviews_save_screen_png((dir / "expected.png").c_str(), rendered,
                                                spriteviews_method_alpha, picture.background_color,
                                                nullptr));
        EXPECT_TRUE(same_bytes(read_bytes(dir / "out.png"), read_bytes(dir / "expected.png")));
        EXPECT_TRUE(
            same_bytes(read_bytes(dir / "out.prg"),
                       executable_build(picture, executable_transition_flicker, reencode).bytes));
    }

    // Without -n, a missing or failing exomizer leaves the program uncrunched and says so.
    for (const auto &[exomizer, message] :
         {std::pair{"", "exomizer not found on PATH"},
          std::pair{"#!/bin/sh\nexit 1\n", "exomizer failed (wait status 256)"}}) {
        if (*exomizer != '\0') {
            std::ofstream(dir / "exomizer") << exomizer;
            fs::permissions(dir / "exomizer", fs::perms::owner_all);
        }
        printed_errors.clear();
        EXPECT_EQ(run({"-x", "out2.prg", "--no-reencode", "-t", "plain", "welcome.ini"}),
                  commandline_status_not_crunched);
        EXPECT_EQ(printed_errors, "c64-sidewell: " + (dir / "out2.prg").string() + ": " + message +
                                      ": the program was written uncrunched\n");
        EXPECT_TRUE(same_bytes(read_bytes(dir / "out2.prg"),
                               executable_build(picture_data, 0, false).bytes));
    }
}

// --help lists every option with its short form.
TEST(CommandLineHelp, ListsEveryOption) {
    CommandlineRequest request;
    GOptionContext *context = commandline_new_option_context(&request);
    const std::string help = GCharPtr(g_option_context_get_help(context, TRUE, nullptr)).get();
    g_option_context_free(context);
    for (const char *option :
         {"-p, --export-png=FILE", "-x, --export-prg=FILE", "-P, --palette=NAME",
          "-t, --transition=NAME", "-r, --reencode", "-R, --no-reencode",
          "-s, --selection-method=NAME", "-n, --no-crunch", "-V, --version",
          "-c, --save-picture=FILE", "-S, --save-sprites=FILE", "-b, --best-fit", "-v, --verbose"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST_F(CommandLine, FilesAreKnownByWhatTheyHold) {
    fs::copy_file(dir / "sunset.koa", dir / "picture.ini");
    std::ofstream(dir / "notes.ini") << "[notes]\nabout=nothing\n";
    std::ofstream(dir / "only.ini") << "[sprites]\nfile=(NULL)\n";
    write_png(temp.file("frame.ini"), 416, 272,
              [](int x, int y) { return offending_frame(x, y, false); });
    pngreader_picture_offences.clear();
    for (const auto &[file, kind] : {std::pair{"only.ini", CommandlineFileKind::project},
                                     std::pair{"picture.ini", CommandlineFileKind::picture},
                                     std::pair{"frame.ini", CommandlineFileKind::picture},
                                     std::pair{"notes.ini", CommandlineFileKind::sprites}})
        EXPECT_EQ(commandline_classify_file((dir / file).c_str()), kind) << file;
    // Telling what a file holds loads nothing: no outlines come with a frame that breaks rules.
    EXPECT_TRUE(pngreader_picture_offences.empty());
    // An unwritable program is named; reading the preferences makes no folder for them.
    EXPECT_EQ(run({"-x", unwritable, "sunset.ini"}), commandline_status_failed);
    EXPECT_NE(printed_errors.find(unwritable), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "config"));
}

// A name that cannot become a file is refused before anything is read or written.
TEST_F(CommandLine, UnusableOutputNamesAreRefusedFirst) {
    fs::create_directory(dir / "out.png");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-p", "", "sunset.ini"}, "--export-png: the output file name is empty"},
        {{"-c", "out.koa", "-x", "out.png", "sunset.ini"},
         "--export-prg " + (dir / "out.png").string() + ": names a folder, not a file"},
        {{"-S", "out/sprites.prg", "-p", "out2.png", "missing.ini"},
         "--save-sprites " + (dir / "out/sprites.prg").string() + ": its folder does not exist"}};
    for (const auto &[arguments, message] : cases) {
        printed_errors.clear();
        EXPECT_EQ(run(arguments), commandline_status_usage);
        EXPECT_EQ(printed_errors, "c64-sidewell: " + message + "\n");
        EXPECT_EQ(printed, "");
        EXPECT_FALSE(fs::exists(dir / "out.koa") || fs::exists(dir / "out2.png"));
    }
}

// One line for each file written with its size; the cruncher's own words only when it fails or
// with --verbose.
TEST_F(CommandLine, SaysBrieflyWhatItWrote) {
    std::ofstream(dir / "exomizer")
        << "#!/bin/sh\nPATH=/usr/bin:/bin\necho packing...\n"
        << "head -c 100 \"$3\" > \"$3.x\"\nmv \"$3.x\" \"$5\"\necho done\n";
    fs::permissions(dir / "exomizer", fs::perms::owner_all);
    for (const bool verbose : {false, true}) {
        printed.clear();
        printed_errors.clear();
        std::vector<std::string> arguments{"-R",      "-p", "out.png", "-S",
                                           "out.spr", "-x", "out.prg", "welcome.ini"};
        if (verbose)
            arguments.insert(arguments.begin(), "--verbose");
        ASSERT_EQ(run(arguments), commandline_status_done) << printed_errors;
        const auto line = [&](const char *name, const std::string &rest) {
            return "c64-sidewell: wrote " + (dir / name).string() + ", " + rest + "\n";
        };
        EXPECT_EQ(printed,
                  line("out.png", std::to_string(fs::file_size(dir / "out.png")) + " bytes") +
                      line("out.spr", std::to_string(fs::file_size(dir / "out.spr")) + " bytes") +
                      line("out.prg",
                           std::to_string(executable_build(picture_data, 0, false).bytes.size()) +
                               " bytes crunched to 100"));
        EXPECT_EQ(printed_errors, verbose ? "packing...\ndone\n" : "");
    }
    // A failing cruncher's words come with the error.
    std::ofstream(dir / "exomizer") << "#!/bin/sh\necho out of memory >&2\nexit 1\n";
    printed_errors.clear();
    EXPECT_EQ(run({"-x", "out.prg", "welcome.ini"}), commandline_status_not_crunched);
    EXPECT_EQ(printed_errors, "out of memory\nc64-sidewell: " + (dir / "out.prg").string() +
                                  ": exomizer failed (wait status 256): the program was written "
                                  "uncrunched\n");
}

// One PNG frame is picture and sprites: exported, converted and released in one step, and saved
// as C64 files that bring back the same frame.
TEST_F(CommandLine, PngFrameIsReleasedAndSavedAsC64Files) {
    ASSERT_EQ(run({"-p", "out.png", "sunset.ini"}), commandline_status_done) << printed_errors;
    const std::string frame = (dir / "out.png").string();
    ASSERT_EQ(run({"-n", "-p", "out2.png", "-c", "out.koa", "--save-sprites", "out.spr", "-x",
                   "out.prg", frame}),
              commandline_status_done)
        << printed_errors;
    EXPECT_TRUE(same_bytes(read_bytes(dir / "out2.png"), read_bytes(frame)));
    // The saved files carry the sprite colours in their attribute bytes.
    fs::create_directories(dir / "config" / "c64-sidewell");
    std::ofstream(dir / "config" / "c64-sidewell" / "user.ini")
        << "[sprites]\nsprite_attribute_byte_format=1\n";
    const std::string koala = (dir / "out.koa").string();
    const std::string sprite_file = (dir / "out.spr").string();
    for (const auto &[first, second] :
         {std::pair{koala, sprite_file}, std::pair{sprite_file, koala}}) {
        ASSERT_EQ(run({"-p", "out3.png", first, second}), commandline_status_done)
            << printed_errors;
        EXPECT_TRUE(same_bytes(read_bytes(dir / "out3.png"), read_bytes(frame)));
    }
    // The program shows the picture and sprites the saved files hold.
    EXPECT_EQ(read_bytes(dir / "out.koa").size(), 10003u);
    EXPECT_TRUE(
        same_bytes(read_bytes(dir / "out.prg"), executable_build(picture_data, 0, false).bytes));
    // A later step that fails takes the saved C64 files away again.
    EXPECT_EQ(run({"-c", "out4.koa", "-S", "out4.spr", "-x", unwritable, frame}),
              commandline_status_failed);
    EXPECT_FALSE(fs::exists(dir / "out4.koa"));
    EXPECT_FALSE(fs::exists(dir / "out4.spr"));
}

// A picture alone converts to a C64 picture file; releasing it needs sprites.
TEST_F(CommandLine, PictureAloneIsSavedAsC64File) {
    GdkPixbuf *rendered = nullptr;
    ASSERT_TRUE(hiresdecoder_decode_hires_screen_file((dir / "sunset.koa").c_str(), 0, &rendered,
                                                      nullptr, nullptr));
    const PixbufPtr sunset(rendered);
    const std::string alone = (dir / "alone.png").string();
    ASSERT_TRUE(gdk_pixbuf_save(sunset.get(), alone.c_str(), "png", nullptr, nullptr));
    ASSERT_EQ(run({"--save-picture", "out.koa", alone}), commandline_status_done) << printed_errors;
    const Bytes koala = read_bytes(dir / "out.koa");
    ASSERT_EQ(koala.size(), 10003u);
    EXPECT_EQ(std::pair(koala[0], koala[1]), std::pair(std::uint8_t{0x00}, std::uint8_t{0x60}));
    ASSERT_TRUE(hiresdecoder_decode_hires_screen_file((dir / "out.koa").c_str(), 0, &rendered,
                                                      nullptr, nullptr));
    const PixbufPtr saved(rendered);
    EXPECT_TRUE(same_image(saved.get(), 320, 200,
                           [&](int x, int y) { return pixel_at(sunset.get(), x, y); }));
    EXPECT_EQ(run({"-p", "out.png", alone}), commandline_status_failed);
    EXPECT_EQ(printed_errors, "c64-sidewell: " + alone +
                                  ": A 320×200 image holds no sprites: only a 416×272 frame has "
                                  "the side borders\n");
    EXPECT_FALSE(fs::exists(dir / "out.png"));
}

// A drawing that breaks the C64's rules is listed and nothing is written, unless the nearest
// fit is asked for.
TEST_F(CommandLine, BrokenRulesAreListedUnlessBestFitIsAsked) {
    const std::string frame = write_png(temp.file("rules.png"), 416, 272,
                                        [](int x, int y) { return offending_frame(x, y, false); });
    EXPECT_EQ(run({"-p", "out.png", frame}), commandline_status_failed);
    EXPECT_EQ(
        printed_errors,
        "c64-sidewell: " + frame +
            ": The drawing breaks the C64's rules in 2 places (cells: the colours besides the "
            "background):\nCell column 3, row 2: cyan, white, red, light grey\nSprite slot 5: "
            "white, red\n--best-fit loads the nearest fit\n");
    EXPECT_FALSE(fs::exists(dir / "out.png"));
    printed_errors.clear();
    EXPECT_EQ(run({"--best-fit", "-p", "out.png", frame}), commandline_status_done);
    EXPECT_EQ(printed_errors, "");
    EXPECT_TRUE(fs::exists(dir / "out.png"));
}

GKeyFilePtr parse(const std::string &text) {
    GKeyFilePtr key_file{g_key_file_new()};
    if (!g_key_file_load_from_data(key_file.get(), text.c_str(), text.size(),
                                   G_KEY_FILE_KEEP_COMMENTS, nullptr))
        return nullptr;
    return key_file;
}

// What the generator wrote is what the editor itself writes for the same project.
TEST_F(FreshState, ExampleProjectsAreWhatTheWriterProduces) {
    for (const char *name : {"sunset.ini", "welcome.ini"}) {
        const std::string project = example_path(name);
        const std::string original = read_text(project);
        ASSERT_FALSE(original.empty()) << project;
        const GKeyFilePtr key_file = parse(original);
        ASSERT_TRUE(key_file);
        std::string picture_uri;
        std::string sprites_uri;
        ASSERT_TRUE(project_get_file_value(key_file.get(), "picture", &picture_uri));
        ASSERT_TRUE(project_get_file_value(key_file.get(), "sprites", &sprites_uri));
        const std::string sprites =
            project_find_file(project_get_path_from_uri(sprites_uri.c_str()), project.c_str());
        ASSERT_EQ(sprites, example_path("shapes.prg"));
        ASSERT_EQ(spritesdecoder_decode_sprites_file(sprites.c_str(),
                                                     sprites_attribute_format_ignore, 1, nullptr),
                  1);
        sprites_init_from_key_file(key_file.get());
        int border = 99;
        project_read_border_color(key_file.get(), &border);
        const GKeyFilePtr rewritten = parse(
            project_get_file_text(project_get_path_from_uri(picture_uri.c_str()).c_str(),
                                  project_get_path_from_uri(sprites_uri.c_str()).c_str(), border));
        ASSERT_TRUE(rewritten);
        const GCharPtr data{g_key_file_to_data(rewritten.get(), nullptr, nullptr)};
        EXPECT_EQ(data.get(), original) << name;
    }
}

auto option_values() {
    return std::tuple(
        options_palette, options_expansion, options_selection_method, options_transition,
        options_sprite_attribute_byte_format, options_reencode_graphics, options_follow_files,
        options_window_position, options_picture_dir_string, options_sprites_dir_string,
        options_export_png_dir_string, options_export_dir_string, utf8_path_configfile);
}

// Taken before any test runs: the values the program starts with, which the tests' reset restores.
const auto start_options = option_values();
const auto start_picture = std::tuple(picture_data.border_color, picture_data.format);

// An installed editor finds the examples installed beside it; one run from a build, those of
// the source tree.
TEST(ExampleProject, IsFoundBesideTheEditorOrInTheSourceTree) {
    const TempDir dir;
    const fs::path prefix = fs::path(dir.path) / "usr";
    const fs::path installed = prefix / "share" / "c64-sidewell" / "examples" / "sunset.ini";
    fs::create_directories(prefix / "bin");
    EXPECT_EQ(project_find_example(prefix / "bin" / "c64-sidewell"), example_path("sunset.ini"));
    write_file(installed, "[picture]\n");
    EXPECT_EQ(project_find_example(prefix / "bin" / "c64-sidewell"), installed.string());
    EXPECT_EQ(project_find_example(""), example_path("sunset.ini"));
}

TEST(StartValues, AreWhatTheTestsResetToAndNoPicture) {
    options_reset_to_start_values();
    EXPECT_EQ(option_values(), start_options);
    EXPECT_EQ(start_picture, std::tuple(-1, picture_format_none));
}

// The text with the line of each key replaced by the new line of that key.
std::string with(std::string text, const std::vector<std::string> &lines) {
    for (const std::string &line : lines) {
        const auto start = text.find("\n" + line.substr(0, line.find('=') + 1)) + 1;
        text.replace(start, text.find('\n', start) - start, line);
    }
    return text;
}

auto integers() {
    return std::tuple(options_palette, options_expansion, options_selection_method,
                      options_transition, options_sprite_attribute_byte_format,
                      options_reencode_graphics, options_follow_files);
}

const std::string default_text =
    std::string(options_default_text) + "[application]\nposition=123;-45;\n";

// The first start writes the defaults into a private folder made with its parents; every
// setting is written in group order and read back; a value out of range reads as its default.
TEST(OptionsFile, EverySettingIsWrittenInGroupOrderAndSurvivesARoundTrip) {
    const TempDir dir;
    const fs::path root = dir.path;
    const fs::path file = root / "not yet" / "c64-sidewell" / "user.ini";
    const auto start = [&] { options_module_init_in((root / "not yet").c_str()); };
    options_set_position_source([](int *x, int *y) -> gboolean {
        *x = 123;
        *y = -45;
        return TRUE;
    });
    start();
    struct stat info {};
    ASSERT_EQ(stat(file.parent_path().c_str(), &info), 0);
    EXPECT_EQ(std::tuple(info.st_mode & 07777, read_text(file)), std::tuple(0700u, default_text));
    const fs::path pictures = root / "my pictures";
    const fs::path sprites = root / "sprites \u00fcn\u00efcode";
    fs::create_directory(pictures);
    fs::create_directory(sprites);
    set_path(&options_picture_dir_string, pictures);
    set_path(&options_sprites_dir_string, sprites);
    set_path(&options_export_png_dir_string, root);
    options_palette = 3;
    options_expansion = 4;
    options_selection_method = 2;
    options_transition = 1;
    options_sprite_attribute_byte_format = 1;
    options_reencode_graphics = TRUE;
    options_follow_files = FALSE;
    ASSERT_TRUE(options_save_to_file());
    EXPECT_EQ(
        read_text(file),
        with(default_text, {"picture_dir=" + file_uri(pictures), "sprites_dir=" + file_uri(sprites),
                            "export_png_dir=" + file_uri(root), "palette=3", "expansion=4",
                            "selection_method=2", "transition=1", "sprite_attribute_byte_format=1",
                            "reencode_graphics=true", "follow_files=false"}));
    const auto written = option_values();
    options_reset_to_start_values();
    start();
    EXPECT_EQ(integers(), std::tuple(3, 4, 2, 1, 1, TRUE, FALSE));
    EXPECT_EQ(std::tuple(std::string(options_picture_dir_string),
                         std::string(options_sprites_dir_string),
                         std::string(options_export_png_dir_string), options_export_dir_string,
                         options_window_position[0], options_window_position[1]),
              std::tuple(pictures.string(), sprites.string(), root.string(), nullptr, 123, -45));
    EXPECT_NE(written, option_values());
    // Out of range, and a file from before the editor followed files.
    std::string out_of_range =
        with(default_text, {"palette=4", "expansion=5", "selection_method=3", "transition=2",
                            "sprite_attribute_byte_format=2", "follow_files=false"});
    out_of_range.erase(out_of_range.find("follow_files=false\n"), 19);
    g_file_set_contents(file.c_str(), out_of_range.c_str(), -1, nullptr);
    options_follow_files = FALSE;
    start();
    EXPECT_EQ(integers(), std::tuple(0, 1, 0, 0, 0, FALSE, TRUE));
    options_reset_to_start_values();
    set_path(&utf8_path_configfile);
    options_set_position_source(nullptr);
}

} // namespace
