#include "ui/pages/config_page.h"

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
#include "ui/pages/config_fields.h"
#include "ui/printer_operation.h"
#include "ui/tab_order.h"

namespace varnalux {

namespace {

const QString ConfigFilter = QStringLiteral("*.dcf (*.dcf)");

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

// A list's items: the empty first item, then a table's entries or the
// row's own items.
QStringList ListItems(const ConfigField& field) {
  if (field.table) return TableItems(*field.table);
  return QString::fromLatin1(field.items).split(u'|');
}

// A caption names its field for screen readers and keyboard users.
QLabel* Caption(const char* text, QWidget* parent, QWidget* buddy) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setBuddy(buddy);
  return label;
}

QHBoxLayout* Pair(QWidget* a, QWidget* b) {
  auto* row = new QHBoxLayout;
  row->setSpacing(3);
  row->addWidget(a, 1);
  row->addWidget(b, 1);
  return row;
}

QComboBox* MakeList(const ConfigField& field, QWidget* parent) {
  auto* box = new QComboBox(parent);
  const bool editable = field.kind == ConfigFieldKind::EditList;
  box->setEditable(editable);
  if (editable) box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(ListItems(field));
  // Every list but one starts at the empty item; that one starts without
  // a selection, as the page state does.
  box->setCurrentIndex(ConfigPageText{}.*field.index);
  // The edit part of an editable list is named by the list's caption.
  if (editable) box->lineEdit()->setAccessibleName(QString::fromLatin1(field.caption));
  return box;
}

QLineEdit* MakeEdit(const ConfigField& field, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  if (field.typedMax > 0) edit->setValidator(new TypedLengthValidator(edit, field.typedMax));
  if (field.kind == ConfigFieldKind::Info || field.kind == ConfigFieldKind::Base) {
    edit->setReadOnly(!field.writable);
    edit->setFocusPolicy(Qt::ClickFocus);  // selectable for copying, not a tab stop
  }
  if (field.kind == ConfigFieldKind::Base) {
    // A base value beside its edit: shown only when the printer reports one.
    edit->setEnabled(false);
    QSizePolicy policy = edit->sizePolicy();
    policy.setRetainSizeWhenHidden(true);  // its edit keeps the same width
    edit->setSizePolicy(policy);
    edit->setVisible(false);
  }
  return edit;
}

bool IsList(const ConfigField& field) {
  return field.kind == ConfigFieldKind::List || field.kind == ConfigFieldKind::EditList;
}

QWidget* MakeField(const ConfigField& field, QWidget* parent) {
  QWidget* widget =
      IsList(field) ? static_cast<QWidget*>(MakeList(field, parent)) : MakeEdit(field, parent);
  widget->setObjectName(QString::fromLatin1(field.name));
  if (field.accessibleName) widget->setAccessibleName(QString::fromLatin1(field.accessibleName));
  return widget;
}

void ReadField(const ConfigField& field, const QWidget* widget, ConfigPageText& page) {
  if (IsList(field)) {
    const auto* box = static_cast<const QComboBox*>(widget);
    page.*field.index =
        field.kind == ConfigFieldKind::EditList ? ShownItem(box) : box->currentIndex();
    return;
  }
  page.*field.text = ToUtf8(static_cast<const QLineEdit*>(widget)->text());
  if (field.shown) page.*field.shown = !widget->isHidden();
}

// The information texts are the printer's bytes; everything else is ASCII
// made by the conversions.
void ShowField(const ConfigField& field, const ConfigPageText& page, QWidget* widget) {
  if (IsList(field)) {
    static_cast<QComboBox*>(widget)->setCurrentIndex(page.*field.index);
    return;
  }
  if (field.shown) widget->setVisible(page.*field.shown);
  const std::string& text = page.*field.text;
  SetText(static_cast<QLineEdit*>(widget),
          field.kind == ConfigFieldKind::Info ? FromField(text) : FromUtf8(text));
}

}  // namespace

TConfigPage::TConfigPage(OperationHost& operations, DialogSeam& seam, ConfigPageRecords records,
                         QWidget* parent)
    : QGroupBox(parent), operations_(operations), seam_(seam), records_(std::move(records)) {
  Build();
  ShowConfig(records_.config);
}

void TConfigPage::Build() {
  setObjectName(QStringLiteral("GroupBoxPrinterConfiguration"));
  setTitle(QStringLiteral("Printer Configuration"));
  auto* info = new QGroupBox(QStringLiteral("Printer Infomation"), this);
  info->setObjectName(QStringLiteral("GroupBoxPrinterInfomation"));
  auto* setup = new QGroupBox(QStringLiteral("Printer Setup"), this);
  setup->setObjectName(QStringLiteral("GroupBoxPrinterSetup"));
  for (const ConfigField& field : ConfigFields())
    fields_.push_back(MakeField(field, field.place == ConfigFieldPlace::InfoGrid ? info : setup));
  PlaceInfoFields(info);
  PlaceSetupFields(setup);
  BuildUnitGroup();
  BuildButtons();

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(4);
  bottom->addWidget(radioGroupUnit_);
  bottom->addStretch(1);
  for (QPushButton* b : buttons_) bottom->addWidget(b, 0, Qt::AlignBottom);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 4);
  layout->setSpacing(2);
  layout->addWidget(info);
  layout->addWidget(setup, 1);
  layout->addLayout(bottom);
}

void TConfigPage::PlaceInfoFields(QGroupBox* info) {
  auto* grid = new QGridLayout(info);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setVerticalSpacing(2);
  const std::span<const ConfigField> fields = ConfigFields();
  for (size_t i = 0; i < fields.size(); ++i) {
    const ConfigField& f = fields[i];
    if (f.place != ConfigFieldPlace::InfoGrid) continue;
    grid->addWidget(Caption(f.caption, info, fields_[i]), f.row, f.column - 1);
    grid->addWidget(fields_[i], f.row, f.column, 1, f.span);
    if (f.unit) grid->addWidget(Caption(f.unit, info, fields_[i]), f.row, f.column + 1);
  }
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(4, 1);
}

// Two columns of captioned fields; a field placed beside the one before it
// shares its row at half the width.
void TConfigPage::PlaceSetupFields(QGroupBox* setup) {
  auto* grid = new QGridLayout(setup);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setVerticalSpacing(1);
  grid->setHorizontalSpacing(4);
  const std::span<const ConfigField> fields = ConfigFields();
  int rows[2] = {0, 0};
  for (size_t i = 0; i < fields.size(); ++i) {
    const ConfigField& f = fields[i];
    if (f.place != ConfigFieldPlace::Left && f.place != ConfigFieldPlace::Right) continue;
    const int side = f.place == ConfigFieldPlace::Left ? 0 : 1;
    const int row = rows[side]++;
    grid->addWidget(Caption(f.caption, setup, fields_[i]), row, side * 3);
    if (i + 1 < fields.size() && fields[i + 1].place == ConfigFieldPlace::Beside)
      grid->addLayout(Pair(fields_[i], fields_[i + 1]), row, side * 3 + 1);
    else
      grid->addWidget(fields_[i], row, side * 3 + 1);
  }
  grid->setColumnMinimumWidth(2, 8);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(4, 1);
}

// Unit of the four lengths: two columns, 'inch' selected at start.
void TConfigPage::BuildUnitGroup() {
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
}

void TConfigPage::BuildButtons() {
  struct PageButton {
    const char* name;
    const char* caption;
    void (TConfigPage::*click)();
  };
  static constexpr PageButton Buttons[] = {
      {"ButtonClear", "&Clear", &TConfigPage::ButtonClearClick},
      {"ButtonLoad", "&Load", &TConfigPage::ButtonLoadClick},
      {"ButtonSave", "Sa&ve", &TConfigPage::ButtonSaveClick},
      {"ButtonSet", "&Set", &TConfigPage::ButtonSetClick},
      {"ButtonRead", "&Read", &TConfigPage::ButtonReadClick},
  };
  for (const PageButton& row : Buttons) {
    auto* b = new QPushButton(QString::fromLatin1(row.caption), this);
    b->setObjectName(QString::fromLatin1(row.name));
    b->setMinimumWidth(FormPixels(60));
    connect(b, &QPushButton::clicked, this, row.click);
    if (row.click == &TConfigPage::ButtonReadClick) buttonRead_ = b;
    buttons_.push_back(b);
  }
}

std::vector<QWidget*> TConfigPage::TabOrder() const {
  std::vector<QWidget*> order;
  const std::span<const ConfigField> fields = ConfigFields();
  for (size_t i = 0; i < fields.size(); ++i)
    if (fields[i].kind != ConfigFieldKind::Info) order.push_back(fields_[i]);
  order.push_back(radioInch_);
  order.push_back(radioMm_);
  order.insert(order.end(), buttons_.begin(), buttons_.end());
  return order;
}

int TConfigPage::Unit() const { return unitButtons_->checkedId(); }

void TConfigPage::SelectUnit(int unit) {
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

ConfigPageText TConfigPage::PageText() const {
  ConfigPageText page;
  const std::span<const ConfigField> fields = ConfigFields();
  for (size_t i = 0; i < fields.size(); ++i) ReadField(fields[i], fields_[i], page);
  return page;
}

void TConfigPage::ApplyPageText(const ConfigPageText& page) {
  const std::span<const ConfigField> fields = ConfigFields();
  for (size_t i = 0; i < fields.size(); ++i) ShowField(fields[i], page, fields_[i]);
}

void TConfigPage::ShowConfig(const PrinterConfig& config) {
  // Start from what the controls hold: with no unit selected the length
  // edits keep their texts.
  ConfigPageText page = PageText();
  varnalux::ShowConfigText(config, Unit(), page);
  ApplyPageText(page);
}

bool TConfigPage::CollectConfig(PrinterConfig& out, QString& error) {
  varnalux::CollectResult r = varnalux::CollectConfigText(PageText(), Unit(), out);
  if (r.ok()) return true;
  error = FromUtf8(r.Message());
  return false;
}

// A read that failed leaves the page as it was; a good one becomes the
// displayed record.
void TConfigPage::ShowReadResult(PrinterOperation& operation, varnalux::ResultCode code,
                                 const PrinterConfig& fresh) {
  if (code != varnalux::ResultOk) {
    operation.Report(code);
    return;
  }
  records_.config = fresh;
  ShowConfig(records_.config);
}

void TConfigPage::ButtonReadClick() {
  PrinterConfig fresh;
  varnalux::ResetConfig(fresh);
  PrinterOperation operation(operations_);
  ShowReadResult(operation, operation.RunQuiet(varnalux::OpReadConfig, &fresh, 1), fresh);
}

// The window is still being built and not shown: the operation does not
// bring it to the front.
void TConfigPage::ReadAfterProbe() {
  PrinterConfig fresh;
  varnalux::ResetConfig(fresh);
  PrinterOperation operation(operations_);
  ShowReadResult(operation, operation.RunQuiet(varnalux::OpReadConfig, &fresh, 0), fresh);
}

void TConfigPage::ButtonClearClick() {
  varnalux::ResetConfig(records_.config);
  ShowConfig(records_.config);
}

void TConfigPage::ButtonSetClick() {
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

void TConfigPage::ButtonSaveClick() {
  const QString name = seam_.SaveFileName(ConfigFilter, QStringLiteral("dcf"));
  if (name.isEmpty()) return;
  uint8_t image[varnalux::ConfigFileSize];
  varnalux::BuildConfigFile(records_.config, Unit(), records_.status, image);
  if (!varnalux::SaveConfigFile(QFile::encodeName(name).toStdString(), image))
    seam_.Message(ResultText(varnalux::ResultFileOpenError));
}

void TConfigPage::ButtonLoadClick() {
  const QString name = seam_.OpenFileName(ConfigFilter);
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

}  // namespace varnalux
