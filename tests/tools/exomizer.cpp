// Test stand-in for the Exomizer cruncher, found first on PATH by the tests. It accepts the
// command line the editor uses, "exomizer sfx <start> <in> -o <out> -n", and writes <out> as the
// program behind a BASIC line "SYS <start>": self-starting like Exomizer's output, not packed.

#include "../common.hpp"
#include "core/executable.hpp"

#include <cstdlib>
#include <iostream>

int main(int argc, char **argv) {
    if (argc != 7 || std::string_view(argv[1]) != "sfx" || std::string_view(argv[4]) != "-o" ||
        std::string_view(argv[6]) != "-n") {
        std::cerr << "exomizer: usage: exomizer sfx <start> <in> -o <out> -n\n";
        return 1;
    }
    char *end = nullptr;
    const long start = std::strtol(argv[2], &end, 0);
    const Bytes output =
        executable_make_self_starting(read_bytes(argv[3]), static_cast<int>(start));
    if (*end != '\0' || output.empty()) {
        std::cerr << "exomizer: " << argv[3] << " is no program that can start at " << argv[2]
                  << "\n";
        return 1;
    }
    write_file(argv[5], output);
    return 0;
}
