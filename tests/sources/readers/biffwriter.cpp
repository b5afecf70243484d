#include "biffwriter.h"

#include <QFile>
#include <QStringEncoder>
#include <QtEndian>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <bit>
#include <memory>

namespace biffwriter {

namespace {

// Record numbers, written out here rather than taken from the reader, so that a wrong number there shows.
enum : quint16
{
    BOF = 0x0809,
    EOF_ = 0x000A,
    CONTINUE = 0x003C,
    CODEPAGE = 0x0042,
    DATEMODE = 0x0022,
    FORMAT = 0x041E,
    XF = 0x00E0,
    BOUNDSHEET = 0x0085,
    SST = 0x00FC,
    WSBOOL = 0x0081,
    DIMENSIONS = 0x0200,
    NUMBER = 0x0203,
    RK = 0x027E,
    MULRK = 0x00BD,
    LABEL = 0x0204,
    LABELSST = 0x00FD,
    BOOLERR = 0x0205,
    BLANK = 0x0201,
    FORMULA = 0x0006,
    STRING = 0x0207,
};

constexpr int maxBody = 8224;
constexpr int firstUserFormat = 164;
constexpr quint16 builtInStyles = 16; // 15 style formats and the default cell format, as Excel writes them

bool fitsOneByte(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

QByteArray characters(QStringView text, bool twoBytes)
{
    QByteArray out;
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        if (twoBytes)
            out.append(char(c.unicode() >> 8));
    }
    return out;
}

// A record body with the CONTINUE records it runs into when it grows past the most a record holds.
class ContinuedRecord
{
public:
    explicit ContinuedRecord(quint16 id) : m_id(id) { m_bodies.append(QByteArray()); }

    int space() const { return maxBody - int(m_bodies.last().size()); }
    void startRecordUnless(int needed)
    {
        if (space() < needed)
            m_bodies.append(QByteArray());
    }
    void bytes(QByteArray data)
    {
        while (!data.isEmpty()) {
            startRecordUnless(1);
            const int step = std::min(space(), int(data.size()));
            m_bodies.last().append(data.left(step));
            data.remove(0, step);
        }
    }
    // A BIFF8 text with its length and flags; where its characters run into a CONTINUE record, that record
    // starts with a flags byte, and each part is one byte a character when all its characters allow it.
    void text(QStringView text, quint16 runs = 0, quint32 phoneticBytes = 0)
    {
        Body header;
        header.u16(quint16(text.size()));
        const int headerSize = 3 + (runs != 0 ? 2 : 0) + (phoneticBytes != 0 ? 4 : 0);
        startRecordUnless(headerSize + 2);
        qsizetype done = 0;
        bool first = true;
        while (first || done < text.size()) {
            if (!first)
                m_bodies.append(QByteArray());
            const int room = space() - (first ? headerSize : 1);
            const QStringView part = text.sliced(done, std::min<qsizetype>(text.size() - done, room));
            const bool twoBytes = !fitsOneByte(part);
            const QStringView written = twoBytes ? part.first(std::min<qsizetype>(part.size(), room / 2)) : part;
            const quint8 width = twoBytes ? 0x01 : 0x00;
            if (first) {
                header.u8(quint8(width | (runs != 0 ? 0x08 : 0) | (phoneticBytes != 0 ? 0x04 : 0)));
                if (runs != 0)
                    header.u16(runs);
                if (phoneticBytes != 0)
                    header.u32(phoneticBytes);
                m_bodies.last().append(header.data());
            } else {
                m_bodies.last().append(char(width));
            }
            m_bodies.last().append(characters(written, twoBytes));
            done += written.size();
            first = false;
        }
        bytes(QByteArray(qsizetype(runs) * 4, '\x01'));
        bytes(QByteArray(qsizetype(phoneticBytes), '\x02'));
    }
    QByteArray records() const
    {
        QByteArray out = record(m_id, m_bodies.first());
        for (qsizetype i = 1; i < m_bodies.size(); ++i)
            out += record(CONTINUE, m_bodies.at(i));
        return out;
    }

private:
    quint16 m_id;
    QList<QByteArray> m_bodies;
};

QByteArray bof(Version version, quint16 kind)
{
    Body body;
    body.u16(version == Version::Biff8 ? 0x0600 : 0x0500).u16(kind).u16(0x0DBB).u16(0x07CC);
    if (version == Version::Biff8)
        body.u32(0).u32(0x0006);
    return record(BOF, body.data());
}

QByteArray eightBit(const QString &text, quint16 codePage)
{
    QStringEncoder encoder(QByteArray("windows-" + QByteArray::number(codePage)).constData());
    return encoder.encode(text);
}

struct GObjectUnref
{
    void operator()(void *object) const { g_object_unref(object); }
};

} // namespace

Body &Body::u8(quint8 value)
{
    m_data.append(char(value));
    return *this;
}

Body &Body::u16(quint16 value)
{
    return u8(quint8(value)).u8(quint8(value >> 8));
}

Body &Body::u32(quint32 value)
{
    return u16(quint16(value)).u16(quint16(value >> 16));
}

Body &Body::f64(double value)
{
    const quint64 bits = std::bit_cast<quint64>(value);
    return u32(quint32(bits)).u32(quint32(bits >> 32));
}

Body &Body::bytes(const QByteArray &value)
{
    m_data.append(value);
    return *this;
}

QByteArray record(quint16 id, const QByteArray &body)
{
    return Body().u16(id).u16(quint16(body.size())).bytes(body).data();
}

Sheet::Sheet(Workbook *book, const QString &name, SheetKind kind) : m_book(book), m_name(name), m_kind(kind) {}

Sheet &Sheet::cell(quint16 id, int row, int column, quint16 style, const QByteArray &rest)
{
    m_cells += record(id, Body().u16(quint16(row)).u16(quint16(column)).u16(style).bytes(rest).data());
    m_rows = std::max(m_rows, quint32(row + 1));
    m_columns = std::max(m_columns, quint16(column + 1));
    return *this;
}

Sheet &Sheet::number(int row, int column, double value, quint16 style)
{
    return cell(NUMBER, row, column, style, Body().f64(value).data());
}

Sheet &Sheet::rk(int row, int column, quint32 rk, quint16 style)
{
    return cell(RK, row, column, style, Body().u32(rk).data());
}

Sheet &Sheet::mulRk(int row, int firstColumn, const QList<quint32> &rks, quint16 style)
{
    Body body;
    body.u16(quint16(row)).u16(quint16(firstColumn));
    for (const quint32 rk : rks)
        body.u16(style).u32(rk);
    body.u16(quint16(firstColumn + rks.size() - 1));
    m_cells += record(MULRK, body.data());
    m_rows = std::max(m_rows, quint32(row + 1));
    m_columns = std::max(m_columns, quint16(firstColumn + rks.size()));
    return *this;
}

Sheet &Sheet::label(int row, int column, const QString &text)
{
    return cell(LABEL, row, column, defaultStyle, m_book->text(text, false));
}

Sheet &Sheet::shared(int row, int column, const QString &text, quint16 runs, quint32 phoneticBytes)
{
    m_book->m_sharedStrings.append({text, runs, phoneticBytes});
    return sharedIndex(row, column, quint32(m_book->m_sharedStrings.size() - 1));
}

Sheet &Sheet::sharedIndex(int row, int column, quint32 index)
{
    return cell(LABELSST, row, column, defaultStyle, Body().u32(index).data());
}

Sheet &Sheet::boolean(int row, int column, bool value)
{
    return cell(BOOLERR, row, column, defaultStyle, Body().u8(value ? 1 : 0).u8(0).data());
}

Sheet &Sheet::error(int row, int column, quint8 code)
{
    return cell(BOOLERR, row, column, defaultStyle, Body().u8(code).u8(1).data());
}

Sheet &Sheet::blank(int row, int column)
{
    m_cells += record(BLANK, Body().u16(quint16(row)).u16(quint16(column)).u16(defaultStyle).data());
    return *this;
}

Sheet &Sheet::formula(int row, int column, const QByteArray &result, quint16 style)
{
    // The parsed formula: a single token for the number 1 (tInt), which the reader does not look at.
    const QByteArray tokens = Body().u16(3).u8(0x1E).u16(1).data();
    return cell(FORMULA, row, column, style, Body().bytes(result).u16(0).u32(0).bytes(tokens).data());
}

Sheet &Sheet::formulaNumber(int row, int column, double value, quint16 style)
{
    return formula(row, column, Body().f64(value).data(), style);
}

Sheet &Sheet::formulaText(int row, int column, const QString &text)
{
    formula(row, column, Body().u8(0).u8(0).u32(0).u16(0xFFFF).data(), defaultStyle);
    if (m_book->m_version == Version::Biff5)
        return raw(STRING, m_book->text(text, false));
    ContinuedRecord string(STRING);
    string.text(text);
    m_cells += string.records();
    return *this;
}

Sheet &Sheet::formulaBoolean(int row, int column, bool value)
{
    return formula(row, column, Body().u8(1).u8(0).u8(value ? 1 : 0).u8(0).u16(0).u16(0xFFFF).data(), defaultStyle);
}

Sheet &Sheet::formulaError(int row, int column, quint8 code)
{
    return formula(row, column, Body().u8(2).u8(0).u8(code).u8(0).u16(0).u16(0xFFFF).data(), defaultStyle);
}

Sheet &Sheet::formulaEmpty(int row, int column)
{
    return formula(row, column, Body().u8(3).u8(0).u32(0).u16(0xFFFF).data(), defaultStyle);
}

Sheet &Sheet::raw(quint16 id, const QByteArray &body)
{
    m_cells += record(id, body);
    return *this;
}

Sheet &Sheet::declare(quint32 rows, quint16 columns)
{
    m_rows = rows;
    m_columns = columns;
    m_declared = true;
    return *this;
}

QByteArray Sheet::substream() const
{
    static const quint16 kinds[] = {0x0010, 0x0020, 0x0040, 0x0010};
    const Version version = m_book->m_version;
    QByteArray out = bof(version, kinds[int(m_kind)]);
    if (m_kind == SheetKind::Dialog)
        out += record(WSBOOL, Body().u16(0x0010 | 0x0001).data());
    else
        out += record(WSBOOL, Body().u16(0x04C1).data());
    if (version == Version::Biff8)
        out += record(DIMENSIONS, Body().u32(0).u32(m_rows).u16(0).u16(m_columns).u16(0).data());
    else
        out += record(DIMENSIONS, Body().u16(0).u16(quint16(m_rows)).u16(0).u16(m_columns).u16(0).data());
    out += m_cells;
    out += record(EOF_, QByteArray());
    return out;
}

Workbook::Workbook(Version version) : m_version(version), m_codePage(version == Version::Biff8 ? 1200 : 1252)
{
    for (quint16 i = 0; i < builtInStyles; ++i)
        m_styleFormats.append(0);
}

quint16 Workbook::styleWithFormat(const QString &code)
{
    const quint16 index = quint16(firstUserFormat + m_formats.size());
    m_formats.append({index, code});
    return styleWithBuiltInFormat(index);
}

quint16 Workbook::styleWithBuiltInFormat(quint16 index)
{
    m_styleFormats.append(index);
    return quint16(m_styleFormats.size() - 1);
}

void Workbook::addGlobalRecord(quint16 id, const QByteArray &body)
{
    m_globals.append(record(id, body));
}

Sheet &Workbook::addSheet(const QString &name, SheetKind kind)
{
    return m_sheets.emplace_back(this, name, kind);
}

QByteArray Workbook::text(const QString &text, bool shortLength) const
{
    if (m_version == Version::Biff5) {
        const QByteArray bytes = eightBit(text, m_codePage);
        Body body;
        if (shortLength)
            body.u8(quint8(bytes.size()));
        else
            body.u16(quint16(bytes.size()));
        return body.bytes(bytes).data();
    }
    const bool twoBytes = !fitsOneByte(text);
    Body body;
    if (shortLength)
        body.u8(quint8(text.size()));
    else
        body.u16(quint16(text.size()));
    return body.u8(twoBytes ? 1 : 0).bytes(characters(text, twoBytes)).data();
}

QByteArray Workbook::sharedStringTable() const
{
    ContinuedRecord table(SST);
    const quint32 count = quint32(m_sharedStrings.size()) + m_extraSharedStrings;
    table.bytes(Body().u32(count).u32(count).data());
    for (const SharedString &string : m_sharedStrings)
        table.text(string.text, string.runs, string.phoneticBytes);
    return table.records();
}

QByteArray Workbook::stream() const
{
    QByteArray globals = bof(m_version, 0x0005);
    for (const QByteArray &extra : m_globals)
        globals += extra;
    globals += record(CODEPAGE, Body().u16(m_codePage).data());
    if (m_dates1904)
        globals += record(DATEMODE, Body().u16(1).data());
    for (const auto &[index, code] : m_formats)
        globals += record(FORMAT, Body().u16(index).bytes(text(code, m_version == Version::Biff5)).data());
    for (const quint16 format : m_styleFormats) {
        Body body;
        body.u16(0).u16(format).u16(0x0001).u16(0x0020);
        body.bytes(QByteArray(m_version == Version::Biff8 ? 12 : 8, '\0'));
        globals += record(XF, body.data());
    }

    static const quint8 sheetTypes[] = {0, 2, 1, 0};
    QList<qsizetype> offsetFields;
    for (const Sheet &sheet : m_sheets) {
        offsetFields.append(globals.size() + 4);
        globals += record(BOUNDSHEET,
                          Body().u32(0).u8(0).u8(sheetTypes[int(sheet.kind())]).bytes(text(sheet.name(), true)).data());
    }
    if (!m_sharedStrings.isEmpty())
        globals += sharedStringTable();
    globals += record(EOF_, QByteArray());

    QByteArray out = globals;
    for (size_t i = 0; i < m_sheets.size(); ++i) {
        qToLittleEndian<quint32>(quint32(out.size()), out.data() + offsetFields.at(qsizetype(i)));
        out += m_sheets[i].substream();
    }
    return out;
}

QString Workbook::streamName() const
{
    return m_version == Version::Biff8 ? QStringLiteral("Workbook") : QStringLiteral("Book");
}

QByteArray Workbook::file() const
{
    return compoundDocument(stream(), streamName());
}

bool Workbook::save(const QString &path) const
{
    return writeFile(path, file());
}

QByteArray compoundDocument(const QByteArray &stream, const QString &name)
{
    static const bool initialised = [] {
        gsf_init();
        return true;
    }();
    Q_UNUSED(initialised)
    std::unique_ptr<GsfOutput, GObjectUnref> memory(gsf_output_memory_new());
    QByteArray bytes;
    {
        std::unique_ptr<GsfOutfile, GObjectUnref> container(gsf_outfile_msole_new(memory.get()));
        std::unique_ptr<GsfOutput, GObjectUnref> child(
            gsf_outfile_new_child(container.get(), name.toUtf8().constData(), FALSE));
        gsf_output_write(child.get(), size_t(stream.size()), reinterpret_cast<const guint8 *>(stream.constData()));
        gsf_output_close(child.get());
        gsf_output_close(reinterpret_cast<GsfOutput *>(container.get()));
    }
    GsfOutputMemory *output = reinterpret_cast<GsfOutputMemory *>(memory.get());
    return QByteArray(reinterpret_cast<const char *>(gsf_output_memory_get_bytes(output)),
                      qsizetype(gsf_output_size(memory.get())));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace biffwriter
