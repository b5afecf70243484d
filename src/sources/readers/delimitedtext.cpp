#include "sources/readers/delimitedtext.h"

#include <array>
#include <cstring>

namespace sources {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80 to 0x9F; the five bytes it leaves undefined keep their value,
// as Windows converts them.
constexpr std::array<char16_t, 32> cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeCp1252(const char *data, qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
        const auto code = static_cast<unsigned char>(data[i]);
        out[i] = (code >= 0x80 && code <= 0x9F) ? cp1252High[code - 0x80] : char16_t(code);
    }
    return text;
}

QString fieldName(const QString &name, qsizetype column)
{
    return name.isEmpty() ? QStringLiteral("F%1").arg(column + 1) : name;
}

// Splits the bytes into records of fields. The separators are ASCII, so the bytes are split before they are
// decoded, field by field, which spares a decoded copy of the whole file.
class CsvScanner
{
public:
    CsvScanner(QByteArrayView bytes, bool utf8) : m_pos(bytes.data()), m_end(bytes.data() + bytes.size()), m_utf8(utf8)
    {}

    bool atEnd() const { return m_pos >= m_end; }

    // Reads one record into fields (cleared first); a null QString stands for an empty field.
    void readRecord(QList<QString> &fields)
    {
        fields.clear();
        while (true) {
            fields.append(readField());
            if (m_pos >= m_end)
                return;
            const char separator = *m_pos++;
            if (separator == ',')
                continue;
            if (separator == '\r' && m_pos < m_end && *m_pos == '\n')
                ++m_pos;
            return;
        }
    }

private:
    static bool endsField(char c) { return c == ',' || c == '\n' || c == '\r'; }

    QString decode(const char *data, qsizetype size) const
    {
        if (size == 0)
            return QString();
        return m_utf8 ? QString::fromUtf8(data, size) : decodeCp1252(data, size);
    }

    QString readField()
    {
        if (m_pos < m_end && *m_pos == '"')
            return readQuotedField();
        const char *start = m_pos;
        while (m_pos < m_end && !endsField(*m_pos))
            ++m_pos;
        return decode(start, m_pos - start);
    }

    // A quoted field runs to the quote that is not doubled. Text after that quote and before the next
    // separator is kept as it stands, and a quote left open runs to the end of the file, so that nothing of a
    // damaged line is lost.
    QString readQuotedField()
    {
        ++m_pos;
        QByteArray value;
        while (m_pos < m_end) {
            const char *quote = static_cast<const char *>(std::memchr(m_pos, '"', size_t(m_end - m_pos)));
            if (quote == nullptr) {
                value.append(m_pos, m_end - m_pos);
                m_pos = m_end;
                break;
            }
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

    const char *m_pos;
    const char *m_end;
    bool m_utf8;
};

} // namespace

Table parseDelimitedText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    CsvScanner scanner(bytes, bytes.isValidUtf8());
    if (scanner.atEnd())
        return Table();

    QList<QString> fields;
    scanner.readRecord(fields);
    QStringList names;
    names.reserve(fields.size());
    for (qsizetype i = 0; i < fields.size(); ++i)
        names.append(fieldName(fields.at(i), i));

    Table table(std::move(names));
    // Every record but the last ends in a line break, so their count bounds the records to come.
    table.reserveRows(qMax(bytes.count('\n'), bytes.count('\r')) + 1);
    while (!scanner.atEnd()) {
        scanner.readRecord(fields);
        while (fields.size() > table.fieldCount())
            table.appendField(fieldName(QString(), table.fieldCount()));
        const std::span<Value> cells = table.appendRow();
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (!fields.at(i).isNull())
                cells[size_t(i)] = Value::text(std::move(fields[i]));
        }
    }
    return table;
}

} // namespace sources
