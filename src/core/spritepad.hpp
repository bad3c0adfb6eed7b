#pragma once
// SpritePad's own files, which carry the sprite colours: version 1.x (three colour bytes, then
// 64-byte slots, no load address) and SPD (a header with the "SPD" magic and a version byte,
// the slots, then animations). Each slot is 63 bitmap bytes and an attribute byte: colour in
// bits 0-3, multicolour in bit 7.

#include <glib.h>

#include <cstdint>
#include <span>
#include <vector>

constexpr std::uint8_t spritepad_attribute_multicolor_bit = 0x80;
constexpr const char *spritepad_v1_extension = ".spr"; // what SpritePad names its 1.x files
constexpr std::uint8_t spritepad_attribute_colour_mask = 0x0f;

// The colours and sprite slots of a SpritePad file, pointing into the file's bytes.
struct SpritePadSheet {
    std::uint8_t background;
    std::uint8_t multicolor1;            // bit pair 01
    std::uint8_t multicolor2;            // bit pair 11
    std::span<const std::uint8_t> slots; // 64 bytes a sprite
    unsigned count;
};

// Whether the bytes are meant as a SpritePad file: the SPD magic, or the length of a 1.x file.
bool spritepad_is_spritepad(std::span<const std::uint8_t> bytes);
// Reads the colours and slots; FALSE with error set for an SPD version whose layout is not known
// or a file that ends before its last slot.
gboolean spritepad_read_sheet(std::span<const std::uint8_t> bytes, SpritePadSheet *sheet,
                              GError **error);
// A SpritePad 1.x file of the colours and the slots (63 bitmap bytes and an attribute byte each).
std::vector<std::uint8_t> spritepad_write_v1(std::uint8_t background, std::uint8_t multicolor1,
                                             std::uint8_t multicolor2,
                                             std::span<const std::uint8_t> slots);
