#include "controls/ctlbutton.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace controls {

namespace {

// Room between the face's edge and its content, in pixels.
constexpr int contentMargin = 4;

} // namespace

ctlButton::ctlButton(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setBackgroundRole(QPalette::Button);
}

void ctlButton::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    setAccessibleName(caption);
    updateGeometry();
    update();
}

void ctlButton::setPicture(const QIcon &picture)
{
    m_picture = picture;
    updateGeometry();
    update();
}

void ctlButton::setShowFocusRect(bool show)
{
    m_showFocusRect = show;
    update();
}

QSize ctlButton::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int pictureRoom = m_picture.isNull() ? 0 : m_pictureSize + contentMargin;
    const int width = 2 * contentMargin + pictureRoom + metrics.horizontalAdvance(m_caption) + 2 * contentMargin;
    const int height = qMax(metrics.height(), m_pictureSize) + 2 * contentMargin;
    return {width, height};
}

QSize ctlButton::minimumSizeHint() const
{
    return {2 * contentMargin, 2 * contentMargin};
}

void ctlButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);

    QStyleOptionButton face;
    face.initFrom(this);
    face.state |= isPressedLook() ? QStyle::State_Sunken : QStyle::State_Raised;
    painter.drawControl(QStyle::CE_PushButtonBevel, face);

    // A pressed face shows its content one pixel down and to the right, as a real button does.
    const int shift = isPressedLook() ? 1 : 0;
    const QRect content = rect().translated(shift, shift);
    const bool hasPicture = !m_picture.isNull();
    const int pictureRoom = hasPicture ? m_pictureSize : 0;

    if (hasPicture) {
        const int top = (height() - m_pictureSize) / 2;
        QRect box(content.left() + contentMargin, content.top() + top, m_pictureSize, m_pictureSize);
        box = box.intersected(content.adjusted(contentMargin, contentMargin, -contentMargin, -contentMargin));
        m_picture.paint(&painter, box, Qt::AlignLeft | Qt::AlignTop, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }

    if (!m_caption.isEmpty()) {
        // The caption is centred in the room the picture leaves.
        const QRect room = content.adjusted(pictureRoom + contentMargin, contentMargin, -contentMargin, -contentMargin);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(room, Qt::AlignCenter | Qt::TextSingleLine, m_caption);
    }

    if (hasFocus() && m_showFocusRect) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        focus.backgroundColor = palette().color(QPalette::Button);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

void ctlButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    m_pressed = true;
    m_over = true;
    m_pressSource = PressSource::Mouse;
    update();
}

void ctlButton::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressed && m_pressSource != PressSource::Key) {
        const bool over = rect().contains(event->position().toPoint());
        if (over != m_over) {
            m_over = over;
            update();
        }
    }
    event->accept();
}

void ctlButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed || m_pressSource == PressSource::Key) {
        event->accept();
        return;
    }
    const bool click = m_pressSource == PressSource::Mouse && rect().contains(event->position().toPoint());
    releasePress();
    if (click)
        emit Click();
}

void ctlButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The first click of the pair has already been raised; the second press only shows pressed.
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_over = true;
        m_pressSource = PressSource::DoubleClick;
        update();
    }
    event->accept();
}

void ctlButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && !m_pressed) {
        m_pressed = true;
        m_over = true;
        m_pressSource = PressSource::Key;
        update();
    }
    event->accept();
}

void ctlButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || !m_pressed || m_pressSource != PressSource::Key)
        return;
    releasePress();
    emit Click();
}

void ctlButton::focusOutEvent(QFocusEvent *event)
{
    // A Space press loses its click when the focus moves away before the key comes up.
    if (m_pressSource == PressSource::Key)
        releasePress();
    QWidget::focusOutEvent(event);
}

void ctlButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        releasePress();
    QWidget::changeEvent(event);
}

void ctlButton::releasePress()
{
    m_pressed = false;
    m_over = false;
    m_pressSource = PressSource::None;
    update();
}

} // namespace controls
