#pragma once
// The glyphs of the C64's two character sets as 8x8 images: off pixels in Pepto blue,
// on pixels in Pepto light blue.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>

// The C64's own text colours, light blue characters on a blue screen, always in Pepto: the
// PETSCII renderer tells on from off pixels by them.
constexpr int c64pixbufs_off_colour = 6;
constexpr int c64pixbufs_on_colour = 14;

// Builds both sets; the getters build them too if this has not run yet.
void c64pixbufs_module_init();
// 1 selects the upper case/graphics set, any other value the lower case set.
void c64pixbuf_set_case(int set_uppercase);
// Glyphs are lent: callers neither release nor modify them.
GdkPixbuf *c64pixbufs_get_char_at_index(std::uint8_t screen_code);
GdkPixbuf *c64pixbufs_get_uppercase_char_at_index(std::uint8_t screen_code);
GdkPixbuf *c64pixbufs_get_lowercase_char_at_index(std::uint8_t screen_code);
