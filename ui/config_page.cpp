#include "ui/config_page.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>
#include <cstring>
#include <utility>

#include "protocol/config_file.h"
#include "ui/dialog_seam.h"
#include "ui/form_font.h"
#include "ui/printer_operation.h"
#include "ui/tab_order.h"

using varnalux::ConfigPageText;
using varnalux::PrinterConfig;

namespace {

const QString kConfigFilter = QStringLiteral("*.dcf (*.dcf)");

// Limits what the user types to max characters, as a length limit that
// applies to typing only: a longer text set by the program stays whole and
// can still be shortened.
class TypedLengthValidator : public QValidator {
 public:
  TypedLengthValidator(QLineEdit* edit, int max) : QValidator(edit), max_(max) {
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { accepted_ = text.size(); });
  }
  State validate(QString& input, int&) const override {
    return input.size() <= max_ || input.size() <= accepted_ ? Acceptable : Invalid;
  }

 private:
  int max_;
  qsizetype accepted_ = 0;
};

QString FromField(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

// Sets an edit's text showing its start, as a longer value would be read.
void SetText(QLineEdit* edit, const QString& text) {
  if (edit->text() == text) return;
  edit->setText(text);
  edit->setCursorPosition(0);
}

std::string ToUtf8(const QString& text) { return text.toStdString(); }

QStringList Items(std::initializer_list<const char*> items) {
  QStringList list;
  for (const char* item : items) list << QString::fromLatin1(item);
  return list;
}

// The item an editable list shows: its text (typed, pasted or picked) looked
// up among the items, whatever was selected before. An empty text is the
// empty first item; a text that is no item is no selection.
int ShownItem(const QComboBox* box) {
  const QString text = box->currentText().trimmed();
  if (text.isEmpty()) return 0;
  const int index = box->findText(text, Qt::MatchFixedString);
  return index >= 0 ? index : varnalux::NoSelection;
}

// The empty first item, then the entries of a table in order.
QStringList TableItems(const varnalux::LookupTable& table) {
  QStringList list{QString()};
  for (int32_t i = 0; i < table.size; ++i) list << QString::fromLatin1(table.entries[i]);
  return list;
}

}  // namespace

ConfigPage::ConfigPage(OperationHost& operations, DialogSeam& seam, ConfigPageRecords records,
                       QWidget* parent)
    : QGroupBox(parent), operations_(operations), seam_(seam), records_(std::move(records)) {
  Build();
  ShowConfig(records_.config);
}

void ConfigPage::Build() {
  setObjectName(QStringLiteral("GroupBoxPrinterConfiguration"));
  setTitle(QStringLiteral("Printer Configuration"));

  // A caption names its field for screen readers and keyboard users.
  auto label = [](const char* text, QWidget* parent, QWidget* buddy) {
    auto* l = new QLabel(QString::fromLatin1(text), parent);
    l->setBuddy(buddy);
    return l;
  };
  auto edit = [](const char* name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
  };
  auto combo = [](const char* name, const QStringList& items, bool editable, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(editable);
    if (editable) c->setInsertPolicy(QComboBox::NoInsert);
    c->addItems(items);
    c->setCurrentIndex(0);
    return c;
  };
  // A base value beside its edit: shown only when the printer reports one.
  auto base = [&](const char* name, QWidget* parent) {
    QLineEdit* e = edit(name, parent);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::ClickFocus);
    e->setEnabled(false);
    QSizePolicy policy = e->sizePolicy();
    policy.setRetainSizeWhenHidden(true);  // its edit keeps the same width
    e->setSizePolicy(policy);
    e->setVisible(false);
    return e;
  };
  auto pair = [](QWidget* a, QWidget* b) {
    auto* row = new QHBoxLayout;
    row->setSpacing(3);
    row->addWidget(a, 1);
    row->addWidget(b, 1);
    return row;
  };

  // Printer information (read-only texts).
  auto* info = new QGroupBox(QStringLiteral("Printer Infomation"), this);
  info->setObjectName(QStringLiteral("GroupBoxPrinterInfomation"));
  editVersion_ = edit("EditVersion", info);
  editMilage_ = edit("EditMilage", info);
  editChecksum_ = edit("EditChecksum", info);
  for (QLineEdit* e : {editVersion_, editMilage_, editChecksum_}) {
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::ClickFocus);  // selectable for copying, not a tab stop
  }
  auto* infoGrid = new QGridLayout(info);
  infoGrid->setContentsMargins(6, 2, 6, 4);
  infoGrid->setVerticalSpacing(2);
  infoGrid->addWidget(label("Version:", info, editVersion_), 0, 0);
  infoGrid->addWidget(editVersion_, 0, 1, 1, 5);
  infoGrid->addWidget(label("Milage:", info, editMilage_), 1, 0);
  infoGrid->addWidget(editMilage_, 1, 1);
  infoGrid->addWidget(label("Km", info, editMilage_), 1, 2);
  infoGrid->addWidget(label("Check Sum:", info, editChecksum_), 1, 3);
  infoGrid->addWidget(editChecksum_, 1, 4, 1, 2);
  infoGrid->setColumnStretch(1, 1);
  infoGrid->setColumnStretch(4, 1);

  // Printer setup.
  auto* setup = new QGroupBox(QStringLiteral("Printer Setup"), this);
  setup->setObjectName(QStringLiteral("GroupBoxPrinterSetup"));
  editSpeed_ = edit("EditSpeed", setup);
  editSpeed_->setValidator(new TypedLengthValidator(editSpeed_, 2));
  QStringList densities{QString()};
  for (int i = 0; i <= 15; ++i) densities << QString::number(i);
  comboBoxDensity_ = combo("ComboBoxDensity", densities, false, setup);
  editDensityBase_ = base("EditDensityBase", setup);
  editDensityBase_->setReadOnly(false);  // hidden and disabled, not read-only
  editWidth_ = edit("EditWidth", setup);
  editHeight_ = edit("EditHeight", setup);
  comboBoxMediaSensor_ =
      combo("ComboBoxMediaSensor", Items({"", "Gap", "Bline", "Continuous"}), false, setup);
  editGapSize_ = edit("EditGapSize", setup);
  editGapOffset_ = edit("EditGapOffset", setup);
  comboBoxPrintOut_ =
      combo("ComboBoxPrintOut", Items({"", "OFF", "TEAR", "PEEL", "CUTTER"}), false, setup);
  editCutterPiece_ = edit("EditCutterPiece", setup);
  editReferenceX_ = edit("EditReferenceX", setup);
  editReferenceY_ = edit("EditReferenceY", setup);
  comboBoxDirection_ = combo("ComboBoxDirection", Items({"", "0", "1"}), false, setup);
  comboBoxMirror_ = combo("ComboBoxMirror", Items({"", "0", "1"}), false, setup);
  editOffset_ = edit("EditOffset", setup);
  editOffsetBase_ = base("EditOffsetBase", setup);
  editShiftX_ = edit("EditShiftX", setup);
  editShiftXBase_ = base("EditShiftXBase", setup);
  editShiftY_ = edit("EditShiftY", setup);
  editShiftYBase_ = base("EditShiftYBase", setup);
  comboBoxRibbon_ = combo("ComboBoxRibbon", Items({"", "OFF", "ON"}), true, setup);
  comboBoxCodePage_ = combo("ComboBoxCodePage", TableItems(varnalux::CodePageTable), false, setup);
  comboBoxCountryCode_ =
      combo("ComboBoxCountryCode", TableItems(varnalux::CountryTable), true, setup);
  comboBoxHead_ = combo("ComboBoxHead", Items({"", "OFF", "ON"}), false, setup);
  comboBoxReprint_ = combo("ComboBoxReprint", Items({"", "OFF", "ON"}), false, setup);
  comboBoxReprint_->setCurrentIndex(-1);  // the one list without a first selection
  editGapInten_ = edit("EditGapInten", setup);
  editBlineInten_ = edit("EditBlineInten", setup);
  editContinuousInten_ = edit("EditContinuousInten", setup);
  comboBoxBaudrate_ =
      combo("ComboBoxBaudrate",
            Items({"", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}), false,
            setup);
  comboBoxDatabit_ = combo("ComboBoxDatabit", Items({"", "7", "8"}), false, setup);
  comboBoxParity_ = combo("ComboBoxParity", Items({"", "None", "Odd", "Even"}), false, setup);
  comboBoxStopBit_ = combo("ComboBoxStopBit", Items({"", "1", "2"}), false, setup);
  // Fields without a caption of their own, and the edit parts of the two
  // editable lists, are named for screen readers by their caption and role.
  editReferenceX_->setAccessibleName(QStringLiteral("Reference: X"));
  editReferenceY_->setAccessibleName(QStringLiteral("Reference: Y"));
  comboBoxMirror_->setAccessibleName(QStringLiteral("Direction: Mirror"));
  editDensityBase_->setAccessibleName(QStringLiteral("Density: Base"));
  editOffsetBase_->setAccessibleName(QStringLiteral("Offset: Base"));
  editShiftXBase_->setAccessibleName(QStringLiteral("Shift X: Base"));
  editShiftYBase_->setAccessibleName(QStringLiteral("Shift Y: Base"));
  comboBoxRibbon_->lineEdit()->setAccessibleName(QStringLiteral("Ribbon:"));
  comboBoxCountryCode_->lineEdit()->setAccessibleName(QStringLiteral("Country Code:"));

  auto* grid = new QGridLayout(setup);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setVerticalSpacing(1);
  grid->setHorizontalSpacing(4);
  int row = 0;
  auto left = [&](const char* caption, QWidget* w) {
    grid->addWidget(label(caption, setup, w), row, 0);
    grid->addWidget(w, row++, 1);
  };
  auto leftPair = [&](const char* caption, QWidget* a, QWidget* b) {
    grid->addWidget(label(caption, setup, a), row, 0);
    grid->addLayout(pair(a, b), row++, 1);
  };
  left("Speed:", editSpeed_);
  leftPair("Density:", comboBoxDensity_, editDensityBase_);
  left("Paper Width(unit):", editWidth_);
  left("Paper Height(unit):", editHeight_);
  left("Media Sensor:", comboBoxMediaSensor_);
  left("Gap(unit):", editGapSize_);
  left("Gap Offset(unit):", editGapOffset_);
  left("Post-Print Acttion:", comboBoxPrintOut_);
  left("Cut Piece:", editCutterPiece_);
  leftPair("Reference:", editReferenceX_, editReferenceY_);
  leftPair("Direction:", comboBoxDirection_, comboBoxMirror_);
  leftPair("Offset:", editOffset_, editOffsetBase_);
  leftPair("Shift X:", editShiftX_, editShiftXBase_);
  leftPair("Shift Y:", editShiftY_, editShiftYBase_);
  row = 0;
  auto right = [&](const char* caption, QWidget* w) {
    grid->addWidget(label(caption, setup, w), row, 3);
    grid->addWidget(w, row++, 4);
  };
  right("Ribbon:", comboBoxRibbon_);
  right("Code Page:", comboBoxCodePage_);
  right("Country Code:", comboBoxCountryCode_);
  right("Head-up Sensor:", comboBoxHead_);
  right("Reprint After Error:", comboBoxReprint_);
  right("Gap Inten.:", editGapInten_);
  right("Bline Inten.:", editBlineInten_);
  right("Continuous Inten.:", editContinuousInten_);
  right("Baud Rate:", comboBoxBaudrate_);
  right("Data Bits:", comboBoxDatabit_);
  right("Parity:", comboBoxParity_);
  right("Stop Bit(s):", comboBoxStopBit_);
  grid->setColumnMinimumWidth(2, 8);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(4, 1);

  // Unit of the four lengths: two columns, 'inch' selected at start.
  radioGroupUnit_ = new QGroupBox(QStringLiteral("Unit"), this);
  radioGroupUnit_->setObjectName(QStringLiteral("RadioGroupUnit"));
  radioInch_ = new QRadioButton(QStringLiteral("inch"), radioGroupUnit_);
  radioInch_->setObjectName(QStringLiteral("RadioUnitInch"));
  radioMm_ = new QRadioButton(QStringLiteral("mm"), radioGroupUnit_);
  radioMm_->setObjectName(QStringLiteral("RadioUnitMm"));
  unitButtons_ = new QButtonGroup(this);
  unitButtons_->addButton(radioInch_, varnalux::PageUnitInch);
  unitButtons_->addButton(radioMm_, varnalux::PageUnitMm);
  radioInch_->setChecked(true);
  OneTabStopPerChoice(unitButtons_);
  auto* unitRow = new QHBoxLayout(radioGroupUnit_);
  unitRow->setContentsMargins(6, 0, 6, 2);
  unitRow->addWidget(radioInch_);
  unitRow->addWidget(radioMm_);
  // The unit choice keeps its captions whole; the buttons beside it give way.
  radioGroupUnit_->setMinimumWidth(radioGroupUnit_->sizeHint().width());

  auto button = [this](const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    return b;
  };
  buttonClear_ = button("ButtonClear", "&Clear");
  buttonLoad_ = button("ButtonLoad", "&Load");
  buttonSave_ = button("ButtonSave", "Sa&ve");
  buttonSet_ = button("ButtonSet", "&Set");
  buttonRead_ = button("ButtonRead", "&Read");
  for (QPushButton* b : {buttonClear_, buttonLoad_, buttonSave_, buttonSet_, buttonRead_})
    b->setMinimumWidth(FormPixels(60));
  connect(buttonClear_, &QPushButton::clicked, this, &ConfigPage::ButtonClearClick);
  connect(buttonLoad_, &QPushButton::clicked, this, &ConfigPage::ButtonLoadClick);
  connect(buttonSave_, &QPushButton::clicked, this, &ConfigPage::ButtonSaveClick);
  connect(buttonSet_, &QPushButton::clicked, this, &ConfigPage::ButtonSetClick);
  connect(buttonRead_, &QPushButton::clicked, this, &ConfigPage::ButtonReadClick);

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(4);
  bottom->addWidget(radioGroupUnit_);
  bottom->addStretch(1);
  for (QPushButton* b : {buttonClear_, buttonLoad_, buttonSave_, buttonSet_, buttonRead_})
    bottom->addWidget(b, 0, Qt::AlignBottom);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 4);
  layout->setSpacing(2);
  layout->addWidget(info);
  layout->addWidget(setup, 1);
  layout->addLayout(bottom);
}

std::vector<QWidget*> ConfigPage::TabOrder() const {
  return {editSpeed_,           comboBoxDensity_,
          editDensityBase_,     editWidth_,
          editHeight_,          comboBoxMediaSensor_,
          editGapSize_,         editGapOffset_,
          comboBoxPrintOut_,    editCutterPiece_,
          editReferenceX_,      editReferenceY_,
          comboBoxDirection_,   comboBoxMirror_,
          editOffset_,          editOffsetBase_,
          editShiftX_,          editShiftXBase_,
          editShiftY_,          editShiftYBase_,
          comboBoxRibbon_,      comboBoxCodePage_,
          comboBoxCountryCode_, comboBoxHead_,
          comboBoxReprint_,     editGapInten_,
          editBlineInten_,      editContinuousInten_,
          comboBoxBaudrate_,    comboBoxDatabit_,
          comboBoxParity_,      comboBoxStopBit_,
          radioInch_,           radioMm_,
          buttonClear_,         buttonLoad_,
          buttonSave_,          buttonSet_,
          buttonRead_};
}

int ConfigPage::Unit() const { return unitButtons_->checkedId(); }

void ConfigPage::SelectUnit(int unit) {
  if (unit < 0) {
    // No unit: the group needs to be non-exclusive to clear its selection.
    unitButtons_->setExclusive(false);
    radioInch_->setChecked(false);
    radioMm_->setChecked(false);
    unitButtons_->setExclusive(true);
    return;
  }
  (unit == varnalux::PageUnitInch ? radioInch_ : radioMm_)->setChecked(true);
}

ConfigPageText ConfigPage::PageText() const {
  ConfigPageText p;
  p.version = ToUtf8(editVersion_->text());
  p.milage = ToUtf8(editMilage_->text());
  p.checksum = ToUtf8(editChecksum_->text());
  p.speed = ToUtf8(editSpeed_->text());
  p.density = comboBoxDensity_->currentIndex();
  p.densityBaseShown = !editDensityBase_->isHidden();
  p.densityBase = ToUtf8(editDensityBase_->text());
  p.width = ToUtf8(editWidth_->text());
  p.height = ToUtf8(editHeight_->text());
  p.mediaSensor = comboBoxMediaSensor_->currentIndex();
  p.gapSize = ToUtf8(editGapSize_->text());
  p.gapOffset = ToUtf8(editGapOffset_->text());
  p.printOut = comboBoxPrintOut_->currentIndex();
  p.cutterPiece = ToUtf8(editCutterPiece_->text());
  p.referenceX = ToUtf8(editReferenceX_->text());
  p.referenceY = ToUtf8(editReferenceY_->text());
  p.direction = comboBoxDirection_->currentIndex();
  p.mirror = comboBoxMirror_->currentIndex();
  p.offset = ToUtf8(editOffset_->text());
  p.offsetBaseShown = !editOffsetBase_->isHidden();
  p.offsetBase = ToUtf8(editOffsetBase_->text());
  p.shiftY = ToUtf8(editShiftY_->text());
  p.shiftYBaseShown = !editShiftYBase_->isHidden();
  p.shiftYBase = ToUtf8(editShiftYBase_->text());
  p.shiftX = ToUtf8(editShiftX_->text());
  p.shiftXBaseShown = !editShiftXBase_->isHidden();
  p.shiftXBase = ToUtf8(editShiftXBase_->text());
  p.ribbon = ShownItem(comboBoxRibbon_);
  p.codePage = comboBoxCodePage_->currentIndex();
  p.country = ShownItem(comboBoxCountryCode_);
  p.head = comboBoxHead_->currentIndex();
  p.reprint = comboBoxReprint_->currentIndex();
  p.gapInten = ToUtf8(editGapInten_->text());
  p.blineInten = ToUtf8(editBlineInten_->text());
  p.conInten = ToUtf8(editContinuousInten_->text());
  p.baudRate = comboBoxBaudrate_->currentIndex();
  p.dataBits = comboBoxDatabit_->currentIndex();
  p.parity = comboBoxParity_->currentIndex();
  p.stopBits = comboBoxStopBit_->currentIndex();
  return p;
}

void ConfigPage::ApplyPageText(const ConfigPageText& p) {
  // The information texts are the printer's bytes; everything else is
  // ASCII made by the conversions.
  SetText(editVersion_, FromField(p.version));
  SetText(editMilage_, FromField(p.milage));
  SetText(editChecksum_, FromField(p.checksum));
  SetText(editSpeed_, FromUtf8(p.speed));
  comboBoxDensity_->setCurrentIndex(p.density);
  editDensityBase_->setVisible(p.densityBaseShown);
  SetText(editDensityBase_, FromUtf8(p.densityBase));
  SetText(editWidth_, FromUtf8(p.width));
  SetText(editHeight_, FromUtf8(p.height));
  comboBoxMediaSensor_->setCurrentIndex(p.mediaSensor);
  SetText(editGapSize_, FromUtf8(p.gapSize));
  SetText(editGapOffset_, FromUtf8(p.gapOffset));
  comboBoxPrintOut_->setCurrentIndex(p.printOut);
  SetText(editCutterPiece_, FromUtf8(p.cutterPiece));
  SetText(editReferenceX_, FromUtf8(p.referenceX));
  SetText(editReferenceY_, FromUtf8(p.referenceY));
  comboBoxDirection_->setCurrentIndex(p.direction);
  comboBoxMirror_->setCurrentIndex(p.mirror);
  SetText(editOffset_, FromUtf8(p.offset));
  editOffsetBase_->setVisible(p.offsetBaseShown);
  SetText(editOffsetBase_, FromUtf8(p.offsetBase));
  SetText(editShiftY_, FromUtf8(p.shiftY));
  editShiftYBase_->setVisible(p.shiftYBaseShown);
  SetText(editShiftYBase_, FromUtf8(p.shiftYBase));
  SetText(editShiftX_, FromUtf8(p.shiftX));
  editShiftXBase_->setVisible(p.shiftXBaseShown);
  SetText(editShiftXBase_, FromUtf8(p.shiftXBase));
  comboBoxRibbon_->setCurrentIndex(p.ribbon);
  comboBoxCodePage_->setCurrentIndex(p.codePage);
  comboBoxCountryCode_->setCurrentIndex(p.country);
  comboBoxHead_->setCurrentIndex(p.head);
  comboBoxReprint_->setCurrentIndex(p.reprint);
  SetText(editGapInten_, FromUtf8(p.gapInten));
  SetText(editBlineInten_, FromUtf8(p.blineInten));
  SetText(editContinuousInten_, FromUtf8(p.conInten));
  comboBoxBaudrate_->setCurrentIndex(p.baudRate);
  comboBoxDatabit_->setCurrentIndex(p.dataBits);
  comboBoxParity_->setCurrentIndex(p.parity);
  comboBoxStopBit_->setCurrentIndex(p.stopBits);
}

void ConfigPage::ShowConfig(const PrinterConfig& config) {
  // Start from what the controls hold: with no unit selected the length
  // edits keep their texts.
  ConfigPageText page = PageText();
  varnalux::ShowConfigText(config, Unit(), page);
  ApplyPageText(page);
}

bool ConfigPage::CollectConfig(PrinterConfig& out, QString& error) {
  varnalux::CollectResult r = varnalux::CollectConfigText(PageText(), Unit(), out);
  if (r.ok()) return true;
  error = FromUtf8(r.Message());
  return false;
}

// A read that failed leaves the page as it was; a good one becomes the
// displayed record.
void ConfigPage::ShowReadResult(PrinterOperation& operation, varnalux::ResultCode code,
                                const PrinterConfig& fresh) {
  if (code != varnalux::ResultOk) {
    operation.Report(code);
    return;
  }
  records_.config = fresh;
  ShowConfig(records_.config);
}

void ConfigPage::ButtonReadClick() {
  PrinterConfig fresh;
  varnalux::ResetConfig(fresh);
  PrinterOperation operation(operations_);
  ShowReadResult(operation, operation.RunQuiet(varnalux::OpReadConfig, &fresh, 1), fresh);
}

// The window is still being built and not shown: the operation does not
// bring it to the front.
void ConfigPage::ReadAfterProbe() {
  PrinterConfig fresh;
  varnalux::ResetConfig(fresh);
  PrinterOperation operation(operations_);
  ShowReadResult(operation, operation.RunQuiet(varnalux::OpReadConfig, &fresh, 0), fresh);
}

void ConfigPage::ButtonClearClick() {
  varnalux::ResetConfig(records_.config);
  ShowConfig(records_.config);
}

void ConfigPage::ButtonSetClick() {
  PrinterConfig record;
  varnalux::ResetConfig(record);
  QString error;
  if (!CollectConfig(record, error)) {
    // Nothing is sent; the window was never disabled.
    seam_.Message(error);
    return;
  }
  PrinterOperation(operations_).Run(varnalux::OpWriteConfig, &record, 0);
}

void ConfigPage::ButtonSaveClick() {
  const QString name = seam_.SaveFileName(kConfigFilter, QStringLiteral("dcf"));
  if (name.isEmpty()) return;
  uint8_t image[varnalux::ConfigFileSize];
  varnalux::BuildConfigFile(records_.config, Unit(), records_.status, image);
  if (!varnalux::SaveConfigFile(QFile::encodeName(name).toStdString(), image))
    seam_.Message(ResultText(varnalux::ResultFileOpenError));
}

void ConfigPage::ButtonLoadClick() {
  const QString name = seam_.OpenFileName(kConfigFilter);
  if (name.isEmpty()) return;
  PrinterConfig config;
  int32_t unit = 0;
  varnalux::PrinterStatus status;
  const int r =
      varnalux::LoadConfigFile(QFile::encodeName(name).toStdString(), config, unit, status);
  if (r == varnalux::ConfigFileOpenFailed) {
    seam_.Message(ResultText(varnalux::ResultFileOpenError));
    return;
  }
  if (r != varnalux::ConfigFileOk) {
    seam_.Message(QStringLiteral("File Data Error"));  // the page keeps its state
    return;
  }
  SelectUnit(unit);
  records_.config = config;
  records_.status = status;
  if (records_.showStatus) records_.showStatus(status);
  ShowConfig(records_.config);
}
