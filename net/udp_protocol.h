// The printers' UDP discovery and network-setting protocol: the requests the
// tool sends and the fields it takes from the answers. Every request starts
// with a 32-byte header; multi-byte numbers are big-endian. Answers are
// untrusted datagrams from anyone on the network: every reader here looks
// only at the bytes that arrived.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnalux::net {

inline constexpr uint16_t DiscoveryPort = 22368;
inline constexpr size_t HeaderSize = 32;
inline constexpr size_t DiscoverySize = 32;
inline constexpr size_t FactoryDefaultSize = 32;
inline constexpr size_t ReadSettingSize = 34;
inline constexpr size_t WriteSettingSize = 1064;
inline constexpr size_t RequestBufferSize = 2048;
// The largest datagram taken from the network.
inline constexpr size_t AnswerMax = 2048;

// Command numbers at offset 8.
inline constexpr uint16_t CommandFactoryDefault = 0x0001;
inline constexpr uint16_t CommandDiscover = 0x0002;
inline constexpr uint16_t CommandReadSetting = 0x0003;
inline constexpr uint16_t CommandWriteSetting = 0x0004;

// Selectors of the read and write setting requests.
inline constexpr uint8_t SelectorName = 0;
inline constexpr uint8_t SelectorAddress = 4;
inline constexpr uint8_t SelectorMode = 5;
inline constexpr uint8_t SelectorClose = 7;

// Offsets in requests and answers.
inline constexpr size_t OffsetCommand = 8;
inline constexpr size_t OffsetBodyLength = 10;
inline constexpr size_t OffsetSequence = 12;
inline constexpr size_t OffsetTargetMac = 22;
inline constexpr size_t OffsetReadSelector = 32;
inline constexpr size_t OffsetWriteSelector = 34;
inline constexpr size_t OffsetIp = 69;
inline constexpr size_t OffsetMask = 73;
inline constexpr size_t OffsetGateway = 77;
inline constexpr size_t OffsetName = 176;
inline constexpr size_t NameFieldSize = 64;
inline constexpr size_t OffsetMode = 942;
inline constexpr size_t OffsetModeFlag = 948;
inline constexpr uint8_t ModeDhcp = 8;
inline constexpr uint8_t ModeStatic = 1;
inline constexpr uint8_t ModeFlagDhcp = 4;
inline constexpr uint8_t ModeFlagStatic = 1;

// Discovery answer fields.
inline constexpr size_t OffsetAnswerMac = 22;
inline constexpr size_t OffsetAnswerState = 40;
inline constexpr size_t OffsetAnswerErrors = 41;
inline constexpr size_t OffsetAnswerIp = 44;
inline constexpr size_t OffsetAnswerModel = 52;
inline constexpr size_t ModelFieldSize = 32;
inline constexpr size_t OffsetAnswerName = 84;

using Mac = std::array<uint8_t, 6>;
using Address = std::array<uint8_t, 4>;
inline constexpr Mac BroadcastMac = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Writes the 32-byte header for a command at the start of buffer (at least
// HeaderSize bytes): sequence's low 16 bits at offset 12, mac at 22.
void WriteHeader(uint8_t* buffer, uint16_t command, uint32_t sequence, const Mac& mac);

// Whole requests.
std::vector<uint8_t> BuildDiscoveryRequest(uint32_t sequence);
std::vector<uint8_t> BuildFactoryDefaultRequest(uint32_t sequence, const Mac& mac);

// The settings that a change sends, as the user sees them: texts for the
// addresses (converted with ParseDottedAddress when written).
struct RemoteSettings {
  bool dhcp = false;
  std::string ipAddress;
  std::string subnetMask;
  std::string gateway;
  std::string netName;
};

// The one buffer a change of settings is built in. The reads and the four
// writes share it and it is never cleared between them, so each write also
// carries the fields written before it.
class SettingRequest {
 public:
  SettingRequest(uint32_t sequence, const Mac& mac);

  // A read request for a selector (34 bytes).
  std::vector<uint8_t> Read(uint8_t selector);
  // The four writes in their order (1064 bytes each).
  std::vector<uint8_t> WriteName(const std::string& name);
  std::vector<uint8_t> WriteAddress(const std::string& ip, const std::string& mask,
                                    const std::string& gateway);
  std::vector<uint8_t> WriteMode(bool dhcp);
  std::vector<uint8_t> WriteClose();

 private:
  std::vector<uint8_t> Write(uint8_t selector);
  std::vector<uint8_t> buffer_;
};

// Fields of a discovery answer; texts are cut at their terminator, at the
// end of their field or at the end of the datagram, whichever comes first.
struct DiscoveryAnswer {
  Mac mac{};
  uint8_t state = 0;
  uint8_t errors = 0;
  Address ip{};
  std::string model;
  std::string name;
};
// False for a datagram shorter than the header (not an answer).
bool ParseDiscoveryAnswer(const uint8_t* data, size_t size, DiscoveryAnswer& answer);

// Whether a datagram answers this targeted request (a read or write setting
// request as it was sent): answers echo the request's header, so the
// answer carries the request's command at offset 8, its sequence number at
// offset 12 (0 there is taken as a printer that does not echo it), the
// printer's MAC at offset 22 (the request's target), and the request's
// selector at the same offset as the request when the answer reaches it.
bool AnswersRequest(const uint8_t* data, size_t size, const std::vector<uint8_t>& request);

// Read-setting answers: false, with the fields left alone, when the answer
// ends before the last byte of its fields (an answer too short to say).
inline constexpr size_t AddressAnswerMin = OffsetGateway + 4;  // 81 bytes
inline constexpr size_t ModeAnswerMin = OffsetMode + 1;        // 943 bytes
bool ParseAddressAnswer(const uint8_t* data, size_t size, Address& ip, Address& mask,
                        Address& gateway);
bool ParseModeAnswer(const uint8_t* data, size_t size, bool& dhcp);

// The selector of a request (read: byte 32; write: byte 34); -1 when the
// datagram is too short to carry it.
int RequestSelector(const uint8_t* data, size_t size);
uint16_t ReadBig16(const uint8_t* data);

// NUL-terminated text at offset, at most limit bytes, never past size.
std::string FieldText(const uint8_t* data, size_t size, size_t offset, size_t limit);

}  // namespace varnalux::net
