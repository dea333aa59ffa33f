#include "protocol/config_page_text.h"

#include <cstring>

#include "base/numbers.h"

namespace varnalux {

namespace {

std::string IntText(int32_t value) { return std::to_string(value); }

// A record value v is shown as list item v + 1; outside the list, as none.
int ItemOf(uint8_t valid, int32_t value, int items) {
  if (!valid) return NoSelection;
  int64_t index = static_cast<int64_t>(value) + 1;
  return index >= 0 && index < items ? static_cast<int>(index) : NoSelection;
}

void ShowLength(uint8_t valid, float mm, int unit, std::string& text) {
  if (!valid) {
    text.clear();
    return;
  }
  char buffer[400];
  if (unit == PageUnitInch)
    FormatFixed(static_cast<double>(mm) / 25.4, 2, buffer, sizeof buffer);
  else if (unit == PageUnitMm)
    FormatFixed(static_cast<double>(mm), 2, buffer, sizeof buffer);
  else
    return;  // no unit selected: the text stays as it is
  text = buffer;
}

void ShowBase(uint8_t valid, int32_t value, bool& shown, std::string& text) {
  shown = valid && value != 0;
  text = shown ? IntText(value) : std::string();
}

// Collection of one field; the first failure is kept and ends the rest.
class Collector {
 public:
  explicit Collector(int unit) : unit_(unit) {}

  bool Failed() const { return !result_.ok(); }
  const CollectResult& Result() const { return result_; }

  // A decimal edit: the first comma becomes a period unless raw.
  void Decimal(const std::string& text, uint8_t& flag, float& value, bool length,
               bool raw = false) {
    if (Failed()) return;
    if (text.empty()) {
      flag = 0;
      return;
    }
    std::string t = text;
    if (!raw) {
      size_t comma = t.find(',');
      if (comma != std::string::npos) t[comma] = '.';
    }
    double number = 0.0;
    if (!ParseStrictDecimal(t.c_str(), number)) {
      result_ = {CollectError::BadFloat, text};
      return;
    }
    if (length && unit_ == PageUnitInch) number *= 25.4;
    flag = 1;
    value = static_cast<float>(number);
  }

  void Integer(const std::string& text, uint8_t& flag, int32_t& value) {
    if (Failed()) return;
    if (text.empty()) {
      flag = 0;
      return;
    }
    int32_t number = 0;
    if (!ParseStrictInteger(text.c_str(), number)) {
      result_ = {CollectError::BadInteger, text};
      return;
    }
    flag = 1;
    value = number;
  }

  void List(int index, uint8_t& flag, int32_t& value) {
    if (Failed()) return;
    if (index > 0) {
      flag = 1;
      value = index - 1;
    } else {
      flag = 0;
    }
  }

 private:
  int unit_;
  CollectResult result_;
};

}  // namespace

std::string CollectResult::Message() const {
  switch (error) {
    case CollectError::BadFloat: return "'" + text + "' is not a valid floating point value";
    case CollectError::BadInteger: return "'" + text + "' is not a valid integer value";
    case CollectError::None: break;
  }
  return std::string();
}

void ShowConfigText(const PrinterConfig& c, int unit, ConfigPageText& page) {
  page.version.assign(c.version, strnlen(c.version, sizeof c.version));
  page.milage.assign(c.milage, strnlen(c.milage, sizeof c.milage));
  page.checksum.assign(c.checksum, strnlen(c.checksum, sizeof c.checksum));

  if (c.speedValid) {
    char buffer[64];
    FormatGeneral15(static_cast<double>(c.speed), buffer, sizeof buffer);
    page.speed = buffer;
  } else {
    page.speed.clear();
  }
  page.density = ItemOf(c.densityValid, c.density, DensityItems);
  ShowBase(c.densityBaseValid, c.densityBase, page.densityBaseShown, page.densityBase);
  ShowLength(c.paperWidthValid, c.paperWidth, unit, page.width);
  ShowLength(c.paperHeightValid, c.paperHeight, unit, page.height);
  page.mediaSensor = ItemOf(c.sensorModeValid, c.sensorMode, MediaSensorItems);
  ShowLength(c.gapSizeValid, c.gapSize, unit, page.gapSize);
  ShowLength(c.gapOffsetValid, c.gapOffset, unit, page.gapOffset);
  page.printOut = ItemOf(c.printOutValid, c.printOut, PrintOutItems);
  page.cutterPiece = c.cutterPieceValid && page.printOut == PrintOutItemCutter
                         ? IntText(c.cutterPiece)
                         : std::string();
  page.referenceX = c.referenceXValid ? IntText(c.referenceX) : std::string();
  page.referenceY = c.referenceYValid ? IntText(c.referenceY) : std::string();
  page.direction = ItemOf(c.directionValid, c.direction, OnOffItems);
  page.mirror = ItemOf(c.mirrorValid, c.mirror, OnOffItems);
  page.offset = c.offsetValid ? IntText(c.offset) : std::string();
  ShowBase(c.offsetBaseValid, c.offsetBase, page.offsetBaseShown, page.offsetBase);
  page.shiftY = c.shiftValid ? IntText(c.shift) : std::string();
  ShowBase(c.shiftBaseValid, c.shiftBase, page.shiftYBaseShown, page.shiftYBase);
  page.shiftX = c.shiftXValid ? IntText(c.shiftX) : std::string();
  ShowBase(c.shiftXBaseValid, c.shiftXBase, page.shiftXBaseShown, page.shiftXBase);
  page.ribbon = ItemOf(c.ribbonValid, c.ribbon, OnOffItems);
  page.codePage = ItemOf(c.codePageValid, c.codePage, CodePageItems);
  page.country = ItemOf(c.countryValid, c.country, CountryItems);
  page.head = ItemOf(c.headValid, c.head, OnOffItems);
  page.reprint = ItemOf(c.reprintValid, c.reprint, OnOffItems);
  page.gapInten = c.gapIntenValid ? IntText(c.gapInten) : std::string();
  page.blineInten = c.blineIntenValid ? IntText(c.blineInten) : std::string();
  page.conInten = c.conIntenValid ? IntText(c.conInten) : std::string();
  // The baud list shows the table index itself: its entry "0" sits where the
  // list has the empty item.
  page.baudRate = c.baudRateValid && c.baudRate >= 0 && c.baudRate < BaudRateItems
                      ? static_cast<int>(c.baudRate)
                      : NoSelection;
  page.dataBits = ItemOf(c.dataBitsValid, c.dataBits, DataBitItems);
  page.parity = ItemOf(c.parityValid, c.parity, ParityItems);
  page.stopBits = ItemOf(c.stopBitsValid, c.stopBits, StopBitItems);
}

CollectResult CollectConfigText(const ConfigPageText& p, int unit, PrinterConfig& o) {
  Collector c(unit);
  c.Decimal(p.speed, o.speedValid, o.speed, false);
  c.List(p.density, o.densityValid, o.density);
  c.Decimal(p.width, o.paperWidthValid, o.paperWidth, true);
  c.Decimal(p.height, o.paperHeightValid, o.paperHeight, true);
  c.List(p.mediaSensor, o.sensorModeValid, o.sensorMode);
  c.Decimal(p.gapSize, o.gapSizeValid, o.gapSize, true);
  c.Decimal(p.gapOffset, o.gapOffsetValid, o.gapOffset, true, true);
  c.List(p.printOut, o.printOutValid, o.printOut);
  c.Integer(p.cutterPiece, o.cutterPieceValid, o.cutterPiece);
  c.Integer(p.referenceX, o.referenceXValid, o.referenceX);
  c.Integer(p.referenceY, o.referenceYValid, o.referenceY);
  c.List(p.direction, o.directionValid, o.direction);
  c.List(p.mirror, o.mirrorValid, o.mirror);
  c.Integer(p.offset, o.offsetValid, o.offset);
  c.Integer(p.shiftY, o.shiftValid, o.shift);
  c.Integer(p.shiftX, o.shiftXValid, o.shiftX);
  c.List(p.ribbon, o.ribbonValid, o.ribbon);
  c.List(p.codePage, o.codePageValid, o.codePage);
  c.List(p.country, o.countryValid, o.country);
  c.List(p.head, o.headValid, o.head);
  c.List(p.reprint, o.reprintValid, o.reprint);
  // Only the intensity of the selected sensor counts.
  const std::string none;
  c.Integer(p.mediaSensor == SensorItemGap ? p.gapInten : none, o.gapIntenValid, o.gapInten);
  c.Integer(p.mediaSensor == SensorItemBline ? p.blineInten : none, o.blineIntenValid,
            o.blineInten);
  c.Integer(p.mediaSensor == SensorItemContinuous ? p.conInten : none, o.conIntenValid, o.conInten);
  if (!c.Failed()) {
    // The baud list's index is the table index, not shifted.
    o.baudRateValid = p.baudRate > 0 ? 1 : 0;
    if (p.baudRate > 0) o.baudRate = p.baudRate;
  }
  c.List(p.dataBits, o.dataBitsValid, o.dataBits);
  c.List(p.parity, o.parityValid, o.parity);
  c.List(p.stopBits, o.stopBitsValid, o.stopBits);
  return c.Result();
}

CollectResult CollectFromRecord(const PrinterConfig& config, int unit, PrinterConfig& out) {
  ConfigPageText page;
  ShowConfigText(config, unit, page);
  ResetConfig(out);
  return CollectConfigText(page, unit, out);
}

}  // namespace varnalux
