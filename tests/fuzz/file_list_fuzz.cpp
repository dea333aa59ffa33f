// The file query of the file manager (ReadFileList) against a printer whose
// answers the fuzzer chooses, checked answer by answer against what the
// operation must make of them: the space numbers, each device's list text
// with its cut at a whole line, the items the page shows, and where the
// exchange stops.
//   byte 0: the interface kind (low two bits)
//   then records of three bytes and a payload:
//     byte a: bit 7 gives the answer a wrong length field; bits 0-6 (n)
//             give the number of times it is sent: 1 + n / 32 (1 .. 3) for
//             n below 96, else (n - 95) * 8 (8 .. 256)
//     bytes b, c: the payload length, (b | c << 8) & 1023
//     the payload (cut short where the input ends)
// Repeats let a 4 KB input make lists longer than the 65,536 bytes of a
// device's list field.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "protocol/file_manager.h"
#include "protocol/file_names.h"
#include "protocol/report_exchange.h"
#include "tests/fuzz/memory_link.h"

using namespace varnalux;

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

// The harness's own loops over long lists are not the code under test: no
// coverage for them keeps each input quick.
#define HARNESS_ONLY __attribute__((no_sanitize("coverage")))

// The printer's answers, framed, stop growing past this many bytes so that
// each input stays quick (room for one list past its field).
constexpr size_t StreamMax = 80 * 1024;

struct Answer {
  std::string payload;
  bool valid = false;  // read as an answer; a refused one ends the operation
  size_t end = 0;      // offset in the stream just after it
};

struct Expected {
  ResultCode code = ResultOk;
  std::string text[MemoryDeviceCount];
  bool cut[MemoryDeviceCount] = {};
  bool physical[MemoryDeviceCount] = {};
  bool free[MemoryDeviceCount] = {};
  std::string number[MemoryDeviceCount][2];  // the payloads of the two numbers
  size_t consumed = 0;                       // stream bytes the operation read
};

// Frames the records of the input as answers on the wire.
HARNESS_ONLY void BuildStream(const uint8_t* data, size_t size, std::string& stream,
                 std::vector<Answer>& answers) {
  size_t at = 0;
  while (at + 3 <= size && stream.size() < StreamMax) {
    const bool wrongLength = (data[at] & 0x80) != 0;
    const int n = data[at] & 0x7F;
    const int repeats = n < 96 ? 1 + n / 32 : (n - 95) * 8;
    size_t length = (data[at + 1] | data[at + 2] << 8) & 1023;
    at += 3;
    if (length > size - at) length = size - at;
    Answer a;
    a.payload.assign(reinterpret_cast<const char*>(data + at), length);
    at += length;
    const std::string field = std::to_string(length + (wrongLength ? 1 : 0));
    // The body between the braces holds at most 1024 bytes and ends at the
    // first close brace.
    a.valid = !wrongLength && field.size() + 1 + length <= ReportBodyMax &&
              a.payload.find('}') == std::string::npos;
    const std::string framed = "{" + field + "|" + a.payload + "}";
    for (int r = 0; r < repeats && stream.size() < StreamMax; ++r) {
      stream += framed;
      a.end = stream.size();
      answers.push_back(a);
    }
  }
}

HARNESS_ONLY Expected Model(const std::vector<Answer>& answers) {
  Expected e;
  size_t next = 0;
  // Takes the next answer; false (and code 3) when there is none to read.
  auto take = [&](const Answer*& out) {
    if (next >= answers.size() || !answers[next].valid) {
      e.code = ResultReceiveError;
      if (next < answers.size()) e.consumed = answers[next].end;  // at least read into
      return false;
    }
    out = &answers[next++];
    e.consumed = out->end;
    return true;
  };
  const Answer* a = nullptr;
  if (!take(a)) return e;  // the announcement
  for (int d = 0; d < MemoryDeviceCount; ++d) {
    if (!take(a)) return e;
    e.physical[d] = true;
    e.number[d][0] = a->payload;
    if (d != DeviceCard) {
      if (!take(a)) return e;
      e.free[d] = true;
      e.number[d][1] = a->payload;
    }
    for (;;) {
      if (!take(a)) return e;
      if (a->payload.empty()) break;
      // A NUL in a name is kept as the four characters \x00, so that it
      // does not end the text there.
      std::string line;
      for (char c : a->payload) {
        if (c == '\0')
          line += "\\x00";
        else
          line += c;
      }
      // Kept while the line, its CR LF and the final NUL fit the field;
      // from the first line that does not, nothing more is kept.
      if (!e.cut[d] && e.text[d].size() + line.size() + 3 <= DeviceListTextSize) {
        e.text[d] += line + "\r\n";
      } else {
        e.cut[d] = true;
      }
    }
  }
  return e;
}

// The page's lines of a text, one per line end, the final line end giving
// no empty line: the text up to its first NUL with every line end (CR LF,
// lone CR, lone LF) made one LF and a final LF removed.
HARNESS_ONLY std::string JoinedLines(const std::string& text) {
  std::string shown = text.substr(0, text.find('\0'));
  std::string out;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == '\r' || shown[i] == '\n') {
      out += '\n';
      if (shown[i] == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') ++i;
    } else {
      out += shown[i];
    }
  }
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// One line per line end, and one more for a last line without one: the
// final line end gives no empty line.
HARNESS_ONLY size_t LineCount(const std::string& text) {
  const std::string shown = text.substr(0, text.find('\0'));
  size_t lineEnds = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') ++i;
    if (shown[i] == '\r' || shown[i] == '\n') ++lineEnds;
  }
  const bool open = !shown.empty() && shown.back() != '\r' && shown.back() != '\n';
  return lineEnds + (open ? 1 : 0);
}

bool AllDigits(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static std::unique_ptr<DeviceFiles[]> files(new DeviceFiles[MemoryDeviceCount]);
  const InterfaceKind kind = data[0] & 3;
  std::string stream;
  std::vector<Answer> answers;
  BuildStream(data + 1, size - 1, stream, answers);
  const Expected e = Model(answers);

  memset(files.get(), 0, sizeof(DeviceFiles) * MemoryDeviceCount);
  fuzz::SetLinkInput(reinterpret_cast<const uint8_t*>(stream.data()), stream.size());
  const ResultCode code = ReadFileList(kind, files.get());
  Check(fuzz::LinksOpen() == 0);
  Check(code == e.code);
  // Stays in step: read no further than the answers it needed.
  if (code == ResultOk) Check(stream.size() - fuzz::LinkInputLeft() == e.consumed);
  Check(stream.size() - fuzz::LinkInputLeft() <= e.consumed);

  for (int d = 0; d < MemoryDeviceCount; ++d) {
    const DeviceFiles& f = files[d];
    Check(f.physicalValid == (e.physical[d] ? 1 : 0));
    Check(f.freeValid == (e.free[d] ? 1 : 0));
    if (e.physical[d] && AllDigits(e.number[d][0]))
      Check(f.physicalSpace == atoi(e.number[d][0].c_str()));
    if (e.free[d] && AllDigits(e.number[d][1]))
      Check(f.freeSpace == atoi(e.number[d][1].c_str()));

    // The field holds exactly the lines that fitted and its NUL; the cut
    // flag is set exactly when a line did not fit.
    const std::string& text = e.text[d];
    Check(text.size() < DeviceListTextSize);
    Check(memcmp(f.listText, text.data(), text.size()) == 0);
    Check(f.listText[text.size()] == '\0');
    Check(f.listCut == (e.cut[d] ? 1 : 0));

    // The items the page shows.
    const std::vector<std::string> items = FileListItems(f.listText);
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) {
      Check(items[i].find_first_of("\r\n") == std::string::npos);
      Check(items[i].find('\0') == std::string::npos);
      if (i > 0) joined += '\n';
      joined += items[i];
    }
    Check(joined == JoinedLines(text));
    Check(items.size() == LineCount(text));
  }
  return 0;
}
