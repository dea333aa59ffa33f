// The main window's pages, one row each in tab order: the tab's caption,
// the object name of the page's sheet, and what fills the sheet. A new page
// is its own files under ui/pages/ and one row in the table
// (app/page_table.cpp); the window makes a sheet and a tab for every row.
#pragma once

#include <functional>
#include <span>

#include "ui/pages/config_page.h"

class QFont;
class QGroupBox;
class QWidget;

namespace varnalux {

class DialogPlace;
class DialogSeam;
class JobProgress;
class OperationHost;
class TPrinterFunctionGroup;

// The parts of the configuration sheet the window goes on working with: it
// reads the configuration through them at start-up, gives "Read" the
// interface table's rule and chains both into the first page's tab order.
// The table has the configuration sheet, so they are set once the sheets
// are filled.
struct ConfigurationParts {
  TConfigPage* config = nullptr;
  TPrinterFunctionGroup* functions = nullptr;
};

// What the window offers its pages; each row takes what its page needs.
struct PageOffer {
  OperationHost& operations;
  DialogPlace& dialogs;
  DialogSeam& seam;
  JobProgress& progress;
  // The font the window's font dialog opens on, shared by the pages.
  QFont& dialogFont;
  // The displayed configuration, the last status read and where a loaded
  // status shows.
  ConfigPageRecords records;
  // Makes the window's "Printer Status" group on a sheet.
  std::function<QGroupBox*(QWidget* sheet)> statusGroup;
  // Where the configuration sheet leaves its parts for the window.
  ConfigurationParts& configuration;
};

struct PageRow {
  const char* title;      // the tab's caption
  const char* sheetName;  // the object name of the page's sheet
  // Lays out the sheet, which has no layout yet, and makes the page on it.
  void (*fill)(PageOffer& offer, QWidget* sheet);
};

// The window's pages in tab order.
std::span<const PageRow> WindowPages();

}  // namespace varnalux
