// The cruncher stand-in: its refusals leave the file alone, and its programs move their payload
// intact to the load address, upward and downward over their own bytes, in x64sc.

#include "emulator.hpp"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Runs the stand-in with the arguments, in which IN, OUT and MISSING stand for files in folder;
// its exit status, -1 when it did not exit.
int run_exomizer(const std::string &arguments, const std::string &folder) {
    std::string command = std::string(SIDEWELL_TOOLS_DIR) + "/exomizer";
    std::istringstream words(arguments);
    for (std::string word; words >> word;) {
        command += " " + (word == "IN"        ? folder + "/in.prg"
                          : word == "OUT"     ? folder + "/out.prg"
                          : word == "MISSING" ? folder + "/missing.prg"
                                              : word);
    }
    gint status = 0;
    gchar *errors = nullptr;
    const gboolean ran =
        g_spawn_command_line_sync(command.c_str(), nullptr, &errors, &status, nullptr);
    g_free(errors);
    return ran && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Bytes program_file(unsigned load_address, std::size_t length) {
    Bytes file = {static_cast<std::uint8_t>(load_address & 0xFF),
                  static_cast<std::uint8_t>(load_address >> 8)};
    for (std::size_t i = 0; i < length; ++i) {
        file.push_back(static_cast<std::uint8_t>(i * 7 + 3));
    }
    return file;
}

struct RefusalCase {
    const char *name;
    std::string arguments;
    Bytes input;
};

const Bytes good_input = program_file(0x2000, 300);

const RefusalCase refusals[] = {
    {"no_mode", "", good_input},
    {"other_mode", "raw 8192 IN -o OUT -n", good_input},
    {"no_start", "sfx", good_input},
    {"start_not_a_number", "sfx 12x IN -o OUT -n", good_input},
    {"start_beyond_memory", "sfx 65536 IN -o OUT -n", good_input},
    {"no_output", "sfx 8192 IN -n", good_input},
    {"o_without_name", "sfx 8192 IN -n -o", good_input},
    {"unknown_option", "sfx 8192 IN -o OUT -x", good_input},
    {"two_inputs", "sfx 8192 IN IN -o OUT -n", good_input},
    {"missing_input", "sfx 8192 MISSING -o OUT -n", good_input},
    {"input_without_payload", "sfx 8192 IN -o OUT -n", {0x00, 0x20}},
    {"payload_in_zero_page", "sfx 8192 IN -o OUT -n", program_file(0x0080, 16)},
    {"payload_beyond_memory", "sfx 8192 IN -o OUT -n", program_file(0xFFF0, 17)},
};

class ExomizerRefuses : public testing::TestWithParam<RefusalCase> {};

TEST_P(ExomizerRefuses, WithNonZeroStatusLeavingTheFilesAlone) {
    const TemporaryDirectory directory;
    const std::string in = directory.path + "/in.prg", out = directory.path + "/out.prg";
    const Bytes old_output = {'o', 'l', 'd'};
    write_bytes(in, GetParam().input);
    write_bytes(out, old_output);
    EXPECT_NE(run_exomizer(GetParam().arguments, directory.path), 0);
    EXPECT_EQ(read_bytes(out), old_output);
    EXPECT_EQ(read_bytes(in), GetParam().input);
    // Nothing but the two files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory.path), {}), 2);
}

INSTANTIATE_TEST_SUITE_P(BadArgumentsAndFiles, ExomizerRefuses, testing::ValuesIn(refusals),
                         [](const testing::TestParamInfo<RefusalCase> &info) {
                             return std::string(info.param.name);
                         });

// A page-aligned payload that checks itself: it XORs all its pages (0 by construction) and sets
// the border green when they are intact, red otherwise.
Bytes self_checking_program(unsigned load_address, unsigned pages) {
    //    lda #<payload; sta $fb; lda #>payload; sta $fc; ldx #pages; ldy #0; tya
    // 13 eor ($fb),y; iny; bne 13; inc $fc; dex; bne 13
    //    tax; beq green; lda #2 (red); bne store; green: lda #5; store: sta $d020; 35 jmp 35
    Bytes code = {0xA9, 0,    0x85, 0xFB, 0xA9, 0,    0x85, 0xFC, 0xA2, 0,    0xA0, 0x00, 0x98,
                  0x51, 0xFB, 0xC8, 0xD0, 0xFB, 0xE6, 0xFC, 0xCA, 0xD0, 0xF6, 0xAA, 0xF0, 0x04,
                  0xA9, 0x02, 0xD0, 0x02, 0xA9, 0x05, 0x8D, 0x20, 0xD0, 0x4C, 0,    0};
    const unsigned jump = load_address + 35;
    code[1] = load_address & 0xFF;
    code[5] = static_cast<std::uint8_t>(load_address >> 8);
    code[9] = static_cast<std::uint8_t>(pages);
    code[36] = jump & 0xFF;
    code[37] = static_cast<std::uint8_t>(jump >> 8);
    Bytes file = program_file(load_address, pages * 256u);
    std::copy(code.begin(), code.end(), file.begin() + 2);
    std::uint8_t sum = 0;
    for (std::size_t i = 2; i + 1 < file.size(); ++i) {
        sum ^= file[i];
    }
    file.back() = sum;
    return file;
}

struct MoveCase {
    const char *name;
    unsigned load_address;
    unsigned pages;
};

class ExomizerMoves : public testing::TestWithParam<MoveCase> {};

// The program is rewritten in place as a BASIC line with SYS at $0801, the mover and the payload
// (as the export tests check too), which must then arrive intact.
TEST_P(ExomizerMoves, PayloadIntactToItsLoadAddress) {
    const TemporaryDirectory directory;
    const std::string path = directory.path + "/check.prg";
    const Bytes program = self_checking_program(GetParam().load_address, GetParam().pages);
    write_bytes(path, program);
    ASSERT_EQ(crunch_in_place(path, GetParam().load_address), 0);
    const Bytes output = read_bytes(path);
    ASSERT_GT(output.size(), program.size() + 8);
    EXPECT_EQ(output[6], 0x9E); // the first line's first token: SYS
    SKIP_UNLESS_EMULATOR_READY();
    const Screenshot screenshot = run_emulator(path, VideoStandard::pal, 200, directory.path);
    constexpr int green = 5;
    EXPECT_EQ(display_differences(screenshot, {{"border", 4, 100, 5, 101}},
                                  [](int, int) { return emulator_rgb(green); }),
              "");
}

// The payload lies right behind the stub, near $0880: loaded below that it moves down over its own
// start, above it up over its own end.
INSTANTIATE_TEST_SUITE_P(OverlappingTheirSource, ExomizerMoves,
                         testing::Values(MoveCase{"downward", 0x0700, 4},
                                         MoveCase{"upward", 0x1000, 16}),
                         [](const testing::TestParamInfo<MoveCase> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
