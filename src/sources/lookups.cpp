#include "sources/lookups.h"

#include "errors/errortrap.h"
#include "sources/gridtext.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"

namespace sources {

namespace {

// The ANSI code page agrees with ASCII below 128, and every allowed character lies there: a character with a
// code of 128 or more in the code page, or none at all, is refused either way.
bool allowedInHeader(QChar c)
{
    const char16_t code = c.unicode();
    return code == 8 || code == u'(' || code == u')' || code == u'-' || code == u'.' ||
           (code >= u'0' && code <= u'9') || (code >= u'A' && code <= u'Z') || (code >= u'a' && code <= u'z');
}

} // namespace

qint32 ColPos(const SourceGrid &grid, const QString &sColName)
{
    return errors::trapResult(QStringLiteral("F01-0042"), qint32(-1), [&](qint32 &result) {
        const QString wanted = fieldKey(sColName);
        const std::vector<QString> &keys = grid.fieldKeys();
        for (std::size_t j = 0; j < keys.size(); ++j) {
            if (keys[j] == wanted) {
                result = qint32(j);
                return;
            }
        }
    });
}

bool ColExists(const SourceGrid &grid, const QString &sColName)
{
    return errors::trapResult(QStringLiteral("F01-0042A"), false, [&](bool &result) {
        const QString wanted = fieldKey(sColName);
        for (const QString &key : grid.fieldKeys()) {
            if (key == wanted) {
                result = true;
                return;
            }
        }
    });
}

bool IsEmptyRow(const WorkGrid &grid, qint32 lRowNo)
{
    return errors::trapResult(QStringLiteral("F01-0046"), true, [&](bool &result) {
        const int columns = grid.columns();
        for (int column = 1; column <= columns; ++column) {
            if (!isBlank(grid.text(lRowNo, column))) {
                result = false;
                return;
            }
        }
    });
}

bool IsEmptyRowEx(const SourceGrid &grid, qint32 lRowNo)
{
    return errors::trapResult(QStringLiteral("F01-0046A"), true, [&](bool &result) {
        const int cols = grid.Cols();
        for (int col = 0; col < cols; ++col) {
            if (!isBlank(grid.textAt(lRowNo, col))) {
                result = false;
                return;
            }
        }
    });
}

bool FieldExists(const QStringList &fieldNames, const QString &name)
{
    return errors::trapResult(QStringLiteral("F01-0054"), false, [&](bool &result) {
        const QString wanted = name.toUpper();
        for (const QString &field : fieldNames) {
            if (field.toUpper() == wanted) {
                result = true;
                return;
            }
        }
    });
}

bool ValidHeader(const QString &sHeaderName)
{
    return errors::trapResult(QStringLiteral("F01-0008"), true, [&](bool &result) {
        for (const QChar c : sHeaderName) {
            if (!allowedInHeader(c))
                result = false;
        }
    });
}

bool HeaderExists(const WorkGrid &grid, const QString &sHeaderName)
{
    return errors::trapResult(QStringLiteral("F01-0009"), false, [&](bool &result) {
        const QString wanted = sHeaderName.toUpper();
        const int columns = grid.columns();
        for (int column = 1; column <= columns; ++column) {
            if (grid.keyOfColumn(column).toUpper() == wanted)
                result = true;
        }
    });
}

} // namespace sources
