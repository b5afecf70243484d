#pragma once

#include "staging/stagingtables.h"

#include <QString>
#include <QStringList>

namespace staging {

class StagingConnection;

// The table that keeps, per company, the last voucher id handed out. Ids grow from run to run, so that two runs
// on one file never stage under one id; a clean-up leaves it as it is.
inline constexpr char counterTable[] = "VoucherCounter";
inline constexpr char counterColumn[] = "LastVchID";

// A table or column name as statements quote it.
QString sqlName(const QString &name);
QString sqlNames(const QStringList &names);

// Makes the tables the file lacks, and remakes any whose layout is not the one this program makes (a file of an
// earlier build, or of another program): the file is scratch, cleared per company by every run. Runs inside the
// write transaction the caller holds, so that two programs starting on a missing file never make a table twice.
void makeTables(StagingConnection &connection);

} // namespace staging
