#include "sources/readers/delimitedtext.h"

#include "sources/readers/sourceerror.h"

#include <QStringDecoder>

#include <array>
#include <cstring>
#include <vector>

namespace sources {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80 to 0x9F; the five bytes it leaves undefined keep their value,
// as Windows converts them.
constexpr std::array<char16_t, 32> cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void decodeCp1252(const char *data, qsizetype size, char16_t *out)
{
    for (qsizetype i = 0; i < size; ++i) {
        const auto code = static_cast<unsigned char>(data[i]);
        out[i] = (code >= 0x80 && code <= 0x9F) ? cp1252High[code - 0x80] : char16_t(code);
    }
}

[[noreturn]] void refuse(const QString &fileName, const QString &what)
{
    raiseSourceError(SourceErr::OpenFailed, QStringLiteral("'%1' %2").arg(fileName, what),
                     QStringLiteral("Pelko.TextFile"));
}

// The line, from 1, that the byte at the position stands on; a line ends in CR LF, LF or CR.
qsizetype lineOf(QByteArrayView bytes, qsizetype position)
{
    qsizetype line = 1;
    for (qsizetype i = 0; i < position; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')))
            ++line;
    }
    return line;
}

bool isBlankLine(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (c == '\r' || c == '\n')
            return true;
        if (c != ' ' && c != '\t')
            return false;
    }
    return true;
}

QString fieldName(const QString &name, qsizetype column)
{
    return name.isEmpty() ? QStringLiteral("F%1").arg(column + 1) : name;
}

// Splits the bytes into records of fields. The separators are ASCII, so the bytes are split before they are
// decoded, field by field, each into the same buffer, which spares a decoded copy of the whole file and a text
// for every field.
class CsvScanner
{
public:
    CsvScanner(QByteArrayView bytes, bool utf8, const QString &fileName)
        : m_bytes(bytes), m_pos(bytes.data()), m_end(bytes.data() + bytes.size()), m_utf8(utf8),
          m_decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless), m_fileName(fileName)
    {}

    bool atEnd() const { return m_pos >= m_end; }

    // Reads one record, handing each field to take(position, text) in turn, and returns how many fields it
    // has; an empty field is not handed on. The text lives until the next field is read.
    template <typename Take> qsizetype readRecord(Take &&take)
    {
        for (qsizetype position = 0;; ++position) {
            const QStringView text = readField();
            if (!text.isEmpty())
                take(position, text);
            if (m_pos >= m_end)
                return position + 1;
            const char separator = *m_pos++;
            if (separator == ',')
                continue;
            if (separator == '\r' && m_pos < m_end && *m_pos == '\n')
                ++m_pos;
            return position + 1;
        }
    }

private:
    static bool endsField(char c)
    {
        static constexpr std::array<bool, 256> ends = [] {
            std::array<bool, 256> table{};
            table[size_t(',')] = table[size_t('\n')] = table[size_t('\r')] = true;
            return table;
        }();
        return ends[static_cast<unsigned char>(c)];
    }

    QStringView decode(const char *data, qsizetype size)
    {
        // A UTF-16 text has no more code units than its UTF-8 form has bytes.
        if (qsizetype(m_text.size()) < size)
            m_text.resize(size_t(size));
        char16_t *out = m_text.data();
        if (!m_utf8) {
            decodeCp1252(data, size, out);
            return QStringView(out, size);
        }
        // Widened as ASCII first, which most fields are; the loop has no exit of its own so that it runs on
        // vectors.
        unsigned char seen = 0;
        for (qsizetype i = 0; i < size; ++i) {
            const auto code = static_cast<unsigned char>(data[i]);
            out[i] = char16_t(code);
            seen |= code;
        }
        if (seen < 0x80)
            return QStringView(out, size);
        // The whole field again, so that a byte-order mark at its start is dropped as QString::fromUtf8 drops it.
        const QChar *end = m_decoder.appendToBuffer(reinterpret_cast<QChar *>(out), QByteArrayView(data, size));
        return QStringView(out, reinterpret_cast<const char16_t *>(end) - out);
    }

    QStringView readField()
    {
        if (m_pos < m_end && *m_pos == '"')
            return readQuotedField();
        const char *start = m_pos;
        while (m_pos < m_end && !endsField(*m_pos))
            ++m_pos;
        return decode(start, m_pos - start);
    }

    // A quoted field runs to the quote that is not doubled. Text after that quote and before the next
    // separator is kept as it stands. A quote left open is a damaged file: read on, it would swallow every
    // line after it into one cell.
    QStringView readQuotedField()
    {
        const char *opening = m_pos;
        ++m_pos;
        QByteArray &value = m_quoted;
        value.clear();
        while (m_pos < m_end) {
            const char *quote = static_cast<const char *>(std::memchr(m_pos, '"', size_t(m_end - m_pos)));
            if (quote == nullptr)
                refuse(m_fileName, QStringLiteral("cannot be read: the quote that opens a field on line %1 is never "
                                                  "closed.")
                                       .arg(lineOf(m_bytes, opening - m_bytes.data())));
            value.append(m_pos, quote - m_pos);
            m_pos = quote + 1;
            if (m_pos < m_end && *m_pos == '"') {
                value.append('"');
                ++m_pos;
                continue;
            }
            break;
        }
        const char *rest = m_pos;
        while (m_pos < m_end && !endsField(*m_pos))
            ++m_pos;
        value.append(rest, m_pos - rest);
        return decode(value.constData(), value.size());
    }

    QByteArrayView m_bytes;
    const char *m_pos;
    const char *m_end;
    bool m_utf8;
    QStringDecoder m_decoder;
    std::vector<char16_t> m_text;
    QByteArray m_quoted;
    QString m_fileName;
};

// Whether a column's texts are worth looking up among those read before. A column whose first texts are nearly
// all new (a remark, a reference, a number of each record) is taken to go on so: its texts are kept as they
// come, which spares the index the texts that would never be found in it.
class ColumnRepeats
{
public:
    bool looksUp() const { return m_looksUp; }
    void counted(bool added)
    {
        m_added += added ? 1 : 0;
        if (++m_seen == trial && m_added > trial - trial / 16)
            m_looksUp = false;
    }

private:
    static constexpr int trial = 4096;
    int m_seen = 0;
    int m_added = 0;
    bool m_looksUp = true;
};

} // namespace

Table parseDelimitedText(QByteArrayView bytes, const QString &fileName)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        refuse(fileName, QStringLiteral("is not a text file this program reads: it is written in UTF-16."));
    if (bytes.contains('\0'))
        refuse(fileName, QStringLiteral("is not a text file: it holds NUL bytes."));
    if (isBlankLine(bytes))
        refuse(fileName, QStringLiteral("has no header row: its first line is empty."));
    CsvScanner scanner(bytes, bytes.isValidUtf8(), fileName);

    QStringList names;
    names.resize(scanner.readRecord([&](qsizetype position, QStringView text) {
        names.resize(position + 1);
        names[position] = text.toString();
    }));
    for (qsizetype i = 0; i < names.size(); ++i)
        names[i] = fieldName(names.at(i), i);

    Table table(std::move(names));
    // Every record but the last ends in a line break, so their count bounds the records to come.
    const auto breaks = [&](char c) {
        qsizetype count = 0;
        for (const char *at = bytes.data(), *end = at + bytes.size();
             (at = static_cast<const char *>(std::memchr(at, c, size_t(end - at)))) != nullptr; ++at)
            ++count;
        return count;
    };
    table.reserveRows(qMax(breaks('\n'), breaks('\r')) + 1);
    std::vector<ColumnRepeats> repeats(size_t(table.fieldCount()));
    while (!scanner.atEnd()) {
        const qsizetype row = table.rowCount();
        table.appendRow();
        const auto widen = [&](qsizetype fields) {
            while (fields > table.fieldCount())
                table.appendField(fieldName(QString(), table.fieldCount()));
            repeats.resize(size_t(table.fieldCount()));
        };
        widen(scanner.readRecord([&](qsizetype position, QStringView text) {
            widen(position + 1);
            // A column often holds the same text as in the record above (a voucher's date, a godown, a unit),
            // which is cheaper to compare with than to look up.
            const Table::ValueId above = row > 0 ? table.id(row - 1, position) : Table::NullId;
            const Value &aboveValue = table.value(above);
            const bool same =
                above != Table::NullId && aboveValue.type() == Value::Type::Text && aboveValue.toText() == text;
            if (same) {
                table.setId(row, position, above);
                return;
            }
            ColumnRepeats &column = repeats[size_t(position)];
            if (!column.looksUp()) {
                table.setId(row, position, table.addText(text));
                return;
            }
            const size_t before = table.valueCount();
            table.setId(row, position, table.internText(text));
            column.counted(table.valueCount() > before);
        }));
    }
    return table;
}

} // namespace sources
