#include "link/link_session.h"

namespace varnalux {

LinkSession::LinkSession(InterfaceKind kind)
    : kind_(kind), handle_(OpenLink(kind)), failure_(LastOpenFailure()) {}

LinkSession::~LinkSession() {
  if (IsOpen()) CloseLink(kind_, handle_, CloseModeFor(ResultOk), &lastWrite_);
}

bool LinkSession::Write(const void* buffer, uint32_t length) {
  if (!IsOpen()) return false;
  const bool written = WriteLink(handle_, kind_, buffer, length);
  if (written)
    lastWrite_ = WriteShare{length, length};
  else
    writeFailed_ = true;
  return written;
}

bool LinkSession::Write(const void* buffer, uint32_t length, const WritePlace& place) {
  if (!IsOpen()) return false;
  const bool written = WriteLinkPart(handle_, kind_, buffer, length, place);
  if (written)
    lastWrite_ = WriteShare{place.before + length, place.whole};
  else
    writeFailed_ = true;
  return written;
}

bool LinkSession::ReadByte(uint8_t& out) { return IsOpen() && ReadLinkByte(handle_, kind_, out); }

CloseMode LinkSession::CloseModeFor(ResultCode result) const {
  return writeFailed_ || result == ResultTransmitError ? CloseMode::Abort : CloseMode::Drain;
}

ResultCode LinkSession::Finish(ResultCode result) {
  if (!IsOpen()) return result;
  LinkHandle handle = handle_;
  handle_ = InvalidLink;
  bool drained = CloseLink(kind_, handle, CloseModeFor(result), &lastWrite_);
  return (result == ResultOk && !drained) ? ResultTransmitError : result;
}

}  // namespace varnalux
