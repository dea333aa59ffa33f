// Helpers shared by the serial and parallel port setup dialogs.
#pragma once

#include <QString>
#include <cstddef>

namespace varnalux {

// The list index a port name stands for: the decimal number after its first
// three characters, minus 1 ("COM1" gives 0, "LPT3" gives 2). A name with
// fewer than three characters or no number gives -1. At most size bytes of
// name are read.
int PortListIndex(const char* name, size_t size);

// One line telling which device a port name opens and where that mapping
// comes from, e.g. "COM9 -> /dev/pts/3 (environment)".
QString PortDeviceText(const QString& portName);

}  // namespace varnalux
