#include "font/glyph_gaps.h"

#include <cstdio>

namespace varnalux {

namespace {

std::string Hex(const uint8_t* code, int length) {
  char text[8];
  if (length == 2)
    snprintf(text, sizeof text, "%02X%02X", code[0], code[1]);
  else
    snprintf(text, sizeof text, "%02X", code[0]);
  return text;
}

// "what: 5 (81 8D ...)" with "..." after the list when there are more.
std::string Part(const std::string& what, int count, const std::vector<std::string>& codes) {
  std::string text = what + ": " + std::to_string(count) + " (";
  for (size_t i = 0; i < codes.size(); ++i) text += (i ? " " : "") + codes[i];
  if (static_cast<size_t>(count) > codes.size()) text += " ...";
  return text + ")";
}

}  // namespace

void GlyphGaps::NoteGap(const GlyphSize& glyph, const uint8_t* code, int length) {
  if (!glyph.decoded) {
    ++undecoded;
    if (undecodedCodes.size() < MaxGapExamples) undecodedCodes.push_back(Hex(code, length));
  } else {
    ++missing;
    if (missingCodes.size() < MaxGapExamples) missingCodes.push_back(Hex(code, length));
  }
}

std::string DescribeGlyphGaps(const GlyphGaps& gaps, int codePage, const std::string& family) {
  if (gaps.LeftOut() == 0) return "";
  std::string text = std::to_string(gaps.LeftOut()) + " of " + std::to_string(gaps.glyphs) +
                     " codes are drawn blank or in part: ";
  if (gaps.undecoded > 0)
    text += Part("not characters of code page " + std::to_string(codePage), gaps.undecoded,
                 gaps.undecodedCodes);
  if (gaps.missing > 0) {
    if (gaps.undecoded > 0) text += "; ";
    text += Part("characters the font " + (family.empty() ? std::string() : family + " ") +
                     "lacks",
                 gaps.missing, gaps.missingCodes);
  }
  return text + ".";
}

}  // namespace varnalux
