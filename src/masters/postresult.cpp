#include "masters/postresult.h"

#include "sources/workgrid.h"

namespace masters {

Outcome PostOutcome(const QString &result)
{
    const QString upper = result.toUpper();
    if (upper.contains(QLatin1String("ERROR")))
        return Outcome::Error;
    if (upper.contains(QLatin1String("CREATED")))
        return Outcome::Created;
    if (upper.contains(QLatin1String("ALTERED")) || upper.contains(QLatin1String("COMBINED")))
        return Outcome::Altered;
    return Outcome::Unrecognised;
}

void ReportPostResult(sources::WorkGrid &grid, int row, const QString &result)
{
    grid.setText(row, sources::ProcessStatusKey, result);

    int image = imageUnrecognised;
    quint32 colour = sources::OleBlack;
    switch (PostOutcome(result)) {
    case Outcome::Error:
        image = imageRejected;
        colour = sources::OleRed;
        break;
    case Outcome::Created:
        image = imagePosted;
        colour = sources::OleBlue;
        break;
    case Outcome::Altered:
        image = imagePosted;
        break;
    case Outcome::Unrecognised:
        break;
    }
    grid.setImage(row, 1, image);

    const QColor textColour = sources::oleColor(colour);
    const int columns = grid.columns();
    for (int column = 1; column <= columns; ++column)
        grid.setTextColor(row, column, textColour);
    grid.setBold(row, grid.columnOfKey(sources::ProcessStatusKey), true);
}

} // namespace masters
