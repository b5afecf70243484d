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

bool MasterRow::sourceHas(const char *key) const
{
    return sources::ColPos(m_source, QString::fromLatin1(key)) >= 0;
}

bool sourceHasColumn(sources::ImportWindow &window, const char *key)
{
    return sources::ColPos(window.sourceGrid(), QString::fromLatin1(key)) >= 0;
}

QString cellInForm(const QString &cell, CellForm form)
{
    switch (form) {
    case CellForm::Text:
        break;
    case CellForm::Number:
        return sources::NumberText(sources::NumericValue(cell));
    case CellForm::NegatedNumber:
        return sources::NumberText(sources::NumericValue(cell).negated());
    }
    return cell;
}

} // namespace masters
