// How a reader hands its pixels over: it asks for the bytes of picture row y (0 = top) and
// writes 3 x width bytes there, blue, green, red per pixel. The rows belong to the caller and
// must stay valid until the reader returns.
#pragma once

#include "picture/PixelLayout.h"

#include <cstdint>
#include <functional>

using PictureRowAt = std::function<std::uint8_t *(int y)>;
