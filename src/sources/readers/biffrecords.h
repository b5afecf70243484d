#pragma once

#include <QString>
#include <QStringDecoder>

#include <bit>
#include <span>
#include <vector>

namespace sources {

// Why a workbook cannot be read, without the file's name: the workbook reader words the message.
class WorkbookError
{
public:
    enum class Kind
    {
        CannotOpen,   // the file system refuses the file
        NotWorkbook,  // not a compound file at all
        NewerFormat,  // an Excel 2007 or later workbook (.xlsx, .xlsm)
        OlderFormat,  // a workbook of Excel 2.x to 4.0
        NoWorkbook,   // a compound file without a workbook stream, or a stream that is no workbook
        Encrypted,    // protected by a password
        CharacterSet, // texts in a code page that cannot be decoded
        Damaged,      // anything a valid workbook does not hold
    };

    WorkbookError(Kind kind, QString detail) : m_kind(kind), m_detail(std::move(detail)) {}

    Kind kind() const { return m_kind; }
    const QString &detail() const { return m_detail; }

private:
    Kind m_kind;
    QString m_detail;
};

[[noreturn]] void raiseDamaged(const char *what);

// The record numbers the reader looks at, from the BIFF5 and BIFF8 record layout.
namespace biff {
inline constexpr quint16 Bof = 0x0809;
inline constexpr quint16 Bof2 = 0x0009; // Excel 2.x, 3.0 and 4.0 open their streams with these
inline constexpr quint16 Bof3 = 0x0209;
inline constexpr quint16 Bof4 = 0x0409;
inline constexpr quint16 Eof = 0x000A;
inline constexpr quint16 Continue = 0x003C;
inline constexpr quint16 FilePass = 0x002F;
inline constexpr quint16 CodePage = 0x0042;
inline constexpr quint16 DateMode = 0x0022;
inline constexpr quint16 Format = 0x041E;
inline constexpr quint16 ExtendedFormat = 0x00E0;
inline constexpr quint16 BoundSheet = 0x0085;
inline constexpr quint16 SharedStrings = 0x00FC;
inline constexpr quint16 SheetOptions = 0x0081; // WSBOOL
inline constexpr quint16 Dimensions = 0x0200;
inline constexpr quint16 Number = 0x0203;
inline constexpr quint16 Rk = 0x027E;
inline constexpr quint16 MulRk = 0x00BD;
inline constexpr quint16 Label = 0x0204;
inline constexpr quint16 LabelSst = 0x00FD;
inline constexpr quint16 RichString = 0x00D6;
inline constexpr quint16 BoolErr = 0x0205;
inline constexpr quint16 Formula = 0x0006;
inline constexpr quint16 Formula4 = 0x0406; // the Excel 4.0 number, which some programs still write into BIFF5
inline constexpr quint16 FormulaString = 0x0207;

// The sheet kinds of a BOF record.
inline constexpr quint16 GlobalsKind = 0x0005;
inline constexpr quint16 WorksheetKind = 0x0010;

inline constexpr int MaxColumns = 256;
} // namespace biff

enum class BiffVersion
{
    Biff5, // Excel 5.0 and 95: 8-bit texts in the workbook's code page
    Biff8, // Excel 97 to 2003: texts in UTF-16 or in its compressed Latin-1 form
};

inline quint16 readU16(const uchar *p)
{
    return quint16(p[0] | (p[1] << 8));
}

inline quint32 readU32(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

inline double readF64(const uchar *p)
{
    const quint64 bits = quint64(readU32(p)) | (quint64(readU32(p + 4)) << 32);
    return std::bit_cast<double>(bits);
}

struct BiffRecord
{
    quint16 id = 0;
    std::span<const uchar> body;
    qsizetype offset = 0; // of the record's header in the stream
};

// Walks the records of a workbook stream from an offset. A header or a body that runs past the end of the
// stream is damage; the end of the stream at a record boundary is not (the caller decides whether it expected
// more).
class BiffCursor
{
public:
    BiffCursor(std::span<const uchar> stream, qsizetype offset) : m_stream(stream), m_offset(offset) {}

    bool atEnd() const { return m_offset >= qsizetype(m_stream.size()); }
    qsizetype offset() const { return m_offset; }

    // The next record; raises damage when it does not fit into the stream.
    BiffRecord next();
    // The id of the next record without moving on; -1 at the end of the stream or before a cut header.
    int peekId() const;

private:
    std::span<const uchar> m_stream;
    qsizetype m_offset;
};

// Reads one record's body and the CONTINUE records that follow it as one run of bytes, as long texts and the
// shared string table need. BIFF8 texts carry a flags byte at the start of each CONTINUE they run into, which
// says whether the characters go on in one or two bytes each.
class BiffRecordReader
{
public:
    BiffRecordReader(const BiffRecord &record, BiffCursor &cursor, BiffVersion version);

    bool atEnd();
    quint8 u8();
    quint16 u16();
    quint32 u32();
    void skip(quint64 count);

    // A BIFF8 text of a known number of characters, or a BIFF5 text of a number of bytes in the code page, or
    // as much of it as the record holds.
    QString characters(quint32 count, bool twoBytes);
    QString bytes(quint32 count, QStringDecoder &decoder);
    // A text as cells, formats and formula results store it: a 16-bit length (BIFF8: and its flags, formatting
    // runs and phonetic data, which are skipped).
    QString text(QStringDecoder &decoder);
    // A BIFF8 text whose length and flags have been read.
    QString richText(quint32 count, quint8 flags);

private:
    size_t available() const { return m_segment.size() - m_position; }
    bool nextSegment();

    std::span<const uchar> m_segment;
    size_t m_position = 0;
    // Whether the last text ran past the end of its record and was cut there.
    bool m_textCut = false;
    BiffCursor &m_cursor;
    BiffVersion m_version;
};

// Reads the characters of a BIFF8 text that lies whole in one record body: compressed (one byte each, the low
// byte of UTF-16) or UTF-16.
QString unicodeCharacters(const uchar *data, quint32 count, bool twoBytes);

} // namespace sources
