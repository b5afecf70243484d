#include "sources/sheetloader.h"

#include "platform/prompter.h"
#include "sources/importtypes.h"
#include "sources/importwindow.h"
#include "sources/registermap.h"
#include "sources/sourceconnection.h"
#include "sources/statusline.h"

namespace sources {

using loading::LoadEnd;

void LoadExcelData(ImportWindow &window, const QString &importType)
{
    loading::runLoad(window, QStringLiteral("F01-0002"), [&] {
        const QString listedFrom = window.importTypeSourceFile();
        const QString path = listedFrom.isEmpty() ? window.sourceText(SourceBox::txtFilePath) : listedFrom;
        if (path.isEmpty()) {
            const QString text = QStringLiteral("File Path not entered");
            window.prompter().message({text, platform::MsgBoxStyle::Critical, QStringLiteral("Pelko 1.0")});
            window.stat(text, MsgPanel);
            return LoadEnd::Empty;
        }

        const QString listText = window.importTypeText().toUpper();
        const LoadRoute route = loadRoute(listText);
        if (route == LoadRoute::Placeholder)
            return LoadEnd::Empty;
        if (route == LoadRoute::Unknown)
            return loading::reportUnknownType(window, importType);

        const QString ending = path.right(4).toUpper();
        const bool textFile = ending == QLatin1String(".CSV") || ending == QLatin1String(".TXT");
        const std::unique_ptr<SourceReader> source =
            connectSource(textFile ? textFileSource(path) : workbookSource(path));
        if (route == LoadRoute::Register)
            return loading::loadRegister(window, *source, importType, loading::sheetProfile);

        const QString nameWanted = textFile ? directoryLookup(path) : importType + QLatin1Char('$');
        const std::optional<QString> table = loading::findTable(source->tables(), nameWanted);
        if (!table)
            return LoadEnd::Empty;
        return loading::loadTable(window, *source, *table, importType, listText, loading::sheetProfile);
    });
}

} // namespace sources
