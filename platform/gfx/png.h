// PNG files of surfaces: screenshots and frame captures.
#pragma once
#include <string>

#include "platform/gfx/surface.h"

namespace platform {

// Writes the surface as an 8-bit RGB PNG. False when the surface is empty or
// the file cannot be written (a partly written file is removed).
bool WritePng(const Surface& surface, const std::string& path);
// Reads a PNG file (any colour type libpng can expand to 8-bit RGB) into a
// surface; false and an empty surface when the file is missing or malformed.
bool ReadPng(const std::string& path, Surface& out);

}  // namespace platform
