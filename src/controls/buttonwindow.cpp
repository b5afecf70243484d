#include "controls/buttonwindow.h"

#include "controls/propertybag.h"
#include "errors/errortrap.h"

#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include <array>
#include <utility>

namespace controls {

namespace {

constexpr double TwipsPerInch = 1440;
constexpr qint32 InvalidPropertyValue = 380;
constexpr qint32 InvalidPicture = 481;
constexpr qint16 CustomPointer = 99;

qint16 buttonCode(Qt::MouseButtons buttons)
{
    return qint16((buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
                  (buttons & Qt::MiddleButton ? 4 : 0));
}

qint16 shiftCode(Qt::KeyboardModifiers modifiers)
{
    return qint16((modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
                  (modifiers & Qt::AltModifier ? 4 : 0));
}

// Key codes as the control knows them, for the keys that have one.
constexpr std::pair<int, qint16> keyCodes[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},   {Qt::Key_Return, 13}, {Qt::Key_Enter, 13},  {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},  {Qt::Key_Escape, 27}, {Qt::Key_Space, 32},  {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},  {Qt::Key_Home, 36},   {Qt::Key_Left, 37},   {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},    {Qt::Key_Down, 40}, {Qt::Key_Insert, 45}, {Qt::Key_Delete, 46},
};

// The punctuation keys of the US layout, shifted or not, by the code of the key that types them.
constexpr std::pair<int, qint16> punctuationCodes[] = {
    {Qt::Key_Semicolon, 186},  {Qt::Key_Colon, 186},      {Qt::Key_Equal, 187},        {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},      {Qt::Key_Less, 188},       {Qt::Key_Minus, 189},        {Qt::Key_Underscore, 189},
    {Qt::Key_Period, 190},     {Qt::Key_Greater, 190},    {Qt::Key_Slash, 191},        {Qt::Key_Question, 191},
    {Qt::Key_QuoteLeft, 192},  {Qt::Key_AsciiTilde, 192}, {Qt::Key_BracketLeft, 219},  {Qt::Key_BraceLeft, 219},
    {Qt::Key_Backslash, 220},  {Qt::Key_Bar, 220},        {Qt::Key_BracketRight, 221}, {Qt::Key_BraceRight, 221},
    {Qt::Key_Apostrophe, 222}, {Qt::Key_QuoteDbl, 222},   {Qt::Key_Exclam, 49},        {Qt::Key_At, 50},
    {Qt::Key_NumberSign, 51},  {Qt::Key_Dollar, 52},      {Qt::Key_Percent, 53},       {Qt::Key_AsciiCircum, 54},
    {Qt::Key_Ampersand, 55},   {Qt::Key_Asterisk, 56},    {Qt::Key_ParenLeft, 57},     {Qt::Key_ParenRight, 48},
};

qint16 keyCode(int key, Qt::KeyboardModifiers modifiers)
{
    // The number pad's keys have codes of their own.
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return qint16(96 + key - Qt::Key_0);
        static constexpr std::pair<int, qint16> keypad[] = {{Qt::Key_Asterisk, 106},
                                                            {Qt::Key_Plus, 107},
                                                            {Qt::Key_Minus, 109},
                                                            {Qt::Key_Period, 110},
                                                            {Qt::Key_Slash, 111}};
        for (const auto &[qtKey, code] : keypad) {
            if (qtKey == key)
                return code;
        }
    }
    for (const auto &[qtKey, code] : keyCodes) {
        if (qtKey == key)
            return code;
    }
    for (const auto &[qtKey, code] : punctuationCodes) {
        if (qtKey == key)
            return code;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return qint16(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return qint16(112 + key - Qt::Key_F1);
    return 0;
}

int qtKey(qint16 code)
{
    for (const auto &[key, known] : keyCodes) {
        if (known == code)
            return key;
    }
    return code;
}

// Mouse pointer codes and the cursor each shows; 0 is the default and 99 the picture in MouseIcon.
constexpr Qt::CursorShape pointerShapes[] = {
    Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
    Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
    Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
    Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor,
};

} // namespace

ButtonWindow::ButtonWindow(QWidget *parent, bool) : QWidget(parent), m_container(parent), m_containerPinned(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    readSystemColours();
    connect(&m_hoverTimer, &QTimer::timeout, this, [this] { m_control->CheckHoverEnd(m_timerId); });
    m_control = std::make_unique<ctlButton>(*this);
}

ButtonWindow::ButtonWindow(QWidget *parent) : ButtonWindow(parent, true)
{
    m_control->UserControl_InitProperties();
    m_control->UserControl_Resize();
}

ButtonWindow::ButtonWindow(const PropertyBag &properties, QWidget *parent) : ButtonWindow(parent, true)
{
    m_control->UserControl_ReadProperties(properties);
}

ButtonWindow::~ButtonWindow()
{
    m_control->UserControl_Terminate();
    m_control.reset();
}

void ButtonWindow::readSystemColours()
{
    m_systemColours = classicSystemColours();
    const QPalette colours = palette();
    const auto set = [&](int index, QPalette::ColorGroup group, QPalette::ColorRole role) {
        m_systemColours.at(std::size_t(index)) = fromQRgb(colours.color(group, role).rgb());
    };
    set(4, QPalette::Active, QPalette::Window);
    set(5, QPalette::Active, QPalette::Base);
    set(7, QPalette::Active, QPalette::WindowText);
    set(8, QPalette::Active, QPalette::Text);
    set(13, QPalette::Active, QPalette::Highlight);
    set(14, QPalette::Active, QPalette::HighlightedText);
    set(15, QPalette::Active, QPalette::Button);
    set(16, QPalette::Active, QPalette::Dark);
    set(17, QPalette::Disabled, QPalette::Text);
    set(18, QPalette::Active, QPalette::ButtonText);
    set(20, QPalette::Active, QPalette::Light);
    set(21, QPalette::Active, QPalette::Shadow);
    set(22, QPalette::Active, QPalette::Midlight);
    set(23, QPalette::Active, QPalette::ToolTipText);
    set(24, QPalette::Active, QPalette::ToolTipBase);
}

OleColour ButtonWindow::AmbientBackColor() const
{
    const QWidget *form = parentWidget() ? parentWidget() : this;
    return fromQRgb(form->palette().color(QPalette::Window).rgb());
}

QSizeF ButtonWindow::screenTwips() const
{
    const QScreen *display = screen();
    const QSize pixels = display ? display->geometry().size() : QSize(1024, 768);
    const QSizeF perPixel = twipsPerPixel();
    return {pixels.width() * perPixel.width(), pixels.height() * perPixel.height()};
}

QSizeF ButtonWindow::twipsPerPixel() const
{
    return {TwipsPerInch / logicalDpiX(), TwipsPerInch / logicalDpiY()};
}

void ButtonWindow::setHostEnabled(bool enabled)
{
    m_settingEnabled = true;
    QWidget::setEnabled(enabled);
    m_settingEnabled = false;
}

void ButtonWindow::setMousePointer(qint16 pointer)
{
    if (pointer == CustomPointer) {
        m_mousePointer = pointer;
        if (!m_mouseIcon.isNull())
            setCursor(QCursor(QPixmap::fromImage(m_mouseIcon.rendered(m_mouseIcon.size()))));
        return;
    }
    if (pointer < 0 || std::size_t(pointer) >= std::size(pointerShapes))
        throw errors::RuntimeError(InvalidPropertyValue, QStringLiteral("Invalid property value"));
    m_mousePointer = pointer;
    if (pointer == 0)
        unsetCursor();
    else
        setCursor(pointerShapes[pointer]);
}

void ButtonWindow::setMouseIcon(const ButtonPicture &icon)
{
    if (icon.kind() == ButtonPicture::Kind::Bitmap)
        throw errors::RuntimeError(InvalidPicture, QStringLiteral("Invalid picture"));
    m_mouseIcon = icon;
    if (m_mousePointer == CustomPointer)
        setMousePointer(CustomPointer);
}

void ButtonWindow::setAccessKeys(const QString &keys)
{
    if (m_accessKeyShortcut)
        releaseShortcut(m_accessKeyShortcut);
    m_accessKeyShortcut = 0;
    m_accessKey = 0;
    if (keys.isEmpty())
        return;
    m_accessKey = qint16(keys.at(0).toUpper().unicode());
    m_accessKeyShortcut = grabShortcut(QKeySequence(QStringLiteral("Alt+") + keys.left(1)));
}

void ButtonWindow::setWindowRegion(const QRegion &region)
{
    // A region that covers the whole window needs no mask.
    if (QRegion(rect()).subtracted(region).isEmpty())
        clearMask();
    else
        setMask(region);
}

QRegion ButtonWindow::windowRegion() const
{
    return mask().isEmpty() ? QRegion(rect()) : mask();
}

void ButtonWindow::Refresh()
{
    if (!m_painting)
        update();
}

bool ButtonWindow::cursorOverWindow() const
{
    return QApplication::widgetAt(QCursor::pos()) == this;
}

QPointF ButtonWindow::cursorPos() const
{
    return mapFromGlobal(QCursor::pos());
}

void ButtonWindow::SetTimer(int id, int milliseconds)
{
    m_timerId = id;
    m_hoverTimer.start(milliseconds);
}

void ButtonWindow::KillTimer(int id)
{
    if (id == m_timerId)
        m_hoverTimer.stop();
}

void ButtonWindow::postKeyToContainer(qint16 keyCode, qint32)
{
    if (QWidget *form = parentWidget())
        QCoreApplication::postEvent(form, new QKeyEvent(QEvent::KeyPress, qtKey(keyCode), Qt::NoModifier));
}

QObject *ButtonWindow::container() const
{
    // A container destroyed before the button took its group with it.
    return m_containerPinned ? m_container.data() : const_cast<ButtonWindow *>(this);
}

QVariant ButtonWindow::containerProperty(const QString &name) const
{
    const QObject *group = container();
    return group ? group->property(name.toLatin1().constData()) : QVariant();
}

void ButtonWindow::setContainerProperty(const QString &name, const QVariant &value)
{
    if (QObject *group = container())
        group->setProperty(name.toLatin1().constData(), value);
}

void ButtonWindow::removeContainerProperty(const QString &name)
{
    if (QObject *group = container())
        group->setProperty(name.toLatin1().constData(), QVariant());
}

void ButtonWindow::setDragAndDrop(bool on)
{
    m_dragAndDrop = on;
    m_dragArmed = false;
    setAcceptDrops(on);
}

bool ButtonWindow::event(QEvent *event)
{
    if (event->type() == QEvent::Shortcut && m_accessKey) {
        m_control->UserControl_AccessKeyPress(m_accessKey);
        return true;
    }
    return QWidget::event(event);
}

void ButtonWindow::paintEvent(QPaintEvent *)
{
    m_painting = true;
    m_control->UserControl_Paint();
    m_painting = false;
    QPainter painter(this);
    painter.drawImage(0, 0, m_surface.image());
}

void ButtonWindow::resizeEvent(QResizeEvent *)
{
    m_control->UserControl_Resize();
}

void ButtonWindow::showEvent(QShowEvent *)
{
    // A button made without a container joins the group of the one it is first shown in.
    if (!m_containerPinned && parentWidget()) {
        m_control->LeaveOptionGroup();
        m_container = parentWidget();
        m_containerPinned = true;
        m_control->JoinOptionGroup();
    }
    m_control->UserControl_Show();
}

void ButtonWindow::mousePressEvent(QMouseEvent *event)
{
    m_afterDoubleClick = false;
    m_pressEnded = false;
    if (m_dragAndDrop && event->button() == Qt::LeftButton) {
        m_dragArmed = true;
        m_dragFrom = event->position();
    }
    m_control->UserControl_MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()),
                                     float(event->position().x()), float(event->position().y()));
}

void ButtonWindow::mouseMoveEvent(QMouseEvent *event)
{
    m_control->UserControl_MouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()),
                                     float(event->position().x()), float(event->position().y()));
    if (m_dragArmed && (event->buttons() & Qt::LeftButton) &&
        (event->position() - m_dragFrom).manhattanLength() >= QApplication::startDragDistance())
        startDrag();
}

void ButtonWindow::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    if (event->button() == Qt::LeftButton)
        m_dragArmed = false;
    m_control->UserControl_MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), float(at.x()),
                                   float(at.y()));
    // A release over the window completes a click, except the release of a double click's second press
    // and that of a press that ended early.
    const bool click = !m_afterDoubleClick && !m_pressEnded && windowRegion().contains(at.toPoint());
    m_afterDoubleClick = false;
    if (click)
        m_control->UserControl_Click();
}

void ButtonWindow::startDrag()
{
    m_dragArmed = false;
    m_pressEnded = true;
    m_control->EndPress();
    auto data = std::make_unique<QMimeData>();
    qint32 allowed = qint32(Qt::CopyAction | Qt::MoveAction);
    m_control->UserControl_OLEStartDrag(data.get(), allowed);
    qint32 effect = 0;
    const Qt::DropActions actions = Qt::DropActions(allowed) & (Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    if (actions) {
        // Qt deletes the drag, and the data with it, once it is over.
        auto *drag = new QDrag(this);
        drag->setMimeData(data.release());
        m_dragEffect = 0;
        connect(drag, &QDrag::actionChanged, this, [this](Qt::DropAction action) { m_dragEffect = qint32(action); });
        connect(drag, &QDrag::targetChanged, this, [this](QObject *) {
            qint32 feedback = m_dragEffect;
            bool defaultCursors = true;
            m_control->UserControl_OLEGiveFeedback(feedback, defaultCursors);
        });
        effect = qint32(drag->exec(actions));
    }
    m_control->UserControl_OLECompleteDrag(effect);
}

void ButtonWindow::answerDrag(QDropEvent *event, qint32 effect)
{
    const Qt::DropActions chosen = Qt::DropActions(effect) & event->possibleActions();
    if (!chosen) {
        event->ignore();
        return;
    }
    if (!chosen.testFlag(event->proposedAction())) {
        for (const Qt::DropAction action : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction}) {
            if (chosen.testFlag(action)) {
                event->setDropAction(action);
                break;
            }
        }
    } else {
        event->setDropAction(event->proposedAction());
    }
    event->accept();
}

void ButtonWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_dragAndDrop) {
        QWidget::dragEnterEvent(event);
        return;
    }
    m_dragOverData = event->mimeData();
    dragOver(event, 0);
}

void ButtonWindow::dragMoveEvent(QDragMoveEvent *event)
{
    if (!m_dragAndDrop) {
        QWidget::dragMoveEvent(event);
        return;
    }
    dragOver(event, 2);
}

void ButtonWindow::dragOver(QDragMoveEvent *event, qint16 state)
{
    qint32 effect = qint32(event->possibleActions());
    qint16 button = buttonCode(event->buttons());
    qint16 shift = shiftCode(event->modifiers());
    float x = float(event->position().x());
    float y = float(event->position().y());
    m_control->UserControl_OLEDragOver(event->mimeData(), effect, button, shift, x, y, state);
    answerDrag(event, effect);
}

void ButtonWindow::dragLeaveEvent(QDragLeaveEvent *event)
{
    if (!m_dragAndDrop) {
        QWidget::dragLeaveEvent(event);
        return;
    }
    const QPointF at = cursorPos();
    qint32 effect = 0;
    qint16 button = buttonCode(QGuiApplication::mouseButtons());
    qint16 shift = shiftCode(QGuiApplication::keyboardModifiers());
    float x = float(at.x());
    float y = float(at.y());
    qint16 state = 1;
    m_control->UserControl_OLEDragOver(m_dragOverData.data(), effect, button, shift, x, y, state);
    m_dragOverData.clear();
}

void ButtonWindow::dropEvent(QDropEvent *event)
{
    if (!m_dragAndDrop) {
        QWidget::dropEvent(event);
        return;
    }
    m_dragOverData.clear();
    qint32 effect = qint32(event->possibleActions());
    qint16 button = buttonCode(event->buttons());
    qint16 shift = shiftCode(event->modifiers());
    float x = float(event->position().x());
    float y = float(event->position().y());
    m_control->UserControl_OLEDragDrop(event->mimeData(), effect, button, shift, x, y);
    answerDrag(event, effect);
}

void ButtonWindow::mouseDoubleClickEvent(QMouseEvent *)
{
    m_afterDoubleClick = true;
    m_control->UserControl_DblClick();
}

void ButtonWindow::keyPressEvent(QKeyEvent *event)
{
    qint16 code = keyCode(event->key(), event->modifiers());
    const QString text = event->text();
    // Every key that types a character raises KeyPress, also one without a key code of its own.
    const bool character = text.size() == 1 && text.at(0).unicode() < 256;
    if (!code && !character) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (code) {
        qint16 shift = shiftCode(event->modifiers());
        m_control->UserControl_KeyDown(code, shift);
    }
    if (character) {
        qint16 ascii = qint16(text.at(0).unicode());
        m_control->UserControl_KeyPress(ascii);
    }
}

void ButtonWindow::keyReleaseEvent(QKeyEvent *event)
{
    qint16 code = keyCode(event->key(), event->modifiers());
    if (!code) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    // A held key repeats its press only; it comes up once.
    if (event->isAutoRepeat())
        return;
    qint16 shift = shiftCode(event->modifiers());
    m_control->UserControl_KeyUp(code, shift);
}

void ButtonWindow::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_control->UserControl_GotFocus();
    m_control->UserControl_AmbientChanged(QStringLiteral("DisplayAsDefault"));
}

void ButtonWindow::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    // The keys and the mouse go elsewhere now, so no release can finish a press going on.
    if (m_control->StateFlags() & ButtonState::StatePressed)
        m_pressEnded = true;
    m_control->EndPress();
    m_control->UserControl_AmbientChanged(QStringLiteral("DisplayAsDefault"));
}

void ButtonWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (!m_control)
        return;
    if (event->type() == QEvent::EnabledChange && !m_settingEnabled) {
        m_control->HostEnabledChanged();
    } else if (event->type() == QEvent::PaletteChange) {
        readSystemColours();
        m_control->UserControl_AmbientChanged(QStringLiteral("BackColor"));
    }
}

} // namespace controls
