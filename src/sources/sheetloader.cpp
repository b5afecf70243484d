#include "sources/sheetloader.h"

#include "platform/prompter.h"
#include "sources/importwindow.h"
#include "sources/loadsteps.h"
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

        const QString ending = path.right(4).toUpper();
        const bool textFile = ending == QLatin1String(".CSV") || ending == QLatin1String(".TXT");
        return textFile ? loading::loadSource(window, importType, textFileSource(path), directoryLookup(path),
                                              loading::sheetProfile)
                        : loading::loadSource(window, importType, workbookSource(path), importType + QLatin1Char('$'),
                                              loading::sheetProfile);
    });
}

} // namespace sources
