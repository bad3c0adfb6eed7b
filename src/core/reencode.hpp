#pragma once
// Re-encodes a multicolour picture so that equal cells encode alike and pack better.

#include "core/hiresdecoder.hpp"

#include <cstdint>
#include <span>

// The picture as one colour index per double-wide pixel, rows top to bottom.
constexpr int reencode_image_width = 160;
constexpr int reencode_image_height = 200;

// Writes bitmap, screen_ram, color_ram and background_color of output; input is not modified.
void reencode_process_picture_mc(const PictureData *input, PictureData *output);
// Encodes such an image, whose 4x8 cells hold at most three colours besides background, by the
// same rules: writes bitmap, screen_ram, color_ram and background_color of output.
void reencode_process_image_mc(std::span<const std::uint8_t> image, std::uint8_t background,
                               PictureData *output);
