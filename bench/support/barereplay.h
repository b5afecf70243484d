#pragma once

#include <QByteArray>
#include <QList>

// Sends the request bodies one after the other over one kept-alive HTTP/1.1 connection to 127.0.0.1 on this
// thread, each reply read to its end in a local event loop: the least any client on this thread can spend per
// request. Returns the seconds it took.
double replayBare(quint16 port, const QList<QByteArray> &bodies);
