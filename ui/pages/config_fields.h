// The fields of the configuration page as one table: what each control is,
// where it stands, its caption and items, and which part of the page state
// it shows. Building the page, reading it and filling it all walk this table,
// so a new field is one row.
#pragma once

#include <span>
#include <string>

#include "protocol/config_page_text.h"

namespace varnalux {

enum class ConfigFieldKind {
  Info,      // the printer's own text, read-only, shown as its bytes
  Edit,      // a typed value
  Base,      // the base the printer reports beside an edit, hidden until it does
  List,      // a fixed list
  EditList,  // a list that also takes typed text, looked up among its items
};

// The information group at a grid cell, one of the setup group's two
// columns, or beside the field before it on the same row.
enum class ConfigFieldPlace { InfoGrid, Left, Right, Beside };

struct ConfigField {
  const char* name;
  ConfigFieldKind kind;
  ConfigFieldPlace place;
  const char* caption = nullptr;  // the label before it; none beside another field
  const char* items = nullptr;    // list items joined by '|', the empty first one included
  const varnalux::LookupTable* table = nullptr;  // or the empty item, then the table's entries
  const char* accessibleName = nullptr;          // for a field without a caption of its own
  int typedMax = 0;                              // the most characters typing takes; 0 any
  bool writable = false;                         // a base that is hidden and disabled only
  int row = 0, column = 0, span = 1;             // InfoGrid: the edit's cell
  const char* unit = nullptr;                    // InfoGrid: a caption after the edit
  std::string varnalux::ConfigPageText::*text = nullptr;  // edits
  int varnalux::ConfigPageText::*index = nullptr;         // lists
  bool varnalux::ConfigPageText::*shown = nullptr;        // bases
};

// The fields in the order they stand on the page, which is the tab order.
std::span<const ConfigField> ConfigFields();

}  // namespace varnalux
