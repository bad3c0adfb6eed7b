#pragma once
// The editing surface at zoom 1, one screen pixel per C64 pixel: the 320x200 display window,
// the opened upper and lower borders, the side borders beside that column, the sprite list of
// 8 sprites across at twice the zoom, and the colour strips.

inline constexpr int picture_width = 320;
inline constexpr int picture_height = 200;
inline constexpr int open_border_height = 48;
inline constexpr int side_border_width = 48;
inline constexpr int side_border_height = 296;
inline constexpr int sprite_list_width = 384;
inline constexpr int sprite_list_start_height = 294; // the window's first size
inline constexpr int sprite_list_height = 210;       // the height every zoom works from
inline constexpr int palette_strip_width = 256;
inline constexpr int palette_strip_height = 16;
inline constexpr int swatch_size = 16;
