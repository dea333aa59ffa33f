// The status byte path: status queries against a printer that answers the
// fuzzer's bytes, one query per byte, then one more that gets no answer.
//   byte 0: the interface kind (low two bits); the rest: the answers
#include <cstdint>
#include <cstdlib>

#include "protocol/report_exchange.h"
#include "tests/fuzz/memory_link.h"

using namespace varnalux;

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const InterfaceKind kind = data[0] & 3;
  fuzz::SetLinkInput(data + 1, size - 1);
  for (size_t i = 1; i <= size; ++i) {
    PrinterStatus status;
    StatusFromByte(0xFF, status);
    ResultCode code = QueryStatus(kind, status);
    Check(fuzz::LinksOpen() == 0);
    if (i == size) {
      // Nothing left to answer: a receive error, and the record as it was.
      Check(code == ResultReceiveError);
      Check(StatusToByte(status) == 0xFF);
      break;
    }
    Check(code == ResultOk);
    const uint8_t byte = data[i];
    Check(StatusToByte(status) == byte);
    const uint8_t* flags = &status.headOpen;
    for (int bit = 0; bit < 8; ++bit) Check(flags[bit] == ((byte >> bit) & 1));
    // Ready: no flag but bit 6.
    Check(StatusReady(status) == ((byte & 0xBF) == 0));
  }
  return 0;
}
