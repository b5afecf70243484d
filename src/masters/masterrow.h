#pragma once

#include <QString>

#include <span>

namespace tally {
class XmlTextCheck;
}

namespace sources {
class ImportWindow;
class WorkGrid;
class SourceGrid;
} // namespace sources

namespace masters {

// How a cell goes into its member: as it stands, or as the number text of its value (negated for values the
// server wants with the opposite sign), or as it stands but read as a number all the same. A cell of a number
// form that is no number as sources::CellNumber reads it keeps its master from the server.
enum class CellForm
{
    Text,
    Number,
    NegatedNumber,
    NumberAsText,
};

// One work-grid row as a posting loop reads it: cells by column key, as their text, untrimmed. A key the
// grid lacks is a run-time error; whether the source has a column at all is asked of the source grid. Every
// cell read goes through the master's check, when it has one, so that a master holding a character XML cannot
// carry, or a number column's cell that is no number, is never sent.
class MasterRow final
{
public:
    MasterRow(sources::ImportWindow &window, int row, tally::XmlTextCheck *check = nullptr);

    QString cell(const char *key) const;
    // The cell in that form.
    QString cell(const char *key, CellForm form) const;
    bool sourceHas(const char *key) const;

private:
    const sources::WorkGrid &m_grid;
    const sources::SourceGrid &m_source;
    int m_row;
    tally::XmlTextCheck *m_check;
};

// Whether the source has a field of that name (its column in the work grid is keyed by it).
bool sourceHasColumn(sources::ImportWindow &window, const char *key);

// Whether a column must be there (read without asking) or is read only when the source has it.
enum class ColumnUse
{
    Required,
    Optional,
};

template <typename Rec> struct Column
{
    const char *key;
    QString Rec::*field;
    ColumnUse use = ColumnUse::Required;
    CellForm form = CellForm::Text;
};

template <typename Rec> struct FixedValue
{
    QString Rec::*field;
    const char *value;
};

// Fills the members of a record from a row's columns, in table order.
template <typename Rec> void readColumns(Rec &record, const MasterRow &row, std::span<const Column<Rec>> columns)
{
    for (const Column<Rec> &column : columns) {
        if (column.use == ColumnUse::Optional && !row.sourceHas(column.key))
            continue;
        record.*(column.field) = row.cell(column.key, column.form);
    }
}

template <typename Rec> void assignFixedValues(Rec &record, std::span<const FixedValue<Rec>> values)
{
    for (const FixedValue<Rec> &value : values)
        record.*(value.field) = QString::fromLatin1(value.value);
}

} // namespace masters
