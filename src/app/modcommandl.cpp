#include "app/modcommandl.h"

#include <cstring>

namespace app {

namespace {

QString &storedCommandLine()
{
    static QString text;
    return text;
}

constexpr QChar blank = QLatin1Char(' ');
constexpr QChar quote = QLatin1Char('"');

// One scan over the raw text. It collects the characters of argument `wanted` (0: none) and counts the
// arguments it passes; with a wanted argument it stops before starting any argument after it.
struct Scan
{
    QString result;
    qint16 count = 0;
};

Scan scanArguments(const QString &raw, qint16 wanted)
{
    Scan scan;
    qint16 j = 1;
    bool inArgument = false;
    bool inQuotes = false;
    for (const QChar c : raw) {
        if (!inArgument) {
            if (c == blank)
                continue;
            if (wanted > 0 && j > wanted)
                return scan;
            inArgument = true;
            if (c == quote) {
                inQuotes = true;
                continue;
            }
            if (j == wanted)
                scan.result.append(c);
            continue;
        }
        if (inQuotes) {
            if (c == quote) {
                ++j;
                ++scan.count;
                inArgument = false;
                inQuotes = false;
            } else if (j == wanted) {
                scan.result.append(c);
            }
            continue;
        }
        if (c == blank) {
            ++j;
            ++scan.count;
            inArgument = false;
        } else if (c != quote && j == wanted) {
            scan.result.append(c);
        }
    }
    if (inArgument)
        ++scan.count;
    return scan;
}

} // namespace

void setRawCommandLine(const QString &text)
{
    storedCommandLine() = text;
}

QString rawCommandLine()
{
    return storedCommandLine();
}

void blankPasswordArgument(int argc, char *argv[])
{
    constexpr int passwordArgument = 10;
    if (argc > passwordArgument && argv[passwordArgument])
        std::memset(argv[passwordArgument], 0, std::strlen(argv[passwordArgument]));
}

QString rawArgumentText(const QStringList &arguments)
{
    QStringList quoted;
    quoted.reserve(arguments.size());
    for (const QString &argument : arguments) {
        QString inner = argument;
        inner.remove(quote);
        quoted << quote + inner + quote;
    }
    return quoted.join(blank);
}

QString GetCommandArg(const QString &raw, qint16 n)
{
    if (n < 1)
        return {};
    return scanArguments(raw, n).result;
}

QString GetCommandArg(qint16 n)
{
    return GetCommandArg(rawCommandLine(), n);
}

qint16 GetCommandArgCount(const QString &raw)
{
    return scanArguments(raw, 0).count;
}

qint16 GetCommandArgCount()
{
    return GetCommandArgCount(rawCommandLine());
}

CommandLine CommandLine::read(const QString &raw)
{
    CommandLine line;
    for (int n = 1; n <= count; ++n) {
        QString value = GetCommandArg(raw, qint16(n));
        value.remove(QLatin1Char('\''));
        if (n == 3)
            value = value.toUpper();
        line.args.at(std::size_t(n - 1)) = value;
    }
    return line;
}

} // namespace app
