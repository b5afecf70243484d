#pragma once

#include "controls/backbuffer.h"
#include "controls/buttonhost.h"
#include "controls/ctlbutton.h"

#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace controls {

class PropertyBag;

// The widget that hosts a ctlButton on a form: it hands the control its window, the form's ambient values
// and Qt's mouse, key and focus events, and shows what the control drew. The focused push button displays
// as the form's default button, as in a classic dialog; no form has another default.
class ButtonWindow final : public QWidget, public ButtonHost
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ButtonWindow)

public:
    // A new button, with the properties of a freshly placed instance.
    explicit ButtonWindow(QWidget *parent = nullptr);
    // A button loaded from a saved design.
    ButtonWindow(const PropertyBag &properties, QWidget *parent);
    ~ButtonWindow() override;

    ctlButton &control() { return *m_control; }
    const ctlButton &control() const { return *m_control; }
    // What the window shows, as last drawn.
    const QImage &surface() const { return m_surface.image(); }

    // Forwarding of Qt's drag and drop to the control's drag events, off unless switched on: the button
    // then takes drops and starts a drag when the left button is pressed on it and moved.
    bool dragAndDrop() const { return m_dragAndDrop; }
    void setDragAndDrop(bool on);

    bool UserMode() const override { return true; }
    bool DisplayAsDefault() const override { return hasFocus(); }
    QString DisplayName() const override { return objectName(); }
    OleColour AmbientBackColor() const override;
    OleColour ParentBackColor() const override { return AmbientBackColor(); }
    const SystemColours &systemColours() const override { return m_systemColours; }
    QSizeF screenTwips() const override;
    QSizeF twipsPerPixel() const override;
    bool Enabled() const override { return isEnabled(); }
    void setHostEnabled(bool enabled) override;
    OleColour ForeColor() const override { return m_foreColor; }
    void setForeColor(OleColour colour) override { m_foreColor = colour; }
    QFont Font() const override { return font(); }
    void setHostFont(const QFont &font) override { setFont(font); }
    qint16 MousePointer() const override { return m_mousePointer; }
    void setMousePointer(qint16 pointer) override;
    ButtonPicture MouseIcon() const override { return m_mouseIcon; }
    void setMouseIcon(const ButtonPicture &icon) override;
    void setAccessKeys(const QString &keys) override;
    QSize clientSize() const override { return size(); }
    void resizeClient(QSize pixels) override { resize(pixels); }
    void setWindowRegion(const QRegion &region) override;
    QRegion windowRegion() const override;
    void copyToWindow(const QImage &frame) override { m_surface.assign(frame); }
    void frameOnWindow(const QRegion &region, OleColour colour) override { m_surface.frameRegion(region, colour); }
    void Refresh() override;
    QRect windowRect() const override { return geometry(); }
    void moveWindow(QPoint topLeft) override { move(topLeft); }
    bool cursorOverWindow() const override;
    QPointF cursorPos() const override;
    // Qt keeps the mouse on the pressed widget by itself.
    void setCapture(bool) override {}
    void SetTimer(int id, int milliseconds) override;
    void KillTimer(int id) override;
    void postKeyToContainer(qint16 keyCode, qint32 lParam) override;
    QVariant containerProperty(const QString &name) const override;
    void setContainerProperty(const QString &name, const QVariant &value) override;
    void removeContainerProperty(const QString &name) override;
    // Nothing saves a design while the program runs, and no hint is shown outside design time.
    void PropertyChanged(const QString &) override {}
    void showHint(const QString &, const QString &) override {}

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    explicit ButtonWindow(QWidget *parent, bool);
    QObject *container() const;
    void readSystemColours();
    // The control's answer to a drag over it or dropped on it, as Qt takes it.
    void answerDrag(QDropEvent *event, qint32 effect);
    // Tells the control of a drag that entered it (state 0) or moves over it (state 2), and answers the drag.
    void dragOver(QDragMoveEvent *event, qint16 state);
    void startDrag();

    SystemColours m_systemColours{};
    OleColour m_foreColor = Colour::ButtonText;
    qint16 m_mousePointer = 0;
    ButtonPicture m_mouseIcon;
    int m_accessKeyShortcut = 0;
    qint16 m_accessKey = 0;
    bool m_painting = false;
    bool m_settingEnabled = false;
    bool m_afterDoubleClick = false;
    // The press ended early (the focus left, or a drag took the mouse): its release is no click.
    bool m_pressEnded = false;
    // The container whose option group the button is in: the one it was loaded or first shown into,
    // wherever it is moved later. Until then the button's own window holds its group.
    QPointer<QObject> m_container;
    bool m_containerPinned = false;
    bool m_dragAndDrop = false;
    // A left press that may become a drag, and where it was.
    bool m_dragArmed = false;
    QPointF m_dragFrom;
    QPointer<const QMimeData> m_dragOverData;
    qint32 m_dragEffect = 0;
    int m_timerId = 0;
    QTimer m_hoverTimer;
    BackBuffer m_surface;
    std::unique_ptr<ctlButton> m_control;
};

} // namespace controls
