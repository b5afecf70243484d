#include "app/pelkoapplication.h"

#include "errors/errortrap.h"

namespace app {

PelkoApplication::PelkoApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool PelkoApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        errors::captureCurrentException();
        errors::ErrorIn(QLatin1String(lastCatchLocation), errors::EH_STANDARD);
        errors::clearCurrentError();
        return false;
    }
}

} // namespace app
