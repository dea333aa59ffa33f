#include "link/link_settings.h"

#include <cstring>

namespace varnalux {

namespace {
// The LinkSettings of the calling thread; bound by the main window or the
// CLI. One a thread, so that a tool serving many printers at once (each on a
// worker thread of its own) gives every printer its own records, progress
// state and last open failure. The window and a single-printer run bind and
// run on one thread, which sees one instance as before.
thread_local LinkSettings g_linkSettings;
}  // namespace

void CopyText(char* field, int fieldSize, const char* text) {
  if (fieldSize <= 0) return;
  if (text == nullptr) text = "";
  size_t n = strnlen(text, static_cast<size_t>(fieldSize - 1));
  memcpy(field, text, n);
  memset(field + n, 0, static_cast<size_t>(fieldSize) - n);
}

void InitialSerialSettings(SerialSettings& s) {
  CopyText(s.portName, sizeof s.portName, "COM1");
  s.baudIndex = 2;
  s.dataBitsIndex = 1;
  s.parityIndex = 0;
  s.stopBitsIndex = 0;
  s.hwHandshakeIndex = 1;
  s.swHandshakeIndex = 0;
}

void InitialParallelName(char (&name)[ParallelNameSize]) {
  CopyText(name, ParallelNameSize, "LPT1");
}

void InitialTcpTarget(TcpTarget& t) {
  CopyText(t.host, sizeof t.host, "");
  t.port = 9100;
}

void BindLinkSettings(SerialSettings& serial, char (&parallel)[ParallelNameSize], TcpTarget& tcp,
                      LinkProgress* observer) {
  g_linkSettings = LinkSettings{};
  g_linkSettings.serial = &serial;
  g_linkSettings.parallelDeviceName = parallel;
  g_linkSettings.tcp = &tcp;
  g_linkSettings.observer = observer;
}

void UnbindLinkSettings() { g_linkSettings = LinkSettings{}; }

LinkSettings& CurrentLinkSettings() { return g_linkSettings; }

}  // namespace varnalux
