#pragma once

#include "masters/masterrecords.h"
#include "tally/transport.h"

#include <QString>

// The builders of the master module: each turns one record into one master import request for a company,
// sends it and returns the server's reply, or an empty summary after an error it has reported.
namespace masters {

tally::TallyReply ImportGodown(const QString &company, const GodownRec &godown, const QString &action);
tally::TallyReply ImportUnit(const QString &company, const UnitRec &unit, const QString &action);
tally::TallyReply ImportLedgerGroup(const QString &company, const LedgerGroupRec &group, const QString &action);
tally::TallyReply ImportLedger(const QString &company, const LedgerRec &ledger, const QString &action);
tally::TallyReply ImportStockGroup(const QString &company, const StockGroupRec &group, const QString &action);
tally::TallyReply ImportStockItem(const QString &company, const StockItemRec &item, const QString &action);
tally::TallyReply ImportStockCategory(const QString &company, const StockCategoryRec &category, const QString &action);
tally::TallyReply ImportCostCategory(const QString &company, const CostCategoryRec &category, const QString &action);
tally::TallyReply ImportCostCentre(const QString &company, const CostCentreRec &centre, const QString &action);

// The text the ledger's own OPENINGBALANCE carries when its bills do not add up to 0: their exact total,
// with a blank before a positive total and the minus sign before a negative one.
QString OpeningBillsTotalText(const QList<OpeningBill> &bills);

} // namespace masters
