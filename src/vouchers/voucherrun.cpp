#include "vouchers/voucherrun.h"

#include "errors/errortrap.h"
#include "platform/system.h"
#include "sources/gridtext.h"
#include "sources/importtypes.h"
#include "sources/importwindow.h"
#include "sources/lookups.h"
#include "sources/rowmarking.h"
#include "sources/statusline.h"
#include "sources/workgrid.h"
#include "staging/stagingstore.h"
#include "staging/voucherbuilder.h"
#include "tally/transport.h"
#include "vouchers/voucherconstants.h"

#include <utility>

namespace vouchers {

namespace {

const QString keyDash = QStringLiteral("-");

// The header fields every voucher type stages as "No".
constexpr QString staging::VoucherRec::*noFields[] = {
    &staging::VoucherRec::DiffActualQty,
    &staging::VoucherRec::Audited,
    &staging::VoucherRec::ForJobCosting,
    &staging::VoucherRec::IsOptional,
    &staging::VoucherRec::UseForCompound,
    &staging::VoucherRec::UseForGainLoss,
    &staging::VoucherRec::UseForGodownTransfer,
    &staging::VoucherRec::UseForInterest,
    &staging::VoucherRec::UseTrackingNumber,
    &staging::VoucherRec::IsCancelled,
    &staging::VoucherRec::IsPostDated,
    &staging::VoucherRec::MFGJournal,
    &staging::VoucherRec::HasDiscounts,
    &staging::VoucherRec::AsPayslip,
    &staging::VoucherRec::IsDeleted,
};

void fillCommonHeader(staging::VoucherRec &header, const CommonValues &common, const QString &key)
{
    header.Date = common.VCHDATE;
    header.EffectiveDate = common.VCHDATE;
    header.GUID = key;
    header.VoucherTypeName = common.VCHTYPE;
    header.VoucherNumber = common.VCHNO;
    header.Reference = common.REFNO;
    header.Narration = common.NARRATION;
    for (QString staging::VoucherRec::*field : noFields)
        header.*field = QStringLiteral("No");
}

} // namespace

VoucherRun::VoucherRun(sources::ImportWindow &window, staging::StagingStore &store) : m_window(window), m_store(store)
{}

bool VoucherRun::sourceHas(const char *key)
{
    return sources::ColPos(m_window.sourceGrid(), QString::fromLatin1(key)) >= 0;
}

QString VoucherRun::cell(const char *key)
{
    return text(key, columnOf(key, ColumnUse::Required));
}

bool VoucherRun::rowIsBlank() const
{
    return sources::IsEmptyRow(m_window.workGrid(), m_row);
}

void VoucherRun::refuseVoucher(const QString &result)
{
    if (m_refusal.isEmpty())
        m_refusal = result;
}

void VoucherRun::refuseRow(const QString &what)
{
    refuseVoucher(QStringLiteral("ERROR: row %1 %2; the voucher was not sent").arg(m_row).arg(what));
}

int VoucherRun::columnCount() const
{
    return m_window.workGrid().columns();
}

QString VoucherRun::columnTag(int gridColumn) const
{
    return m_window.workGrid().columnTag(gridColumn);
}

int VoucherRun::columnTagRow(int gridColumn) const
{
    return m_window.workGrid().columnTagRow(gridColumn);
}

bool VoucherRun::hasColumnOfKey(const QString &key) const
{
    return m_window.workGrid().findColumn(key) > 0;
}

QString VoucherRun::cellOfKey(const QString &key) const
{
    return text(key, m_window.workGrid().columnOfKey(key));
}

int VoucherRun::columnOf(const char *key, ColumnUse use)
{
    // Looked up once a run: every row asks for the same columns.
    const auto found = m_columns.find(key);
    if (found != m_columns.end())
        return found->second;
    const int column =
        use == ColumnUse::Optional && !sourceHas(key) ? 0 : m_window.workGrid().columnOfKey(QString::fromLatin1(key));
    m_columns.emplace(key, column);
    return column;
}

QString VoucherRun::text(QAnyStringView key, int gridColumn) const
{
    QString cellText = m_window.workGrid().text(m_row, gridColumn);
    // The column's name is made only for the first cell that fails.
    if (m_rowCheck.passed() && tally::characterXmlCannotCarry(cellText))
        m_rowCheck.check(key.toString(), cellText);
    return cellText;
}

void VoucherRun::refuseNumber(QAnyStringView key, const QString &cell)
{
    if (m_rowCheck.passed())
        m_rowCheck.notANumber(key.toString(), cell);
}

void VoucherRun::readCommonColumns()
{
    m_common.VCHTYPE = cell("VCHTYPE");
    m_common.VCHNO = cell("VCHNO");
    m_common.VCHDATE = cell("VCHDATE");
    if (m_sourceHasId)
        m_common.ID = cell("ID");
    m_common.REFNO = cell("REFNO");
    m_common.NARRATION = cell("NARRATION");
}

// The one place a staged voucher goes to the server. One some of whose rows could not be staged would reach it
// without them, and is not sent; nor is one its type refused, nor one holding a character XML cannot carry, which
// would be refused whole or reach it altered.
void VoucherRun::postVoucher(const sources::PostedRows &rows)
{
    // A stop asked for during the post before takes effect here, once that post has been marked.
    if (!m_stopped && platform::stopRequested())
        m_stopped.emplace(m_window, sources::StoppedRun::Cause::Told, rows.resultRow(), !m_postedIds.isEmpty());
    if (m_stopped) {
        m_refusal.clear();
        m_stopped->markNotTried(rows);
        return;
    }
    tally::TallyReply reply;
    if (!m_refusal.isEmpty())
        reply = {std::exchange(m_refusal, QString()), tally::Delivery::NotSent};
    else if (m_store.stagingFailed(m_company, m_vchId))
        reply = {QString::fromLatin1(resultNotStaged), tally::Delivery::NotSent};
    else if (!m_voucherCheck.passed())
        reply = m_voucherCheck.heldBack();
    else
        reply = staging::PostStagedVoucher(m_store, m_company, m_vchId, QString::fromLatin1(actionCreate));
    // A read or commit that failed while the request was being built.
    if (reply.delivery == tally::Delivery::NotSent && m_store.stagingFailed(m_company, m_vchId))
        reply = {QString::fromLatin1(resultNotStaged), tally::Delivery::NotSent};
    if (reply.delivery != tally::Delivery::NotSent)
        m_postedIds.insert(m_header.GUID, rows.resultRow());
    // The status line counts the run's own vouchers; their ids grow from run to run.
    if (!sources::PostAndMark(m_window, rows, reply,
                              QString::fromLatin1(statusProcessed) + QString::number(++m_vouchersDone)))
        m_stopped.emplace(m_window, sources::StoppedRun::Cause::ServerGone, rows.resultRow(), true);
}

void VoucherRun::postOpenVoucher(int lastRow)
{
    // Without an ID column of the source's own, the ID cells hold the loader's synthesized ids, which the key
    // need not match: the voucher's rows are known by their place. So are the rows of a voucher without an ID,
    // which would otherwise find every row without one, the blank rows at the end among them, and those of a
    // voucher refused before it was sent, whose ID may be another voucher's.
    const sources::PostedRows rows = m_sourceHasId && !m_openKey->isEmpty() && m_refusal.isEmpty()
                                         ? sources::PostedRows::voucherWithKey(lastRow, *m_openKey)
                                         : sources::PostedRows::voucherRows(m_firstRow, lastRow);
    m_openKey.reset();
    postVoucher(rows);
}

void VoucherRun::openVoucher(RowHandler &handler)
{
    // The voucher's transaction begins with its id; a failure leaves the id empty, and the voucher failed.
    m_vchId = m_store.TakeVchID(m_company);
    m_voucherCheck.reset();
    fillCommonHeader(m_header, m_common, m_key);
    handler.openVoucher(*this, m_header);
    refuseUnpostableVoucher();
    m_store.SaveVoucher(m_company, m_header, m_vchId);
}

void VoucherRun::refuseUnpostableVoucher()
{
    if (m_sourceHasId && sources::isBlank(m_key))
        refuseRow(QStringLiteral("has no ID"));
    if (!m_groupsWithoutTellableIds.isEmpty() && m_groupsWithoutTellableIds.contains(groupOfRow(m_row)))
        refuseRow(QStringLiteral("shares its voucher type, date and number with rows that have no ID, which could "
                                 "belong to any of that group's vouchers"));
    if (sources::isBlank(m_header.Date))
        refuseRow(QStringLiteral("has no date"));
    const auto posted = m_postedIds.constFind(m_header.GUID);
    if (posted != m_postedIds.cend())
        refuseRow(QStringLiteral("has the ID \"%1\" of the voucher posted at row %2 in this run")
                      .arg(m_header.GUID)
                      .arg(*posted));
}

QString VoucherRun::groupOfRow(int row) const
{
    const sources::WorkGrid &grid = m_window.workGrid();
    const QChar separator(u'\x1f');
    return grid.text(row, grid.columnOfKey(QStringLiteral("VCHTYPE"))) + separator +
           grid.text(row, grid.columnOfKey(QStringLiteral("VCHDATE"))) + separator +
           grid.text(row, grid.columnOfKey(QStringLiteral("VCHNO")));
}

void VoucherRun::findGroupsWithoutTellableIds(const RowHandler &handler)
{
    // Only a loader that fills IDs within a group leaves some empty on purpose; a type whose rows without an ID
    // continue the voucher above them never has its IDs filled that way.
    if (!m_sourceHasId || handler.idlessRowsContinueAbove() ||
        !sources::receivesVoucherFillDown(sources::removeBlanks(m_window.importTypeText().toUpper())))
        return;
    const sources::WorkGrid &grid = m_window.workGrid();
    const int idColumn = grid.columnOfKey(sources::IdKey);
    QHash<QString, QSet<QString>> idsOfGroup;
    QSet<QString> groupsWithIdlessRows;
    for (int row = 1; row <= grid.rows(); ++row) {
        if (sources::IsEmptyRow(grid, row))
            continue;
        const QString group = groupOfRow(row);
        const QString id = grid.text(row, idColumn);
        if (sources::isBlank(id))
            groupsWithIdlessRows.insert(group);
        else
            idsOfGroup[group].insert(id);
    }
    for (const QString &group : std::as_const(groupsWithIdlessRows)) {
        if (idsOfGroup.value(group).size() >= 2)
            m_groupsWithoutTellableIds.insert(group);
    }
}

void VoucherRun::run(RowHandler &handler)
{
    // One server for the whole run, read once rather than for every voucher.
    const tally::RunServer server;
    m_window.selectFirstDataTab();
    m_window.stat(QString::fromLatin1(statusDeleting), sources::MsgPanel);
    m_company = m_window.currentCompany() = m_window.companyListText();
    // The file is scratch: what earlier runs staged for the company goes before this run stages anything.
    if (!m_store.ClearCompanyStaging(m_company))
        return;
    handler.startRun(*this);
    m_window.stat(QString(), sources::MsgPanel);

    m_sourceHasId = sourceHas("ID");
    findGroupsWithoutTellableIds(handler);
    sources::WorkGrid &grid = m_window.workGrid();
    const int rows = grid.rows();
    for (m_row = 1; m_row <= rows; ++m_row) {
        m_rowCheck.reset();
        readCommonColumns();
        handler.readRow(*this);
        const QString sharedKey =
            m_sourceHasId ? m_common.ID : m_common.VCHTYPE + keyDash + m_common.VCHNO + keyDash + m_common.VCHDATE;
        m_key = handler.voucherKey(*this, sharedKey);

        if (rowIsBlank()) {
            // A blank row ends the voucher above it and begins none.
            if (m_openKey)
                postOpenVoucher(m_row - 1);
        } else if (handler.grouping() == Grouping::EachRow) {
            if (handler.holdsVoucher(*this)) {
                if (!m_stopped) {
                    openVoucher(handler);
                    handler.stageLines(*this);
                }
                m_voucherCheck.take(m_rowCheck);
                postVoucher(sources::PostedRows::master(m_row));
            }
        } else {
            handler.beforeGrouping(*this);
            if (!m_openKey || m_key != *m_openKey) {
                if (m_openKey)
                    postOpenVoucher(m_row - 1);
                m_openKey = m_key;
                m_firstRow = m_row;
                if (!m_stopped)
                    openVoucher(handler);
            }
            if (!m_stopped)
                handler.stageLines(*this);
            // The row's cells count for the voucher it belongs to, known only now: a row that opens a voucher is
            // read before the voucher above it is posted.
            m_voucherCheck.take(m_rowCheck);
        }
        m_window.yieldToEvents();
    }
    // A grid that ends without a blank row still has a voucher open.
    if (m_openKey)
        postOpenVoucher(rows);
    // A run that stopped says so instead.
    if (!m_stopped)
        m_window.stat(QString::fromLatin1(statusFinished), sources::MsgPanel);
}

void PostGridVouchers(sources::ImportWindow &window, RowHandler &handler)
{
    const errors::RunScope failures;
    errors::trap(QLatin1String(handler.locationCode()), [&] {
        staging::StagingStore store;
        VoucherRun run(window, store);
        run.run(handler);
    });
}

} // namespace vouchers
