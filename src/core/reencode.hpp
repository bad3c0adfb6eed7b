#pragma once
// Re-encodes a multicolour picture so that equal cells encode alike and pack better.

#include "core/hiresdecoder.hpp"

// Writes bitmap, screen_ram, color_ram and background_color of output; input is not modified.
void reencode_process_picture_mc(const PictureData *input, PictureData *output);
