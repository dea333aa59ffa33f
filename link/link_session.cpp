#include "link/link_session.h"

#include "link/link_settings.h"

namespace varnalux {

LinkSession::LinkSession(InterfaceKind kind)
    : driver_(DriverFor(kind)),
      observer_(CurrentLinkSettings().observer),
      handle_(OpenLinkOn(driver_, kind)),
      failure_(LastOpenFailure()) {}

LinkSession::~LinkSession() {
  if (IsOpen()) CloseLinkOn(driver_, handle_, CloseModeFor(ResultOk), observer_, &lastWrite_);
}

bool LinkSession::Write(const void* buffer, uint32_t length) {
  if (!IsOpen()) return false;
  const bool written =
      WriteLinkOn(driver_, handle_, buffer, length, WritePlace{0, length, false}, observer_);
  if (written)
    lastWrite_ = WriteShare{length, length};
  else
    writeFailed_ = true;
  return written;
}

bool LinkSession::Write(const void* buffer, uint32_t length, const WritePlace& place) {
  if (!IsOpen()) return false;
  const bool written = WriteLinkOn(driver_, handle_, buffer, length, place, observer_);
  if (written)
    lastWrite_ = WriteShare{place.before + length, place.whole};
  else
    writeFailed_ = true;
  return written;
}

bool LinkSession::ReadByte(uint8_t& out) {
  return IsOpen() && ReadLinkByteOn(driver_, handle_, out, observer_);
}

CloseMode LinkSession::CloseModeFor(ResultCode result) const {
  return writeFailed_ || result == ResultTransmitError ? CloseMode::Abort : CloseMode::Drain;
}

ResultCode WriteOnce(InterfaceKind kind, const void* bytes, uint32_t length, bool followed) {
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;
  PercentProgressScope progress(followed ? link.Observer() : nullptr);
  const bool written = link.Write(bytes, length);
  return progress.Ended(link.Finish(written ? ResultOk : ResultTransmitError));
}

ResultCode LinkSession::Finish(ResultCode result) {
  if (!IsOpen()) return result;
  LinkHandle handle = handle_;
  handle_ = InvalidLink;
  bool drained = CloseLinkOn(driver_, handle, CloseModeFor(result), observer_, &lastWrite_);
  return (result == ResultOk && !drained) ? ResultTransmitError : result;
}

}  // namespace varnalux
