#pragma once

#include <QString>

namespace app {

// What start-up did, so that the program knows whether to open its window and how it ends.
struct StartupResult
{
    bool autoRunAsked = false;   // the eighth argument asks for POST or POSTSILENT
    bool autoRunStarted = false; // the unattended run ran: the window closes without being shown
    bool posted = false;         // its Post handed the work grid to a posting procedure
    qint64 errorsReported = 0;   // errors reported through the error trap during start-up
    // Why an unattended run that was asked for posted nothing, in one line for its caller; "" otherwise.
    QString notPostedBecause;
    // Its run stopped before its last row: the server stopped answering, or the program was told to stop.
    bool stopped = false;
};

// How the program ends.
namespace ExitStatus {
inline constexpr int Success = 0;        // an interactive session, or an unattended run that posted cleanly
inline constexpr int ErrorsReported = 1; // the unattended run posted, but an error was reported on the way
inline constexpr int NotRun = 2;         // an unattended run was asked for and posted nothing
} // namespace ExitStatus

// The exit status of a start-up that ended the program itself (an unattended run), or of an interactive
// session that followed it.
int exitStatus(const StartupResult &result);

} // namespace app
