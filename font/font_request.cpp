#include "font/font_request.h"

#include "font/asian_sets.h"

namespace varnalux {

int EffectiveCodePage(const FontRequest& request) {
  if (request.codePage != 0) return request.codePage;
  if (request.doubleByte == 0) return DefaultSingleByteCodePage;
  const int asian = AsianCodePage(request.asianEncoding);
  // A double-byte table font of no named set decodes as Simplified Chinese.
  return asian != 0 ? asian : AsianCodePage(AsianSimplifiedChinese);
}

}  // namespace varnalux
