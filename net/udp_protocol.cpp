#include "net/udp_protocol.h"

#include <algorithm>
#include <cstring>

#include "net/dotted_address.h"

namespace varnalux::net {

namespace {

constexpr uint16_t ReadBodyLength = 2;
constexpr uint16_t WriteBodyLength = 1032;
// Bytes 6 and 7 of the header: 0x08, then 0x00 for discovery and 0x02 for
// requests aimed at one printer.
constexpr uint8_t HeaderByte6 = 0x08;
constexpr uint8_t HeaderByte7Discovery = 0x00;
constexpr uint8_t HeaderByte7Targeted = 0x02;
constexpr uint8_t SourceId[6] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00};

void PutBig16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value >> 8);
  at[1] = static_cast<uint8_t>(value & 0xFF);
}

uint16_t BodyLength(uint16_t command) {
  if (command == CommandReadSetting) return ReadBodyLength;
  if (command == CommandWriteSetting) return WriteBodyLength;
  return 0;
}

void PutAddress(std::vector<uint8_t>& buffer, size_t offset, const std::string& text) {
  const Address a = ParseDottedAddress(text);
  std::copy(a.begin(), a.end(), buffer.begin() + static_cast<std::ptrdiff_t>(offset));
}

uint8_t ByteAt(const uint8_t* data, size_t size, size_t offset) {
  return offset < size ? data[offset] : 0;
}

Address AddressAt(const uint8_t* data, size_t size, size_t offset) {
  Address a{};
  for (size_t i = 0; i < a.size(); ++i) a[i] = ByteAt(data, size, offset + i);
  return a;
}

}  // namespace

uint16_t ReadBig16(const uint8_t* data) { return static_cast<uint16_t>((data[0] << 8) | data[1]); }

void WriteHeader(uint8_t* buffer, uint16_t command, uint32_t sequence, const Mac& mac) {
  std::memset(buffer, 0, HeaderSize);
  PutBig16(buffer + 0, static_cast<uint16_t>(HeaderSize));
  PutBig16(buffer + 2, 0x0001);
  PutBig16(buffer + 4, 0x0001);
  buffer[6] = HeaderByte6;
  buffer[7] = command == CommandDiscover ? HeaderByte7Discovery : HeaderByte7Targeted;
  PutBig16(buffer + OffsetCommand, command);
  PutBig16(buffer + OffsetBodyLength, BodyLength(command));
  PutBig16(buffer + OffsetSequence, static_cast<uint16_t>(sequence & 0xFFFF));
  std::memcpy(buffer + 16, SourceId, sizeof SourceId);
  std::memcpy(buffer + OffsetTargetMac, mac.data(), mac.size());
}

std::vector<uint8_t> BuildDiscoveryRequest(uint32_t sequence) {
  std::vector<uint8_t> request(DiscoverySize);
  WriteHeader(request.data(), CommandDiscover, sequence, BroadcastMac);
  return request;
}

std::vector<uint8_t> BuildFactoryDefaultRequest(uint32_t sequence, const Mac& mac) {
  std::vector<uint8_t> request(FactoryDefaultSize);
  WriteHeader(request.data(), CommandFactoryDefault, sequence, mac);
  return request;
}

SettingRequest::SettingRequest(uint32_t sequence, const Mac& mac) : buffer_(RequestBufferSize, 0) {
  WriteHeader(buffer_.data(), CommandReadSetting, sequence, mac);
}

std::vector<uint8_t> SettingRequest::Read(uint8_t selector) {
  PutBig16(buffer_.data() + OffsetCommand, CommandReadSetting);
  PutBig16(buffer_.data() + OffsetBodyLength, ReadBodyLength);
  buffer_[OffsetReadSelector] = selector;
  buffer_[OffsetReadSelector + 1] = 0;
  return std::vector<uint8_t>(buffer_.begin(), buffer_.begin() + ReadSettingSize);
}

std::vector<uint8_t> SettingRequest::Write(uint8_t selector) {
  PutBig16(buffer_.data() + OffsetCommand, CommandWriteSetting);
  PutBig16(buffer_.data() + OffsetBodyLength, WriteBodyLength);
  // Bytes 32 and 33 carry the read selector in a read; a write has 0 there.
  buffer_[32] = 0;
  buffer_[33] = 0;
  buffer_[OffsetWriteSelector] = selector;
  buffer_[OffsetWriteSelector + 1] = 0;
  return std::vector<uint8_t>(buffer_.begin(), buffer_.begin() + WriteSettingSize);
}

std::vector<uint8_t> SettingRequest::WriteName(const std::string& name) {
  uint8_t* field = buffer_.data() + OffsetName;
  std::memset(field, 0, NameFieldSize);
  // Zero-terminated inside its field.
  std::memcpy(field, name.data(), std::min(name.size(), NameFieldSize - 1));
  return Write(SelectorName);
}

std::vector<uint8_t> SettingRequest::WriteAddress(const std::string& ip, const std::string& mask,
                                                  const std::string& gateway) {
  PutAddress(buffer_, OffsetIp, ip);
  PutAddress(buffer_, OffsetMask, mask);
  PutAddress(buffer_, OffsetGateway, gateway);
  return Write(SelectorAddress);
}

std::vector<uint8_t> SettingRequest::WriteMode(bool dhcp) {
  buffer_[OffsetMode] = dhcp ? ModeDhcp : ModeStatic;
  buffer_[OffsetModeFlag] = dhcp ? ModeFlagDhcp : ModeFlagStatic;
  return Write(SelectorMode);
}

std::vector<uint8_t> SettingRequest::WriteClose() { return Write(SelectorClose); }

std::string FieldText(const uint8_t* data, size_t size, size_t offset, size_t limit) {
  if (data == nullptr || offset >= size) return {};
  const size_t available = std::min(limit, size - offset);
  const uint8_t* begin = data + offset;
  const void* nul = std::memchr(begin, 0, available);
  const size_t length =
      nul != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - begin) : available;
  return std::string(reinterpret_cast<const char*>(begin), length);
}

bool ParseDiscoveryAnswer(const uint8_t* data, size_t size, DiscoveryAnswer& answer) {
  if (data == nullptr || size < HeaderSize) return false;
  size = std::min(size, AnswerMax);
  answer = DiscoveryAnswer{};
  for (size_t i = 0; i < answer.mac.size(); ++i) answer.mac[i] = data[OffsetAnswerMac + i];
  answer.state = ByteAt(data, size, OffsetAnswerState);
  answer.errors = ByteAt(data, size, OffsetAnswerErrors);
  answer.ip = AddressAt(data, size, OffsetAnswerIp);
  answer.model = FieldText(data, size, OffsetAnswerModel, ModelFieldSize);
  answer.name = FieldText(data, size, OffsetAnswerName, AnswerMax);
  return true;
}

bool AnswersRequest(const uint8_t* data, size_t size, const std::vector<uint8_t>& request) {
  if (data == nullptr || size < HeaderSize || request.size() < HeaderSize) return false;
  if (ReadBig16(data + OffsetCommand) != ReadBig16(request.data() + OffsetCommand)) return false;
  const uint16_t sequence = ReadBig16(data + OffsetSequence);
  if (sequence != 0 && sequence != ReadBig16(request.data() + OffsetSequence)) return false;
  if (std::memcmp(data + OffsetTargetMac, request.data() + OffsetTargetMac, Mac{}.size()) != 0)
    return false;
  const int selector = RequestSelector(request.data(), request.size());
  if (selector < 0) return true;
  const size_t at = ReadBig16(request.data() + OffsetCommand) == CommandReadSetting
                        ? OffsetReadSelector
                        : OffsetWriteSelector;
  return size <= at || data[at] == selector;
}

bool ParseAddressAnswer(const uint8_t* data, size_t size, Address& ip, Address& mask,
                        Address& gateway) {
  if (data == nullptr || size < AddressAnswerMin) return false;
  ip = AddressAt(data, size, OffsetIp);
  mask = AddressAt(data, size, OffsetMask);
  gateway = AddressAt(data, size, OffsetGateway);
  return true;
}

bool ParseModeAnswer(const uint8_t* data, size_t size, bool& dhcp) {
  if (data == nullptr || size < ModeAnswerMin) return false;
  dhcp = data[OffsetMode] == ModeDhcp;
  return true;
}

int RequestSelector(const uint8_t* data, size_t size) {
  if (data == nullptr || size < HeaderSize + 2) return -1;
  const uint16_t command = ReadBig16(data + OffsetCommand);
  if (command == CommandReadSetting) return data[OffsetReadSelector];
  if (command == CommandWriteSetting && size > OffsetWriteSelector)
    return data[OffsetWriteSelector];
  return -1;
}

}  // namespace varnalux::net
