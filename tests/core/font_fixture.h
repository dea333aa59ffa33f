// Shared pieces of the font tests: a scratch folder, file contents, and the
// fonts the test set-up installs (DejaVu Sans, WenQuanYi Micro Hei).
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "font/font_canvas.h"

namespace varnalux::testing {

inline constexpr const char* LatinFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr const char* CjkFontFile = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/varnalux-font-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "";
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      names.push_back(e.path().filename().string());
    return names;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline int U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
inline uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// A packed glyph: w x h pixels, rows of (w + 7) / 8 bytes.
struct Bitmap {
  int w = 0;
  int h = 0;
  std::vector<uint8_t> bytes;
  bool At(int x, int y) const {
    const int stride = (w + 7) / 8;
    return (bytes[static_cast<size_t>(y * stride + x / 8)] >> (7 - x % 8)) & 1;
  }
  int Ink() const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += At(x, y);
    return n;
  }
};

}  // namespace varnalux::testing
