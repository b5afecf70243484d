#include "sources/readers/textfolderreader.h"

#include "sources/readers/delimitedtext.h"
#include "sources/readers/sourceerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sources {

namespace {

const QString readerName = QStringLiteral("Pelko.TextFile");

bool isTextTable(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive) ||
           fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

} // namespace

TextFolderReader::TextFolderReader(const QString &folder) : m_folder(folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        raiseSourceError(SourceErr::OpenFailed,
                         QStringLiteral("'%1' is not a valid path. Make sure that the path name is spelled "
                                        "correctly and that the folder exists.")
                             .arg(folder),
                         readerName);
    }
}

QStringList TextFolderReader::fileNames() const
{
    const QStringList entries = QDir(m_folder).entryList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    QStringList result;
    for (const QString &entry : entries) {
        if (isTextTable(entry))
            result.append(entry);
    }
    return result;
}

QList<TableEntry> TextFolderReader::tables()
{
    QList<TableEntry> result;
    const QStringList files = fileNames();
    for (const QString &file : files)
        result.append({file, TableType::Table});
    return result;
}

Table TextFolderReader::readTable(const QString &name)
{
    const QStringList files = fileNames();
    QString fileName;
    if (files.contains(name))
        fileName = name;
    for (qsizetype i = 0; i < files.size() && fileName.isEmpty(); ++i) {
        if (files.at(i).compare(name, Qt::CaseInsensitive) == 0)
            fileName = files.at(i);
    }
    if (fileName.isEmpty())
        raiseSourceError(SourceErr::ObjectNotFound, tableNotFoundMessage(name), readerName);

    QFile file(QDir(m_folder).filePath(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        raiseSourceError(SourceErr::OpenFailed,
                         QStringLiteral("Could not read file '%1': %2").arg(file.fileName(), file.errorString()),
                         readerName);
    }
    // Mapped, as the workbook reader maps its file, rather than copied: the text is read once, field by field.
    if (const qint64 size = file.size(); size > 0) {
        if (const uchar *mapped = file.map(0, size))
            return parseDelimitedText(QByteArrayView(mapped, size), fileName);
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        raiseSourceError(SourceErr::OpenFailed,
                         QStringLiteral("Could not read file '%1': %2").arg(file.fileName(), file.errorString()),
                         readerName);
    }
    return parseDelimitedText(bytes, fileName);
}

} // namespace sources
