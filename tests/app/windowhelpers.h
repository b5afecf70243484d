#pragma once

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QStringList>
#include <QWidget>

namespace apptest {

// The entries of a drop-down list, in list order.
inline QStringList entries(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

// A left double-click near the top left corner of a view's viewport.
inline void doubleClick(QWidget *viewport)
{
    const QPoint at(5, 5);
    QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(at), QPointF(viewport->mapToGlobal(at)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

} // namespace apptest
