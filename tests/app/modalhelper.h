#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace apptest {

// Acts on the next modal dialog as soon as it is shown (the test itself is blocked in the dialog's exec()).
// Gives up after a few seconds so that a missing dialog fails the test instead of hanging it.
inline void whenModalShows(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, attempts, act = std::move(act)] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal && ++*attempts < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (modal)
            act(modal);
    });
    timer->start(10);
}

} // namespace apptest
