#include "operations/dispatcher.h"

#include "link/link_session.h"
#include "operations/progress.h"
#include "protocol/clock.h"
#include "protocol/config_reader.h"
#include "protocol/config_writer.h"
#include "protocol/file_manager.h"
#include "protocol/network_setup.h"
#include "protocol/printer_functions.h"
#include "protocol/report_exchange.h"
#include "protocol/send_raw.h"

namespace varnalux {

ResultCode TestConnection(InterfaceKind kind) {
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;
  return link.Finish(ResultOk);
}

namespace {

// Step mode (3, 3) around an operation: the bar starts at 3 and gains 3 per
// write call. HideProgress runs whatever the operation returned; the bar is
// shown full only when Ended() was given 0.
class StepProgress {
 public:
  explicit StepProgress(bool show) : shown_(show) {
    if (shown_) ShowProgress(ProgressStepMode, 3, 3);
  }
  ~StepProgress() {
    if (shown_) HideProgress(result_ == ResultOk);
  }
  StepProgress(const StepProgress&) = delete;
  StepProgress& operator=(const StepProgress&) = delete;

  // The operation's result, returned unchanged.
  ResultCode Ended(ResultCode result) {
    result_ = result;
    return result;
  }

 private:
  bool shown_;
  ResultCode result_ = ResultUnknownError;
};

template <typename T>
T* As(void* data) {
  return static_cast<T*>(data);
}

int32_t ValueAt(void* data) { return data != nullptr ? *static_cast<int32_t*>(data) : -1; }

// An operation on a record the caller passes; without one it fails as
// "Unknow Error".
template <typename Record, typename Run>
ResultCode OnRecord(void* data, Run run) {
  auto* record = As<Record>(data);
  return record != nullptr ? run(*record) : ResultUnknownError;
}

// The same for an operation of several exchanges, which moves the step
// window (shown when shown is set) and ends it with its result.
template <typename Record, typename Run>
ResultCode OnRecordStepped(void* data, bool shown, Run run) {
  return OnRecord<Record>(data, [&](Record& record) {
    StepProgress progress(shown);
    return progress.Ended(run(record));
  });
}

ResultCode Dispatch(OperationCode operation, InterfaceKind kind, void* data, int32_t extra) {
  switch (operation) {
    case OpQueryStatus:
      return OnRecord<PrinterStatus>(data, [=](auto& status) { return QueryStatus(kind, status); });
    case OpReadConfig:
      return OnRecordStepped<PrinterConfig>(data, extra == 1,
                                            [=](auto& config) { return ReadConfig(kind, config); });
    case OpWriteConfig:
      return OnRecordStepped<PrinterConfig>(
          data, true, [=](auto& config) { return WriteConfig(kind, config); });
    case OpFactoryDefault: return FactoryDefault(kind);
    case OpDumpText:
      return OnRecord<DumpTextSettings>(data, [=](auto& s) { return DumpText(kind, s); });
    case OpPrintConfigurationPage: return PrintConfigurationPage(kind);
    case OpSetClock:
      return OnRecord<ClockSettings>(data, [=](auto& clock) { return SetClock(kind, clock); });
    case OpReadClock:
      return OnRecord<ClockSettings>(data, [=](auto& clock) { return ReadClock(kind, clock); });
    case OpCalibrateSensor:
      return data != nullptr ? CalibrateSensor(kind, ValueAt(data)) : ResultUnknownError;
    case OpResetPrinter: return ResetPrinter(kind);
    case OpReadFileList:
      // Three DeviceFiles records, indexed by MemoryDevice.
      return OnRecordStepped<DeviceFiles>(data, true,
                                          [=](auto& files) { return ReadFileList(kind, &files); });
    case OpDownloadFile:
      // Shows its own progress window while the file's bytes are written.
      return OnRecord<DownloadRequest>(data, [=](auto& r) { return DownloadFile(kind, r); });
    case OpFormatDevice:
      return data != nullptr ? FormatDevice(kind, ValueAt(data)) : ResultUnknownError;
    case OpSendRaw:
      // The byte count comes in the extra argument; a negative one is refused.
      if (extra < 0) return ResultUnknownError;
      return SendRaw(kind, static_cast<const uint8_t*>(data),
                     static_cast<uint32_t>(data != nullptr ? extra : 0));
    case OpPrintTestPage:
      return OnRecord<TestPageRequest>(data, [=](auto& r) { return PrintTestPage(kind, r); });
    case OpIgnoreAutoBas: return IgnoreAutoBas(kind);
    case OpSetNetAddress:
      return OnRecord<NetworkSettings>(data, [=](auto& s) { return SetNetAddress(kind, s); });
    case OpSetNetName:
      return OnRecord<NetworkSettings>(data, [=](auto& s) { return SetNetName(kind, s); });
    case OpReadNetConfig:
      return OnRecord<NetworkSettings>(data, [=](auto& s) { return ReadNetConfig(kind, s); });
    case OpTestConnection: return TestConnection(kind);
    case OpReadPrinterFile:
      return OnRecord<ReadBackRequest>(data, [=](auto& r) { return ReadPrinterFile(kind, r); });
    default: return ResultUnknownError;
  }
}

}  // namespace

ResultCode RunOperation(OperationCode operation, InterfaceKind kind, void* data, int32_t extra) {
  // Compared unsigned: negative codes arrive as large values.
  if (operation > OpLast) return ResultUnknownError;
  // The parallel link cannot read: no status or configuration read on it.
  if ((operation == OpQueryStatus || operation == OpReadConfig) && kind == KindLpt)
    return ResultReceiveError;
  try {
    return Dispatch(operation, kind, data, extra);
  } catch (...) {
    // Nothing may escape to the handler (it must re-enable the window): an
    // allocation failure deep in an operation ends it as "Unknow Error".
    return ResultUnknownError;
  }
}

ResultCode RunFileSend(InterfaceKind kind, InputFile& file, StreamReport& report) {
  try {
    return SendFile(kind, file, report);
  } catch (...) {
    return ResultUnknownError;
  }
}

}  // namespace varnalux
