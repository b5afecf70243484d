#include "masters/masterrow.h"

#include "sources/importwindow.h"
#include "sources/lookups.h"
#include "sources/numbertext.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"

namespace masters {

MasterRow::MasterRow(sources::ImportWindow &window, int row)
    : m_grid(window.workGrid()), m_source(window.sourceGrid()), m_row(row)
{}

QString MasterRow::cell(const char *key) const
{
    return m_grid.text(m_row, QString::fromLatin1(key));
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
