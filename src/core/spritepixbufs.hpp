#pragma once
// 24x21 RGBA images of single sprites in the current palette.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>

GdkPixbuf *spritepixbufs_new_pixbuf();
void spritepixbufs_set_pixbuf_data_from_sprite_data_mono(GdkPixbuf *image, const std::uint8_t *data,
                                                         std::uint8_t background,
                                                         std::uint8_t colour,
                                                         std::int32_t transparent);
void spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(GdkPixbuf *image,
                                                               const std::uint8_t *data,
                                                               const std::uint8_t *colours,
                                                               std::int32_t transparent);
