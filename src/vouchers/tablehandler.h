#pragma once

#include "vouchers/voucherrun.h"

#include <algorithm>
#include <array>
#include <span>

namespace vouchers {

// Short names the column tables use.
inline constexpr ColumnUse Required = ColumnUse::Required;
inline constexpr ColumnUse Optional = ColumnUse::Optional;
inline constexpr CellForm Amount = CellForm::Amount;
inline constexpr CellForm WideAmount = CellForm::WideAmount;
inline constexpr CellForm WideAmountOfText = CellForm::WideAmountOfText;

// A header field that takes the text of one of the row's values.
template <typename State> struct HeaderField
{
    QString staging::VoucherRec::*field;
    QString State::*value;
};

// The three party fields of the header, all naming the ledger of the voucher's first row.
template <typename State> constexpr std::array<HeaderField<State>, 3> partyFields(QString State::*ledger)
{
    return {{{&staging::VoucherRec::PartyLedgerName, ledger},
             {&staging::VoucherRec::BasePartyName, ledger},
             {&staging::VoucherRec::BasicBuyerName, ledger}}};
}

// A per-voucher counter and the text it starts from, before the first row and whenever a voucher opens.
template <typename State> struct Counter
{
    QString State::*counter;
    const char *start;
};

// An import type as tables: the columns its rows are read by, its header fields, its counters, and the routine
// that stages a row's lines. State holds everything the type keeps for a run: the row's values, the counters and
// the records, which are never cleared.
template <typename State> struct TypeTable
{
    const char *location;
    std::span<const Column<State>> columns;
    std::span<const HeaderField<State>> header;
    std::span<const FixedValue<staging::VoucherRec>> fixedHeader;
    std::span<const Counter<State>> counters;
    void (*stageLines)(State &state, VoucherRun &run);
    // Header fields the tables cannot say, set last.
    void (*headerStep)(const State &state, const VoucherRun &run, staging::VoucherRec &header) = nullptr;
};

// The row handler an import type's tables make. A type with a step the tables cannot say (its own voucher key, a
// step before the grouping test, a cell read its own way) derives from it and overrides that call.
template <typename State> class TableHandler : public RowHandler
{
public:
    explicit TableHandler(const TypeTable<State> &type) : m_type(type) {}

    const char *locationCode() const override { return m_type.location; }
    void startRun(VoucherRun &) override { resetCounters(); }
    void readRow(VoucherRun &run) override { run.readColumns(m_state, m_type.columns); }
    void openVoucher(VoucherRun &run, staging::VoucherRec &header) override
    {
        resetCounters();
        for (const HeaderField<State> &field : m_type.header)
            header.*(field.field) = m_state.*(field.value);
        assignFixedValues(header, m_type.fixedHeader);
        if (m_type.headerStep)
            m_type.headerStep(m_state, run, header);
    }
    void stageLines(VoucherRun &run) override { m_type.stageLines(m_state, run); }

protected:
    State &state() { return m_state; }

private:
    void resetCounters()
    {
        for (const Counter<State> &counter : m_type.counters)
            m_state.*(counter.counter) = QString::fromLatin1(counter.start);
    }

    const TypeTable<State> &m_type;
    State m_state;
};

template <typename T, std::size_t N> constexpr std::span<const T> all(const T (&table)[N])
{
    return std::span<const T>(table);
}

template <typename T, std::size_t N> constexpr std::span<const T> all(const std::array<T, N> &table)
{
    return std::span<const T>(table);
}

// Two tables one after the other, as one: the columns a type shares with others, then its own.
template <typename T, std::size_t N, std::size_t M>
constexpr std::array<T, N + M> joined(const std::array<T, N> &first, const std::array<T, M> &second)
{
    std::array<T, N + M> both{};
    std::copy(first.begin(), first.end(), both.begin());
    std::copy(second.begin(), second.end(), both.begin() + N);
    return both;
}

// A posting procedure: the run with the handler of the type's tables.
template <typename State> void postWithTable(sources::ImportWindow &window, const TypeTable<State> &type)
{
    TableHandler<State> handler(type);
    PostGridVouchers(window, handler);
}

} // namespace vouchers
