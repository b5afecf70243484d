#include "masters/groupedposting.h"

#include "masters/masterrow.h"

#include "errors/errortrap.h"
#include "platform/system.h"

#include "sources/importwindow.h"
#include "sources/lookups.h"
#include "sources/rowmarking.h"
#include "sources/workgrid.h"
#include "tally/transport.h"
#include "tally/xmltext.h"

#include <optional>

namespace masters {

void walkMasterGroups(sources::ImportWindow &window, const char *progress, GroupedMasterType &type)
{
    // One server for the whole run, read once rather than for every master; a failure that repeats from master to
    // master is shown once.
    const tally::RunServer server;
    const errors::RunScope failures;
    sources::WorkGrid &grid = window.workGrid();
    const QString progressText = QString::fromLatin1(progress);
    const QString nameKey = QStringLiteral("NAME");

    // The name of the master being gathered; none before the first and after a blank row. Kept apart from any
    // text, so that every name, "00" included, is a name.
    std::optional<QString> pending;
    tally::XmlTextCheck check;
    // Once the server stopped answering or the program was told to stop, the masters after it are gathered as
    // ever, to mark each as not tried, and not sent.
    std::optional<sources::StoppedRun> stopped;
    bool anythingSent = false;
    auto post = [&](int lastRow, int triggeringRow) {
        pending.reset();
        const sources::PostedRows rows = sources::PostedRows::master(lastRow);
        if (!stopped && platform::stopRequested())
            stopped.emplace(window, sources::StoppedRun::Cause::Told, lastRow, anythingSent);
        if (stopped) {
            stopped->markNotTried(rows);
            return;
        }
        const tally::TallyReply reply = check.passed() ? type.postMaster() : check.heldBack();
        anythingSent = anythingSent || reply.delivery != tally::Delivery::NotSent;
        if (!sources::PostAndMark(window, rows, reply,
                                  progressText + QString::number(type.progressRow(lastRow, triggeringRow))))
            stopped.emplace(window, sources::StoppedRun::Cause::ServerGone, lastRow, true);
    };

    const int rows = grid.rows();
    for (int i = 1; i <= rows; ++i) {
        const QString nameCell = grid.text(i, nameKey);
        if (nameCell.trimmed().isEmpty() && sources::IsEmptyRow(grid, i)) {
            if (pending)
                post(i - 1, i);
            continue;
        }
        const QString name = nameCell.isEmpty() && pending ? *pending : nameCell;
        if (!pending || name != *pending) {
            if (pending)
                post(i - 1, i);
            pending = name;
            check.reset();
            check.check(nameKey, name);
            type.beginMaster(MasterRow(window, i, &check), name);
        }
        type.addSubLines(MasterRow(window, i, &check));
    }
    if (pending)
        post(rows, rows + 1);
}

} // namespace masters
