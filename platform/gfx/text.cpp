// Monochrome text through FreeType. Each glyph is rendered once per face,
// size, weight, slant and character and kept as horizontal runs, so drawing
// a text is a handful of short fills. One mutex guards FreeType and the
// cache: the game thread and the window thread both draw text.
#include "platform/gfx/text.h"

#ifdef QM_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include <unistd.h>

namespace platform {

namespace {

constexpr int kMinSize = 1, kMaxSize = 512;
constexpr size_t kMaxCachedGlyphs = 1 << 16;

struct FaceInfo {
  const char* family;
  const char* file;
  const char* packagePath;
};
constexpr FaceInfo kFaces[2] = {
    {"IPAMincho", "qm-mincho.ttf", "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"},
    {"IPAGothic", "qm-gothic.ttf", "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"},
};

struct Run {
  int16_t dy;  // row below the top of the cell
  int16_t x;   // first pixel, relative to the pen
  int16_t len;
};

struct Glyph {
  int advance = 0;
  std::vector<Run> runs;
};

bool Readable(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

#ifdef QM_HAVE_FONTCONFIG
// The file fontconfig gives for the family, if it really is that family.
std::string FontconfigFile(const FaceInfo& info) {
  std::string found;
  static const bool fcReady = [] {
    if (!FcInit()) return false;
    // Hand fontconfig's configuration back at exit, so that leak checkers
    // see only what is really lost.
    std::atexit([] { FcFini(); });
    return true;
  }();
  if (fcReady) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(info.family));
    if (pattern) {
      FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult result = FcResultNoMatch;
      FcPattern* match = FcFontMatch(nullptr, pattern, &result);
      if (match) {
        bool sameFamily = false;
        FcChar8* family = nullptr;
        for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i)
          if (std::string(reinterpret_cast<const char*>(family)) == info.family) sameFamily = true;
        FcChar8* file = nullptr;
        if (sameFamily && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
          found = reinterpret_cast<const char*>(file);
        FcPatternDestroy(match);
      }
      FcPatternDestroy(pattern);
    }
  }
  return found;
}
#endif

// Where the face is: fontconfig's answer where the build has it; else the
// copy in the data folder's fonts/ (the page ships one cut down to the
// glyphs the game draws); else the package's own file.
std::string LookUpFont(const FaceInfo& info) {
#ifdef QM_HAVE_FONTCONFIG
  const std::string found = FontconfigFile(info);
  if (Readable(found)) return found;
#endif
  const std::string shipped = std::string("fonts/") + info.file;
  if (Readable(shipped)) return shipped;
  if (Readable(info.packagePath)) return info.packagePath;
  return "";
}

// Everything below is touched only with g_mutex held.
std::mutex g_mutex;
FT_Library g_library = nullptr;
bool g_libraryFailed = false;
std::optional<std::string> g_path[2];  // resolved lazily
FT_Face g_face[2] = {nullptr, nullptr};
bool g_faceFailed[2] = {false, false};
std::unordered_map<uint64_t, Glyph> g_cache;

// Whole texts as they were last laid out: the runs of all their glyphs,
// placed from the start of the text. A HUD line that does not change is then
// one walk over its runs, with no decoding or look-up per character. Keyed
// by the font's glyph key (character 0) and the text.
struct LineRun {
  int16_t dy;
  int16_t len;
  int64_t x;  // first pixel, relative to the text's start
};
// A line drawn a second time in the same colour is also kept as a picture of
// its ink: a mask (0 on ink, all ones elsewhere) and the ink in each of its
// two latest colours (a shadowed text is drawn black, then in its colour), so
// that drawing it again is one masked transfer instead of a fill per run.
// Runs overwrite in one colour, so the transfer gives the same pixels. Texts
// that change every frame (a rolling score) never get that far.
struct LinePicture {
  int64_t left = 0, top = 0;  // of the runs' bounding box, from the text's start
  Surface mask;
  Surface image[2];
  uint32_t px[2] = {};  // the colour in each image
  int next = 0;         // the image a new colour replaces
};
struct Line {
  int64_t advance = 0;
  std::vector<LineRun> runs;
  uint32_t drawnIn[2] = {};  // the colours of its latest draws (`draws` of them), before a picture
  int draws = 0;
  std::unique_ptr<LinePicture> picture;
};
constexpr size_t kMaxCachedLines = 1024;
// All pictures together hold at most this many pixels (a mask and two
// images of four bytes each: 512 kB), about four times what the HUD and the
// banner of one frame need; past it they are all dropped and made again as
// their lines come back, so that game after game the memory stays put. A
// line that would need more than all of it gets none.
constexpr int64_t kMaxPicturePixels = int64_t{1} << 17;
int64_t g_picturePixels = 0;
std::unordered_map<std::string, Line> g_lines;

FT_Library Library() {
  if (!g_library && !g_libraryFailed && FT_Init_FreeType(&g_library) != 0) {
    g_library = nullptr;
    g_libraryFailed = true;
  }
  return g_library;
}

const std::string& PathLocked(FontFace face) {
  const int i = static_cast<int>(face);
  if (!g_path[i]) g_path[i] = LookUpFont(kFaces[i]);
  return *g_path[i];
}

FT_Face OpenFace(const std::string& path) {
  FT_Library lib = Library();
  if (!lib || path.empty()) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) return nullptr;
  if (!FT_IS_SCALABLE(face) && face->num_fixed_sizes == 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  return face;
}

FT_Face FaceLocked(FontFace which) {
  const int i = static_cast<int>(which);
  if (!g_face[i] && !g_faceFailed[i]) {
    g_face[i] = OpenFace(PathLocked(which));
    if (!g_face[i]) g_faceFailed[i] = true;
  }
  return g_face[i];
}

void DropFaceLocked(FontFace which) {
  const int i = static_cast<int>(which);
  if (g_face[i]) FT_Done_Face(g_face[i]);
  g_face[i] = nullptr;
  g_faceFailed[i] = false;
  g_cache.clear();
  g_lines.clear();
  g_picturePixels = 0;
}

uint64_t Key(const Font& font, int size, char32_t cp) {
  return (uint64_t{static_cast<uint32_t>(font.face) & 1} << 63) |
         (uint64_t{font.bold} << 62) | (uint64_t{font.italic} << 61) |
         (uint64_t(static_cast<uint32_t>(size)) << 32) | uint64_t{cp};
}

// Renders one glyph of the face at the size; bold and italic are made from
// the regular outline when the face has no such style of its own.
Glyph Rasterise(FT_Face face, int size, bool bold, bool italic, char32_t cp) {
  Glyph g;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) return g;
  const bool synthBold = bold && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  const bool synthItalic = italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  if (synthItalic) {
    FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees to the right
    FT_Set_Transform(face, &shear, nullptr);
  } else {
    FT_Set_Transform(face, nullptr, nullptr);
  }
  FT_Int32 flags = FT_LOAD_TARGET_MONO;
  if (synthBold || synthItalic) flags |= FT_LOAD_NO_BITMAP;
  const FT_Error loaded = FT_Load_Char(face, cp, flags);
  FT_Set_Transform(face, nullptr, nullptr);
  if (loaded != 0) return g;
  FT_GlyphSlot slot = face->glyph;
  // Strokes one pixel wider at game sizes, proportionally more when large.
  // The pen still moves on by the face's own advance: both faces are
  // fixed-pitch, and text is laid out in their cells (a bold label of six
  // columns lines up with any other, "FPS 1000" ends inside the screen), so
  // the wider stroke stays within its cell as in a fixed-pitch bold.
  if (synthBold && slot->format == FT_GLYPH_FORMAT_OUTLINE)
    FT_Outline_EmboldenXY(&slot->outline, std::max(1, (size + 12) / 24) * 64, 0);
  g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
  if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
    return g;
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pitch < 0 || !bm.buffer) return g;
  const bool mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
  if (!mono && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return g;

  // The baseline sits where the face's ascent puts it in a cell of `size`.
  const long span = face->ascender - face->descender;
  const int ascent = span > 0 ? static_cast<int>(std::lround(double(size) * face->ascender / span))
                              : size * 4 / 5;
  for (unsigned row = 0; row < bm.rows; ++row) {
    const unsigned char* p = bm.buffer + static_cast<size_t>(row) * bm.pitch;
    const int dy = ascent - slot->bitmap_top + static_cast<int>(row);
    int start = -1;
    for (unsigned col = 0; col <= bm.width; ++col) {
      bool on = false;
      if (col < bm.width) on = mono ? (p[col >> 3] >> (7 - (col & 7))) & 1 : p[col] >= 128;
      if (on && start < 0) start = static_cast<int>(col);
      if (!on && start >= 0) {
        g.runs.push_back(Run{static_cast<int16_t>(dy),
                             static_cast<int16_t>(slot->bitmap_left + start),
                             static_cast<int16_t>(static_cast<int>(col) - start)});
        start = -1;
      }
    }
  }
  return g;
}

int ClampSize(int size) { return size < kMinSize || size > kMaxSize ? 0 : size; }

void DrawGlyph(Surface& dst, int64_t penX, int64_t y, const Glyph& g, uint32_t px) {
  for (const Run& r : g.runs) {
    const int64_t yy = y + r.dy;
    if (yy < 0 || yy >= dst.height()) continue;
    int64_t x0 = penX + r.x, x1 = x0 + r.len;
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, dst.width());
    if (x0 >= x1) continue;
    std::fill(dst.row(static_cast<int>(yy)) + x0, dst.row(static_cast<int>(yy)) + x1, px);
  }
}

// Control characters take no room and draw nothing.
bool Drawable(char32_t cp) { return cp >= 0x20 && cp != 0x7F; }

// The line's picture in colour px, made if it has none in that colour yet;
// null when it is not to have one.
const Surface* LinePictureIn(Line& line, uint32_t px) {
  for (int i = 0; line.picture && i < 2; ++i) {
    const Surface& image = line.picture->image[i];
    if (!image.empty() && line.picture->px[i] == px) return &image;
  }
  if (!line.picture) {
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (const LineRun& r : line.runs) {
      left = std::min(left, r.x), right = std::max(right, r.x + r.len);
      top = std::min<int64_t>(top, r.dy), bottom = std::max<int64_t>(bottom, r.dy + 1);
    }
    // The width alone first, so that the area of a very long text cannot overflow.
    if (line.runs.empty() || 3 * (right - left) > kMaxPicturePixels) return nullptr;
    const int64_t area = (right - left) * (bottom - top);
    if (3 * area > kMaxPicturePixels) return nullptr;
    if (g_picturePixels + 3 * area > kMaxPicturePixels) {
      for (auto& [text, other] : g_lines) other.picture.reset();
      g_picturePixels = 0;
    }
    g_picturePixels += 3 * area;
    auto p = std::make_unique<LinePicture>();
    p->left = left, p->top = top;
    p->mask = Surface(static_cast<int>(right - left), static_cast<int>(bottom - top));
    std::fill(p->mask.data(), p->mask.data() + area, 0xFFFFFFFFu);
    for (const LineRun& r : line.runs)
      std::fill_n(p->mask.row(static_cast<int>(r.dy - top)) + (r.x - left), r.len, 0u);
    line.picture = std::move(p);
  }
  LinePicture& p = *line.picture;
  Surface& image = p.image[p.next];
  p.px[p.next] = px, p.next ^= 1;
  image.Resize(p.mask.width(), p.mask.height());
  const int64_t area = int64_t{p.mask.width()} * p.mask.height();
  for (int64_t i = 0; i < area; ++i) image.data()[i] = p.mask.data()[i] ? 0u : px;
  return &image;
}

// Draws a line through its picture once it is drawn again in a colour; false
// when it is to be drawn run by run (a new colour, no picture, or a place out
// of range).
bool DrawLinePicture(Surface& dst, int x, int y, Line& line, uint32_t px) {
  const uint32_t *drawn = line.drawnIn, *drawnEnd = drawn + line.draws;
  if (!line.picture && std::find(drawn, drawnEnd, px) == drawnEnd) {
    line.drawnIn[1] = line.drawnIn[0], line.drawnIn[0] = px;  // the newest first
    line.draws = std::min(line.draws + 1, 2);
    return false;
  }
  const Surface* image = LinePictureIn(line, px);
  if (!image) return false;
  const LinePicture& p = *line.picture;
  const int64_t dx = int64_t{x} + p.left, dy = int64_t{y} + p.top;
  if (dx < INT32_MIN || dx > INT32_MAX || dy < INT32_MIN || dy > INT32_MAX) return false;
  return BlitMasked(dst, static_cast<int>(dx), static_cast<int>(dy), p.mask.width(),
                    p.mask.height(), p.mask, *image);
}

// Draws (when dst is given) or measures the text with cached glyphs.
int RunCached(Surface* dst, int x, int y, const std::string& utf8, uint32_t colorRef,
              const Font& font) {
  const int size = ClampSize(font.size);
  if (!size) return 0;
  const uint32_t px = ColorRefToPixel(colorRef & 0xFFFFFF);
  std::lock_guard<std::mutex> lock(g_mutex);
  FT_Face face = FaceLocked(font.face);
  if (!face) return 0;
  static std::string lineKey;  // reused under the mutex: no allocation per text
  const uint64_t fontKey = Key(font, size, 0);
  lineKey.assign(reinterpret_cast<const char*>(&fontKey), sizeof fontKey);
  lineKey += utf8;
  auto line = g_lines.find(lineKey);
  if (line == g_lines.end()) {
    Line l;
    for (size_t pos = 0; pos < utf8.size();) {
      const char32_t cp = NextCodePoint(utf8, pos);
      if (!Drawable(cp)) continue;
      const uint64_t key = Key(font, size, cp);
      auto it = g_cache.find(key);
      if (it == g_cache.end()) {
        if (g_cache.size() >= kMaxCachedGlyphs) g_cache.clear();
        it = g_cache.emplace(key, Rasterise(face, size, font.bold, font.italic, cp)).first;
      }
      for (const Run& r : it->second.runs) l.runs.push_back({r.dy, r.len, l.advance + r.x});
      l.advance += it->second.advance;
    }
    if (g_lines.size() >= kMaxCachedLines) g_lines.clear(), g_picturePixels = 0;
    line = g_lines.emplace(lineKey, std::move(l)).first;
  }
  if (dst && !DrawLinePicture(*dst, x, y, line->second, px)) {
    for (const LineRun& r : line->second.runs) {
      const int64_t yy = int64_t{y} + r.dy;
      if (yy < 0 || yy >= dst->height()) continue;
      int64_t x0 = int64_t{x} + r.x, x1 = x0 + r.len;
      x0 = std::max<int64_t>(x0, 0);
      x1 = std::min<int64_t>(x1, dst->width());
      if (x0 >= x1) continue;
      std::fill(dst->row(static_cast<int>(yy)) + x0, dst->row(static_cast<int>(yy)) + x1, px);
    }
  }
  return static_cast<int>(std::clamp<int64_t>(line->second.advance, INT32_MIN, INT32_MAX));
}

}  // namespace

char32_t NextCodePoint(const std::string& s, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b0 = byte(pos);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int len = 0;
  char32_t cp = 0, min = 0;
  if ((b0 & 0xE0) == 0xC0) { len = 2; cp = b0 & 0x1F; min = 0x80; }
  else if ((b0 & 0xF0) == 0xE0) { len = 3; cp = b0 & 0x0F; min = 0x800; }
  else if ((b0 & 0xF8) == 0xF0) { len = 4; cp = b0 & 0x07; min = 0x10000; }
  if (len == 0 || pos + len > s.size()) {
    ++pos;
    return 0xFFFD;
  }
  for (int i = 1; i < len; ++i) {
    const unsigned char b = byte(pos + i);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return 0xFFFD;
  }
  pos += len;
  return cp;
}

int ShiftJisLength(const std::string& utf8) {
  int64_t n = 0;
  for (size_t pos = 0; pos < utf8.size();) {
    const size_t before = pos;
    const char32_t cp = NextCodePoint(utf8, pos);
    const bool malformed = cp == 0xFFFD && pos == before + 1 &&
                           static_cast<unsigned char>(utf8[before]) >= 0x80;
    if (cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F) || malformed) n += 1;
    else n += 2;
  }
  return static_cast<int>(std::min<int64_t>(n, INT32_MAX));
}

int TextOut(Surface& dst, int x, int y, const std::string& utf8, uint32_t colorRef,
            const Font& font) {
  return RunCached(&dst, x, y, utf8, colorRef, font);
}

int MeasureText(const std::string& utf8, const Font& font) {
  return RunCached(nullptr, 0, 0, utf8, 0, font);
}

int TextOutUncached(Surface& dst, int x, int y, const std::string& utf8, uint32_t colorRef,
                    const Font& font) {
  const int size = ClampSize(font.size);
  if (!size) return 0;
  const uint32_t px = ColorRefToPixel(colorRef & 0xFFFFFF);
  std::lock_guard<std::mutex> lock(g_mutex);
  FT_Face face = OpenFace(PathLocked(font.face));
  if (!face) return 0;
  int64_t pen = x;
  for (size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, pos);
    if (!Drawable(cp)) continue;
    const Glyph g = Rasterise(face, size, font.bold, font.italic, cp);
    DrawGlyph(dst, pen, y, g, px);
    pen += g.advance;
  }
  FT_Done_Face(face);
  return static_cast<int>(std::clamp<int64_t>(pen - x, INT32_MIN, INT32_MAX));
}

std::string FontPath(FontFace face) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return PathLocked(face);
}

bool FontAvailable(FontFace face) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return FaceLocked(face) != nullptr;
}

void OverrideFontPath(FontFace face, const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  DropFaceLocked(face);
  g_path[static_cast<int>(face)] = path;
}

void ResetFontPath(FontFace face) {
  std::lock_guard<std::mutex> lock(g_mutex);
  DropFaceLocked(face);
  g_path[static_cast<int>(face)].reset();
}

void ClearGlyphCache() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_cache.clear();
  g_lines.clear();
  g_picturePixels = 0;
}

}  // namespace platform
