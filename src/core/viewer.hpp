#pragma once
// The four C64 viewer programs carried in exported executables, with the offsets of the bytes
// that the exporter patches. Code and offsets come from the assembled viewer sources.

#include <array>
#include <cstdint>

constexpr std::size_t viewer_template_size = 2848;
constexpr unsigned viewer_no_patch = 0xFFFF; // sprite colours that have no patch point

struct ViewerTemplate {
    const std::array<std::uint8_t, viewer_template_size> &code;
    std::uint16_t load_address;
    // Offsets into code of immediate operands that the exporter overwrites.
    std::uint16_t patch_multicolor0;
    std::uint16_t patch_multicolor1;
    std::uint16_t patch_multicolor_mask;
    std::array<std::uint16_t, 40> patch_sprite_color; // viewer_no_patch for 20-23 and 32-35
    // PETSCII only: $D018 values $14 and $24, and the low bytes of the $CFF2 store bases,
    // rewritten for the lower case character set. Unused by the multicolour viewers.
    std::array<std::uint16_t, 6> patch_lowercase_14;
    std::array<std::uint16_t, 7> patch_lowercase_24;
    std::array<std::uint16_t, 3> patch_lowercase_f2;
    // The low bytes of the last raster line of each video standard the viewer is timed for; a
    // machine whose frame ends elsewhere sees the picture with closed borders.
    std::uint16_t frame_last_lines;
};

extern const ViewerTemplate code_sidewell_mc;
extern const ViewerTemplate code_sidewell_mc_with_flicker;
extern const ViewerTemplate code_sidewell_petscii;
extern const ViewerTemplate code_sidewell_petscii_with_flicker;
