#include "masters/masterrow.h"

#include "sources/importwindow.h"
#include "sources/lookups.h"
#include "sources/numbertext.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"
#include "tally/xmltext.h"

namespace masters {

MasterRow::MasterRow(sources::ImportWindow &window, int row, tally::XmlTextCheck *check)
    : m_grid(window.workGrid()), m_source(window.sourceGrid()), m_row(row), m_check(check)
{}

QString MasterRow::cell(const char *key) const
{
    const QString column = QString::fromLatin1(key);
    QString text = m_grid.text(m_row, column);
    if (m_check)
        m_check->check(column, text);
    return text;
}

QString MasterRow::cell(const char *key, CellForm form) const
{
    const QString text = cell(key);
    if (form == CellForm::Text)
        return text;
    const std::optional<sources::Decimal> value = sources::CellNumber(text);
    if (!value && m_check && m_check->passed())
        m_check->notANumber(QString::fromLatin1(key), text);
    switch (form) {
    case CellForm::Number:
        return sources::NumberText(value.value_or(sources::Decimal()));
    case CellForm::NegatedNumber:
        return sources::NumberText(value.value_or(sources::Decimal()).negated());
    case CellForm::Text:
    case CellForm::NumberAsText:
        break;
    }
    return text;
}

bool MasterRow::sourceHas(const char *key) const
{
    return sources::ColPos(m_source, QString::fromLatin1(key)) >= 0;
}

bool sourceHasColumn(sources::ImportWindow &window, const char *key)
{
    return sources::ColPos(window.sourceGrid(), QString::fromLatin1(key)) >= 0;
}

} // namespace masters
