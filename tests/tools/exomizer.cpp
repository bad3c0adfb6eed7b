// Test stand-in for the Exomizer cruncher, found first on PATH by the emulator tests. It accepts
// the command line the editor uses, "exomizer sfx <start> <in> -o <out> -n", and rewrites <out>
// as a self-starting C64 program: the mover stub of mover.asm (a BASIC SYS line and a copy loop)
// followed by the unpacked payload, which the stub moves to its load address before jumping to
// <start> with interrupts off. Nothing is packed.

#include "mover_stub.hpp"

#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

constexpr std::size_t c64_memory_size = 0x10000;
constexpr std::size_t lowest_load_address = 0x0200; // zero page and the mover's stack page

std::optional<std::uint16_t> parse_address(std::string_view text) {
    int base = 10;
    if (text.starts_with('$')) {
        text.remove_prefix(1);
        base = 16;
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        value >= c64_memory_size) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

struct Arguments {
    std::uint16_t start;
    std::string input;
    std::string output;
};

std::optional<Arguments> parse_arguments(int argc, char **argv) {
    if (argc < 2 || std::string_view(argv[1]) != "sfx") {
        std::cerr << "exomizer: only the sfx mode is supported\n";
        return std::nullopt;
    }
    if (argc < 3) {
        std::cerr << "exomizer: missing start address\n";
        return std::nullopt;
    }
    const auto start = parse_address(argv[2]);
    if (!start) {
        std::cerr << "exomizer: bad start address \"" << argv[2] << "\"\n";
        return std::nullopt;
    }
    Arguments arguments{*start, {}, {}};
    for (int i = 3; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-n") {
            continue; // no decrunch effect: there is none anyway
        }
        if (argument == "-o") {
            if (i + 1 == argc) {
                std::cerr << "exomizer: -o needs a file name\n";
                return std::nullopt;
            }
            arguments.output = argv[++i];
        } else if (argument.starts_with('-')) {
            std::cerr << "exomizer: unknown option " << argument << "\n";
            return std::nullopt;
        } else if (arguments.input.empty()) {
            arguments.input = argument;
        } else {
            std::cerr << "exomizer: more than one input file\n";
            return std::nullopt;
        }
    }
    if (arguments.input.empty() || arguments.output.empty()) {
        std::cerr << "exomizer: usage: exomizer sfx <start> <in> -o <out> -n\n";
        return std::nullopt;
    }
    return arguments;
}

std::optional<std::vector<std::uint8_t>> read_file(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::cerr << "exomizer: cannot read " << path << "\n";
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

void put_word(std::vector<std::uint8_t> &bytes, std::size_t offset, unsigned value) {
    bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The stub with its parameter block filled in, followed by the payload.
std::optional<std::vector<std::uint8_t>> make_self_starting(const std::vector<std::uint8_t> &input,
                                                            std::uint16_t start) {
    if (input.size() < 3) {
        std::cerr << "exomizer: input is not a C64 program file\n";
        return std::nullopt;
    }
    const unsigned load_address = input[0] | (input[1] << 8);
    const std::size_t length = input.size() - 2;
    const std::size_t payload_in_memory = mover_stub_load_address + mover_stub.size();
    if (load_address < lowest_load_address || load_address + length > c64_memory_size) {
        std::cerr << "exomizer: payload at $" << std::hex << load_address << std::dec << " of "
                  << length << " bytes does not fit between $0200 and $ffff\n";
        return std::nullopt;
    }
    if (payload_in_memory + length > c64_memory_size) {
        std::cerr << "exomizer: payload of " << length << " bytes is too long\n";
        return std::nullopt;
    }
    const unsigned pages = static_cast<unsigned>(length >> 8);
    const bool backward = load_address > payload_in_memory;
    const unsigned pointer_offset = backward ? pages << 8 : 0;

    std::vector<std::uint8_t> output = {mover_stub_load_address & 0xFF,
                                        mover_stub_load_address >> 8};
    output.insert(output.end(), mover_stub.begin(), mover_stub.end());
    const std::size_t stub = 2; // file offset of the stub's first byte
    put_word(output, stub + mover_patch_source,
             static_cast<unsigned>(payload_in_memory) + pointer_offset);
    put_word(output, stub + mover_patch_target, load_address + pointer_offset);
    output[stub + mover_patch_pages] = static_cast<std::uint8_t>(pages);
    output[stub + mover_patch_remainder] = static_cast<std::uint8_t>(length & 0xFF);
    output[stub + mover_patch_backward] = backward ? 1 : 0;
    put_word(output, stub + mover_patch_start, start);
    output.insert(output.end(), input.begin() + 2, input.end());
    return output;
}

// Writes a sibling file and renames it over path, so path is either old or complete.
bool write_atomically(const std::string &path, const std::vector<std::uint8_t> &bytes) {
    const std::string temporary = path + ".exomizer-" + std::to_string(getpid());
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            std::cerr << "exomizer: cannot write " << temporary << "\n";
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::cerr << "exomizer: cannot replace " << path << ": " << error.message() << "\n";
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    const auto arguments = parse_arguments(argc, argv);
    if (!arguments) {
        return 1;
    }
    const auto input = read_file(arguments->input);
    if (!input) {
        return 1;
    }
    const auto output = make_self_starting(*input, arguments->start);
    if (!output || !write_atomically(arguments->output, *output)) {
        return 1;
    }
    return 0;
}
