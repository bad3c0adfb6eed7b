#include "core/palette.hpp"
