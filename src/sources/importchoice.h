#pragma once

namespace sources {

class ImportWindow;

// The choice of an import type, by the user or by setting the list's text: loads that sheet, file or table from
// the source of the selected source tab. The placeholder loads nothing. Errors are trapped and reported.
void cmbTableName_Click(ImportWindow &window);

} // namespace sources
