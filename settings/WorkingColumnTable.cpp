#include "settings/WorkingColumnTable.h"

std::vector<ColumnEntry> workingColumnTable;

void FillWorkingColumnTable(const Options& options) {
    workingColumnTable = options.ColumnEntries;
}
