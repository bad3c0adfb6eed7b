#pragma once
// Running program files in x64sc: the cruncher stand-in makes them self-starting, the emulator
// runs them to the end of a frame and leaves a whole-frame screenshot, read here in the editor's
// display coordinates (416 x 296: left border 0-47, picture 48-367 x 48-247, right border 368-).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

enum class VideoStandard { pal, ntsc, paln };

constexpr int display_width = 416;
constexpr int display_height = 296;

using Rgb = std::array<std::uint8_t, 3>;
using Bytes = std::vector<std::uint8_t>;

struct Screenshot {
    VideoStandard standard = VideoStandard::pal;
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    std::string emulator_output; // what x64sc printed on stderr when it wrote no screenshot
};

// A fresh folder, removed with everything in it at the end of the scope.
struct TemporaryDirectory {
    TemporaryDirectory();
    ~TemporaryDirectory();
    std::string path;
};

Bytes read_bytes(const std::string &path);
void write_bytes(const std::string &path, const Bytes &bytes);

// Path of a file in the shared folder (ROMs), from the build's SIDEWELL_SHARED_DIR.
std::string shared_file(const std::string &relative);

// A colour as x64sc shows it with its Pepto palette file: exactly the editor's Pepto colour.
Rgb emulator_rgb(int colour);

// Whether x64sc can run here (ROMs, palette file, X display); why not otherwise.
bool emulator_ready(std::string &why);

#define SKIP_UNLESS_EMULATOR_READY()                                                               \
    if (std::string why; !emulator_ready(why))                                                     \
    GTEST_SKIP() << why

// A frame well after a viewer has started (about 4.3 s of emulated time after reset).
int emulator_steady_frame(VideoStandard standard);

// Runs the cruncher on the file as the editor does, with the test stand-in first on PATH.
// Returns its exit status, or -1 when it could not be started.
int crunch_in_place(const std::string &path, unsigned start);

// x64sc's screenshot at the end of frame `frame` (counted from reset) of a self-starting program;
// width 0 when it wrote none. `work_dir` holds its private HOME and the screenshot.
Screenshot run_emulator(const std::string &program, VideoStandard standard, int frame,
                        const std::string &work_dir);

// The same for several frames, two emulators at a time, each in a folder below `work_dir`.
std::vector<Screenshot> run_emulator_frames(const std::string &program, VideoStandard standard,
                                            const std::vector<int> &frames,
                                            const std::string &work_dir);

struct Region {
    std::string name;
    int x0, y0, x1, y1; // display pixels x0 <= x < x1, y0 <= y < y1
};

// The colour display pixel (x, y) must have; nullopt when no colour is right.
using ExpectedPixel = std::function<std::optional<Rgb>(int x, int y)>;

// One line per region whose pixels in the screenshot differ from the expected ones, naming the
// first wrong pixel, or that the screenshot does not show at all; empty when all agree. Rows
// beyond the video standard's frame are not compared.
std::string display_differences(const Screenshot &screenshot, const std::vector<Region> &regions,
                                const ExpectedPixel &expected);
