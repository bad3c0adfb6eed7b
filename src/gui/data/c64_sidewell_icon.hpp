#pragma once
// The about box's 64x64 icon as XPM data, at most 16 colours.

extern const char *c64_sidewell_icon_xpm[];
