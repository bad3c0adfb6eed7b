#pragma once
// Sprite files: a load address followed by 64-byte slots (63 bitmap bytes and an attribute byte),
// or SpritePad's own files (spritepad.hpp), told apart by what they hold.

#include <glib.h>

#include <cstdint>
#include <vector>

constexpr int sprites_attribute_format_ignore = 0;
constexpr int sprites_attribute_format_sprite_pad = 1;

// Returns 1 on success; 0 with error set and the store unchanged on failure.
int spritesdecoder_decode_sprites_file(const gchar *utf8_path, int attribute_byte_format,
                                       int initialise, GError **error);

// The sprites in use as a raw sprite file with Sprite Pad attribute bytes: each slot's byte
// holds the sprite's multicolour flag and colour.
std::vector<std::uint8_t> spritesdecoder_build_sprites_file();
// The same as a SpritePad 1.x file, which carries the background and the shared multicolours too,
// so the work goes back to SpritePad with its colours.
std::vector<std::uint8_t> spritesdecoder_build_spritepad_file();
// The file "save sprites" writes under the name: SpritePad 1.x for a name ending in ".spr",
// otherwise the raw sprite file.
std::vector<std::uint8_t> spritesdecoder_build_file_for_name(const gchar *utf8_path);
