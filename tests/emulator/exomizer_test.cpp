// The cruncher stand-in: its refusals leave the file alone, and its programs move their payload
// intact to the load address, upward and downward over their own bytes, in x64sc.

#include "emulator.hpp"

#include "core/glib_ptr.hpp"

#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Directory {
    std::string path = GCharPtr(g_dir_make_tmp("sidewell-exomizer-XXXXXX", nullptr)).get();
    ~Directory() {
        const GCharPtr command(g_strdup_printf("rm -rf \"%s\"", path.c_str()));
        g_spawn_command_line_sync(command.get(), nullptr, nullptr, nullptr, nullptr);
    }
};

void write_file(const std::string &path, const std::vector<std::uint8_t> &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> read_file(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

int run_exomizer(std::vector<std::string> arguments) {
    const std::string program = std::string(SIDEWELL_TOOLS_DIR) + "/exomizer";
    std::vector<char *> argv = {const_cast<char *>(program.c_str())};
    for (auto &argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    gint status = 0;
    if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr,
                      nullptr, nullptr, &status, nullptr)) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::uint8_t> program_file(unsigned load_address, std::size_t length) {
    std::vector<std::uint8_t> file = {static_cast<std::uint8_t>(load_address & 0xFF),
                                      static_cast<std::uint8_t>(load_address >> 8)};
    for (std::size_t i = 0; i < length; ++i) {
        file.push_back(static_cast<std::uint8_t>(i * 7 + 3));
    }
    return file;
}

struct RefusalCase {
    const char *name;
    std::vector<std::string> arguments; // "IN" and "OUT" stand for the two files
    std::vector<std::uint8_t> input;
};

const std::vector<std::uint8_t> good_input = program_file(0x2000, 300);

const RefusalCase refusals[] = {
    {"no_mode", {}, good_input},
    {"other_mode", {"raw", "8192", "IN", "-o", "OUT", "-n"}, good_input},
    {"no_start", {"sfx"}, good_input},
    {"start_not_a_number", {"sfx", "12x", "IN", "-o", "OUT", "-n"}, good_input},
    {"start_beyond_memory", {"sfx", "65536", "IN", "-o", "OUT", "-n"}, good_input},
    {"no_output", {"sfx", "8192", "IN", "-n"}, good_input},
    {"o_without_name", {"sfx", "8192", "IN", "-n", "-o"}, good_input},
    {"unknown_option", {"sfx", "8192", "IN", "-o", "OUT", "-x"}, good_input},
    {"two_inputs", {"sfx", "8192", "IN", "IN", "-o", "OUT", "-n"}, good_input},
    {"missing_input", {"sfx", "8192", "MISSING", "-o", "OUT", "-n"}, good_input},
    {"input_without_payload", {"sfx", "8192", "IN", "-o", "OUT", "-n"}, {0x00, 0x20}},
    {"payload_in_zero_page", {"sfx", "8192", "IN", "-o", "OUT", "-n"}, program_file(0x0080, 16)},
    {"payload_beyond_memory", {"sfx", "8192", "IN", "-o", "OUT", "-n"}, program_file(0xFFF0, 17)},
};

class ExomizerRefuses : public testing::TestWithParam<RefusalCase> {};

TEST_P(ExomizerRefuses, WithNonZeroStatusLeavingTheFilesAlone) {
    const Directory directory;
    const std::string in = directory.path + "/in.prg", out = directory.path + "/out.prg";
    const std::vector<std::uint8_t> old_output = {'o', 'l', 'd'};
    write_file(in, GetParam().input);
    write_file(out, old_output);
    std::vector<std::string> arguments = GetParam().arguments;
    for (auto &argument : arguments) {
        argument = argument == "IN"        ? in
                   : argument == "OUT"     ? out
                   : argument == "MISSING" ? directory.path + "/missing.prg"
                                           : argument;
    }
    EXPECT_NE(run_exomizer(arguments), 0);
    EXPECT_EQ(read_file(out), old_output);
    EXPECT_EQ(read_file(in), GetParam().input);
    const GCharPtr listing(g_strdup_printf("ls -A \"%s\"", directory.path.c_str()));
    gchar *files = nullptr;
    g_spawn_command_line_sync(listing.get(), &files, nullptr, nullptr, nullptr);
    EXPECT_STREQ(GCharPtr(files).get(), "in.prg\nout.prg\n");
}

INSTANTIATE_TEST_SUITE_P(BadArgumentsAndFiles, ExomizerRefuses, testing::ValuesIn(refusals),
                         [](const testing::TestParamInfo<RefusalCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(Exomizer, RewritesInPlaceAsBasicLineMoverAndPayload) {
    const Directory directory;
    const std::string path = directory.path + "/viewer.prg";
    write_file(path, good_input);
    ASSERT_EQ(run_exomizer({"sfx", "$2000", path, "-o", path, "-n"}), 0);
    const auto output = read_file(path);
    ASSERT_GT(output.size(), good_input.size() + 8);
    EXPECT_EQ(output[0], 0x01); // loads at $0801, the BASIC start
    EXPECT_EQ(output[1], 0x08);
    EXPECT_EQ(output[6], 0x9E); // the first line's first token: SYS
    EXPECT_TRUE(std::equal(good_input.begin() + 2, good_input.end(),
                           output.end() - static_cast<long>(good_input.size() - 2)));
}

// A page-aligned payload that checks itself: it XORs all its pages (0 by construction) and sets
// the border green when they are intact, red otherwise.
std::vector<std::uint8_t> self_checking_program(unsigned load_address, unsigned pages) {
    const auto lo = static_cast<std::uint8_t>(load_address & 0xFF);
    const auto hi = static_cast<std::uint8_t>(load_address >> 8);
    const auto at = [&](unsigned offset) {
        return static_cast<std::uint8_t>((load_address + offset) & 0xFF);
    };
    std::vector<std::uint8_t> code = {
        0xA9,
        lo, // lda #<payload
        0x85,
        0xFB, // sta $fb
        0xA9,
        hi, // lda #>payload
        0x85,
        0xFC, // sta $fc
        0xA2,
        static_cast<std::uint8_t>(pages), // ldx #pages
        0xA0,
        0x00, // ldy #0
        0x98, // tya
        0x51,
        0xFB, // +13: eor ($fb),y
        0xC8, // iny
        0xD0,
        0xFB, // bne +13
        0xE6,
        0xFC, // inc $fc
        0xCA, // dex
        0xD0,
        0xF6, // bne +13
        0xAA, // tax
        0xF0,
        0x04, // beq green
        0xA9,
        0x02, // lda #2 (red)
        0xD0,
        0x02, // bne store
        0xA9,
        0x05, // green: lda #5
        0x8D,
        0x20,
        0xD0, // store: sta $d020
        0x4C,
        at(35),
        static_cast<std::uint8_t>((load_address + 35) >> 8), // jmp *
    };
    std::vector<std::uint8_t> file = program_file(load_address, pages * 256u);
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

TEST_P(ExomizerMoves, PayloadIntactToItsLoadAddress) {
    SKIP_UNLESS_EMULATOR_READY();
    const Directory directory;
    const std::string path = directory.path + "/check.prg";
    write_file(path, self_checking_program(GetParam().load_address, GetParam().pages));
    ASSERT_EQ(crunch_in_place(path, GetParam().load_address), 0);
    const Screenshot screenshot = run_emulator(path, VideoStandard::pal, 200, directory.path);
    const auto border = display_pixel(screenshot, 4, 100);
    ASSERT_TRUE(border.has_value());
    constexpr int green = 5;
    EXPECT_EQ(*border, emulator_pepto_palette()[green]);
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
