// Writes an 8-bit grey PNG row by row through the atomic file writer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace varnalux {

// draw(y, row) fills row y (width bytes). False with a reason in error; the
// file at path is then left as it was.
bool WriteGreyPng(const std::string& path, int width, int height,
                  const std::function<void(int, uint8_t*)>& draw, std::string& error);

}  // namespace varnalux
