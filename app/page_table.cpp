#include "app/page_table.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QString>
#include <QVBoxLayout>

#include "protocol/printer_config.h"
#include "ui/dialog_seam.h"
#include "ui/form_font.h"
#include "ui/pages/command_tool_page.h"
#include "ui/pages/file_manager_page.h"
#include "ui/pages/font_page.h"
#include "ui/pages/printer_function_group.h"

namespace varnalux {

namespace {

// The left column of the configuration sheet: the function buttons end a
// little above where the status group starts. Their captions
// ("Configuration Page", "Ignore AUTO.BAS") need a little more room than
// the status group is wide.
constexpr int FunctionAreaWidth = 132;
constexpr int StatusGroupTop = 240;

// A margin-less column on the sheet, for the page alone in it.
QVBoxLayout* PageColumn(QWidget* sheet) {
  auto* layout = new QVBoxLayout(sheet);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  return layout;
}

QWidget* MakeArea(QWidget* parent, const char* name) {
  auto* area = new QWidget(parent);
  area->setObjectName(QString::fromLatin1(name));
  PageColumn(area);
  return area;
}

// The first sheet: printer functions above the window's printer status on
// the left, the configuration group on the rest of the sheet to the right.
void FillConfigurationSheet(PageOffer& offer, QWidget* sheet) {
  QWidget* functionArea = MakeArea(sheet, "FunctionArea");
  QWidget* configArea = MakeArea(sheet, "ConfigArea");
  QGroupBox* statusGroup = offer.statusGroup(sheet);

  auto* left = new QVBoxLayout;
  left->setContentsMargins(0, 0, 0, 0);
  left->setSpacing(3);
  functionArea->setFixedSize(FormPixels(FunctionAreaWidth), FormPixels(StatusGroupTop) - 3);
  left->addWidget(functionArea, 0);
  left->addWidget(statusGroup, 0);
  left->addStretch(1);

  auto* layout = new QHBoxLayout(sheet);
  layout->setContentsMargins(0, 0, 2, 2);
  layout->setSpacing(3);
  layout->addLayout(left, 0);
  layout->addWidget(configArea, 1);

  auto* config = new TConfigPage(offer.operations, offer.seam, offer.records, configArea);
  configArea->layout()->addWidget(config);
  auto* functions = new TPrinterFunctionGroup(offer.operations, offer.dialogs, offer.records.config,
                                              functionArea);
  functionArea->layout()->addWidget(functions);
  // The test label takes its paper size from the configuration page.
  DialogSeam& seam = offer.seam;
  functions->SetConfigCollector([config, &seam](PrinterConfig& page) {
    QString error;
    if (config->CollectConfig(page, error)) return true;
    seam.Message(error);
    return false;
  });
  offer.configuration = {config, functions};
}

const PageRow Rows[] = {
    {"Printer Configuration", "TabSheet1", FillConfigurationSheet},
    {"File Manager", "TabSheet2",
     [](PageOffer& offer, QWidget* sheet) {
       PageColumn(sheet)->addWidget(
           new TFileManagerPage(offer.operations, offer.seam, offer.dialogFont, sheet));
     }},
    {"Bitmap Font Manager", "TabSheet3",
     [](PageOffer& offer, QWidget* sheet) {
       PageColumn(sheet)->addWidget(
           new TFontPage(offer.operations, offer.dialogs, offer.dialogFont, offer.progress, sheet));
     }},
    {"Command Tool", "TabSheet4",
     [](PageOffer& offer, QWidget* sheet) {
       PageColumn(sheet)->addWidget(new TCommandToolPage(offer.operations, offer.seam, sheet));
     }},
};

}  // namespace

std::span<const PageRow> WindowPages() { return Rows; }

}  // namespace varnalux
