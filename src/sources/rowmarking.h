#pragma once

#include <QString>

namespace sources {

class WorkGrid;

// Marks the rows of a voucher the server rejected: every work-grid row whose cell in the column keyed colName
// equals id exactly gets red text in every cell and a bold status cell. curPos is set to 1. Repainting is off
// for the scan and always on again afterwards; a run-time error is reported with the routine's location code.
void ReportErrorByVID(WorkGrid &grid, const QString &id, const QString &colName, qint32 &curPos);

} // namespace sources
