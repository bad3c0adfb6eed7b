#pragma once
// Self-running C64 program files: a viewer template patched with the sprite colours, the picture
// data and the 40 border sprites, each block at its C64 address; and the cruncher command that
// packs the file in place.

#include "core/hiresdecoder.hpp"

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

// Load and start addresses of the two layouts; the viewer sits at the load address.
constexpr int executable_start_address_mc = 0x3400;      // 13312
constexpr int executable_start_address_petscii = 0x2000; // 8192
constexpr std::size_t executable_size_mc = 19458;        // $3400-$7FFF plus the load address
constexpr std::size_t executable_size_petscii = 10754;   // $2000-$49FF plus the load address

constexpr int executable_transition_none = 0;
constexpr int executable_transition_flicker = 1; // any other value means none

// A program file under construction: blocks are placed at C64 addresses into a zero-filled
// memory image between the load address and end_address (exclusive).
struct ExecutableLinker {
    unsigned load_address;
    unsigned end_address;
    std::vector<std::uint8_t> file; // two-byte load address, then the memory image
    std::vector<std::pair<unsigned, unsigned>> placed; // [first, end) of every block so far
};

// Where a C64 address lands in a program file: after the two load-address bytes.
constexpr std::size_t executable_file_offset(unsigned load_address, unsigned address) {
    return address - load_address + 2;
}

ExecutableLinker executable_linker_new(unsigned load_address, unsigned end_address);
// Copies bytes to address. Refuses (false, error set, nothing written) a block that reaches
// outside the image or overlaps a block placed before.
gboolean executable_linker_place(ExecutableLinker *linker, unsigned address,
                                 std::span<const std::uint8_t> bytes, GError **error);

// The whole program file for a multicolour picture (formats 6-10) with the first 40 sprites of
// the store; transition picks the viewer; reencode passes the picture through the re-encoder
// first (the picture itself is not changed).
std::vector<std::uint8_t> executable_build_mc(const PictureData &picture, int transition,
                                              bool reencode);
// The same for a PETSCII picture (format 1); a non-zero charset selects the lower case set.
std::vector<std::uint8_t> executable_build_petscii(const PictureData &picture, int transition);

// The program for the picture's format (1 PETSCII, 6-10 multicolour) with its start address;
// no bytes and start address 0 for any other format, which has no viewer.
struct ExecutableProgram {
    std::vector<std::uint8_t> bytes;
    int start_address;
};
ExecutableProgram executable_build(const PictureData &picture, int transition, bool reencode);

// Writes the file in one piece, atomically replacing an existing file.
gboolean executable_write_file(const gchar *utf8_path, std::span<const std::uint8_t> bytes,
                               GError **error);

// The cruncher command for g_spawn_command_line_sync, packing path in place into a program
// that starts at start_address. path is in the GLib file name encoding, as the spawn expects;
// it is shell-quoted, so any name survives. The caller frees the result.
gchar *executable_cruncher_command_line(int start_address, const gchar *path);
// Runs the cruncher on the file and waits for it. FALSE with error set when it could not be
// started; otherwise its wait status in *wait_status and what it printed in *output.
gboolean executable_crunch_file(const gchar *utf8_path, int start_address, gint *wait_status,
                                std::string *output, GError **error);

// A program file that starts itself after LOAD and RUN: a BASIC line "SYS start_address" at
// $0801, then the program at its own load address, the gap zero-filled.
std::vector<std::uint8_t> executable_make_self_starting(std::span<const std::uint8_t> program,
                                                        int start_address);
