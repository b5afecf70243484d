#include "controls/ctlbutton.h"

#include "controls/buttonhost.h"
#include "controls/propertybag.h"
#include "errors/errortrap.h"

#include <exception>

namespace controls {

using namespace ButtonState;

namespace {

// Keys of the property bag.
namespace Key {
const auto Caption = QStringLiteral("Caption");
const auto CapAlign = QStringLiteral("CapAlign");
const auto BackStyle = QStringLiteral("BackStyle");
const auto Shape = QStringLiteral("Shape");
const auto Gradient = QStringLiteral("Gradient");
const auto cGradient = QStringLiteral("cGradient");
const auto cFore = QStringLiteral("cFore");
const auto Font = QStringLiteral("Font");
const auto Focus = QStringLiteral("Focus");
const auto Mode = QStringLiteral("Mode");
const auto Value = QStringLiteral("Value");
const auto CustomClick = QStringLiteral("CustomClick");
const auto Image = QStringLiteral("Image");
const auto ImgSize = QStringLiteral("ImgSize");
const auto ImgAlign = QStringLiteral("ImgAlign");
const auto cFHover = QStringLiteral("cFHover");
const auto Enabled = QStringLiteral("Enabled");
const auto cBack = QStringLiteral("cBack");
const auto cBHover = QStringLiteral("cBHover");
const auto LockHover = QStringLiteral("LockHover");
const auto CapStyle = QStringLiteral("CapStyle");
const auto mIcon = QStringLiteral("mIcon");
const auto mPointer = QStringLiteral("mPointer");
} // namespace Key

// Names of the option group's entries in the container's property list.
const auto OptCountProperty = QStringLiteral("btn_OptCount");
QString optSlotProperty(int slot)
{
    return QStringLiteral("btn_Obj") + QString::number(slot);
}

namespace Hint {
constexpr const char *CenterOnly =
    "When button images are aligned top/bottom center, \r\nbutton captions can only be center aligned";
constexpr const char *CustomOnly = "This property has no effect unless the Button Shape is a custom shape.";
constexpr const char *BitmapFirst = "The Picture Property must be assigned first and must be a bitmap or JPEG.";
constexpr const char *NoIcons =
    "Icons cannot be used for custom buttons. Only use bitmaps or JPEGs.\r\nButton was changed to Rectangular shaped.";
constexpr const char *FocusOnDefault = "The focus rectangle may appear on default buttons ONLY while in design mode, "
                                       "\r\nbut will not appear when the form is running.";
constexpr const char *NotForCommand = "This property is not applicable for command button modes.";
constexpr const char *NoSizeForShaped = "The picture size cannot be changed for Shaped buttons";
constexpr const char *IconFilesOnly = "Select .ico Or .cur Files Only";
} // namespace Hint

// Key codes and the scan-code part of the key message each arrow key is handed on with.
constexpr qint16 KeyShift = 16;
constexpr qint16 KeySpace = 32;
constexpr qint16 KeyEnter = 13;
constexpr qint16 KeyEscape = 27;
qint32 arrowKeyLParam(qint16 keyCode)
{
    switch (keyCode) {
    case 37:
        return 0x4B0001;
    case 38:
        return 0x480001;
    case 39:
        return 0x4D0001;
    case 40:
        return 0x500001;
    default:
        return 0;
    }
}

bool inRange(qint32 value, qint32 first, qint32 last)
{
    return value >= first && value <= last;
}

// Typed reading of a saved value: a value of another type reads as the key's default.
qint32 readInteger(const PropertyBag &bag, const QString &key, qint32 defaultValue)
{
    const QJsonValue value = bag.ReadProperty(key, defaultValue);
    const double number = value.toDouble(double(defaultValue));
    if (!value.isDouble() || number != double(qint64(number)) || number < -2147483648.0 || number > 4294967295.0)
        return defaultValue;
    return qint32(quint32(qint64(number)));
}

bool readBoolean(const PropertyBag &bag, const QString &key, bool defaultValue)
{
    const QJsonValue value = bag.ReadProperty(key, defaultValue);
    return value.isBool() ? value.toBool() : defaultValue;
}

QString readText(const PropertyBag &bag, const QString &key)
{
    const QJsonValue value = bag.ReadProperty(key, QString());
    return value.isString() ? value.toString() : QString();
}

ButtonPicture readPicture(const PropertyBag &bag, const QString &key, const ButtonPicture &defaultValue)
{
    const QJsonValue value = bag.ReadProperty(key);
    if (!value.isString() || value.toString().isEmpty())
        return defaultValue;
    return ButtonPicture::fromFile(value.toString());
}

QJsonValue pictureValue(const ButtonPicture &picture)
{
    return picture.isNull() ? QJsonValue(QString()) : QJsonValue(picture.source());
}

QFont readFont(const PropertyBag &bag, const QString &key, const QFont &defaultValue)
{
    const QJsonValue value = bag.ReadProperty(key);
    if (!value.isObject())
        return defaultValue;
    const QJsonObject object = value.toObject();
    const QString name = object.value(QLatin1String("name")).toString();
    const double size = object.value(QLatin1String("size")).toDouble();
    if (name.isEmpty() || size <= 0)
        return defaultValue;
    QFont font;
    // The classic dialog face, with its metric twins where it is not installed.
    font.setFamilies({name, QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
    font.setPointSizeF(size);
    font.setWeight(QFont::Weight(qBound(1, object.value(QLatin1String("weight")).toInt(400), 1000)));
    font.setItalic(object.value(QLatin1String("italic")).toBool());
    font.setUnderline(object.value(QLatin1String("underline")).toBool());
    font.setStrikeOut(object.value(QLatin1String("strikethrough")).toBool());
    return font;
}

QJsonObject fontValue(const QFont &font)
{
    return {{QStringLiteral("name"), font.family()},         {QStringLiteral("size"), font.pointSizeF()},
            {QStringLiteral("weight"), int(font.weight())},  {QStringLiteral("italic"), font.italic()},
            {QStringLiteral("underline"), font.underline()}, {QStringLiteral("strikethrough"), font.strikeOut()}};
}

} // namespace

ctlButton::ctlButton(ButtonHost &host, QObject *parent) : QObject(parent), m_host(host) {}

ctlButton::~ctlButton()
{
    // A destroyed button must not stay behind in its group, where the others would reach it.
    if (m_registeredInGroup)
        OptionToggle(-1);
}

bool ctlButton::designTime() const
{
    return !m_host.UserMode();
}

void ctlButton::hint(const char *text, const char *title)
{
    if (designTime())
        m_host.showHint(QString::fromLatin1(text), title ? QString::fromLatin1(title) : QString());
}

bool ctlButton::showsPressed() const
{
    return (m_stateFlags & StatePressed) && (m_stateFlags & StateOver);
}

// ---- Setters ----

void ctlButton::setButtonStyle(qint32 style)
{
    if (!inRange(style, 0, 7))
        return;
    const qint32 old = m_buttonStyle;
    m_buttonStyle = style;
    if (((old == 5 || style == 5) && m_buttonShape < 7) || m_buttonShape < 4)
        BuildButtonRegion();
    LayoutCaptionAndPicture(false);
    UpdateDrawingResource(QStringLiteral("BackColor"));
    RedrawButton();
    m_host.PropertyChanged(Key::BackStyle);
}

void ctlButton::setMode(qint32 mode)
{
    if (!inRange(mode, 0, 2))
        return;
    if (m_mode == 2 && mode < 2)
        OptionToggle(-1);
    else if (mode == 2 && m_mode < 2)
        OptionToggle(1);
    if (mode == 0 && m_mode != 0)
        setValue(false);
    m_mode = mode;
    RedrawButton();
    m_host.PropertyChanged(Key::Mode);
}

void ctlButton::setCaption(const QString &caption)
{
    const qsizetype amp = caption.lastIndexOf(QLatin1Char('&'));
    if (amp >= 0)
        m_host.setAccessKeys(caption.mid(amp + 1, 1));
    m_caption = caption;
    LayoutCaptionAndPicture(false);
    RedrawButton();
    m_host.PropertyChanged(Key::Caption);
}

void ctlButton::setCaptionAlign(qint32 align)
{
    if (!inRange(align, 0, 2))
        return;
    if (align == 2 || m_pictureAlign < 4 || m_pictureWidth + m_pictureHeight < 1) {
        m_captionAlign = align;
        LayoutCaptionAndPicture(false);
        RedrawButton();
        m_host.PropertyChanged(Key::CapAlign);
    } else {
        hint(Hint::CenterOnly);
    }
}

void ctlButton::setCaptionStyle(qint32 style)
{
    if (!inRange(style, 0, 2))
        return;
    m_captionStyle = style;
    m_host.PropertyChanged(Key::CapStyle);
    if (!m_caption.isEmpty()) {
        LayoutCaptionAndPicture(false);
        RedrawButton();
    }
}

void ctlButton::setCustomClick(qint32 click)
{
    if (!inRange(click, 0, 8))
        return;
    if (m_buttonShape < 7 && click > 0)
        hint(Hint::CustomOnly);
    m_customClick = click;
    m_host.PropertyChanged(Key::CustomClick);
}

void ctlButton::setButtonShape(qint32 shape)
{
    if (!inRange(shape, 0, 8))
        return;
    if (shape >= 7) {
        if (m_picture.isNull() || m_pictureIsIcon) {
            hint(Hint::BitmapFirst);
            return;
        }
        if (PictureSize() != 4) {
            DelayDrawing(true);
            setPictureSize(4);
            m_delayDrawing = false;
        }
    }
    m_buttonShape = shape;
    m_captionAlign = 2;
    UserControl_Resize();
    DelayDrawing(false);
    m_host.PropertyChanged(Key::Shape);
}

void ctlButton::setPicture(const ButtonPicture &picture)
{
    m_picture = picture;
    if (m_pictureBoxSize == 0)
        m_pictureBoxSize = 16;
    UpdateDrawingResource(QStringLiteral("Picture"));
    if (m_buttonShape < 7) {
        LayoutCaptionAndPicture(true);
        RedrawButton();
    } else {
        if (picture.isNull()) {
            setButtonShape(0);
        } else if (m_pictureIsIcon) {
            setButtonShape(0);
            hint(Hint::NoIcons);
        }
        UserControl_Resize();
    }
    m_host.PropertyChanged(Key::Image);
}

void ctlButton::setPictureAlign(qint32 align)
{
    if (!inRange(align, 0, 5))
        return;
    m_pictureAlign = align;
    if (align >= 4)
        setCaptionAlign(2);
    LayoutCaptionAndPicture(false);
    RedrawButton();
    m_host.PropertyChanged(Key::ImgAlign);
}

bool ctlButton::Enabled() const
{
    return m_host.Enabled();
}

void ctlButton::setEnabled(bool enabled)
{
    if (enabled == m_host.Enabled())
        return;
    m_host.setHostEnabled(enabled);
    HostEnabledChanged();
    m_host.PropertyChanged(Key::Enabled);
}

void ctlButton::HostEnabledChanged()
{
    // The window corners of the shaded-edge style depend on the enabled state.
    if (m_buttonStyle == 3 && m_mode == 0 && m_buttonShape < 4) {
        DelayDrawing(true);
        BuildButtonRegion();
        LayoutCaptionAndPicture(false);
        DelayDrawing(false);
    } else {
        RedrawButton();
    }
}

void ctlButton::setShowFocusRect(bool show)
{
    m_showFocus = show;
    if (m_stateFlags & StateDefault) {
        if (designTime()) {
            hint(Hint::FocusOnDefault);
        } else {
            m_stateFlags &= ~StateDefault;
            RedrawButton();
        }
    } else {
        RedrawButton();
    }
    m_host.PropertyChanged(Key::Focus);
}

void ctlButton::setValue(bool value)
{
    if (value && m_mode == 0) {
        hint(Hint::NotForCommand);
        return;
    }
    m_value = value;
    if (value && m_mode == 2)
        OptionToggle(0);
    RedrawButton();
    m_host.PropertyChanged(Key::Value);
}

qint32 ctlButton::PictureSize()
{
    if (m_pictureBoxSize == 0)
        m_pictureBoxSize = 16;
    return m_pictureBoxSize / 8 - 2;
}

void ctlButton::setPictureSize(qint32 size)
{
    if (!inRange(size, 0, 4))
        return;
    if (m_buttonShape >= 7) {
        hint(Hint::NoSizeForShaped);
        return;
    }
    m_pictureBoxSize = qint16((size + 2) * 8);
    LayoutCaptionAndPicture(true);
    RedrawButton();
    m_host.PropertyChanged(Key::ImgSize);
}

qint16 ctlButton::MousePointer() const
{
    return m_host.MousePointer();
}

void ctlButton::setMousePointer(qint16 pointer)
{
    m_host.setMousePointer(pointer);
    m_host.PropertyChanged(Key::mPointer);
}

ButtonPicture ctlButton::MouseIcon() const
{
    return m_host.MouseIcon();
}

void ctlButton::setMouseIcon(const ButtonPicture &icon)
{
    try {
        m_host.setMouseIcon(icon);
        if (!icon.isNull()) {
            setMousePointer(99);
            m_host.PropertyChanged(Key::mIcon);
        }
    } catch (const errors::RuntimeError &error) {
        if (designTime())
            m_host.showHint(error.description(), QString::fromLatin1(Hint::IconFilesOnly));
    }
}

QFont ctlButton::Font() const
{
    return m_host.Font();
}

void ctlButton::setFont(const QFont &font)
{
    m_host.setHostFont(font);
    UpdateDrawingResource(QStringLiteral("Font"));
    LayoutCaptionAndPicture(false);
    RedrawButton();
    m_host.PropertyChanged(Key::Font);
}

qint32 ctlButton::FontStyle() const
{
    const QFont font = m_host.Font();
    return 2 * (font.bold() ? 1 : 0) + 4 * (font.italic() ? 1 : 0) + 8 * (font.underline() ? 1 : 0);
}

void ctlButton::setFontStyle(qint32 style)
{
    QFont font = m_host.Font();
    font.setBold(style & 2);
    font.setItalic(style & 4);
    font.setUnderline(style & 8);
    m_host.setHostFont(font);
    UpdateDrawingResource(QStringLiteral("Font"));
    LayoutCaptionAndPicture(false);
    m_host.PropertyChanged(Key::Font);
    RedrawButton();
}

OleColour ctlButton::ForeColor() const
{
    return m_host.ForeColor();
}

void ctlButton::setForeColor(OleColour colour)
{
    if (colour == m_host.ForeColor())
        return;
    m_host.setForeColor(colour);
    if (m_hoverLocks == 0 || m_hoverLocks == 1)
        setHoverForeColor(m_host.ForeColor());
    m_delayDrawing = false;
    RedrawButton();
    m_host.PropertyChanged(Key::cFore);
}

void ctlButton::setBackColor(OleColour colour)
{
    m_backColor = colour;
    if (m_hoverLocks == 0 || m_hoverLocks == 2)
        setHoverBackColor(m_gradientMode != 0 ? m_gradientColor : colour);
    UpdateDrawingResource(QStringLiteral("BackColor"));
    RedrawButton();
    m_host.PropertyChanged(Key::cBack);
}

void ctlButton::setGradientColor(OleColour colour)
{
    if ((m_hoverLocks == 0 || m_hoverLocks == 2) && m_gradientMode > 0)
        m_hoverBackColor = colour;
    m_gradientColor = colour;
    UpdateDrawingResource(QStringLiteral("BackColor"));
    if (m_gradientMode != 0)
        RedrawButton();
    m_host.PropertyChanged(Key::cGradient);
}

void ctlButton::setGradientMode(qint32 mode)
{
    if (!inRange(mode, 0, 4))
        return;
    m_gradientMode = mode;
    if (m_hoverLocks == 0 || m_hoverLocks == 2) {
        m_hoverBackColor = mode == 0 ? m_backColor : m_gradientColor;
        UpdateDrawingResource(QStringLiteral("BackColor"));
    }
    RedrawButton();
    m_host.PropertyChanged(Key::Gradient);
}

void ctlButton::setResetDefaultColors(bool reset)
{
    if (!designTime() || !reset)
        return;
    DelayDrawing(true);
    m_backColor = Colour::ButtonFace;
    setForeColor(Colour::ButtonText);
    setGradientColor(Colour::ButtonFace);
    setGradientMode(0);
    setHoverColorLocks(0);
    UpdateDrawingResource(QStringLiteral("BackColor"));
    DelayDrawing(false);
    m_host.PropertyChanged(Key::cGradient);
    m_host.PropertyChanged(Key::cBack);
}

void ctlButton::setHoverColorLocks(qint32 locks)
{
    m_hoverLocks = locks;
    if (locks == 0 || locks == 2) {
        m_hoverBackColor = m_gradientMode != 0 ? m_gradientColor : m_backColor;
        m_host.PropertyChanged(Key::cBHover);
    }
    if (locks == 0 || locks == 1) {
        m_hoverForeColor = m_host.ForeColor();
        m_host.PropertyChanged(Key::cFHover);
    }
    UpdateDrawingResource(QStringLiteral("BackColor"));
    m_host.PropertyChanged(Key::LockHover);
}

void ctlButton::setHoverForeColor(OleColour colour)
{
    if (colour == m_hoverForeColor)
        return;
    m_hoverForeColor = colour;
    m_host.PropertyChanged(Key::cFHover);
    if (colour != m_host.ForeColor()) {
        if (m_hoverLocks == 0)
            m_hoverLocks = 2;
        else if (m_hoverLocks == 1)
            m_hoverLocks = 3;
    }
    m_host.PropertyChanged(Key::cFHover);
}

void ctlButton::setHoverBackColor(OleColour colour)
{
    if (colour == m_hoverBackColor)
        return;
    m_hoverBackColor = colour;
    if (colour != m_backColor) {
        if (m_hoverLocks == 0)
            m_hoverLocks = 1;
        else if (m_hoverLocks == 2)
            m_hoverLocks = 3;
    }
    UpdateDrawingResource(QStringLiteral("BackColor"));
    m_host.PropertyChanged(Key::cBHover);
}

void ctlButton::Refresh()
{
    m_delayDrawing = false;
    RedrawButton();
}

void ctlButton::DelayDrawing(bool bDelay)
{
    m_delayDrawing = bDelay;
    if (!bDelay)
        Refresh();
}

// ---- Start-up and saving ----

void ctlButton::UserControl_InitProperties()
{
    m_caption = m_host.DisplayName();
    m_captionAlign = 2;
    m_showFocus = true;
    m_hoverForeColor = Colour::ButtonText;
    m_hoverBackColor = Colour::ButtonFace;
    m_containerColor = sysColour(m_host.AmbientBackColor());
    m_backColor = Colour::ButtonFace;
    UpdateDrawingResource(QStringLiteral("BackColor"));
    for (const QString &key : {Key::Caption, Key::CapAlign, Key::Focus, Key::cFHover, Key::cBHover, Key::Font})
        m_host.PropertyChanged(key);
}

void ctlButton::UserControl_ReadProperties(const PropertyBag &PropBag)
{
    m_containerColor = sysColour(m_host.AmbientBackColor());
    m_delayDrawing = true;

    m_caption = readText(PropBag, Key::Caption);
    m_captionAlign = readInteger(PropBag, Key::CapAlign, 2);
    m_buttonStyle = readInteger(PropBag, Key::BackStyle, 0);
    m_buttonShape = readInteger(PropBag, Key::Shape, 0);
    m_gradientMode = readInteger(PropBag, Key::Gradient, 0);
    m_gradientColor = readInteger(PropBag, Key::cGradient, Colour::ButtonFace);
    m_host.setForeColor(readInteger(PropBag, Key::cFore, Colour::ButtonText));
    m_host.setHostFont(readFont(PropBag, Key::Font, m_host.Font()));
    m_showFocus = readBoolean(PropBag, Key::Focus, true);
    m_mode = readInteger(PropBag, Key::Mode, 0);
    m_value = readBoolean(PropBag, Key::Value, false);
    m_customClick = readInteger(PropBag, Key::CustomClick, 0);
    m_picture = readPicture(PropBag, Key::Image, ButtonPicture());
    m_pictureBoxSize = qint16(readInteger(PropBag, Key::ImgSize, 16));
    m_pictureAlign = readInteger(PropBag, Key::ImgAlign, 0);
    m_hoverForeColor = readInteger(PropBag, Key::cFHover, Colour::ButtonText);
    m_host.setHostEnabled(readBoolean(PropBag, Key::Enabled, true));
    m_backColor = readInteger(PropBag, Key::cBack, m_host.ParentBackColor());
    m_hoverBackColor = readInteger(PropBag, Key::cBHover, m_backColor);
    m_hoverLocks = readInteger(PropBag, Key::LockHover, 0);
    m_captionStyle = readInteger(PropBag, Key::CapStyle, 0);

    // The host refuses what it cannot use as a pointer; the remaining start-up steps run regardless.
    const auto quietly = [](const auto &step) {
        try {
            step();
        } catch (const std::exception &) {
        }
    };
    quietly([&] { setMouseIcon(readPicture(PropBag, Key::mIcon, m_host.MouseIcon())); });
    quietly([&] { setMousePointer(qint16(readInteger(PropBag, Key::mPointer, 0))); });
    quietly([&] { UpdateDrawingResource(QStringLiteral("Picture")); });
    quietly([&] { UpdateDrawingResource(QStringLiteral("BackColor")); });
    quietly([&] { setCaption(m_caption); });
    quietly([&] {
        if (m_mode == 2)
            OptionToggle(1);
    });
    m_delayDrawing = false;
    quietly([&] { UserControl_Resize(); });
}

void ctlButton::UserControl_WriteProperties(PropertyBag &PropBag) const
{
    PropBag.WriteProperty(Key::Caption, m_caption, QString());
    PropBag.WriteProperty(Key::CapAlign, m_captionAlign, 2);
    PropBag.WriteProperty(Key::BackStyle, m_buttonStyle, 0);
    PropBag.WriteProperty(Key::Shape, m_buttonShape, 0);
    PropBag.WriteProperty(Key::Font, fontValue(m_host.Font()));
    PropBag.WriteProperty(Key::cFore, m_host.ForeColor(), Colour::ButtonText);
    PropBag.WriteProperty(Key::cFHover, m_hoverForeColor, Colour::ButtonText);
    PropBag.WriteProperty(Key::cBHover, m_hoverBackColor, m_backColor);
    PropBag.WriteProperty(Key::Focus, m_showFocus, true);
    PropBag.WriteProperty(Key::LockHover, m_hoverLocks, 0);
    PropBag.WriteProperty(Key::cGradient, m_gradientColor, Colour::ButtonFace);
    PropBag.WriteProperty(Key::Gradient, m_gradientMode, 0);
    PropBag.WriteProperty(Key::CapStyle, m_captionStyle, 0);
    PropBag.WriteProperty(Key::Mode, m_mode);
    PropBag.WriteProperty(Key::Value, m_value);
    PropBag.WriteProperty(Key::CustomClick, m_customClick, 0);
    PropBag.WriteProperty(Key::ImgAlign, m_pictureAlign, 0);
    PropBag.WriteProperty(Key::Image, pictureValue(m_picture), QString());
    PropBag.WriteProperty(Key::ImgSize, m_pictureBoxSize, 16);
    PropBag.WriteProperty(Key::Enabled, m_host.Enabled(), true);
    PropBag.WriteProperty(Key::cBack, m_backColor);
    PropBag.WriteProperty(Key::mPointer, m_host.MousePointer(), 0);
    const ButtonPicture icon = m_host.MouseIcon();
    if (!icon.isNull())
        PropBag.WriteProperty(Key::mIcon, pictureValue(icon), QString());
}

void ctlButton::UserControl_Show()
{
    if (designTime() && m_showFocus && m_host.DisplayAsDefault()) {
        m_stateFlags |= StateDefault;
        RedrawButton();
    }
}

// ---- Input ----

void ctlButton::UserControl_MouseDown(qint16 Button, qint16 Shift, float X, float Y)
{
    m_lastButton = Button;
    // A press with no move before it (a dialog just closed over the button) still finds the cursor here.
    if (!m_hovering)
        hoverStart(Button);
    if (Button == 1) {
        m_stateFlags |= StatePressed;
        m_heldDown = true;
        m_delayDrawing = false;
        RedrawButton();
        m_host.setCapture(true);
    }
    emit MouseDown(Button, Shift, X, Y);
}

void ctlButton::UserControl_MouseMove(qint16 Button, qint16 Shift, float X, float Y)
{
    if (!m_hovering)
        hoverStart(Button);
    emit MouseMove(Button, Shift, X, Y);
}

void ctlButton::hoverStart(qint16 Button)
{
    try {
        if (!m_host.cursorOverWindow())
            return;
        m_stateFlags |= StateOver;
        bool onButton = true;
        emit MouseOnButton(onButton);
        m_host.SetTimer(HoverTimerId, HoverTimerPeriod);
        m_hovering = true;
        m_delayDrawing = false;
        if (Button == 1)
            m_heldDown = true;
        RedrawButton();
    } catch (const std::exception &) {
    }
}

void ctlButton::CheckHoverEnd(int timerId)
{
    if (m_host.cursorOverWindow())
        return;
    m_host.KillTimer(timerId);
    // A button held down by Space stays pressed wherever the cursor goes.
    if (!m_keyPress)
        m_stateFlags &= ~StateOver;
    m_hovering = false;
    m_delayDrawing = false;
    bool onButton = false;
    emit MouseOnButton(onButton);
    m_heldDown = false;
    RedrawButton();
}

void ctlButton::UserControl_MouseUp(qint16 Button, qint16 Shift, float X, float Y)
{
    m_heldDown = false;
    if (Button == 1) {
        m_host.setCapture(false);
        m_stateFlags &= ~StatePressed;
        // The mouse ends a press Space began as well.
        if (m_keyPress) {
            m_keyPress = false;
            if (!m_hovering)
                m_stateFlags &= ~StateOver;
        }
        m_delayDrawing = false;
        if (m_mode == 0)
            RedrawButton();
    }
    emit MouseUp(Button, Shift, X, Y);
    m_lastButton = Button;
}

void ctlButton::UserControl_Click()
{
    if (m_lastButton != 1)
        return;
    if (m_mode == 1) {
        setValue(!m_value);
    } else if (m_mode == 2) {
        if (m_value)
            return;
        setValue(true);
    }
    emit Click();
}

void ctlButton::UserControl_DblClick()
{
    const QPointF at = m_host.cursorPos();
    emit DoubleClick(m_lastButton);
    if (m_lastButton == 1) {
        UserControl_MouseDown(1, 0, float(at.x()), float(at.y()));
        m_lastButton = -1;
    } else {
        qint16 button = 1;
        qint16 shift = 0;
        float x = float(at.x());
        float y = float(at.y());
        emit MouseDown(button, shift, x, y);
    }
}

void ctlButton::UserControl_KeyDown(qint16 &KeyCode, qint16 &Shift)
{
    if (const qint32 lParam = arrowKeyLParam(KeyCode)) {
        m_host.postKeyToContainer(KeyCode, lParam);
        KeyCode = 0;
    } else if (KeyCode == KeySpace && !(m_stateFlags & StatePressed)) {
        // Both bits stay set until the key comes up, so every redraw meanwhile (the host paints after this
        // one) shows the pressed look too.
        m_stateFlags |= StateOver | StatePressed;
        m_keyPress = true;
        m_heldDown = true;
        RedrawButton();
    }
    if (KeyCode != 0)
        emit KeyDown(KeyCode, Shift);
}

void ctlButton::UserControl_KeyUp(qint16 &KeyCode, qint16 &Shift)
{
    m_heldDown = false;
    if (KeyCode == KeySpace) {
        if (m_stateFlags & StatePressed) {
            m_stateFlags &= ~StatePressed;
            if (!m_hovering)
                m_stateFlags &= ~StateOver;
            m_keyPress = false;
            m_lastButton = 1;
            if (m_mode == 0) {
                RedrawButton();
            } else {
                emit KeyUp(KeyCode, Shift);
                KeyCode = 0;
            }
            UserControl_Click();
        }
    } else if (arrowKeyLParam(KeyCode)) {
        KeyCode = 0;
        if (m_mode == 2 && !m_value) {
            m_lastButton = 1;
            UserControl_Click();
        }
    } else if (KeyCode == KeyShift) {
        KeyCode = 0;
    }
    if (KeyCode != 0)
        emit KeyUp(KeyCode, Shift);
}

void ctlButton::UserControl_KeyPress(qint16 &KeyAscii)
{
    emit KeyPress(KeyAscii);
}

void ctlButton::EndPress()
{
    m_heldDown = false;
    if (!(m_stateFlags & StatePressed))
        return;
    m_host.setCapture(false);
    m_stateFlags &= ~StatePressed;
    if (!m_hovering)
        m_stateFlags &= ~StateOver;
    m_keyPress = false;
    m_delayDrawing = false;
    RedrawButton();
}

void ctlButton::UserControl_AccessKeyPress(qint16 KeyAscii)
{
    const bool enterOrEscape = KeyAscii == KeyEnter || KeyAscii == KeyEscape;
    if (enterOrEscape && m_mode > 0)
        return;
    if (!enterOrEscape && !(m_stateFlags & StateDefault))
        RedrawButton();
    m_lastButton = 1;
    UserControl_Click();
}

void ctlButton::UserControl_GotFocus()
{
    if (m_mode == 2 && !m_value && !OptionToggle(2)) {
        m_lastButton = 1;
        UserControl_Click();
    }
}

void ctlButton::UserControl_AmbientChanged(const QString &PropertyName)
{
    try {
        if (PropertyName.compare(QLatin1String("DisplayAsDefault"), Qt::CaseInsensitive) == 0) {
            const bool display = m_host.DisplayAsDefault() && (m_showFocus || designTime());
            m_stateFlags = display ? (m_stateFlags | StateDefault) : (m_stateFlags & ~StateDefault);
            const bool showHover = m_buttonShape >= 7 && designTime();
            if (showHover)
                m_hovering = display;
            RedrawButton();
            if (showHover)
                m_hovering = false;
        } else if (PropertyName.compare(QLatin1String("BackColor"), Qt::CaseInsensitive) == 0) {
            m_containerColor = sysColour(m_host.AmbientBackColor());
            if (m_buttonShape > 3 || m_buttonStyle == 5)
                RedrawButton();
        }
    } catch (const std::exception &) {
    }
}

void ctlButton::UserControl_OLECompleteDrag(qint32 &Effect)
{
    emit OLECompleteDrag(Effect);
}

void ctlButton::UserControl_OLEDragDrop(const QMimeData *Data, qint32 &Effect, qint16 &Button, qint16 &Shift, float &X,
                                        float &Y)
{
    emit OLEDragDrop(Data, Effect, Button, Shift, X, Y);
}

void ctlButton::UserControl_OLEDragOver(const QMimeData *Data, qint32 &Effect, qint16 &Button, qint16 &Shift, float &X,
                                        float &Y, qint16 &State)
{
    emit OLEDragOver(Data, Effect, Button, Shift, X, Y, State);
}

void ctlButton::UserControl_OLEGiveFeedback(qint32 &Effect, bool &DefaultCursors)
{
    emit OLEGiveFeedback(Effect, DefaultCursors);
}

void ctlButton::UserControl_OLESetData(QMimeData *Data, qint16 &DataFormat)
{
    emit OLESetData(Data, DataFormat);
}

void ctlButton::UserControl_OLEStartDrag(QMimeData *Data, qint32 &AllowedEffects)
{
    emit OLEStartDrag(Data, AllowedEffects);
}

void ctlButton::UserControl_Paint()
{
    m_delayDrawing = false;
    RedrawButton();
}

void ctlButton::UserControl_Resize()
{
    m_buffer.drop();
    ManageBackBuffer(true);
    if (!m_delayDrawing) {
        BuildButtonRegion();
        LayoutCaptionAndPicture(false);
        RedrawButton();
    }
}

void ctlButton::UserControl_Terminate()
{
    if (m_hovering)
        m_host.KillTimer(HoverTimerId);
    m_innerRegion1.reset();
    m_innerRegion2.reset();
    m_buffer.drop();
    m_scaledPicture.reset();
}

// ---- Option groups ----

void ctlButton::LeaveOptionGroup()
{
    if (m_registeredInGroup)
        OptionToggle(-1);
}

void ctlButton::JoinOptionGroup()
{
    if (m_mode == 2 && !m_registeredInGroup)
        OptionToggle(1);
}

ctlButton *ctlButton::optionSlot(int slot) const
{
    return qobject_cast<ctlButton *>(m_host.containerProperty(optSlotProperty(slot)).value<QObject *>());
}

bool ctlButton::OptionToggle(qint16 action)
{
    const int n = m_host.containerProperty(OptCountProperty).toInt();
    bool result = false;
    try {
        if ((action == 1 || n > 0) && m_value) {
            for (int i = 1; i <= n; ++i) {
                ctlButton *other = optionSlot(i);
                if (other && other != this)
                    other->setValue(false);
            }
        }
        switch (action) {
        case 1:
            m_host.setContainerProperty(OptCountProperty, n + 1);
            m_host.setContainerProperty(optSlotProperty(n + 1), QVariant::fromValue<QObject *>(this));
            m_registeredInGroup = true;
            break;
        case -1: {
            // A button that holds no slot leaves the group as it is.
            int found = 0;
            for (int i = 1; i <= n && !found; ++i) {
                if (optionSlot(i) == this)
                    found = i;
            }
            if (!found)
                break;
            for (int i = found; i < n; ++i)
                m_host.setContainerProperty(optSlotProperty(i), m_host.containerProperty(optSlotProperty(i + 1)));
            m_host.removeContainerProperty(optSlotProperty(n));
            if (n == 1)
                m_host.removeContainerProperty(OptCountProperty);
            else
                m_host.setContainerProperty(OptCountProperty, n - 1);
            m_registeredInGroup = false;
            break;
        }
        case 2:
            for (int i = 1; i <= n && !result; ++i) {
                const ctlButton *member = optionSlot(i);
                result = member && member->Value();
            }
            break;
        default:
            break;
        }
    } catch (const std::exception &) {
    }
    return result;
}

} // namespace controls
