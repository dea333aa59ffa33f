#include "protocol/stream_send.h"

#include <memory>
#include <new>

#include "link/link_progress.h"
#include "link/link_session.h"

namespace varnalux {

namespace {

// The progress window for the file's bytes: percent mode when their number
// is known, step mode otherwise. Shown full at its end only after Ended(0).
class StreamProgressScope {
 public:
  StreamProgressScope(LinkProgress* progress, bool sizeKnown) : progress_(progress) {
    if (progress_ != nullptr)
      progress_->Show(sizeKnown ? ProgressPercentMode : ProgressStepMode, 3, 3);
  }
  ~StreamProgressScope() {
    if (progress_ != nullptr) progress_->Hide(result_ == ResultOk);
  }
  StreamProgressScope(const StreamProgressScope&) = delete;
  StreamProgressScope& operator=(const StreamProgressScope&) = delete;

  // The send's result, returned unchanged.
  ResultCode Ended(ResultCode result) {
    result_ = result;
    return result;
  }

 private:
  LinkProgress* progress_;
  ResultCode result_ = ResultUnknownError;
};

}  // namespace

ResultCode SendStream(InterfaceKind kind, const std::string& header, InputFile& file,
                      StreamReport& report) {
  report.sent = 0;
  report.fileResult = InputFileResult::Ok;
  std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[StreamPieceSize]);
  if (!piece) return ResultUnknownError;

  // A file that cannot be read at all sends nothing: the link is not opened.
  size_t count = 0;
  InputFileResult read = file.Read(piece.get(), StreamPieceSize, count);
  if (read != InputFileResult::Ok) {
    report.fileResult = read;
    return ResultFileOpenError;
  }

  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;
  if (!header.empty() && !link.Write(header.data(), static_cast<uint32_t>(header.size())))
    return link.Finish(ResultTransmitError);

  const uint64_t whole = file.SizeKnown() ? file.Size() : UnknownWholeSize;
  ResultCode result = ResultOk;
  // The window stays up through the close, which may wait for the printer.
  StreamProgressScope progress(link.Observer(), file.SizeKnown());
  // The first piece is written even when empty, so an empty file opens and
  // closes the link like an empty buffer does.
  for (bool first = true; first || count > 0; first = false) {
    WritePlace place{report.sent, whole, file.SizeKnown() && report.sent + count < file.Size()};
    if (!link.Write(piece.get(), static_cast<uint32_t>(count), place)) {
      result = ResultTransmitError;
      break;
    }
    report.sent += count;
    read = file.Read(piece.get(), StreamPieceSize, count);
    if (read != InputFileResult::Ok) {
      report.fileResult = read;
      result = ResultFileOpenError;
      break;
    }
  }
  return progress.Ended(link.Finish(result));
}

std::string StreamProblemText(const InputFile& file, const StreamReport& report) {
  const std::string received = report.sent == 0 ? std::string("nothing was sent")
                                                : "the printer received only the first " +
                                                      std::to_string(report.sent) + " bytes";
  if (report.fileResult == InputFileResult::SizeChanged)
    return "changed size while it was read (it had " + std::to_string(file.Size()) +
           " bytes when it was opened); " + received;
  if (report.sent == 0) return "could not be read; " + received;
  return "could not be read to its end; " + received;
}

}  // namespace varnalux
