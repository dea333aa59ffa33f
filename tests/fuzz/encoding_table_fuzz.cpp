// Encoding tables from anywhere, typed into the memo or read from a table
// file, and the font requests made of them (one code per kept byte, or one
// per pair of kept bytes for the Asian table, an odd last byte ignored).
//   byte 0: bits 0-4 equal to 1 pad the text with NUL bytes to 65,534 +
//           (bits 5-6) bytes, the edge of the 65,536-byte buffer (65,534 ..
//           65,537 bytes); the NUL ends the table, so the long text is
//           judged by its size and stays quick
//           bit 7: the font requests take the table file, else the memo
//   the rest: the table text
// The page's text form of the table (its first 4 KiB, in a code page
// chosen by the text's length) gives back every byte, and text typed into
// the memo turns into bytes without a character listed twice as left out.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "font/font_request_rules.h"
#include "font/table_text_codec.h"

using namespace varnalux;

namespace {

std::string tableFile;

void Check(bool condition) {
  if (!condition) abort();
}

void RemoveTableFile() { unlink(tableFile.c_str()); }

bool WriteFile(const std::string& bytes) {
  FILE* f = fopen(tableFile.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

// What a table of text keeps: its bytes up to the first NUL, control bytes
// (below 0x20) left out; nothing when the text does not fit the buffer.
std::string Kept(const std::string& text) {
  std::string kept;
  if (text.size() >= static_cast<size_t>(EncodingTableBufferSize)) return kept;
  for (char c : text) {
    if (c == '\0') break;
    if (static_cast<uint8_t>(c) >= 0x20) kept += c;
  }
  return kept;
}

void CheckTable(int count, const std::vector<uint8_t>& buffer, const std::string& kept) {
  Check(count == static_cast<int>(kept.size()));
  Check(buffer.size() == kept.size() + 1);
  Check(memcmp(buffer.data(), kept.data(), kept.size()) == 0);
  Check(buffer[kept.size()] == 0);
}

void CheckRequest(const std::string& text, bool byFile, int mode, const std::string& kept) {
  FontPageFields fields;
  fields.encodeMode = mode;
  fields.pitch = ApplyEncodeMode(mode).pitch;
  fields.fontWidth = "8";
  fields.fontHeight = "16";
  fields.italicWidth = "0";
  fields.byFile = byFile;
  fields.tableFilePath = byFile ? tableFile : std::string();
  fields.memoText = byFile ? std::string("memo not read") : text;
  std::vector<uint8_t> buffer;
  FontRequest request;
  std::string message;
  const bool built = BuildFontRequest(fields, buffer, request, message);
  const bool pairs = mode == EncodeAsianTable;
  const size_t codes = pairs ? kept.size() / 2 : kept.size();
  Check(built == (codes > 0));
  if (!built) {
    Check(message == FontParameterError);
    return;
  }
  Check(message.empty());
  Check(request.byTable == 1);
  Check(request.doubleByte == (pairs ? 1 : 0));
  Check(request.tableCount == static_cast<int>(codes));
  Check(request.tableCodes == buffer.data());
  // Every code the request names lies in the buffer, in the table's order.
  const size_t bytes = codes * (pairs ? 2 : 1);
  Check(bytes <= buffer.size());
  Check(memcmp(request.tableCodes, kept.data(), bytes) == 0);
}

void CheckTextForm(const std::string& text) {
  static constexpr int CodePages[] = {874,  932,  936,  949,  950,  1250, 1251,
                                      1252, 1253, 1254, 1255, 1256, 1257, 1258};
  const int codePage = CodePages[text.size() % (sizeof CodePages / sizeof CodePages[0])];
  const std::string table = text.substr(0, 4096);
  const TableLineBreak lineBreak = DetectLineBreak(table);
  std::string shown;
  Check(TableBytesToText(table, codePage, lineBreak, shown));
  std::string back;
  std::u32string leftOut;
  Check(TableTextToBytes(shown, codePage, lineBreak, back, leftOut));
  Check(back == table);
  Check(leftOut.empty());
  // The raw bytes as typed text (broken UTF-8 included).
  Check(TableTextToBytes(table, codePage, lineBreak, back, leftOut));
  for (size_t i = 0; i < leftOut.size(); ++i)
    Check(leftOut.find(leftOut[i], i + 1) == std::u32string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // In memory where there is a memory file system: a write per input.
  std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string pattern = folder + "/varnalux-fuzz-table-XXXXXX";
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back(0);
  int fd = mkstemp(path.data());
  if (fd < 0) abort();
  close(fd);
  tableFile = path.data();
  atexit(RemoveTableFile);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  if ((data[0] & 0x1F) == 1) {
    const size_t length = static_cast<size_t>(EncodingTableBufferSize) - 2 + ((data[0] >> 5) & 3);
    if (text.size() < length) text.append(length - text.size(), '\0');
  }
  const std::string kept = Kept(text);

  std::vector<uint8_t> buffer = {1, 2, 3};
  CheckTable(ReadEncodingTable(false, "", text, buffer), buffer, kept);
  if (!WriteFile(text)) abort();
  // A table file holds the text byte for byte; the memo does not count then.
  CheckTable(ReadEncodingTable(true, tableFile, "memo not read", buffer), buffer, kept);
  // No file at all reads as no table.
  CheckTable(ReadEncodingTable(true, "", text, buffer), buffer, "");

  const bool byFile = (data[0] & 0x80) != 0;
  for (int mode : {EncodeTable, EncodeAsianTable}) CheckRequest(text, byFile, mode, kept);
  CheckTextForm(text);
  return 0;
}
