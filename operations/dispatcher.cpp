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

ResultCode Dispatch(OperationCode operation, InterfaceKind kind, void* data, int32_t extra) {
  // Operations that need a record fail as "Unknow Error" without one.
  auto needs = [&](auto* record) { return record != nullptr; };
  switch (operation) {
    case OpQueryStatus: {
      auto* status = As<PrinterStatus>(data);
      return needs(status) ? QueryStatus(kind, *status) : ResultUnknownError;
    }
    case OpReadConfig: {
      auto* config = As<PrinterConfig>(data);
      if (!needs(config)) return ResultUnknownError;
      StepProgress progress(extra == 1);
      return progress.Ended(ReadConfig(kind, *config));
    }
    case OpWriteConfig: {
      auto* config = As<PrinterConfig>(data);
      if (!needs(config)) return ResultUnknownError;
      StepProgress progress(true);
      return progress.Ended(WriteConfig(kind, *config));
    }
    case OpFactoryDefault: return FactoryDefault(kind);
    case OpDumpText: {
      auto* settings = As<DumpTextSettings>(data);
      return needs(settings) ? DumpText(kind, *settings) : ResultUnknownError;
    }
    case OpPrintConfigurationPage: return PrintConfigurationPage(kind);
    case OpSetClock: {
      auto* clock = As<ClockSettings>(data);
      return needs(clock) ? SetClock(kind, *clock) : ResultUnknownError;
    }
    case OpReadClock: {
      auto* clock = As<ClockSettings>(data);
      return needs(clock) ? ReadClock(kind, *clock) : ResultUnknownError;
    }
    case OpCalibrateSensor:
      return data != nullptr ? CalibrateSensor(kind, ValueAt(data)) : ResultUnknownError;
    case OpResetPrinter: return ResetPrinter(kind);
    case OpReadFileList: {
      // Three DeviceFiles records, indexed by MemoryDevice.
      auto* files = As<DeviceFiles>(data);
      if (!needs(files)) return ResultUnknownError;
      StepProgress progress(true);
      return progress.Ended(ReadFileList(kind, files));
    }
    case OpDownloadFile: {
      // Shows its own progress window while the file's bytes are written.
      auto* request = As<DownloadRequest>(data);
      return needs(request) ? DownloadFile(kind, *request) : ResultUnknownError;
    }
    case OpFormatDevice:
      return data != nullptr ? FormatDevice(kind, ValueAt(data)) : ResultUnknownError;
    case OpSendRaw:
      // The byte count comes in the extra argument; a negative one is refused.
      if (extra < 0) return ResultUnknownError;
      return SendRaw(kind, static_cast<const uint8_t*>(data),
                     static_cast<uint32_t>(data != nullptr ? extra : 0));
    case OpPrintTestPage: {
      auto* request = As<TestPageRequest>(data);
      return needs(request) ? PrintTestPage(kind, *request) : ResultUnknownError;
    }
    case OpIgnoreAutoBas: return IgnoreAutoBas(kind);
    case OpSetNetAddress: {
      auto* settings = As<NetworkSettings>(data);
      return needs(settings) ? SetNetAddress(kind, *settings) : ResultUnknownError;
    }
    case OpSetNetName: {
      auto* settings = As<NetworkSettings>(data);
      return needs(settings) ? SetNetName(kind, *settings) : ResultUnknownError;
    }
    case OpReadNetConfig: {
      auto* settings = As<NetworkSettings>(data);
      return needs(settings) ? ReadNetConfig(kind, *settings) : ResultUnknownError;
    }
    case OpTestConnection: return TestConnection(kind);
    case OpReadPrinterFile: {
      auto* request = As<ReadBackRequest>(data);
      return needs(request) ? ReadPrinterFile(kind, *request) : ResultUnknownError;
    }
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
