#pragma once
// Complete viewer program files, laid out as the editor exports them: the patched template, the
// picture data and the 40 sprites behind it, as a C64 program file (load address first).

#include "core/viewer.hpp"

#include <array>
#include <cstdint>
#include <vector>

constexpr unsigned test_sprite_count = 40;
constexpr unsigned test_sprite_bytes = 63;

struct TestSprites {
    std::array<std::array<std::uint8_t, test_sprite_bytes>, test_sprite_count> bitmaps{};
    std::array<std::uint8_t, test_sprite_count> colours{};
    std::array<bool, 4> multicolour{}; // sprites 0-3: one flag per sprite column
    std::uint8_t multicolour0 = 0;
    std::uint8_t multicolour1 = 0;
};

struct TestMcPicture {
    std::array<std::uint8_t, 8000> bitmap{};
    std::array<std::uint8_t, 1000> screen{};
    std::array<std::uint8_t, 1000> colour{};
    std::uint8_t background = 0;
};

struct TestPetsciiPicture {
    std::array<std::uint8_t, 1000> screen{};
    std::array<std::uint8_t, 1000> colour{};
    std::uint8_t background = 0;
    bool lower_case = false;
};

// Start addresses the exporter hands to the cruncher.
constexpr std::uint16_t mc_program_start = 0x3400;
constexpr std::uint16_t petscii_program_start = 0x2000;

std::vector<std::uint8_t> viewer_program_mc(const ViewerTemplate &viewer,
                                            const TestMcPicture &picture,
                                            const TestSprites &sprites);
std::vector<std::uint8_t> viewer_program_petscii(const ViewerTemplate &viewer,
                                                 const TestPetsciiPicture &picture,
                                                 const TestSprites &sprites);
