#include "sources/importchoice.h"

#include "errors/errortrap.h"
#include "sources/databaseloader.h"
#include "sources/importtypes.h"
#include "sources/importwindow.h"
#include "sources/sheetloader.h"

namespace sources {

void cmbTableName_Click(ImportWindow &window)
{
    errors::trap(QStringLiteral("F01-0001"), [&] {
        const QString text = window.importTypeText();
        if (text == SelectImportTypeText)
            return;
        const QString key = window.selectedSourceKey();
        const QString importType = removeBlanks(text);
        if (key == ExcelSourceKey) {
            LoadExcelData(window, importType);
        } else if (key == AccessSourceKey) {
            LoadAccessData(window, importType, window.sourceText(SourceBox::txtMDBUser),
                           window.sourceText(SourceBox::txtMDBPass));
        } else if (key == OdbcSourceKey) {
            LoadODBCData(window, importType, window.sourceText(SourceBox::txtODBCPath),
                         window.sourceText(SourceBox::txtODBCUser), window.sourceText(SourceBox::txtPass));
        }
    });
}

} // namespace sources
