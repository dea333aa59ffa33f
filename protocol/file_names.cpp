#include "protocol/file_names.h"

#include "base/printable_text.h"

namespace varnalux {

const FileType FileTypes[FileTypeCount] = {
    {"BMP", "*.BMP|*.BMP|*.*|*.*", ".BMP", false},
    {"PCX", "*.PCX|*.PCX|*.*|*.*", ".PCX", false},
    {"True Type Font", "*.TTF|*.TTF", ".TTF", false},
    {"Bitmap Font", "", "", false},
    {"Printer BASIC File", "*.BAS|*.BAS|*.*|*.*", ".BAS", false},
    {"Data File", "*.*|*.*", "", false},
    {"Firmware File", "*.NEW|*.NEW|*.*|*.*", "", true},
    {"KVX File", "*.KVX|*.KVX|*.*|*.*", "", true},
};

const FileType& FileTypeAt(int index) {
  if (index < 0 || index >= FileTypeCount) return FileTypes[FileTypeData];
  return FileTypes[index];
}

namespace {

// name without the last "." and what follows it (unchanged without a ".").
std::string WithoutExtension(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

std::string PrinterNameFromPath(const std::string& path, const std::string& extension) {
  size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  name = WithoutExtension(name);
  size_t at = 0;
  for (int characters = 0; characters < 8 && at < name.size(); ++characters)
    at += CharacterBytes(name, at);
  name.resize(at);
  return WithoutExtension(name) + extension;
}

std::string PrinterNameProblem(const std::string& name) {
  if (name.empty()) return "The file name in the printer is empty";
  std::string outside;  // the characters outside ASCII, each once
  int count = 0;
  for (size_t at = 0; at < name.size();) {
    const size_t length = CharacterBytes(name, at);
    const unsigned char c = static_cast<unsigned char>(name[at]);
    if (c == '"') return "The file name in the printer may not hold a double quote";
    if (c < 0x20 || c == 0x7F)
      return "The file name in the printer may not hold a control character";
    if (c >= 0x80) {
      // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict)
      // on a string literal put in front of a temporary string.
      std::string shown(1, '"');
      shown += PlainText(name.substr(at, length));
      shown += '"';
      if (outside.find(shown) == std::string::npos) {
        outside += (count == 0 ? "" : ", ") + shown;
        ++count;
      }
    }
    at += length;
  }
  if (count == 0) return "";
  return "The file name in the printer may hold only ASCII characters: " + outside +
         (count == 1 ? " is not one" : " are not");
}

std::vector<std::string> FileListItems(const char* text) {
  std::vector<std::string> items;
  if (text == nullptr) return items;
  std::string line;
  bool open = false;  // characters since the last line end
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\r' || *p == '\n') {
      items.push_back(line);
      line.clear();
      open = false;
      if (*p == '\r' && p[1] == '\n') ++p;
    } else {
      line.push_back(*p);
      open = true;
    }
  }
  if (open) items.push_back(line);
  return items;
}

}  // namespace varnalux
