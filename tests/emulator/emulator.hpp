#pragma once
// Running self-starting program files in x64sc: the emulator runs them to the end of a frame and
// leaves a whole-frame screenshot, read here in the editor's display coordinates (416 x 296: left
// border 0-47, picture 48-367 x 48-247, right border 368-).

#include "core/executable.hpp"
#include "core/glib_ptr.hpp"
#include "core/palette.hpp"

#include <glib/gstdio.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

enum class VideoStandard { pal, ntsc, paln };

constexpr int display_width = 416;
constexpr int display_height = 296;

using Rgb = std::array<std::uint8_t, 3>;
using Bytes = std::vector<std::uint8_t>;

struct StandardFacts {
    const char *option;
    long frame_cycles;
    long frame_offset; // cycles that align the stop with a frame boundary
    int screenshot_x;  // screenshot column of display x 0
    int first_line;    // raster line in the screenshot's first row; later rows wrap to line 0
    int lines;         // raster lines of a frame
};

constexpr int display_first_line = 3; // raster line of display row 0

// Indexed by VideoStandard.
constexpr StandardFacts standard_facts[] = {{"-pal", 19656, 0, 88, 0, 312},
                                            {"-ntsc", 17095, 1300, 88, 20, 263},
                                            {"-paln", 20280, 0, 88, 0, 312}};

struct Screenshot {
    VideoStandard standard = VideoStandard::pal;
    int width = 0, height = 0, stride = 0, channels = 0;
    Bytes bytes;                 // height rows of stride bytes, channels bytes a pixel
    std::string emulator_output; // what x64sc printed on stderr when it wrote no screenshot
};

// A fresh folder, removed with everything in it at the end of the scope.
struct TemporaryDirectory {
    std::string path = GCharPtr(g_dir_make_tmp("sidewell-emulator-XXXXXX", nullptr)).get();
    ~TemporaryDirectory() { std::filesystem::remove_all(path); }
};

inline Bytes read_bytes(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

inline void write_bytes(const std::string &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Path of a file in the shared folder (ROMs), from the build's SIDEWELL_SHARED_DIR.
inline std::string shared_file(const std::string &relative) {
    return std::string(SIDEWELL_SHARED_DIR) + "/" + relative;
}

// A colour as x64sc shows it with its Pepto palette file: exactly the editor's Pepto colour.
inline Rgb emulator_rgb(int colour) {
    Rgb rgb{};
    palette_get_pepto_rgb_at_index(colour, rgb.data());
    return rgb;
}

// Whether x64sc can run here (ROMs, palette file, X display); why not otherwise.
inline bool emulator_ready(std::string &why) {
    constexpr std::uintmax_t kernal_size = 8192;
    std::error_code missing;
    const std::string kernal = shared_file("c64-roms/kernal-901227-03.bin");
    if (std::filesystem::file_size(kernal, missing) != kernal_size) {
        why = "C64 ROMs not found in " + shared_file("c64-roms");
    } else if (!std::filesystem::exists("/usr/share/vice/C64/pepto-pal.vpl")) {
        why = "x64sc and its palette file pepto-pal.vpl not found";
    } else if (!g_getenv("DISPLAY")) {
        why = "x64sc needs an X display; run the tests under xvfb-run";
    }
    return why.empty();
}

#define SKIP_UNLESS_EMULATOR_READY()                                                               \
    if (std::string why; !emulator_ready(why))                                                     \
    GTEST_SKIP() << why

// A frame well after a viewer has started (about 4.3 s of emulated time after reset).
inline int emulator_steady_frame(VideoStandard standard) {
    return standard == VideoStandard::ntsc ? 300 : 250;
}

// x64sc's screenshot at the end of frame `frame` (counted from reset) of a self-starting program;
// width 0 when it wrote none. `work_dir` holds its private HOME and the screenshot.
inline Screenshot run_emulator(const std::string &program, VideoStandard standard, int frame,
                               const std::string &work_dir) {
    const StandardFacts &facts = standard_facts[static_cast<int>(standard)];
    const std::string home = work_dir + "/home";
    g_mkdir_with_parents(home.c_str(), 0700);
    const std::string png = work_dir + "/screenshot.png";
    g_remove(png.c_str());
    const std::string cycles = std::to_string(frame * facts.frame_cycles + facts.frame_offset);
    const auto quoted = [](const std::string &text) {
        return std::string(GCharPtr(g_shell_quote(text.c_str())).get());
    };
    const auto rom = [&](const char *name) { return quoted(shared_file("c64-roms/") + name); };
    // Neutral colour settings: the screenshot then holds the palette file's colours exactly.
    // x64sc keeps its settings in HOME; it exits with status 1 after -limitcycles, so the
    // screenshot tells whether it ran.
    const std::string command =
        "env HOME=" + quoted(home) + " x64sc " + facts.option + " -kernal " +
        rom("kernal-901227-03.bin") + " -basic " + rom("basic-901226-01.bin") + " -chargen " +
        rom("chargen-901225-01.bin") +
        " -autostartprgmode 1 -warp +sound -seed 1 -VICIIborders 2 -VICIIfilter 0 -VICIIextpal"
        " -VICIIpalette pepto-pal.vpl -VICIIsaturation 1000 -VICIIcontrast 1000"
        " -VICIIbrightness 1000 -VICIIgamma 1000 -VICIItint 1000 -limitcycles " +
        cycles + " -exitscreenshot " + quoted(png) + " " + quoted(program);
    gchar *standard_output = nullptr, *output = nullptr;
    GError *error = nullptr;
    // Xvfb resets itself when its last client leaves and refuses connections meanwhile; x64sc
    // may be the only client, so a refused display is tried again.
    for (int attempt = 0; attempt < 10; ++attempt) {
        g_free(standard_output);
        g_free(output);
        g_spawn_command_line_sync(command.c_str(), &standard_output, &output, nullptr, &error);
        if (error != nullptr || !g_strrstr(output, "cannot open display"))
            break;
        g_usleep(G_USEC_PER_SEC / 5);
    }
    g_free(standard_output);
    const GCharPtr owned_output(output);
    const GErrorPtr owned_error(error);

    Screenshot screenshot;
    screenshot.standard = standard;
    // Frames are taken by two threads at once; gdk-pixbuf's loader set-up is not safe to enter
    // from both at the same moment.
    static std::mutex loader_mutex;
    std::unique_lock loader_lock(loader_mutex);
    const PixbufPtr pixbuf(gdk_pixbuf_new_from_file(png.c_str(), nullptr));
    loader_lock.unlock();
    if (!pixbuf) {
        screenshot.emulator_output = error ? error->message : output ? output : "";
        return screenshot;
    }
    screenshot.width = gdk_pixbuf_get_width(pixbuf.get());
    screenshot.height = gdk_pixbuf_get_height(pixbuf.get());
    screenshot.stride = gdk_pixbuf_get_rowstride(pixbuf.get());
    screenshot.channels = gdk_pixbuf_get_n_channels(pixbuf.get());
    const guchar *data = gdk_pixbuf_read_pixels(pixbuf.get());
    screenshot.bytes.assign(data, data + gdk_pixbuf_get_byte_length(pixbuf.get()));
    return screenshot;
}

// The same for several frames, two emulators at a time, each in a folder below `work_dir`.
inline std::vector<Screenshot> run_emulator_frames(const std::string &program,
                                                   VideoStandard standard,
                                                   const std::vector<int> &frames,
                                                   const std::string &work_dir) {
    std::vector<Screenshot> screenshots(frames.size());
    std::atomic<std::size_t> next = 0;
    const auto work = [&] {
        for (std::size_t i = next++; i < frames.size(); i = next++) {
            const std::string folder = work_dir + "/frame-" + std::to_string(frames[i]);
            g_mkdir_with_parents(folder.c_str(), 0700);
            screenshots[i] = run_emulator(program, standard, frames[i], folder);
        }
    };
    std::thread second_emulator(work);
    work();
    second_emulator.join();
    return screenshots;
}

// Display pixel (x, y) of a screenshot; nullopt for rows beyond the last raster line, which the
// frame does not have (NTSC's 263 lines end at display row 259).
inline std::optional<Rgb> display_pixel(const Screenshot &screenshot, int x, int y) {
    const StandardFacts &facts = standard_facts[static_cast<int>(screenshot.standard)];
    const int line = y + display_first_line;
    const int sx = x + facts.screenshot_x;
    const int sy = (line - facts.first_line + facts.lines) % facts.lines;
    if (line >= facts.lines || sx >= screenshot.width || sy >= screenshot.height) {
        return std::nullopt;
    }
    const std::uint8_t *pixel =
        &screenshot
             .bytes[static_cast<std::size_t>(sy * screenshot.stride + sx * screenshot.channels)];
    return Rgb{pixel[0], pixel[1], pixel[2]};
}

struct Region {
    std::string name;
    int x0, y0, x1, y1; // display pixels x0 <= x < x1, y0 <= y < y1
};

// The colour display pixel (x, y) must have; nullopt when no colour is right.
using ExpectedPixel = std::function<std::optional<Rgb>(int x, int y)>;

// One line per region whose pixels in the screenshot differ from the expected ones, naming the
// first wrong pixel, or that the screenshot does not show at all; empty when all agree. Rows
// beyond the video standard's frame are not compared.
inline std::string display_differences(const Screenshot &screenshot,
                                       const std::vector<Region> &regions,
                                       const ExpectedPixel &expected) {
    if (screenshot.width == 0) {
        return "x64sc wrote no screenshot: " + screenshot.emulator_output;
    }
    std::ostringstream report;
    for (const Region &region : regions) {
        int wrong = 0, compared = 0, first_x = 0, first_y = 0;
        for (int y = region.y0; y < region.y1; ++y) {
            for (int x = region.x0; x < region.x1; ++x) {
                const auto pixel = display_pixel(screenshot, x, y);
                compared += pixel ? 1 : 0;
                if (pixel && *pixel != expected(x, y) && wrong++ == 0) {
                    first_x = x;
                    first_y = y;
                }
            }
        }
        if (wrong > 0 || compared == 0) {
            report << region.name << ": " << wrong << " wrong pixels of " << compared
                   << ", first at display (" << first_x << ", " << first_y << ")\n";
        }
    }
    return report.str();
}
