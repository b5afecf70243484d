#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <deque>

// Writes small workbooks record by record, with exactly the bytes a test needs: formula results, shared strings
// split over CONTINUE records, the BIFF5 layout, damage. Excel's own record order is followed where the reader
// could care.
namespace biffwriter {

enum class Version
{
    Biff5,
    Biff8,
};

enum class SheetKind
{
    Worksheet,
    Chart,
    Macro,
    Dialog,
};

// A record body built field by field, little-endian.
class Body
{
public:
    Body &u8(quint8 value);
    Body &u16(quint16 value);
    Body &u32(quint32 value);
    Body &f64(double value);
    Body &bytes(const QByteArray &value);
    const QByteArray &data() const { return m_data; }

private:
    QByteArray m_data;
};

QByteArray record(quint16 id, const QByteArray &body);

// A text of the shared string table, with the rich-text runs and phonetic bytes it may be stored with.
struct SharedString
{
    QString text;
    quint16 runs = 0;
    quint32 phoneticBytes = 0;
};

class Workbook;

// Cells are added in the order given; the sheet's dimensions record declares the range they cover unless told.
class Sheet
{
public:
    Sheet(Workbook *book, const QString &name, SheetKind kind);

    static constexpr quint16 defaultStyle = 15;

    Sheet &number(int row, int column, double value, quint16 style = defaultStyle);
    Sheet &rk(int row, int column, quint32 rk, quint16 style = defaultStyle);
    Sheet &mulRk(int row, int firstColumn, const QList<quint32> &rks, quint16 style = defaultStyle);
    Sheet &label(int row, int column, const QString &text);
    // A text of the shared string table (BIFF8).
    Sheet &shared(int row, int column, const QString &text, quint16 runs = 0, quint32 phoneticBytes = 0);
    // A cell referring to a shared string by its number, whether the table holds it or not.
    Sheet &sharedIndex(int row, int column, quint32 index);
    Sheet &boolean(int row, int column, bool value);
    Sheet &error(int row, int column, quint8 code);
    Sheet &blank(int row, int column);
    // Formulas with their saved result; the text result follows in a STRING record, split over CONTINUE
    // records when it is long.
    Sheet &formulaNumber(int row, int column, double value, quint16 style = defaultStyle);
    Sheet &formulaText(int row, int column, const QString &text);
    Sheet &formulaBoolean(int row, int column, bool value);
    Sheet &formulaError(int row, int column, quint8 code);
    Sheet &formulaEmpty(int row, int column);
    Sheet &raw(quint16 id, const QByteArray &body);
    Sheet &declare(quint32 rows, quint16 columns);

    const QString &name() const { return m_name; }
    SheetKind kind() const { return m_kind; }
    QByteArray substream() const;

private:
    Sheet &cell(quint16 id, int row, int column, quint16 style, const QByteArray &rest);
    Sheet &formula(int row, int column, const QByteArray &result, quint16 style);

    Workbook *m_book;
    QString m_name;
    SheetKind m_kind;
    QByteArray m_cells;
    quint32 m_rows = 0;
    quint16 m_columns = 0;
    bool m_declared = false;
};

class Workbook
{
public:
    explicit Workbook(Version version = Version::Biff8);

    void setDates1904() { m_dates1904 = true; }
    void setCodePage(quint16 codePage) { m_codePage = codePage; }
    // A cell style showing numbers in the format code (added as a format of its own) or the built-in format.
    quint16 styleWithFormat(const QString &code);
    quint16 styleWithBuiltInFormat(quint16 index);
    // A record written among the workbook's global records, right after its BOF.
    void addGlobalRecord(quint16 id, const QByteArray &body);
    // Says the shared string table holds more texts than it does.
    void overstateSharedStrings(quint32 extra) { m_extraSharedStrings = extra; }

    Sheet &addSheet(const QString &name, SheetKind kind = SheetKind::Worksheet);

    QByteArray stream() const;
    QString streamName() const;
    // The stream in a compound document, as .xls files hold it.
    QByteArray file() const;
    bool save(const QString &path) const;

private:
    friend class Sheet;
    QByteArray text(const QString &text, bool shortLength) const;
    QByteArray sharedStringTable() const;

    Version m_version;
    bool m_dates1904 = false;
    quint16 m_codePage;
    QList<QByteArray> m_globals;
    QList<QPair<quint16, QString>> m_formats;
    QList<quint16> m_styleFormats;
    QList<SharedString> m_sharedStrings;
    quint32 m_extraSharedStrings = 0;
    std::deque<Sheet> m_sheets;
};

// A compound document holding one stream.
QByteArray compoundDocument(const QByteArray &stream, const QString &name);
bool writeFile(const QString &path, const QByteArray &bytes);

} // namespace biffwriter
