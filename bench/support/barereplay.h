#pragma once

#include <QByteArray>
#include <QList>

// Sends the request bodies one after the other over one kept-alive HTTP/1.1 connection to 127.0.0.1 on this
// thread, each reply read to its end in a local event loop, as a Qt program without a client of its own does.
// Returns the seconds it took.
double replayBare(quint16 port, const QList<QByteArray> &bodies);

// The same over a socket of the system's own, each request sent whole and each reply awaited and read with
// blocking calls: the least any client can spend per request. Returns the seconds it took.
double replayOnSocket(quint16 port, const QList<QByteArray> &bodies);

// Prints a baseline's time and Pelko's ratio to it.
void printBaseline(const char *name, double seconds, double pelko, int count);
