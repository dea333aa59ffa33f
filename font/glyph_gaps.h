// What a font making left out: codes that are not wholly characters of the
// code page and characters the font has no glyph for (control characters,
// which have no picture, do not count). Both are drawn blank (or, for a pair, only the part that
// is there), so the font is complete in size but not in ink; the counts let
// the page and the command-line tool say so.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "font/font_canvas.h"

namespace varnalux {

// How many codes of each kind are named in a report.
inline constexpr size_t MaxGapExamples = 8;

struct GlyphGaps {
  int glyphs = 0;     // glyphs written
  int undecoded = 0;  // codes not wholly characters of the code page
  int missing = 0;    // codes whose characters the font lacks (decoded ones)
  std::vector<std::string> undecodedCodes;  // the first ones, in hex ("8D", "A1A2")
  std::vector<std::string> missingCodes;

  int LeftOut() const { return undecoded + missing; }
  // What a strict making refuses. Characters the font lacks always count.
  // Codes the code page does not assign count only where the user listed
  // them (an encoding table): in a range or a complete Asian set they are
  // holes of the layout itself, which no font can fill, and refusing them
  // would refuse every such font.
  int Refused(bool userListed) const { return missing + (userListed ? undecoded : 0); }
  // Counts one drawn glyph of a code of one or two bytes.
  void Note(const GlyphSize& glyph, const uint8_t* code, int length) {
    ++glyphs;
    if (!glyph.decoded || !glyph.inFont) NoteGap(glyph, code, length);
  }

 private:
  void NoteGap(const GlyphSize& glyph, const uint8_t* code, int length);
};

// What to do with a font that left something out.
enum class GapRule {
  Keep,    // write it (the missing parts are blank)
  Refuse,  // write nothing; the previous file stays
};

// A sentence for the user, "" when nothing was left out, such as
// "5 of 224 codes are drawn blank or in part: not characters of code page
// 1252: 5 (81 8D 8F 90 9D)." The font's family names it in the missing part.
std::string DescribeGlyphGaps(const GlyphGaps& gaps, int codePage, const std::string& family);

}  // namespace varnalux
