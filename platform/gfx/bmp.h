// Windows bitmap files: core (OS/2) and info headers (v3, v4, v5 and the
// 52/56-byte variants); 1, 4, 8, 16, 24 and 32 bits; uncompressed, RLE4,
// RLE8 and bit fields; bottom-up and top-down.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/gfx/surface.h"

namespace platform {

// Largest picture accepted: per side and in total.
constexpr int kMaxBmpSide = 16384;
constexpr int64_t kMaxBmpPixels = int64_t{1} << 22;  // 16 MiB of pixels

// Decodes a whole file's bytes. Anything truncated, oversized, inconsistent
// or of a kind the loader does not read gives an empty (0x0) surface.
Surface DecodeBmp(const uint8_t* data, size_t size);
// Reads and decodes a file; a missing or unreadable file is 0x0 too.
Surface LoadBmpFile(const std::string& path);

}  // namespace platform
