#pragma once
// Renders C64 screen data into RGBA images in the current palette.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>

// No bitmap: PETSCII. Bitmap without colour: hires. Bitmap and colour: multicolour.
// Returns a new image of (columns*8)x(rows*8) pixels, alpha 255 everywhere, or null.
GdkPixbuf *pixbufs_new_from_hires_opaque(const std::uint8_t *bitmap, const std::uint8_t *screen,
                                         const std::uint8_t *colour, std::uint8_t background,
                                         int columns, int rows);
