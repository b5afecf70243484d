#pragma once

#include "sources/readers/sourcereader.h"

namespace sources {

// Reads text and CSV files: the folder is the source, and each .txt or .csv file in it (letter case of the
// ending ignored, hidden files left out) is a table named by its own file name, such as "Ledgers.csv". The
// files are read as comma-separated text (see parseDelimitedText).
class TextFolderReader final : public SourceReader
{
public:
    // Raises errors::RuntimeError when the folder does not exist.
    explicit TextFolderReader(const QString &folder);

    QList<TableEntry> tables() override;
    Table readTable(const QString &name) override;

private:
    QStringList fileNames() const;

    QString m_folder;
};

} // namespace sources
