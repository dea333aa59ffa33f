#include "link/link_session.h"

namespace varnalux {

LinkSession::LinkSession(InterfaceKind kind)
    : kind_(kind), handle_(OpenLink(kind)), failure_(LastOpenFailure()) {}

LinkSession::~LinkSession() {
  if (IsOpen()) CloseLink(kind_, handle_);
}

bool LinkSession::Write(const void* buffer, uint32_t length) {
  return IsOpen() && WriteLink(handle_, kind_, buffer, length);
}

bool LinkSession::Write(const void* buffer, uint32_t length, const WritePlace& place) {
  return IsOpen() && WriteLinkPart(handle_, kind_, buffer, length, place);
}

bool LinkSession::ReadByte(uint8_t& out) { return IsOpen() && ReadLinkByte(handle_, kind_, out); }

ResultCode LinkSession::Finish(ResultCode result) {
  if (!IsOpen()) return result;
  LinkHandle handle = handle_;
  handle_ = InvalidLink;
  bool drained = CloseLink(kind_, handle);
  return (result == ResultOk && !drained) ? ResultTransmitError : result;
}

}  // namespace varnalux
