// The printer's three memory devices: reading their file lists and space
// (operation 10), downloading a file into one (operation 11) and erasing one
// (operation 13).
#pragma once

#include <cstdint>

#include "base/codes.h"

namespace varnalux {

// The item order of every memory-device list; every table below is indexed
// by it.
using MemoryDevice = int32_t;
inline constexpr MemoryDevice DeviceDram = 0;
inline constexpr MemoryDevice DeviceFlash = 1;
inline constexpr MemoryDevice DeviceCard = 2;
inline constexpr int MemoryDeviceCount = 3;

inline constexpr uint32_t DeviceListTextSize = 65536;

// What the file query found for one device. A fresh record (all bytes 0)
// means "not read".
struct DeviceFiles {
  // The device's file names, each followed by CR LF, NUL-terminated. A NUL
  // byte in a name, which would end the text there, is kept as the four
  // characters \x00, so the names after it stay in the list.
  char listText[DeviceListTextSize];
  uint8_t physicalValid;  // 1 when physicalSpace was read
  int32_t physicalSpace;  // KB, as the printer reports it
  uint8_t freeValid;      // 1 when freeSpace was read
  int32_t freeSpace;      // KB, as the printer reports it
  // Why listText holds fewer names than the printer has (ListWhole when it
  // holds them all); see the ListCut values below.
  uint8_t listCut;
};

// The values of DeviceFiles::listCut. A list is cut after the last whole
// line that fitted or arrived.
inline constexpr uint8_t ListWhole = 0;
// More names than listText holds: the rest was read to the list's end but
// not kept.
inline constexpr uint8_t ListCutFull = 1;
// The list's end did not come: not within the whole list's bound, or not
// soon after the field was full. Reading stopped there.
inline constexpr uint8_t ListCutUnended = 2;
// The user cancelled the read.
inline constexpr uint8_t ListCutCancelled = 3;

// The request of DownloadFile.
struct DownloadRequest {
  const char* sourcePath;   // full path of the file on the computer
  const char* printerName;  // the name in the printer, at most 12 characters
  int32_t device;           // MemoryDevice that receives the file
};

inline constexpr int PrinterNameMax = 12;

// Largest file a download or firmware send takes: its size goes in the
// header as a signed 32-bit number. Checked from the file's size before
// anything is read or sent.
inline constexpr uint32_t DownloadSizeMax = 0x7FFFFFFEu;

// Inserted before the quoted name of the download header, by device.
extern const char* const DevicePrefixes[MemoryDeviceCount];

// The erase command of each device, in fixed NUL-padded fields.
inline constexpr int FormatCommandSize = 40;
extern const char FormatCommands[MemoryDeviceCount][FormatCommandSize];

// Operation 10: on one open link, the announcement and then, per device, the
// physical space, the free space (not for CARD) and the file list. The first
// step that fails ends the sequence with its code; what was read before it
// stays in files. files points at three records indexed by MemoryDevice.
// Each list keeps the printer's pace (ListTimeouts) with the window's
// messages handled; a list whose end does not come within its bounds, or
// whose read the user cancels, is kept as far as it came, marked with
// listCut, and ends the sequence with 3, since the answers still on their
// way would be taken for those of the next query.
ResultCode ReadFileList(InterfaceKind kind, DeviceFiles* files);

// Operation 11: "DOWNLOAD " + prefix + "\"NAME\",SIZE," followed by the
// file's bytes and nothing after them, read and sent piece by piece. SIZE is
// the file's size when it is opened. 4 when the file cannot be read (only
// regular files, at most DownloadSizeMax bytes; nothing is sent), or when it
// fails or changes size while it is sent (never more than SIZE bytes follow
// the header); 5 for a name PrinterNameProblem refuses or a device outside
// 0..2 (nothing is sent), else the link's result.
ResultCode DownloadFile(InterfaceKind kind, const DownloadRequest& request);

// Operation 13: writes the device's erase command.
ResultCode FormatDevice(InterfaceKind kind, MemoryDevice device);

}  // namespace varnalux
