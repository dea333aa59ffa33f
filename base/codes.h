// Small integer codes shared by every layer: which link, which operation,
// and how an operation ended.
#pragma once

#include <cstdint>

namespace varnalux {

// Item index of the interface list: the link an operation runs on.
using InterfaceKind = int32_t;
inline constexpr InterfaceKind KindUsb = 0;
inline constexpr InterfaceKind KindCom = 1;
inline constexpr InterfaceKind KindLpt = 2;
inline constexpr InterfaceKind KindEthernet = 3;

// One printer operation each; the dispatcher's table lists them.
using OperationCode = uint32_t;
inline constexpr OperationCode OpQueryStatus = 0;
inline constexpr OperationCode OpReadConfig = 1;
inline constexpr OperationCode OpWriteConfig = 2;
inline constexpr OperationCode OpFactoryDefault = 3;
inline constexpr OperationCode OpDumpText = 4;
inline constexpr OperationCode OpPrintConfigurationPage = 5;
inline constexpr OperationCode OpSetClock = 6;
inline constexpr OperationCode OpReadClock = 7;
inline constexpr OperationCode OpCalibrateSensor = 8;
inline constexpr OperationCode OpResetPrinter = 9;
inline constexpr OperationCode OpReadFileList = 10;
inline constexpr OperationCode OpDownloadFile = 11;
inline constexpr OperationCode OpSendRaw = 12;
inline constexpr OperationCode OpFormatDevice = 13;
inline constexpr OperationCode OpPrintTestPage = 14;
inline constexpr OperationCode OpIgnoreAutoBas = 15;
inline constexpr OperationCode OpSetNetAddress = 16;
inline constexpr OperationCode OpSetNetName = 17;
inline constexpr OperationCode OpReadNetConfig = 18;
inline constexpr OperationCode OpTestConnection = 19;
inline constexpr OperationCode OpReadPrinterFile = 20;
inline constexpr OperationCode OpLast = OpReadPrinterFile;

// How an operation ended; the dispatcher holds their texts.
using ResultCode = int32_t;
inline constexpr ResultCode ResultOk = 0;
inline constexpr ResultCode ResultPortOpenError = 1;
inline constexpr ResultCode ResultTransmitError = 2;
inline constexpr ResultCode ResultReceiveError = 3;
inline constexpr ResultCode ResultFileOpenError = 4;
inline constexpr ResultCode ResultUnknownError = 5;

// How a close treats the bytes still on their way to the printer.
enum class CloseMode {
  Drain,  // wait while the printer keeps taking them
  Abort,  // a write already failed: drop them at once, the queue cannot drain
};

}  // namespace varnalux
