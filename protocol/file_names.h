// The file types of a download, the name a file gets in the printer, and
// the file lists the printer reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnalux {

// One row of the file-type list: the open dialog's filter (description and
// pattern pairs separated by vertical bars), the extension the printer name
// gets ("" for none), and whether the file goes to the printer unchanged
// instead of with a DOWNLOAD header.
struct FileType {
  const char* item;
  const char* filter;
  const char* extension;
  bool sentUnchanged;
};

inline constexpr int FileTypeCount = 8;
inline constexpr int FileTypeTrueTypeFont = 2;
inline constexpr int FileTypeData = 5;
inline constexpr int FileTypeFirmware = 6;
inline constexpr int FileTypeKvx = 7;
extern const FileType FileTypes[FileTypeCount];

// The row of an item index; an index outside the list (no selection) gives
// the row that behaves like 'Data File'.
const FileType& FileTypeAt(int index);

// Names on the wire. A file name in the printer goes as printable ASCII
// only, one byte a character: the printer's file list gives back bytes with
// nothing to say how to read them, and a name is typed again into label
// programs sent in whatever encoding their author's editor uses. Only ASCII
// reads back the same on every printer, whatever its code page, and on every
// computer. A name holding any other character is refused, with the
// character named, before anything is sent; it is never changed silently.
//
// Texts handed in here (paths, typed names) are UTF-8, and every cut falls
// between characters, never inside one.

// The name a file gets in the printer: the file-name part of path without
// its extension, cut to its first 8 characters, then with its remaining
// extension (if any) replaced by extension, or removed when extension is "".
//   my.logo.bmp, ".BMP"       -> my.BMP
//   averylongname.bmp, ".BMP" -> averylon.BMP
//   averylongname.bmp, ""     -> averylon
std::string PrinterNameFromPath(const std::string& path, const std::string& extension);

// Why a name may not go to the printer: "" when it may, else a message for
// the user. Refused: an empty name, a double quote (the name travels between
// quotes), control characters, and every character outside ASCII. Length is
// not judged here.
std::string PrinterNameProblem(const std::string& name);

// The items of a file list: one per line, a line ending at CR LF, a lone
// CR or a lone LF; the final line end gives no empty item.
std::vector<std::string> FileListItems(const char* text);

}  // namespace varnalux
