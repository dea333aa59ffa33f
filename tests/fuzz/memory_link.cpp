// The link facade over memory, for the fuzz targets (in place of
// link/printer_link.cpp).
#include "tests/fuzz/memory_link.h"

#include <time.h>

#include "link/link_settings.h"
#include "link/printer_link.h"

namespace varnalux::fuzz {

namespace {

const uint8_t* input = nullptr;
size_t inputSize = 0;
size_t position = 0;
size_t written = 0;
int open = 0;

// No printer keeps a pace here: the pause before each answer of a list is
// none. (The pause is measured on the steady clock, so the sleeps below
// returning at once would otherwise turn it into a busy wait of 50 ms an
// answer.)
const bool paceless = [] {
  CurrentLinkSettings().timeouts.list.pause = std::chrono::milliseconds(0);
  return true;
}();

}  // namespace

void SetLinkInput(const uint8_t* data, size_t size) {
  input = data;
  inputSize = size;
  position = 0;
  written = 0;
  open = 0;
}

size_t LinkInputLeft() { return inputSize - position; }
size_t LinkBytesWritten() { return written; }
int LinksOpen() { return open; }

}  // namespace varnalux::fuzz

namespace varnalux {

namespace {
// The row the sessions hold; its functions are never called, as the four
// below stand in for the facade's.
constexpr LinkDriver MemoryDriver{};
}  // namespace

const LinkDriver* DriverFor(InterfaceKind kind) {
  return kind < KindUsb || kind > KindEthernet ? nullptr : &MemoryDriver;
}

LinkHandle OpenLinkOn(const LinkDriver* driver, InterfaceKind) {
  if (driver == nullptr) return InvalidLink;
  ++fuzz::open;
  return 1;
}

OpenFailure LastOpenFailure() { return OpenFailure::None; }
const char* LastOpenFailureText() { return ""; }

bool CloseLinkOn(const LinkDriver*, LinkHandle handle, CloseMode, LinkProgress*,
                 const WriteShare*) {
  if (handle != InvalidLink) --fuzz::open;
  return true;
}

bool WriteLinkOn(const LinkDriver*, LinkHandle, const void*, uint32_t length, const WritePlace&,
                 LinkProgress*) {
  fuzz::written += length;
  return true;
}

bool ReadLinkByteOn(const LinkDriver*, LinkHandle, uint8_t& out, LinkProgress*) {
  if (fuzz::position >= fuzz::inputSize) return false;
  out = fuzz::input[fuzz::position++];
  return true;
}

}  // namespace varnalux

// No printer to wait for: the pause before each answer of a report list
// returns at once, so the fuzzer runs at full speed.
extern "C" int nanosleep(const struct timespec*, struct timespec* remaining) {
  if (remaining != nullptr) *remaining = {};
  return 0;
}
