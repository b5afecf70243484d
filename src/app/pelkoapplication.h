#pragma once

#include <QApplication>

namespace app {

// The program's application object. An error that escapes an event handler is reported like any trapped
// error and never crosses the event loop.
class PelkoApplication final : public QApplication
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PelkoApplication)

public:
    PelkoApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

// The location code reported for an error that no procedure of the program trapped.
inline constexpr char lastCatchLocation[] = "F01-0000";

} // namespace app
