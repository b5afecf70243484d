#include "sources/readers/biffworkbook.h"

#include "sources/readers/numberformats.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace sources {

namespace {

constexpr quint16 biff8Version = 0x0600;
constexpr quint16 biff5Version = 0x0500;
constexpr quint16 codePageUtf16 = 1200;
constexpr quint16 defaultCodePage = 1252;

constexpr quint8 worksheetOrDialog = 0; // the sheet kind of a BOUNDSHEET record
constexpr quint16 dialogSheetFlag = 0x0010;

// Days from the day each date system counts from (1899-12-30, as the database engine counts, and 1904-01-01) to
// 1970-01-01; and the first serial number past 9999-12-31.
constexpr double unixEpoch1900 = 25569;
constexpr double unixEpoch1904 = 24107;
constexpr double endOfDates = 2958466;
constexpr double msecsPerDay = 86'400'000;

// How far a sheet's opening records are searched for its options before it counts as an ordinary worksheet.
constexpr int sheetOptionsSearch = 256;

QStringDecoder decoderFor(quint16 codePage)
{
    switch (codePage) {
    case 367:
        return QStringDecoder("US-ASCII");
    case 10000:
    case 32768:
        return QStringDecoder("macintosh");
    case 32769:
        return QStringDecoder("windows-1252");
    default:
        break;
    }
    for (const char *prefix : {"windows-", "IBM", "cp"}) {
        QStringDecoder decoder(QByteArray(prefix + QByteArray::number(codePage)).constData());
        if (decoder.isValid())
            return decoder;
    }
    throw WorkbookError(WorkbookError::Kind::CharacterSet, QString::number(codePage));
}

// The least a cell record holds (row, column, style and its value's fixed part); 0 for other records.
size_t cellRecordSize(quint16 id)
{
    switch (id) {
    case biff::Number:
        return 14;
    case biff::Rk:
    case biff::LabelSst:
        return 10;
    case biff::MulRk:
        return 12;
    case biff::Label:
    case biff::RichString:
    case biff::BoolErr:
        return 8;
    case biff::Formula:
    case biff::Formula4:
        return 14;
    default:
        return 0;
    }
}

double rkNumber(quint32 rk)
{
    double value = (rk & 0x02) != 0 ? double(qint32(rk) >> 2) : std::bit_cast<double>(quint64(rk & ~3U) << 32);
    if ((rk & 0x01) != 0)
        value /= 100;
    return value;
}

Value textValue(QString text)
{
    return text.isEmpty() ? Value() : Value::text(std::move(text));
}

void needSize(const BiffRecord &record, size_t size)
{
    if (record.body.size() < size)
        raiseDamaged("a record is shorter than its contents");
}

} // namespace

BiffWorkbook::BiffWorkbook(QByteArray stream, bool bookStream, std::shared_ptr<const void> holder)
    : m_holder(std::move(holder)), m_stream(std::move(stream)),
      m_bytes(reinterpret_cast<const uchar *>(m_stream.constData()), size_t(m_stream.size())),
      m_decoder(decoderFor(defaultCodePage))
{
    readGlobals(bookStream);
}

void BiffWorkbook::readGlobals(bool bookStream)
{
    BiffCursor cursor(m_bytes, 0);
    const int firstId = cursor.peekId();
    if (firstId == biff::Bof2 || firstId == biff::Bof3 || firstId == biff::Bof4)
        throw WorkbookError(WorkbookError::Kind::OlderFormat, QString());
    if (firstId != biff::Bof)
        throw WorkbookError(WorkbookError::Kind::NoWorkbook, QString());
    const BiffRecord bof = cursor.next();
    needSize(bof, 4);
    if (readU16(bof.body.data() + 2) != biff::GlobalsKind)
        throw WorkbookError(WorkbookError::Kind::NoWorkbook, QString());
    switch (readU16(bof.body.data())) {
    case biff8Version:
        m_version = BiffVersion::Biff8;
        break;
    case biff5Version:
        m_version = BiffVersion::Biff5;
        break;
    default:
        m_version = bookStream ? BiffVersion::Biff5 : BiffVersion::Biff8;
        break;
    }

    QHash<quint16, bool> dateFormats;
    std::vector<quint16> styleFormats;
    for (;;) {
        if (cursor.atEnd())
            raiseDamaged("the workbook ends before its sheets");
        const BiffRecord record = cursor.next();
        const uchar *body = record.body.data();
        switch (record.id) {
        case biff::Eof:
            break;
        case biff::FilePass:
            throw WorkbookError(WorkbookError::Kind::Encrypted, QString());
        case biff::CodePage:
            needSize(record, 2);
            if (m_version == BiffVersion::Biff5 && readU16(body) != codePageUtf16)
                m_decoder = decoderFor(readU16(body));
            continue;
        case biff::DateMode:
            needSize(record, 2);
            m_dates1904 = readU16(body) != 0;
            continue;
        case biff::Format: {
            BiffRecordReader reader(record, cursor, m_version);
            const quint16 index = reader.u16();
            const QString code =
                m_version == BiffVersion::Biff5 ? reader.bytes(reader.u8(), m_decoder) : reader.text(m_decoder);
            dateFormats.insert(index, isDateFormatCode(code));
            continue;
        }
        case biff::ExtendedFormat:
            needSize(record, 4);
            styleFormats.push_back(readU16(body + 2));
            continue;
        case biff::BoundSheet:
            addSheet(record);
            continue;
        case biff::SharedStrings:
            if (m_sharedStringsOffset < 0)
                m_sharedStringsOffset = record.offset;
            continue;
        case biff::Bof:
            raiseDamaged("the workbook's settings are not closed before its first sheet");
        default:
            continue;
        }
        break;
    }

    m_dateStyles.reserve(styleFormats.size());
    for (const quint16 format : styleFormats) {
        // Format 0 is General, whatever a localised program calls it ("Standard" has a d in it).
        const auto found = dateFormats.constFind(format);
        m_dateStyles.push_back(format != 0 &&
                               (found != dateFormats.constEnd() ? found.value() : isBuiltInDateFormat(format)));
    }

    std::erase_if(m_sheets, [this](const Sheet &sheet) { return !isWorksheet(sheet.offset); });
}

void BiffWorkbook::addSheet(const BiffRecord &record)
{
    needSize(record, 7);
    const uchar *body = record.body.data();
    if (body[5] != worksheetOrDialog)
        return;
    const quint32 length = body[6];
    QString name;
    if (m_version == BiffVersion::Biff5) {
        needSize(record, 7 + length);
        name = m_decoder.decode(QByteArrayView(body + 7, qsizetype(length)));
        m_decoder.resetState();
    } else {
        needSize(record, 8);
        const bool twoBytes = (body[7] & 0x01) != 0;
        needSize(record, 8 + length * (twoBytes ? 2 : 1));
        name = unicodeCharacters(body + 8, length, twoBytes);
    }
    m_sheets.push_back({name, qsizetype(readU32(body))});
}

bool BiffWorkbook::isWorksheet(qsizetype offset) const
{
    if (offset >= qsizetype(m_bytes.size()))
        raiseDamaged("a sheet lies outside the workbook");
    BiffCursor cursor(m_bytes, offset);
    const BiffRecord bof = cursor.next();
    if (bof.id != biff::Bof || bof.body.size() < 4)
        raiseDamaged("a sheet does not begin where the workbook says");
    if (readU16(bof.body.data() + 2) != biff::WorksheetKind)
        return false;
    // A dialog sheet is a worksheet whose options say so, near its start.
    for (int i = 0; i < sheetOptionsSearch && !cursor.atEnd(); ++i) {
        const BiffRecord record = cursor.next();
        if (record.id == biff::SheetOptions && record.body.size() >= 2)
            return (readU16(record.body.data()) & dialogSheetFlag) == 0;
        if (record.id == biff::Dimensions || record.id == biff::Eof || record.id == biff::Bof ||
            cellRecordSize(record.id) != 0)
            break;
    }
    return true;
}

QStringList BiffWorkbook::worksheetNames() const
{
    QStringList names;
    names.reserve(qsizetype(m_sheets.size()));
    for (const Sheet &sheet : m_sheets)
        names.append(sheet.name);
    return names;
}

const std::vector<QString> &BiffWorkbook::sharedStrings()
{
    if (m_sharedStringsRead || m_sharedStringsOffset < 0)
        return m_sharedStrings;
    BiffCursor cursor(m_bytes, m_sharedStringsOffset);
    BiffRecordReader reader(cursor.next(), cursor, BiffVersion::Biff8);
    reader.u32(); // how many cells use the table
    const quint32 count = reader.u32();
    // Every text takes three bytes at least: never reserve for more than the stream can hold.
    m_sharedStrings.reserve(std::min<size_t>(count, m_bytes.size() / 3));
    try {
        for (quint32 i = 0; i < count && !reader.atEnd(); ++i) {
            const quint16 length = reader.u16();
            m_sharedStrings.push_back(reader.richText(length, reader.u8()));
        }
    } catch (const WorkbookError &) {
        // A table cut short keeps the texts it holds whole; a cell that refers past them is the damage reported.
    }
    m_sharedStringsRead = true;
    return m_sharedStrings;
}

Value BiffWorkbook::numberValue(double number, quint16 style) const
{
    if (!std::isfinite(number))
        return Value();
    if (style < m_dateStyles.size() && m_dateStyles[style] && number >= 0 && number < endOfDates) {
        double days = number - (m_dates1904 ? unixEpoch1904 : unixEpoch1900);
        // The 1900 date system counts 29 February 1900, a day that never was: the serials before it, 1 for
        // 1 January 1900 to 59 for 28 February, are a day later than a count from 30 December 1899 gives.
        if (!m_dates1904 && number >= 1 && number < 60)
            days += 1;
        return Value::dateFromMSecs(std::llround(days * msecsPerDay));
    }
    return Value::number(number);
}

// Walks the cells of the sheet whose BOF record is at the offset, skipping the charts and other sheets
// embedded in it. sink.wants(row, column) says whether a cell's value is wanted; sink.put(row, column, value)
// takes it, and sink.putShared(row, column, index) a text of the shared string table.
template <typename Sink> void BiffWorkbook::walkCells(qsizetype offset, Sink &&sink)
{
    const std::vector<QString> &strings = sharedStrings();
    BiffCursor cursor(m_bytes, offset);
    cursor.next();
    int depth = 1;
    // A formula's text result follows it in a record of its own.
    std::optional<std::pair<int, int>> pendingText;
    for (;;) {
        if (cursor.atEnd())
            raiseDamaged("a sheet ends before its end record");
        const BiffRecord record = cursor.next();
        if (record.id == biff::Bof) {
            ++depth;
            continue;
        }
        if (record.id == biff::Eof) {
            if (--depth == 0)
                return;
            continue;
        }
        if (depth != 1)
            continue;
        if (record.id == biff::FormulaString) {
            if (pendingText) {
                BiffRecordReader reader(record, cursor, m_version);
                sink.put(pendingText->first, pendingText->second, textValue(reader.text(m_decoder)));
                pendingText.reset();
            }
            continue;
        }
        const size_t minimumSize = cellRecordSize(record.id);
        if (minimumSize == 0)
            continue;
        pendingText.reset();

        // Checked before the cell is wanted, so that a damaged sheet is refused in the pass that measures it.
        needSize(record, minimumSize);
        const uchar *body = record.body.data();
        const quint16 row = readU16(body);
        const quint16 column = readU16(body + 2);
        const quint16 style = readU16(body + 4);
        if (record.id == biff::MulRk) {
            // Row, first column, then a style and an RK number for each column, then the last column.
            if ((record.body.size() - 6) % 6 != 0)
                raiseDamaged("a record is shorter than its contents");
            const size_t count = (record.body.size() - 6) / 6;
            if (column + count > size_t(biff::MaxColumns))
                raiseDamaged("a cell lies beyond the last column of its sheet");
            for (size_t i = 0; i < count; ++i) {
                if (sink.wants(row, int(column + i)))
                    sink.put(row, int(column + i),
                             numberValue(rkNumber(readU32(body + 6 + 6 * i)), readU16(body + 4 + 6 * i)));
            }
            continue;
        }
        if (column >= biff::MaxColumns)
            raiseDamaged("a cell lies beyond the last column of its sheet");
        if (record.id == biff::LabelSst && readU32(body + 6) >= strings.size())
            raiseDamaged("a cell refers to a text that the shared string table does not hold");
        if (!sink.wants(row, column))
            continue;
        switch (record.id) {
        case biff::Number:
            sink.put(row, column, numberValue(readF64(body + 6), style));
            break;
        case biff::Rk:
            sink.put(row, column, numberValue(rkNumber(readU32(body + 6)), style));
            break;
        case biff::LabelSst:
            sink.putShared(row, column, readU32(body + 6));
            break;
        case biff::Label:
        case biff::RichString: {
            BiffRecordReader reader(record, cursor, m_version);
            reader.skip(6);
            sink.put(row, column, textValue(reader.text(m_decoder)));
            break;
        }
        case biff::BoolErr:
            // Error values (#N/A, #VALUE! ...) read as null, as the database engine reads them.
            sink.put(row, column, body[7] != 0 ? Value() : Value::yesNo(body[6] != 0));
            break;
        default: { // the formulas: the result Excel last worked out, as it shows it
            if (readU16(body + 12) != 0xFFFF) {
                sink.put(row, column, numberValue(readF64(body + 6), style));
                break;
            }
            constexpr quint8 textResult = 0, booleanResult = 1;
            sink.put(row, column, body[6] == booleanResult ? Value::yesNo(body[8] != 0) : Value());
            if (body[6] == textResult)
                pendingText.emplace(row, column);
            break;
        }
        }
    }
}

Table BiffWorkbook::readWorksheet(qsizetype index)
{
    const qsizetype offset = m_sheets.at(size_t(index)).offset;
    const std::vector<QString> &strings = sharedStrings();

    // First the extent of the cells and the header row, so that the table is made once at its size.
    struct HeaderSink
    {
        const std::vector<QString> &strings;
        int rows = 0;
        int columns = 0;
        std::array<Value, biff::MaxColumns> header{};

        bool wants(int row, int column)
        {
            rows = std::max(rows, row + 1);
            columns = std::max(columns, column + 1);
            return row == 0;
        }
        void put(int, int column, const Value &value) { header[size_t(column)] = value; }
        void putShared(int, int column, quint32 index) { header[size_t(column)] = textValue(strings[index]); }
    } extent{strings};
    walkCells(offset, extent);

    QStringList fieldNames;
    fieldNames.reserve(extent.columns);
    for (int column = 0; column < extent.columns; ++column) {
        const Value &name = extent.header[size_t(column)];
        fieldNames.append(name.isNull() ? QStringLiteral("F%1").arg(column + 1) : gridText(name));
    }
    Table table(std::move(fieldNames));
    // Only values of cells of their own are looked up, shared texts are not, and numbers recur less often than
    // they occur.
    table.reserveValues(size_t(extent.rows));
    if (extent.rows > 1) {
        table.reserveRows(extent.rows - 1);
        for (int row = 1; row < extent.rows; ++row)
            table.appendRow();
    }

    // A shared text is made a value of the table once, at its first cell.
    struct TableSink
    {
        Table &table;
        const std::vector<QString> &strings;
        std::vector<Table::ValueId> sharedIds;

        bool wants(int row, int) const { return row != 0; }
        void put(int row, int column, const Value &value) { table.setId(row - 1, column, table.intern(value)); }
        void putShared(int row, int column, quint32 index)
        {
            Table::ValueId &id = sharedIds[index];
            // The table of shared texts holds each text once already: they need not be looked up.
            if (id == Table::NullId && !strings[index].isEmpty())
                id = table.appendValue(Value::text(strings[index]));
            table.setId(row - 1, column, id);
        }
    } cells{table, strings, std::vector<Table::ValueId>(strings.size(), Table::NullId)};
    walkCells(offset, cells);
    return table;
}

} // namespace sources
