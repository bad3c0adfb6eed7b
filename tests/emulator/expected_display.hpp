#pragma once
// What the viewer should show, computed independently of it: the colour index of every pixel of
// the editor's display (416 x 296) for the test picture and sprites.

#include "viewer_program.hpp"

#include <cstdint>
#include <vector>

struct ExpectedDisplay {
    std::vector<std::uint8_t> colours; // display_width * display_height, row by row
};

// Display position of sprite i's top-left pixel: row i / 4, column i % 4 (two per border).
int sprite_display_x(unsigned index);
int sprite_display_y(unsigned index);

ExpectedDisplay expected_display_mc(const TestMcPicture &picture, const TestSprites &sprites,
                                    bool with_sprites);
// charset_rom: the 4096-byte character generator ROM.
ExpectedDisplay expected_display_petscii(const TestPetsciiPicture &picture,
                                         const TestSprites &sprites,
                                         const std::vector<std::uint8_t> &charset_rom,
                                         bool with_sprites);
