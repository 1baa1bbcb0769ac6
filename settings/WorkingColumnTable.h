// The one process-wide column layout that the column list shows and edits. List rows name
// their entry by index, so the table is never reordered while the options window lives.
#pragma once

#include <vector>

#include "settings/Options.h"

extern std::vector<ColumnEntry> workingColumnTable;

// Replaces the table with a byte copy of the record's columns, in the same order.
void FillWorkingColumnTable(const Options& options);
