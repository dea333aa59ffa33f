#include "protocol/config_reader.h"

#include <cmath>
#include <cstddef>

#include "base/numbers.h"
#include "link/link_session.h"
#include "link/link_settings.h"
#include "protocol/report_exchange.h"

namespace varnalux {

namespace {

// How one answer becomes a field.
enum class Conversion { Text, Decimal, Integer, DotsToMm, Lookup };

struct ReadStep {
  const char* query;
  Conversion conversion;
  uint8_t PrinterConfig::*flag;     // null for the texts
  int32_t PrinterConfig::*integer;  // Integer, Lookup
  float PrinterConfig::*decimal;    // Decimal, DotsToMm
  char* (*text)(PrinterConfig&);    // Text: the field ...
  int textSize;                     // ... and its size
  const LookupTable* table;         // Lookup
};

char* VersionField(PrinterConfig& c) { return c.version; }
char* MilageField(PrinterConfig& c) { return c.milage; }
char* ChecksumField(PrinterConfig& c) { return c.checksum; }

constexpr ReadStep Text(const char* q, char* (*field)(PrinterConfig&), int size) {
  return {q, Conversion::Text, nullptr, nullptr, nullptr, field, size, nullptr};
}
constexpr ReadStep Int(const char* q, uint8_t PrinterConfig::*f, int32_t PrinterConfig::*v) {
  return {q, Conversion::Integer, f, v, nullptr, nullptr, 0, nullptr};
}
constexpr ReadStep Dec(const char* q, uint8_t PrinterConfig::*f, float PrinterConfig::*v) {
  return {q, Conversion::Decimal, f, nullptr, v, nullptr, 0, nullptr};
}
constexpr ReadStep Dots(const char* q, uint8_t PrinterConfig::*f, float PrinterConfig::*v) {
  return {q, Conversion::DotsToMm, f, nullptr, v, nullptr, 0, nullptr};
}
constexpr ReadStep Look(const char* q, uint8_t PrinterConfig::*f, int32_t PrinterConfig::*v,
                        const LookupTable* t) {
  return {q, Conversion::Lookup, f, v, nullptr, nullptr, 0, t};
}

using C = PrinterConfig;

// The queries after DPI that every printer must answer, in wire order.
const ReadStep Mandatory[] = {
    Text("DIAGNOSTIC REPORT VERSION\r\n", VersionField, sizeof C::version),
    Text("DIAGNOSTIC REPORT MILAGE\r\n", MilageField, sizeof C::milage),
    Text("DIAGNOSTIC REPORT CHECKSUM\r\n", ChecksumField, sizeof C::checksum),
    Dec("DIAGNOSTIC REPORT SPEED\r\n", &C::speedValid, &C::speed),
    Int("DIAGNOSTIC REPORT DENSITY\r\n", &C::densityValid, &C::density),
    Int("DIAGNOSTIC REPORT DENSITYBASE\r\n", &C::densityBaseValid, &C::densityBase),
    Dots("DIAGNOSTIC REPORT PAPERWIDTH\r\n", &C::paperWidthValid, &C::paperWidth),
    Dots("DIAGNOSTIC REPORT PAPERHEIGHT\r\n", &C::paperHeightValid, &C::paperHeight),
    Int("DIAGNOSTIC REPORT SENSORMODE\r\n", &C::sensorModeValid, &C::sensorMode),
    Dots("DIAGNOSTIC REPORT GAPSIZE\r\n", &C::gapSizeValid, &C::gapSize),
    Dots("DIAGNOSTIC REPORT GAPOFFSET\r\n", &C::gapOffsetValid, &C::gapOffset),
    Int("DIAGNOSTIC REPORT PRINTOUT\r\n", &C::printOutValid, &C::printOut),
    Int("DIAGNOSTIC REPORT CUTTERPIECE\r\n", &C::cutterPieceValid, &C::cutterPiece),
    Int("DIAGNOSTIC REPORT REFERENCEX\r\n", &C::referenceXValid, &C::referenceX),
    Int("DIAGNOSTIC REPORT REFERENCEY\r\n", &C::referenceYValid, &C::referenceY),
    // The printer spells this key without the E.
    Int("DIAGNOSTIC REPORT DIRCTION\r\n", &C::directionValid, &C::direction),
    Int("DIAGNOSTIC REPORT MIRROR\r\n", &C::mirrorValid, &C::mirror),
    Int("DIAGNOSTIC REPORT OFFSET\r\n", &C::offsetValid, &C::offset),
    Int("DIAGNOSTIC REPORT OFFSETBASE\r\n", &C::offsetBaseValid, &C::offsetBase),
    Int("DIAGNOSTIC REPORT SHIFT\r\n", &C::shiftValid, &C::shift),
    Int("DIAGNOSTIC REPORT SHIFTBASE\r\n", &C::shiftBaseValid, &C::shiftBase),
    Int("DIAGNOSTIC REPORT RIBBON\r\n", &C::ribbonValid, &C::ribbon),
    Look("DIAGNOSTIC REPORT CODEPAGE\r\n", &C::codePageValid, &C::codePage, &CodePageTable),
    Look("DIAGNOSTIC REPORT COUNTRY\r\n", &C::countryValid, &C::country, &CountryTable),
    Int("DIAGNOSTIC REPORT HEAD\r\n", &C::headValid, &C::head),
    Int("DIAGNOSTIC REPORT GAPINTEN\r\n", &C::gapIntenValid, &C::gapInten),
    Int("DIAGNOSTIC REPORT BLINEINTEN\r\n", &C::blineIntenValid, &C::blineInten),
    Int("DIAGNOSTIC REPORT CONINTEN\r\n", &C::conIntenValid, &C::conInten),
    Look("DIAGNOSTIC REPORT BAUDRATE\r\n", &C::baudRateValid, &C::baudRate, &BaudRateTable),
    Look("DIAGNOSTIC REPORT DATABIT\r\n", &C::dataBitsValid, &C::dataBits, &DataBitTable),
    Look("DIAGNOSTIC REPORT PARITY\r\n", &C::parityValid, &C::parity, &ParityTable),
    Look("DIAGNOSTIC REPORT STOPBIT\r\n", &C::stopBitsValid, &C::stopBits, &StopBitTable),
};

// Keys that older printers do not know; the first one missing ends the read
// successfully.
const ReadStep Optional[] = {
    Int("DIAGNOSTIC REPORT REPRINT\r\n", &C::reprintValid, &C::reprint),
    Int("DIAGNOSTIC REPORT SHIFTX\r\n", &C::shiftXValid, &C::shiftX),
    Int("DIAGNOSTIC REPORT SHIFTXBASE\r\n", &C::shiftXBaseValid, &C::shiftXBase),
};

void Store(const ReadStep& step, const char* payload, PrinterConfig& config) {
  switch (step.conversion) {
    case Conversion::Text:
      // Cut to the field; the rest of the field is cleared.
      CopyText(step.text(config), step.textSize, payload);
      return;
    case Conversion::Decimal:
      config.*step.decimal = static_cast<float>(LenientDecimal(payload));
      break;
    case Conversion::Integer: config.*step.integer = LenientInteger(payload); break;
    case Conversion::DotsToMm:
      config.*step.decimal = static_cast<float>(LenientInteger(payload)) / config.dotsPerMm;
      break;
    case Conversion::Lookup: config.*step.integer = LookupIndex(*step.table, payload); break;
  }
  config.*step.flag = 1;
}

// Dots per millimetre from the resolution: dpi / 25.4 in tenths, truncated,
// rounded to whole dots. False when that leaves no usable factor (zero,
// a resolution under about 12.7 dpi, or a value that is not finite).
bool DotsPerMmFromDpi(float dpi, float& dotsPerMm) {
  float tenths = dpi * 0.0393700793314f * 10.0f;
  if (!std::isfinite(tenths) || std::fabs(tenths) >= 2147483000.0f) return false;
  int32_t truncated = static_cast<int32_t>(tenths);
  if (truncated == 0) return false;
  int32_t rounded = (truncated + 5) / 10 * 10;
  if (rounded == 0) return false;
  dotsPerMm = static_cast<float>(rounded * 0.1);
  return true;
}

}  // namespace

ResultCode ReadConfig(InterfaceKind kind, PrinterConfig& config) {
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;

  char scratch[ReportBodyMax];
  uint32_t length = 0;
  auto fail = [&](ResultCode code) { return link.Finish(code); };

  const char* announcement = InterfaceAnnouncement(kind);
  if (announcement == nullptr) return fail(ResultUnknownError);
  ResultCode code = QueryReport(link, announcement, scratch, sizeof scratch, length);
  if (code != ResultOk) return fail(code);

  code = QueryReport(link, "DIAGNOSTIC REPORT DPI\r\n", scratch, sizeof scratch, length);
  if (code != ResultOk) return fail(code);
  config.dpi = static_cast<float>(LenientDecimal(scratch));
  float dotsPerMm = 0.0f;
  if (!DotsPerMmFromDpi(config.dpi, dotsPerMm)) return fail(ResultReceiveError);
  config.dotsPerMm = dotsPerMm;
  config.dpiValid = 1;

  for (const ReadStep& step : Mandatory) {
    code = QueryReport(link, step.query, scratch, sizeof scratch, length);
    if (code != ResultOk) return fail(code);
    Store(step, scratch, config);
  }

  for (const ReadStep& step : Optional) {
    if (QueryReport(link, step.query, scratch, sizeof scratch, length) != ResultOk) {
      config.*step.flag = 0;
      break;
    }
    Store(step, scratch, config);
  }

  return link.Finish(ResultOk);
}

}  // namespace varnalux
