#include "sources/sourcelisting.h"

#include "errors/errortrap.h"
#include "platform/prompter.h"
#include "sources/gridtext.h"
#include "sources/importtypes.h"
#include "sources/importwindow.h"
#include "sources/sourceconnection.h"
#include "sources/workgrid.h"

namespace sources {

namespace {

QString ending(const QString &path)
{
    return path.right(4).toUpper();
}

const QLatin1String txtEnding{".TXT"};
const QLatin1String csvEnding{".CSV"};

// The browse dialogs ask for a file of the frame's kind and offer all files as well. Both start with a blank
// file name: a cancelled dialog gives it back, which tells it from a choice.
platform::FileOpenRequest browseRequest(const char *defaultExt, const char *filter)
{
    return {QString::fromLatin1(defaultExt), QStringLiteral(" "), QString::fromLatin1(filter), 3};
}

} // namespace

void LoadList(ImportWindow &window, const QList<TableEntry> &ors, const QString &sourceFile)
{
    errors::trap(QStringLiteral("F01-0007A"), [&] {
        for (const TableEntry &table : ors) {
            const QString name = table.name.toUpper().remove(QLatin1Char('$'));
            if (const std::optional<QString> entry = importTypeEntry(name))
                window.addImportType(*entry, sourceFile);
        }
        window.selectImportType(SelectImportTypeText);
    });
}

void LoadListTXT(ImportWindow &window, const QString &ors, const QString &sourceFile)
{
    errors::trap(QStringLiteral("F01-0007B"), [&] {
        if (const std::optional<QString> entry = importTypeEntry(ors.toUpper()))
            window.addImportType(*entry, sourceFile);
        // At start-up the list may not hold the placeholder yet; nothing is selected then.
        window.selectImportType(SelectImportTypeText);
    });
}

void LoadExcelSheets(ImportWindow &window, const QString &sFilePath)
{
    errors::trap(QStringLiteral("F01-0003"), [&] {
        if (trimSpaces(sFilePath).isEmpty()) {
            window.clearImportTypes();
            window.workGrid().clear();
            return;
        }
        const QString fileName = directoryLookup(sFilePath);
        if (fileName.isEmpty())
            return;
        const QString previous = window.importTypeText();

        const QString kind = ending(sFilePath);
        if (kind == txtEnding || kind == csvEnding) {
            LoadListTXT(window, fileName.toUpper().remove(kind), sFilePath);
        } else if (kind == QLatin1String(".XLS")) {
            window.clearImportTypes();
            window.addImportType(SelectImportTypeText);
            const std::unique_ptr<SourceReader> source = connectSource(workbookSource(sFilePath));
            LoadList(window, source->tables(), sFilePath);
        }

        if (previous.isEmpty())
            return;
        const QStringList entries = window.importTypeEntries();
        if (entries.contains(previous))
            window.selectImportType(previous);
    });
}

void LoadAccessTables(ImportWindow &window, const QString &sFilePath, const QString &sUsername,
                      const QString &sPassword)
{
    Q_UNUSED(sUsername) // a database password is all an Access file asks for
    errors::trap(QStringLiteral("F01-0005"), [&] {
        const QString text = window.importTypeText();
        const QString previous = trimSpaces(text).isEmpty() ? QString() : text;
        if (trimSpaces(sFilePath).isEmpty()) {
            window.clearImportTypes();
            window.workGrid().clear();
            return;
        }
        if (directoryLookup(sFilePath).isEmpty())
            return;

        window.clearImportTypes();
        window.addImportType(SelectImportTypeText);
        const std::unique_ptr<SourceReader> source = connectSource(accessSource(sFilePath, sPassword));
        LoadList(window, source->tables());

        if (previous.isEmpty())
            return;
        // Every equal entry chooses the type again, so a database listing one type twice loads it twice.
        const QString wanted = previous.toUpper();
        const QStringList entries = window.importTypeEntries();
        for (const QString &entry : entries) {
            if (entry.toUpper() == wanted)
                window.selectImportType(previous);
        }
    });
}

void LoadODBCTables(ImportWindow &window, const QString &dataSourceName, const QString &userName,
                    const QString &password)
{
    errors::trap(QStringLiteral("F01-0007"), [&] {
        window.clearImportTypes();
        if (trimSpaces(dataSourceName).isEmpty()) {
            window.workGrid().clear();
            return;
        }
        window.addImportType(SelectImportTypeText);
        const std::unique_ptr<SourceReader> source = connectSource(odbcSource(dataSourceName, userName, password));
        LoadList(window, source->tables());
    });
}

void resetImportTypeList(ImportWindow &window)
{
    window.clearImportTypes();
    window.addImportType(SelectImportTypeText);
    window.selectImportType(SelectImportTypeText);
}

void cmdFilePath_Click(ImportWindow &window)
{
    errors::trap(QStringLiteral("F01-0011"), [&] {
        const QString chosen =
            window.prompter().openFile(browseRequest(".xls", "Microsoft Excel (*.xls)|*.xls| All Files (*.*)|*.*"));
        if (trimSpaces(chosen).isEmpty()) {
            resetImportTypeList(window);
            window.workGrid().clear();
            return;
        }
        window.setSourceText(SourceBox::txtFilePath, chosen);
        LoadExcelSheets(window, window.sourceText(SourceBox::txtFilePath));
    });
}

void cmdMdbPath_Click(ImportWindow &window)
{
    errors::trap(QStringLiteral("F01-0013"), [&] {
        const QString chosen =
            window.prompter().openFile(browseRequest(".mdb", "Microsoft Access (*.mdb)|*.mdb| All Files (*.*)|*.*"));
        if (trimSpaces(chosen).isEmpty()) {
            resetImportTypeList(window);
            return;
        }
        window.setSourceText(SourceBox::txtMdbPath, chosen);
        LoadAccessTables(window, window.sourceText(SourceBox::txtMdbPath), window.sourceText(SourceBox::txtMDBUser),
                         window.sourceText(SourceBox::txtMDBPass));
    });
}

void cmdODBCPath_Click(ImportWindow &window)
{
    errors::trap(QStringLiteral("F01-0013A"), [&] {
        if (trimSpaces(window.sourceText(SourceBox::txtODBCPath)).isEmpty()) {
            resetImportTypeList(window);
            return;
        }
        LoadODBCTables(window, window.sourceText(SourceBox::txtODBCPath), window.sourceText(SourceBox::txtODBCUser),
                       window.sourceText(SourceBox::txtPass));
    });
}

void txtFilePath_Validate(ImportWindow &window)
{
    errors::trap(QStringLiteral("F01-0043"), [&] {
        const QString path = window.sourceText(SourceBox::txtFilePath);
        const QString trimmed = trimSpaces(path);
        if (trimmed.isEmpty() || (ending(path) == QLatin1String(".XLS") && directoryLookup(trimmed).isEmpty())) {
            resetImportTypeList(window);
            return;
        }
        LoadExcelSheets(window, path);
    });
}

void txtMdbPath_Validate(ImportWindow &window)
{
    errors::trap(QStringLiteral("F01-0044"), [&] {
        const QString path = window.sourceText(SourceBox::txtMdbPath);
        const QString trimmed = trimSpaces(path);
        if (trimmed.isEmpty() || (ending(path) == QLatin1String(".MDB") && directoryLookup(trimmed).isEmpty())) {
            resetImportTypeList(window);
            return;
        }
        LoadAccessTables(window, path, window.sourceText(SourceBox::txtMDBUser),
                         window.sourceText(SourceBox::txtMDBPass));
    });
}

} // namespace sources
