#include "app/cli/cli_png.h"

#include <png.h>

#include <csetjmp>
#include <vector>

#include "base/atomic_file.h"

namespace varnalux {

namespace {

void WriteToFile(png_structp png, png_bytep data, png_size_t length) {
  static_cast<AtomicFile*>(png_get_io_ptr(png))->Write(data, length);
}

void FlushNothing(png_structp) {}

// Runs libpng; everything with a destructor lives in the caller, so the
// error jump leaves nothing behind.
bool Encode(AtomicFile& file, int width, int height,
            const std::function<void(int, uint8_t*)>& draw, uint8_t* row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_set_write_fn(png, &file, WriteToFile, FlushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    draw(y, row);
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WriteGreyPng(const std::string& path, int width, int height,
                  const std::function<void(int, uint8_t*)>& draw, std::string& error) {
  if (width <= 0 || height <= 0) {
    error = "empty picture";
    return false;
  }
  AtomicFile file;
  if (!file.Open(path)) {
    error = "cannot create the file";
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(width), 0xFF);
  if (!Encode(file, width, height, draw, row.data())) {
    error = "cannot encode the picture";
    return false;
  }
  if (!file.Commit()) {
    error = "cannot write the file";
    return false;
  }
  return true;
}

}  // namespace varnalux
