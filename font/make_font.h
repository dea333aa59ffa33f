// The font generator: draws every code of a request with its canvas and
// writes the printer's bitmap font file.
//
// File layout (numbers little-endian): a 32-byte header, an index table of
// 6 bytes per glyph when header byte 3 is 1, then one record per glyph
// (a 16-bit width in variable-pitch fonts, then the bitmap rows).
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "font/font_canvas.h"
#include "font/font_request.h"
#include "font/glyph_gaps.h"

namespace varnalux {

// How a make ended. The page shows "Make Font Error" for any code but 0.
using MakeFontCode = int32_t;
inline constexpr MakeFontCode MakeFontOk = 0;
inline constexpr MakeFontCode MakeFontRefused = 1;     // request out of range
inline constexpr MakeFontCode MakeFontNoCanvas = 2;    // no canvas or no font selected
inline constexpr MakeFontCode MakeFontBadEncoding = 3; // code page cannot be decoded
inline constexpr MakeFontCode MakeFontFileError = 4;   // file not created or not written
inline constexpr MakeFontCode MakeFontLeftOut = 5;     // GapRule::Refuse and codes left out

// "Make Font Error" (or "" for MakeFontOk).
const char* MakeFontMessage(MakeFontCode code);

// Progress, 0..100, reported after every glyph of single-byte and table
// fonts and after every first byte of a complete Asian set. The caller
// shows it ("Making font...") and lets its user interface breathe.
using FontProgress = std::function<void(int percent)>;

// Makes the file request.fileName. The previous file at that path is only
// replaced when the whole new file has been written.
MakeFontCode MakeFont(const FontRequest& request, const FontProgress& progress = {});
// The same, counting into gaps (reset first) what the font left out; with
// GapRule::Refuse a font that left anything out is not written
// (MakeFontLeftOut, the counts complete).
MakeFontCode MakeFont(const FontRequest& request, const FontProgress& progress, GlyphGaps& gaps,
                      GapRule rule);

// The 32 header bytes for a (working copy of a) request.
std::array<uint8_t, 32> BuildFontHeader(const FontRequest& request);

// Why a request cannot be made, checked before anything is drawn: MakeFontOk
// or MakeFontRefused (range outside 0..255 or end before start, variable
// pitch for a complete Asian set, cell sides outside 0..2048 or a glyph
// bitmap over GlyphBufferSize, table codes missing, a glyph count over 65535).
MakeFontCode CheckFontRequest(const FontRequest& request);

}  // namespace varnalux
