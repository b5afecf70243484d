// Feeds the workbook reader mutated workbooks for a while and reports anything but a clean refusal: built in the
// sanitizer tree (build/test), a crash, an out-of-range read, undefined behaviour or a leak stops it, and it
// writes the input that did it beside the current folder. Not a test: run it by hand after changing the reader.
//
//   fuzz_workbooks [--seconds N] [--seed S] [WORKBOOK.xls ...]
//   fuzz_workbooks --replay FILE      reads one saved input again (a workbook stream or a whole file)
//
// The seeds are workbooks of every record kind the reader reads, written by the tests' own writer, and the
// workbooks named. Most inputs are mutated workbook streams read directly; some are wrapped in a compound file
// (its bytes mutated too) and go through libgsf; a few are read through the reader as the program opens files.

#include "biffwriter.h"

#include "errors/errortrap.h"
#include "sources/readers/biffworkbook.h"
#include "sources/readers/sourcereader.h"
#include "sources/readers/workbookfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

// In the sanitizer build, the input that stops the program is saved first.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#define PELKO_HAS_DEATH_CALLBACK 1
#endif

using biffwriter::SheetKind;
using biffwriter::Version;

namespace {

constexpr int hangSeconds = 60;
constexpr qint64 slowInput = 1000; // ms

// The input being read (a bare workbook stream or a whole file), written out when a sanitizer stops the
// program or an input takes too long.
QByteArray currentInput;
std::atomic<qint64> inputStarted{0};

void save(const char *name, const QByteArray &input)
{
    QFile file(QString::fromLatin1(name));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(input);
        std::fprintf(stderr, "the input is in %s (fuzz_workbooks --replay %s)\n", name, name);
    }
}

void saveCurrentInput()
{
    save("fuzz-crash.bin", currentInput);
}

bool isWholeFile(const QByteArray &input)
{
    return input.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

QList<QByteArray> builtInSeeds()
{
    QList<QByteArray> seeds;

    biffwriter::Workbook book;
    const quint16 dateStyle = book.styleWithFormat(QStringLiteral("dd/mm/yyyy hh:mm"));
    const quint16 builtInDate = book.styleWithBuiltInFormat(14);
    biffwriter::Sheet &sheet = book.addSheet(QStringLiteral("Transactions"));
    sheet.shared(0, 0, QStringLiteral("VchType"))
        .label(0, 1, QStringLiteral("VchDate"))
        .label(0, 2, QStringLiteral("Amount"));
    sheet.shared(1, 0, QStringLiteral("Payment")).number(1, 1, 45383.5, dateStyle).rk(1, 2, 0x3FF80000);
    sheet.shared(2, 0, QString(9000, QChar(0x20B9)), 2, 8)
        .mulRk(2, 1, {0x00000002, 0x000B1A02, 0x3FF80001}, builtInDate);
    sheet.formulaNumber(3, 0, 12.5).formulaText(3, 1, QString(9000, QLatin1Char('t'))).formulaBoolean(3, 2, true);
    sheet.formulaError(4, 0, 0x07).formulaEmpty(4, 1).boolean(4, 2, false).error(5, 0, 0x2A).blank(5, 1);
    // An embedded chart inside the sheet, as Excel writes one after its drawing object.
    sheet.raw(0x0809, biffwriter::Body().u16(0x0600).u16(0x0020).u32(0).u32(0).u32(0).data());
    sheet.raw(0x1002, QByteArray(16, '\0')).raw(0x000A, QByteArray());
    sheet.raw(0x00D6, biffwriter::Body().u16(6).u16(0).u16(15).u16(4).u8(0).bytes("Rich").u16(1).u32(0).data());
    book.addSheet(QStringLiteral("Chart1"), SheetKind::Chart);
    book.addSheet(QStringLiteral("Dialog1"), SheetKind::Dialog).label(0, 0, QStringLiteral("x"));
    book.addSheet(QStringLiteral("Units")).label(0, 0, QStringLiteral("Name")).declare(65536, 256);
    seeds.append(book.stream());

    biffwriter::Workbook old(Version::Biff5);
    old.setCodePage(1251);
    old.setDates1904();
    const quint16 oldDate = old.styleWithFormat(QStringLiteral("dd.mm.yyyy"));
    old.addSheet(QStringLiteral("Счета"))
        .label(0, 0, QStringLiteral("Наименование"))
        .number(1, 0, 43921, oldDate)
        .formulaText(2, 0, QStringLiteral("Итого"))
        .boolean(2, 1, true);
    old.addSheet(QStringLiteral("Macro1"), SheetKind::Macro);
    seeds.append(old.stream());

    biffwriter::Workbook encrypted;
    encrypted.addGlobalRecord(0x002F, QByteArray(54, '\x01'));
    encrypted.addSheet(QStringLiteral("Ledgers")).label(0, 0, QStringLiteral("Name"));
    seeds.append(encrypted.stream());
    return seeds;
}

struct Record
{
    qsizetype offset;
    qsizetype size; // with its header
};

// The records as far as their headers hold together.
QList<Record> records(const QByteArray &stream)
{
    QList<Record> result;
    qsizetype offset = 0;
    while (stream.size() - offset >= 4) {
        const qsizetype size = 4 + qsizetype(quint8(stream[offset + 2]) | (quint8(stream[offset + 3]) << 8));
        if (offset + size > stream.size())
            break;
        result.append({offset, size});
        offset += size;
    }
    return result;
}

class Mutator
{
public:
    explicit Mutator(quint64 seed) : m_random(seed) {}

    int below(int bound) { return int(m_random() % quint64(std::max(bound, 1))); }
    bool chance(int percent) { return below(100) < percent; }

    void setU16(QByteArray &bytes, qsizetype at, quint16 value)
    {
        if (at + 2 <= bytes.size()) {
            bytes[at] = char(value & 0xFF);
            bytes[at + 1] = char(value >> 8);
        }
    }

    quint16 interesting16()
    {
        static const quint16 values[] = {0,      1,      2,      3,      0x7F,   0x80,   0xFF,   0x100,  0x101,
                                         0x3FFF, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF, 0x2020, 0x0809, 0x003C, 0x000A,
                                         0x00FC, 0x00FD, 0x0006, 0x0207, 0x00BD, 0x0204, 0x00E0, 0x0085, 0x0010};
        return values[below(int(std::size(values)))];
    }

    void mutate(QByteArray &stream, const QList<QByteArray> &seeds)
    {
        const int count = 1 + below(6);
        for (int i = 0; i < count && !stream.isEmpty(); ++i) {
            const QList<Record> list = records(stream);
            const qsizetype at = below(int(stream.size()));
            switch (below(11)) {
            case 0:
                stream[at] = char(stream[at] ^ char(1 << below(8)));
                break;
            case 1:
                stream[at] = char(interesting16());
                break;
            case 2:
                setU16(stream, at, interesting16());
                break;
            case 3:
                if (at + 4 <= stream.size()) {
                    const quint32 value = chance(50) ? 0xFFFFFFFFU : quint32(m_random());
                    setU16(stream, at, quint16(value));
                    setU16(stream, at + 2, quint16(value >> 16));
                }
                break;
            case 4: // a record's length
                if (!list.isEmpty()) {
                    const Record &record = list.at(below(int(list.size())));
                    const int length = int(record.size - 4);
                    const int lengths[] = {0, length - 1, length + 1, length + below(64), 0xFFFF, below(0x2020)};
                    setU16(stream, record.offset + 2, quint16(lengths[below(int(std::size(lengths)))]));
                }
                break;
            case 5: // a record's number
                if (!list.isEmpty())
                    setU16(stream, list.at(below(int(list.size()))).offset, interesting16());
                break;
            case 6: // a record removed or repeated
                if (!list.isEmpty()) {
                    const Record &record = list.at(below(int(list.size())));
                    if (chance(50))
                        stream.remove(record.offset, record.size);
                    else
                        stream.insert(record.offset, stream.mid(record.offset, record.size));
                }
                break;
            case 7: // two records swapped
                if (list.size() >= 2) {
                    Record a = list.at(below(int(list.size())));
                    Record b = list.at(below(int(list.size())));
                    if (a.offset > b.offset)
                        std::swap(a, b);
                    if (a.offset + a.size <= b.offset) {
                        const QByteArray first = stream.mid(a.offset, a.size);
                        const QByteArray second = stream.mid(b.offset, b.size);
                        stream.replace(b.offset, b.size, first);
                        stream.replace(a.offset, a.size, second);
                    }
                }
                break;
            case 8: { // a CONTINUE or another record of random bytes put in
                QByteArray body(below(40), '\0');
                for (char &c : body)
                    c = char(m_random());
                const quint16 id = chance(50) ? 0x003C : interesting16();
                const qsizetype where = list.isEmpty() ? 0 : list.at(below(int(list.size()))).offset;
                stream.insert(where, biffwriter::record(id, body));
                break;
            }
            case 9:
                stream.truncate(at);
                break;
            default: { // a piece of another seed
                const QByteArray &other = seeds.at(below(int(seeds.size())));
                const qsizetype from = below(int(other.size()));
                stream.insert(at, other.mid(from, below(200)));
                break;
            }
            }
        }
    }

private:
    std::mt19937_64 m_random;
};

// Reads every worksheet; with verbose, says what each holds and how long it took.
void readStream(const QByteArray &stream, bool bookStream, bool verbose = false)
{
    sources::BiffWorkbook workbook(stream, bookStream);
    const QStringList sheets = workbook.worksheetNames();
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        QElapsedTimer timer;
        timer.start();
        try {
            const sources::Table table = workbook.readWorksheet(i);
            if (verbose) {
                std::printf("%s: %lld fields, %lld records, %lld ms\n", qPrintable(sheets.at(i)),
                            static_cast<long long>(table.fieldCount()), static_cast<long long>(table.rowCount()),
                            static_cast<long long>(timer.elapsed()));
            }
        } catch (const sources::WorkbookError &error) {
            if (verbose)
                std::printf("%s: refused: %s\n", qPrintable(sheets.at(i)), qPrintable(error.detail()));
        }
    }
}

void readInput(const QByteArray &input, bool bookStream, bool verbose = false)
{
    if (isWholeFile(input)) {
        sources::WorkbookStream inner = sources::readWorkbookBytes(input);
        readStream(inner.bytes, inner.bookStream, verbose);
    } else {
        readStream(input, bookStream, verbose);
    }
}

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Stops the run when one input takes far longer than any workbook should.
void watch()
{
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const qint64 started = inputStarted.load();
        if (started != 0 && now() - started > hangSeconds * 1000) {
            std::fprintf(stderr, "an input has been read for more than %d s\n", hangSeconds);
            saveCurrentInput();
            std::abort();
        }
    }
}

int replay(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 2;
    }
    try {
        readInput(file.readAll(), false, true);
    } catch (const sources::WorkbookError &error) {
        std::printf("refused: %s\n", qPrintable(error.detail()));
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 2 && arguments.first() == QLatin1String("--replay"))
        return replay(arguments.at(1));
    int seconds = 60;
    quint64 seed = std::random_device()();
    for (qsizetype i = 0; i + 1 < arguments.size();) {
        if (arguments.at(i) == QLatin1String("--seconds"))
            seconds = arguments.at(i + 1).toInt();
        else if (arguments.at(i) == QLatin1String("--seed"))
            seed = arguments.at(i + 1).toULongLong();
        else {
            ++i;
            continue;
        }
        arguments.remove(i, 2);
    }
#ifdef PELKO_HAS_DEATH_CALLBACK
    __sanitizer_set_death_callback(saveCurrentInput);
#endif
    std::thread(watch).detach();

    QList<QByteArray> seeds = builtInSeeds();
    for (const QString &path : std::as_const(arguments)) {
        try {
            const sources::WorkbookStream stream = sources::readWorkbookFile(path);
            seeds.append(QByteArray(stream.bytes.constData(), stream.bytes.size()));
        } catch (const sources::WorkbookError &) {
            std::fprintf(stderr, "%s holds no workbook stream; left out\n", qPrintable(path));
        }
    }
    std::printf("seed %llu, %lld seed workbooks, %d s\n", static_cast<unsigned long long>(seed),
                static_cast<long long>(seeds.size()), seconds);
    std::fflush(stdout);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("fuzz.xls"));
    Mutator mutator(seed);
    QElapsedTimer clock;
    clock.start();
    qint64 inputs = 0;
    qint64 refused = 0;
    qint64 slowest = 0;
    QByteArray slowestInput;
    while (clock.elapsed() < qint64(seconds) * 1000) {
        QByteArray stream = seeds.at(mutator.below(int(seeds.size())));
        mutator.mutate(stream, seeds);
        const int mode = mutator.below(100);
        if (mode >= 85) {
            // A whole file: the compound file's own bytes mutated too, now and then.
            QByteArray file = biffwriter::compoundDocument(stream, QStringLiteral("Workbook"));
            if (mode < 97) {
                // Often in the header, whose sector sizes, counts and chain starts hold the rest together.
                for (int i = mutator.below(4); i >= 0; --i) {
                    const int within = mutator.chance(40) ? std::min(512, int(file.size())) : int(file.size());
                    mutator.setU16(file, mutator.below(within) & ~1, mutator.interesting16());
                }
                if (mutator.chance(20))
                    file.truncate(mutator.below(int(file.size())));
            }
            stream = file;
        }
        const bool bookStream = mutator.chance(20);
        currentInput = stream;
        const qint64 started = now();
        inputStarted = started;
        try {
            if (mode < 97) {
                readInput(stream, bookStream);
            } else {
                // Through the reader, as the program opens a file.
                biffwriter::writeFile(path, stream);
                try {
                    const auto reader = sources::openSource({sources::SourceKind::Workbook, path, {}, {}});
                    for (const sources::TableEntry &entry : reader->tables())
                        reader->readTable(entry.name);
                } catch (const errors::RuntimeError &) {
                    ++refused;
                }
            }
        } catch (const sources::WorkbookError &) {
            ++refused;
        }
        inputStarted = 0;
        if (now() - started > slowest) {
            slowest = now() - started;
            slowestInput = stream;
        }
        ++inputs;
    }
    if (slowest > slowInput)
        save("fuzz-slowest.bin", slowestInput);
    std::printf("%lld inputs in %lld s, %lld refused whole, slowest %lld ms: nothing found\n",
                static_cast<long long>(inputs), static_cast<long long>(clock.elapsed() / 1000),
                static_cast<long long>(refused), static_cast<long long>(slowest));
    return 0;
}
