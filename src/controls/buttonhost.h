#pragma once

#include "controls/buttonpicture.h"
#include "controls/colours.h"

#include <QFont>
#include <QRegion>
#include <QString>
#include <QVariant>

class QImage;

namespace controls {

// What the button control asks of the window that hosts it: ambient values of its form, the properties the
// host keeps, the system colours and screen extent, its window (size, region, cursor, timer, moves), the
// property list of its container (where option groups live), and the design-time notices. The program's
// host is a widget; tests use a fake.
class ButtonHost
{
public:
    virtual ~ButtonHost() = default;

    // Ambient values of the form. UserMode is false only while a form is being designed.
    virtual bool UserMode() const = 0;
    virtual bool DisplayAsDefault() const = 0;
    virtual QString DisplayName() const = 0;
    virtual OleColour AmbientBackColor() const = 0;
    virtual OleColour ParentBackColor() const = 0;

    virtual const SystemColours &systemColours() const = 0;
    // The screen's width and height in twips and its twips per pixel, horizontally and vertically.
    virtual QSizeF screenTwips() const = 0;
    virtual QSizeF twipsPerPixel() const = 0;

    // Properties the host keeps for the control.
    virtual bool Enabled() const = 0;
    virtual void setHostEnabled(bool enabled) = 0;
    virtual OleColour ForeColor() const = 0;
    virtual void setForeColor(OleColour colour) = 0;
    virtual QFont Font() const = 0;
    virtual void setHostFont(const QFont &font) = 0;
    // Raises a run-time error for a pointer code it does not know, or a picture it cannot use as a cursor.
    virtual qint16 MousePointer() const = 0;
    virtual void setMousePointer(qint16 pointer) = 0;
    virtual ButtonPicture MouseIcon() const = 0;
    virtual void setMouseIcon(const ButtonPicture &icon) = 0;
    virtual void setAccessKeys(const QString &keys) = 0;

    // The control's window: client size in pixels, resizing, the outline, showing a drawn frame.
    virtual QSize clientSize() const = 0;
    virtual void resizeClient(QSize pixels) = 0;
    virtual void setWindowRegion(const QRegion &region) = 0;
    virtual QRegion windowRegion() const = 0;
    virtual void copyToWindow(const QImage &frame) = 0;
    // Paints the one-pixel inner border of a region on the window itself, over what was copied.
    virtual void frameOnWindow(const QRegion &region, OleColour colour) = 0;
    virtual void Refresh() = 0;
    // The window's place in its container, in pixels.
    virtual QRect windowRect() const = 0;
    virtual void moveWindow(QPoint topLeft) = 0;

    // Whether the window under the cursor is the control's own, and the cursor in client pixels.
    virtual bool cursorOverWindow() const = 0;
    virtual QPointF cursorPos() const = 0;
    virtual void setCapture(bool capture) = 0;
    // The hover check: a periodic call of the control's CheckHoverEnd while the timer exists.
    virtual void SetTimer(int id, int milliseconds) = 0;
    virtual void KillTimer(int id) = 0;
    // Queues a key press for the container window.
    virtual void postKeyToContainer(qint16 keyCode, qint32 lParam) = 0;

    // The container window's property list; an absent name reads as an invalid value.
    virtual QVariant containerProperty(const QString &name) const = 0;
    virtual void setContainerProperty(const QString &name, const QVariant &value) = 0;
    virtual void removeContainerProperty(const QString &name) = 0;

    // A saved property changed, so the form's design must be written again.
    virtual void PropertyChanged(const QString &key) = 0;
    // A design-time hint (information icon); a title may be given.
    virtual void showHint(const QString &text, const QString &title = QString()) = 0;
};

} // namespace controls
