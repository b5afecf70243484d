#pragma once

#include "controls/buttonhost.h"
#include "controls/ctlbutton.h"

#include <QHash>
#include <QImage>
#include <QStringList>

#include <memory>

namespace testsupport {

// The property list of a container window that several fake-hosted buttons share.
struct FakeContainer
{
    QHash<QString, QVariant> properties;
};

// A window-less host: every value a test may set is a plain member, every call the control makes is
// recorded. The system colours are the fixed classic table.
class FakeButtonHost final : public controls::ButtonHost
{
public:
    explicit FakeButtonHost(FakeContainer &container, QSize size = {80, 24});

    bool UserMode() const override { return userMode; }
    bool DisplayAsDefault() const override { return displayAsDefault; }
    QString DisplayName() const override { return QStringLiteral("ctlButton1"); }
    controls::OleColour AmbientBackColor() const override { return controls::Colour::ButtonFace; }
    controls::OleColour ParentBackColor() const override { return parentBackColor; }
    const controls::SystemColours &systemColours() const override { return controls::classicSystemColours(); }
    QSizeF screenTwips() const override { return {screenPixels.width() * 15.0, screenPixels.height() * 15.0}; }
    QSizeF twipsPerPixel() const override { return {15, 15}; }
    bool Enabled() const override { return enabled; }
    void setHostEnabled(bool value) override { enabled = value; }
    controls::OleColour ForeColor() const override { return foreColor; }
    void setForeColor(controls::OleColour colour) override { foreColor = colour; }
    QFont Font() const override { return font; }
    void setHostFont(const QFont &value) override { font = value; }
    qint16 MousePointer() const override { return mousePointer; }
    void setMousePointer(qint16 pointer) override { mousePointer = pointer; }
    controls::ButtonPicture MouseIcon() const override { return mouseIcon; }
    void setMouseIcon(const controls::ButtonPicture &icon) override { mouseIcon = icon; }
    void setAccessKeys(const QString &keys) override { accessKeys = keys; }
    QSize clientSize() const override { return size; }
    void resizeClient(QSize pixels) override { size = pixels; }
    void setWindowRegion(const QRegion &value) override { region = value; }
    QRegion windowRegion() const override { return region; }
    void copyToWindow(const QImage &frame) override;
    void frameOnWindow(const QRegion &value, controls::OleColour colour) override;
    void Refresh() override { ++refreshes; }
    QRect windowRect() const override { return {place, size}; }
    void moveWindow(QPoint topLeft) override { place = topLeft; }
    bool cursorOverWindow() const override { return cursorOver; }
    QPointF cursorPos() const override { return cursor; }
    void setCapture(bool capture) override { captured = capture; }
    void SetTimer(int id, int) override { timers.append(id); }
    void KillTimer(int id) override { timers.removeAll(id); }
    void postKeyToContainer(qint16 keyCode, qint32 lParam) override;
    QVariant containerProperty(const QString &name) const override { return m_container.properties.value(name); }
    void setContainerProperty(const QString &name, const QVariant &value) override;
    void removeContainerProperty(const QString &name) override { m_container.properties.remove(name); }
    void PropertyChanged(const QString &key) override { changed.append(key); }
    void showHint(const QString &text, const QString &) override { hints.append(text); }

    bool userMode = true;
    bool displayAsDefault = false;
    controls::OleColour parentBackColor = controls::Colour::ButtonFace;
    QSize screenPixels{1024, 768};
    bool enabled = true;
    controls::OleColour foreColor = controls::Colour::ButtonText;
    QFont font;
    qint16 mousePointer = 0;
    controls::ButtonPicture mouseIcon;
    QString accessKeys;
    QSize size;
    QPoint place{100, 50};
    QRegion region;
    QImage window;
    int copies = 0;
    int refreshes = 0;
    bool cursorOver = false;
    QPointF cursor{10, 7};
    bool captured = false;
    QList<int> timers;
    QStringList postedKeys;
    QStringList changed;
    QStringList hints;

private:
    FakeContainer &m_container;
};

// A control on a fake host with every event it raises written to a log ("MouseDown(1)", "Click", ...).
struct FakeButton
{
    explicit FakeButton(FakeContainer &container, QSize size = {80, 24});
    // Starts as a new instance does and lays out at its size; the notices of the start-up are forgotten.
    void start();
    QString takeLog();
    void clearNotices();

    FakeButtonHost host;
    std::unique_ptr<controls::ctlButton> button;
    QStringList log;
};

// Compares pixels of a raster, given as "x,y=colour" separated by blanks; a colour is RRGGBB in hex or one of
// the names face (the fixed table's button face), light (233,233,233), value (223,223,223), grey, white,
// black and inverted (the face with its bits flipped).
void comparePixels(const QImage &image, const QString &expected);
// A colour as comparePixels reads it.
QString rgbText(controls::OleColour colour);

// Small pictures for tests: a bitmap in one colour with a border in another, and an icon.
controls::ButtonPicture solidBitmap(QSize size, QRgb colour, QRgb corner);
controls::ButtonPicture testIcon(QSize size);

} // namespace testsupport
