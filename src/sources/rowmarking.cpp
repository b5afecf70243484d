#include "sources/rowmarking.h"

#include "errors/errortrap.h"
#include "sources/workgrid.h"

namespace sources {

void ReportErrorByVID(WorkGrid &grid, const QString &id, const QString &colName, qint32 &curPos)
{
    errors::trap(QStringLiteral("F01-0027"), [&] {
        // Declared inside the trapped body, so repainting is back on before an error is reported.
        const RedrawSuspender suspender(grid);
        curPos = 1;
        const QColor failed = oleColor(OleRed);
        const int rows = grid.rows();
        for (int row = 1; row <= rows; ++row) {
            if (grid.text(row, grid.columnOfKey(colName)) != id)
                continue;
            const int columns = grid.columns();
            for (int column = 1; column <= columns; ++column)
                grid.setTextColor(row, column, failed);
            grid.setBold(row, grid.columnOfKey(ProcessStatusKey), true);
        }
    });
}

} // namespace sources
