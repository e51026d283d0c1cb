// Text on surfaces: monochrome glyphs from the two Japanese faces, cached.
// Texts are UTF-8. A position is the top-left corner of the text's cell,
// whose height is the font size in pixels.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/gfx/surface.h"

namespace platform {

enum class FontFace {
  Mincho = 0,  // game text (IPAMincho)
  Gothic = 1,  // dialogs and message boxes (IPAGothic)
};

struct Font {
  FontFace face = FontFace::Mincho;
  int size = 12;  // cell height in pixels
  bool bold = false;
  bool italic = false;
};

// Draws the text in one line without a background; clipped to the surface.
// Returns the pen advance in pixels (0 when no font could be opened).
int TextOut(Surface& dst, int x, int y, const std::string& utf8, uint32_t colorRef,
            const Font& font);
// The width TextOut would advance, without drawing.
int MeasureText(const std::string& utf8, const Font& font);
// The same drawing as TextOut, but opening the face and rasterising every
// glyph anew on each call (the yardstick for the glyph cache).
int TextOutUncached(Surface& dst, int x, int y, const std::string& utf8, uint32_t colorRef,
                    const Font& font);

// Bytes the text takes in Shift-JIS (code page 932): ASCII and half-width
// katakana count 1, every other character 2, a malformed UTF-8 byte 1.
int ShiftJisLength(const std::string& utf8);
// Decodes one character at pos and advances pos; a malformed byte decodes
// as U+FFFD and advances by one.
char32_t NextCodePoint(const std::string& utf8, size_t& pos);

// The file behind a face ("" when none could be found), and whether text in
// it can be drawn at all.
std::string FontPath(FontFace face);
bool FontAvailable(FontFace face);
// Makes the face use this file instead of the one found by family name (an
// empty path: no font at all); tests use it for missing and broken fonts.
// Clears the glyph cache.
void OverrideFontPath(FontFace face, const std::string& path);
// Goes back to finding the face by family name.
void ResetFontPath(FontFace face);
// Empties the glyph cache (tests and benchmarks).
void ClearGlyphCache();

}  // namespace platform
