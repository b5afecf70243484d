#pragma once

#include <QString>

namespace tally {
struct TallyReply;
}

namespace sources {
class ImportWindow;
}

namespace masters {

class MasterRow;

// A master type whose masters may span several rows: a first row that names the master and carries its
// fields, then continuation rows (an empty NAME, or the same name again) that add sub-lines.
class GroupedMasterType
{
public:
    virtual ~GroupedMasterType() = default;

    // Starts a master at its first row: sub-lines start empty and the record takes the row's fields.
    virtual void beginMaster(const MasterRow &row, const QString &name) = 0;
    // Adds what one row of the master (its first row included) contributes.
    virtual void addSubLines(const MasterRow &row) = 0;
    // Sends the master gathered so far and returns the server's reply.
    virtual tally::TallyReply postMaster() = 0;
    // The row number the progress text shows once a master has been posted.
    virtual int progressRow(int lastRow, int triggeringRow) const = 0;
};

// Walks the work grid once, gathering consecutive rows into masters and posting each when the next begins.
// A blank row ends the master above it and begins none; a row that holds data without a name begins a nameless
// master, which is posted so that the server's answer shows in its row. A master still pending after the last
// row is posted too. A master one of whose cells holds a character XML cannot carry is not sent.
void walkMasterGroups(sources::ImportWindow &window, const char *progress, GroupedMasterType &type);

} // namespace masters
