#include "ui/dialogs/port_setup_support.h"

#include <climits>
#include <cstring>
#include <string>

#include "link/port_names.h"

namespace varnalux {

int PortListIndex(const char* name, size_t size) {
  if (name == nullptr) return -1;
  size_t length = strnlen(name, size);
  if (length < 3) return -1;
  // Leading blanks and a sign are accepted, then digits up to the first
  // other character, as the C library's atoi reads a number.
  size_t i = 3;
  while (i < length && (name[i] == ' ' || name[i] == '\t')) ++i;
  bool negative = false;
  if (i < length && (name[i] == '+' || name[i] == '-')) negative = name[i++] == '-';
  long value = 0;
  bool any = false;
  while (i < length && name[i] >= '0' && name[i] <= '9') {
    any = true;
    if (value < INT_MAX) value = value * 10 + (name[i] - '0');
    ++i;
  }
  if (!any) return -1;
  if (value > INT_MAX) value = INT_MAX;
  return negative ? static_cast<int>(-value) - 1 : static_cast<int>(value) - 1;
}

QString PortDeviceText(const QString& portName) {
  const std::string name = portName.toStdString();
  const std::string device = varnalux::ResolvePortDevice(name.c_str());
  if (device.empty()) return QStringLiteral("%1 -> no device").arg(portName);
  return QStringLiteral("%1 -> %2 (%3)")
      .arg(portName, QString::fromStdString(device),
           QString::fromStdString(varnalux::PortMappingSource(name.c_str())));
}

}  // namespace varnalux
