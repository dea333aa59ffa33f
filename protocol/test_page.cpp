#include "protocol/test_page.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace varnalux {

namespace {

// Truncation toward zero. Values beyond the 32-bit range (absurd paper sizes)
// are clamped and NaN gives 0, so the conversion is always defined.
int64_t Trunc(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int64_t>(value);
}

void Append(std::string& out, const char* format, auto... values) {
  char line[160];
  int n = snprintf(line, sizeof line, format, values...);
  if (n > 0) out.append(line, static_cast<size_t>(n) < sizeof line ? n : sizeof line - 1);
}

}  // namespace

std::string BuildTestPageProgram(const TestPageRequest& request) {
  // Floating steps run in double from the stored single-precision values:
  // the product of two floats is exact in double, so the truncations see the
  // true value of what was entered.
  const double d = request.dotsPerMm;
  const int64_t W = Trunc(static_cast<double>(request.paperWidth) * d);
  const int64_t H = Trunc(static_cast<double>(request.paperHeight) * d);
  const int64_t m = Trunc(2.0 * d + 0.5);  // a margin of about 2 mm

  std::string program = "CLS\r\nDIRECTION 0,0\r\n";
  if (2 * m < W && 2 * m < H) {
    Append(program, "BOX %lld,%lld,%lld,%lld,4\r\n", static_cast<long long>(m),
           static_cast<long long>(m), static_cast<long long>(W - m), static_cast<long long>(H - m));
    const int64_t S = W < H ? W : H;
    const int64_t n = d > 8.0 ? 3 : 2;  // narrow bar
    const int64_t w = d > 8.0 ? 6 : 4;  // wide bar
    const int64_t u = S / 8;            // bar code height
    const int64_t bx = Trunc(static_cast<double>(m + u) + 4.0 * d);
    const int64_t by = Trunc(static_cast<double>(m) + 2.0 * d);
    const int64_t tx = Trunc(static_cast<double>(m + u) + 6.0 * d);
    const int64_t ty = Trunc(static_cast<double>(m) + 2.0 * d);
    const int64_t k = ((S - tx) * 72 / n / 100) / 4;
    int64_t L =
        Trunc(static_cast<double>(S - 2 * m - 4.0 * d) / static_cast<double>(7 * n + 3 * w) - 2.0);
    if (L < 0) L = 0;
    std::string data = "1234567890";
    if (L < 10) data.resize(static_cast<size_t>(L));
    Append(program, "BARCODE  %lld,%lld,\"39\",%lld,1,90,%lld,%lld,\"%s\"\r\n",
           static_cast<long long>(bx), static_cast<long long>(by), static_cast<long long>(u),
           static_cast<long long>(n), static_cast<long long>(w), data.c_str());
    if (static_cast<double>(S) > static_cast<double>(2 * m) + 20.0 * d) {
      Append(program, "TEXT  %lld,%lld,\"0\",0,%lld,%lld,\"TEST\"\r\n", static_cast<long long>(tx),
             static_cast<long long>(ty), static_cast<long long>(k), static_cast<long long>(k));
    }
  }
  program += "PRINT 1\r\n";
  return program;
}

}  // namespace varnalux
