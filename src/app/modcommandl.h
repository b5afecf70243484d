#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace app {

// The program's positional arguments are read from one raw argument text, the command line without the
// program's own name, by the rules of GetCommandArg.
void setRawCommandLine(const QString &text);
QString rawCommandLine();

// The raw argument text for an argument vector (without the program's name): every entry in double quotes,
// so that each one, an empty one included, stays one positional argument. A double quote inside an entry
// cannot be told apart from the quoting and is left out; the parser never lets one through anyway.
QString rawArgumentText(const QStringList &arguments);

// Overwrites the ODBC password (argument 10) in the process's own argument vector, once the arguments are read,
// so that the process list does not show it for the whole run.
void blankPasswordArgument(int argc, char *argv[]);

// The n-th argument (from 1) of the raw text; empty text when there are fewer than n arguments or n < 1.
QString GetCommandArg(const QString &raw, qint16 n);
QString GetCommandArg(qint16 n);

// The number of arguments in the raw text by the same rules.
qint16 GetCommandArgCount(const QString &raw);
qint16 GetCommandArgCount();

// The ten positional arguments as start-up reads them: every apostrophe removed, the import type upper-cased,
// a missing argument empty.
struct CommandLine
{
    static constexpr int count = 10;

    std::array<QString, count> args;

    static CommandLine read(const QString &raw);
    static CommandLine read() { return read(rawCommandLine()); }

    // Argument n, counted from 1.
    const QString &arg(int n) const { return args.at(std::size_t(n - 1)); }

    const QString &SourceKind() const { return arg(1); }
    const QString &sourcePath() const { return arg(2); }
    const QString &importType() const { return arg(3); }
    const QString &company() const { return arg(4); }
    const QString &reportPath() const { return arg(5); }
    const QString &serverAddress() const { return arg(6); }
    const QString &port() const { return arg(7); }
    const QString &PostMode() const { return arg(8); }
    const QString &odbcUser() const { return arg(9); }
    const QString &odbcPassword() const { return arg(10); }
};

} // namespace app
