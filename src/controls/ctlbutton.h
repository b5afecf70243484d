#pragma once

#include <QIcon>
#include <QWidget>

namespace controls {

// The program's own command button: a caption centred on the face and a small picture at its left edge,
// drawn by the control itself. It raises Click once for a left click (pressed and released over it), once
// for Space released while it has the focus, and once for a double click; other mouse buttons, Enter and
// Escape raise nothing.
class ctlButton final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctlButton)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(QIcon Picture READ picture WRITE setPicture)
    Q_PROPERTY(bool ShowFocusRect READ showFocusRect WRITE setShowFocusRect)

public:
    explicit ctlButton(QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    QIcon picture() const { return m_picture; }
    void setPicture(const QIcon &picture);

    // Edge length of the picture box in pixels.
    int pictureSize() const { return m_pictureSize; }

    bool showFocusRect() const { return m_showFocusRect; }
    void setShowFocusRect(bool show);

    // True while the face shows pressed: a press is going on and the cursor (or the key) is on the button.
    bool isPressedLook() const { return m_pressed && m_over; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    enum class PressSource
    {
        None,
        Mouse,
        DoubleClick, // the second press of a double click: looks pressed, raises nothing
        Key
    };

    void releasePress();

    QString m_caption;
    QIcon m_picture;
    int m_pictureSize = 16;
    bool m_showFocusRect = true;
    bool m_pressed = false;
    bool m_over = false;
    PressSource m_pressSource = PressSource::None;
};

} // namespace controls
