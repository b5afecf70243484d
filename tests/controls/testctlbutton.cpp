#include "controls/buttonwindow.h"
#include "controls/propertybag.h"
#include "fakebuttonhost.h"

#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

using namespace controls;
using testsupport::FakeButton;
using testsupport::FakeContainer;

namespace {

QStringList words(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void sendMouse(QWidget &widget, QEvent::Type type, Qt::MouseButton which, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(which);
    QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), which, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void sendKey(QWidget &widget, QEvent::Type type, int key, bool autoRepeat = false)
{
    QKeyEvent event(type, key, Qt::NoModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QString(), autoRepeat);
    QApplication::sendEvent(&widget, &event);
}

// Plays one step of a script on the real widget, with Qt's own events. Mouse steps happen at the centre
// unless they say "outside"; "focus-away" gives the focus to the other widget, which then gets the keys.
void play(ButtonWindow &button, QWidget &other, const QString &step)
{
    const QPoint inside = button.rect().center();
    const QPoint outside(button.width() + 20, button.height() + 20);
    QWidget &focused = button.hasFocus() ? static_cast<QWidget &>(button) : other;
    if (step == QLatin1String("press-left"))
        sendMouse(button, QEvent::MouseButtonPress, Qt::LeftButton, inside);
    else if (step == QLatin1String("release-left"))
        sendMouse(button, QEvent::MouseButtonRelease, Qt::LeftButton, inside);
    else if (step == QLatin1String("move-outside"))
        sendMouse(button, QEvent::MouseMove, Qt::LeftButton, outside);
    else if (step == QLatin1String("release-left-outside"))
        sendMouse(button, QEvent::MouseButtonRelease, Qt::LeftButton, outside);
    else if (step == QLatin1String("dblclick-left"))
        sendMouse(button, QEvent::MouseButtonDblClick, Qt::LeftButton, inside);
    else if (step == QLatin1String("press-right"))
        sendMouse(button, QEvent::MouseButtonPress, Qt::RightButton, inside);
    else if (step == QLatin1String("release-right"))
        sendMouse(button, QEvent::MouseButtonRelease, Qt::RightButton, inside);
    else if (step == QLatin1String("dblclick-right"))
        sendMouse(button, QEvent::MouseButtonDblClick, Qt::RightButton, inside);
    else if (step == QLatin1String("press-middle"))
        sendMouse(button, QEvent::MouseButtonPress, Qt::MiddleButton, inside);
    else if (step == QLatin1String("release-middle"))
        sendMouse(button, QEvent::MouseButtonRelease, Qt::MiddleButton, inside);
    else if (step == QLatin1String("space-down"))
        sendKey(focused, QEvent::KeyPress, Qt::Key_Space);
    else if (step == QLatin1String("space-down-repeat"))
        sendKey(focused, QEvent::KeyPress, Qt::Key_Space, true);
    else if (step == QLatin1String("space-up-repeat"))
        sendKey(focused, QEvent::KeyRelease, Qt::Key_Space, true);
    else if (step == QLatin1String("space-up"))
        sendKey(focused, QEvent::KeyRelease, Qt::Key_Space);
    else if (step == QLatin1String("return"))
        QTest::keyClick(&focused, Qt::Key_Return);
    else if (step == QLatin1String("enter"))
        QTest::keyClick(&focused, Qt::Key_Enter);
    else if (step == QLatin1String("escape"))
        QTest::keyClick(&focused, Qt::Key_Escape);
    else if (step == QLatin1String("focus-away"))
        other.setFocus();
    else
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
}

// Plays one step on a fake-hosted control, as the form engine would deliver it.
void play(FakeButton &rig, const QString &step)
{
    ctlButton &button = *rig.button;
    const auto key = [&](bool down, qint16 code) {
        qint16 shift = 0;
        if (down)
            button.UserControl_KeyDown(code, shift);
        else
            button.UserControl_KeyUp(code, shift);
    };
    const QStringList parts = step.split(QLatin1Char('-'));
    const QString &what = parts.first();
    const qint16 number = parts.size() > 1 ? qint16(parts.at(1).toInt()) : 0;
    if (what == QLatin1String("down"))
        button.UserControl_MouseDown(number, 0, 10, 7);
    else if (what == QLatin1String("up"))
        button.UserControl_MouseUp(number, 0, 10, 7);
    else if (what == QLatin1String("click"))
        button.UserControl_Click();
    else if (what == QLatin1String("dblclick"))
        button.UserControl_DblClick();
    else if (what == QLatin1String("move"))
        button.UserControl_MouseMove(number, 0, 10, 7);
    else if (what == QLatin1String("keydown"))
        key(true, number);
    else if (what == QLatin1String("keyup"))
        key(false, number);
    else if (what == QLatin1String("access"))
        button.UserControl_AccessKeyPress(number);
    else if (what == QLatin1String("focus"))
        button.UserControl_GotFocus();
    else if (what == QLatin1String("over"))
        rig.host.cursorOver = true;
    else if (what == QLatin1String("away"))
        rig.host.cursorOver = false;
    else if (what == QLatin1String("tick"))
        button.CheckHoverEnd(HoverTimerId);
    else
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
}

// Sets a property by its member name from text: numbers, True/False, &H... colours, and for Picture
// "none", "bitmap" or "icon".
void assign(ctlButton &button, const QString &assignment)
{
    const QString name = assignment.section(QLatin1Char('='), 0, 0);
    const QString text = assignment.section(QLatin1Char('='), 1);
    const qint32 number = text.startsWith(QLatin1String("&H")) ? qint32(text.mid(2).toUInt(nullptr, 16)) : text.toInt();
    const bool flag = text == QLatin1String("True");
    if (name == QLatin1String("ButtonStyle"))
        button.setButtonStyle(number);
    else if (name == QLatin1String("Mode"))
        button.setMode(number);
    else if (name == QLatin1String("Caption"))
        button.setCaption(text);
    else if (name == QLatin1String("CaptionAlign"))
        button.setCaptionAlign(number);
    else if (name == QLatin1String("CustomClick"))
        button.setCustomClick(number);
    else if (name == QLatin1String("ButtonShape"))
        button.setButtonShape(number);
    else if (name == QLatin1String("Picture"))
        button.setPicture(text == QLatin1String("bitmap")
                              ? testsupport::solidBitmap({40, 20}, qRgb(0, 0, 255), qRgb(0, 255, 0))
                          : text == QLatin1String("icon") ? testsupport::testIcon({16, 16})
                                                          : ButtonPicture());
    else if (name == QLatin1String("PictureAlign"))
        button.setPictureAlign(number);
    else if (name == QLatin1String("Value"))
        button.setValue(flag);
    else if (name == QLatin1String("PictureSize"))
        button.setPictureSize(number);
    else if (name == QLatin1String("ForeColor"))
        button.setForeColor(number);
    else if (name == QLatin1String("BackColor"))
        button.setBackColor(number);
    else if (name == QLatin1String("GradientColor"))
        button.setGradientColor(number);
    else if (name == QLatin1String("GradientMode"))
        button.setGradientMode(number);
    else if (name == QLatin1String("ResetDefaultColors"))
        button.setResetDefaultColors(flag);
    else if (name == QLatin1String("HoverColorLocks"))
        button.setHoverColorLocks(number);
    else if (name == QLatin1String("HoverBackColor"))
        button.setHoverBackColor(number);
    else if (name == QLatin1String("HoverForeColor"))
        button.setHoverForeColor(number);
    else if (name == QLatin1String("ShowFocusRect"))
        button.setShowFocusRect(flag);
    else
        QFAIL(qPrintable(QStringLiteral("unknown property ") + name));
}

// The pixel colour of what a widget shows, as comparePixels reads colours.
QString shownPixel(QWidget &widget, int x, int y)
{
    return testsupport::rgbText(fromQRgb(widget.grab().toImage().pixel(x, y)));
}

// Writes what a widget shows to a picture next to the test, when PELKO_BUTTON_PICTURES names a folder.
void keepPicture(QWidget &widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("PELKO_BUTTON_PICTURES");
    if (!folder.isEmpty())
        QVERIFY(widget.grab()
                    .toImage()
                    .scaled(widget.size() * 8)
                    .save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

// A form with a button and a line edit beside it, shown, the button holding the focus.
struct ShownForm
{
    ShownForm()
    {
        button.setGeometry(0, 0, 80, 24);
        other.setGeometry(0, 40, 80, 24);
        form.resize(120, 80);
        form.show();
        button.setFocus();
    }

    QWidget form;
    ButtonWindow button{&form};
    QLineEdit other{&form};
};

QString propertyText(ctlButton &button, const QString &name)
{
    const auto colour = [](OleColour value) -> QString {
        return QStringLiteral("&H") + QString::number(quint32(value), 16).toUpper();
    };
    if (name == QLatin1String("ButtonStyle"))
        return QString::number(button.ButtonStyle());
    if (name == QLatin1String("Mode"))
        return QString::number(button.Mode());
    if (name == QLatin1String("CaptionAlign"))
        return QString::number(button.CaptionAlign());
    if (name == QLatin1String("CustomClick"))
        return QString::number(button.CustomClick());
    if (name == QLatin1String("ButtonShape"))
        return QString::number(button.ButtonShape());
    if (name == QLatin1String("Value"))
        return button.Value() ? QStringLiteral("True") : QStringLiteral("False");
    if (name == QLatin1String("PictureSize"))
        return QString::number(button.PictureSize());
    if (name == QLatin1String("ResetDefaultColors"))
        return button.ResetDefaultColors() ? QStringLiteral("True") : QStringLiteral("False");
    if (name == QLatin1String("HoverColorLocks"))
        return QString::number(button.HoverColorLocks());
    if (name == QLatin1String("HoverBackColor"))
        return colour(button.HoverBackColor());
    if (name == QLatin1String("HoverForeColor"))
        return colour(button.HoverForeColor());
    if (name == QLatin1String("BackColor"))
        return colour(button.BackColor());
    return QStringLiteral("?") + name;
}

} // namespace

class TestCtlButton final : public QObject
{
    Q_OBJECT

private slots:
    // Click counting through the real widget and Qt's own mouse and key events.
    void clickRules_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("heldAtEnd");

        QTest::newRow("left click") << words("press-left release-left") << 1 << false;
        QTest::newRow("left press, no release") << words("press-left") << 0 << true;
        QTest::newRow("left released outside") << words("press-left move-outside release-left-outside") << 0 << false;
        QTest::newRow("left dragged out and back") << words("press-left move-outside release-left") << 1 << false;
        QTest::newRow("double click counts once")
            << words("press-left release-left dblclick-left release-left") << 1 << false;
        QTest::newRow("right click") << words("press-right release-right") << 0 << false;
        QTest::newRow("right double click")
            << words("press-right release-right dblclick-right release-right") << 0 << false;
        QTest::newRow("middle click") << words("press-middle release-middle") << 0 << false;
        QTest::newRow("space") << words("space-down space-up") << 1 << false;
        QTest::newRow("space held down")
            << words("space-down space-up-repeat space-down-repeat space-up-repeat space-down-repeat space-up") << 1
            << false;
        QTest::newRow("space released only") << words("space-up") << 0 << false;
        QTest::newRow("space released elsewhere") << words("space-down focus-away space-up") << 0 << false;
        QTest::newRow("focus lost during a mouse press") << words("press-left focus-away release-left") << 0 << false;
        QTest::newRow("return") << words("return") << 0 << false;
        QTest::newRow("keypad enter") << words("enter") << 0 << false;
        QTest::newRow("escape") << words("escape") << 0 << false;
        QTest::newRow("two clicks") << words("press-left release-left space-down space-up") << 2 << false;
    }

    void clickRules()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, clicks);
        QFETCH(bool, heldAtEnd);

        QWidget form;
        ButtonWindow button(&form);
        QLineEdit other(&form);
        button.setGeometry(0, 0, 73, 25);
        other.setGeometry(0, 40, 73, 25);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        button.setFocus();
        QSignalSpy spy(&button.control(), &ctlButton::Click);
        for (const QString &step : std::as_const(steps))
            play(button, other, step);
        QCOMPARE(spy.count(), clicks);
        QCOMPARE(bool(button.control().StateFlags() & ButtonState::StatePressed), heldAtEnd);
    }

    // No button of a form is its default; the push button with the focus shows as one while its focus
    // rectangle is on.
    void focusedButtonShowsAsDefault()
    {
        QWidget form;
        ButtonWindow button(&form);
        QLineEdit other(&form);
        button.setGeometry(0, 0, 80, 24);
        other.setGeometry(0, 40, 80, 24);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        other.setFocus();
        QVERIFY(!(button.control().StateFlags() & ButtonState::StateDefault));
        button.setFocus();
        QVERIFY(button.control().StateFlags() & ButtonState::StateDefault);
        QCOMPARE(button.grab().toImage().pixel(0, 0), toQRgb(Colour::Black));
        other.setFocus();
        QVERIFY(!(button.control().StateFlags() & ButtonState::StateDefault));
        button.control().setShowFocusRect(false);
        button.setFocus();
        QVERIFY(!(button.control().StateFlags() & ButtonState::StateDefault));
    }

    // (1,1) is the white line of a raised default button, the face (a system colour of the window) once pressed.
    void spaceHeldShowsPressed()
    {
        ShownForm rig;
        QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
        const QString face = testsupport::rgbText(rig.button.systemColours().at(15));
        const QString white = QStringLiteral("ffffff");
        QCOMPARE(shownPixel(rig.button, 1, 1), white);
        play(rig.button, rig.other, QStringLiteral("space-down"));
        // The host paints again after the key; the pressed look stays while the key is down.
        QCoreApplication::processEvents();
        keepPicture(rig.button, QStringLiteral("space-held"));
        QCOMPARE(shownPixel(rig.button, 1, 1), face);
        QCOMPARE(shownPixel(rig.button, 2, 2), face);
        play(rig.button, rig.other, QStringLiteral("space-down-repeat"));
        QCOMPARE(shownPixel(rig.button, 1, 1), face);
        play(rig.button, rig.other, QStringLiteral("space-up"));
        QCOMPARE(shownPixel(rig.button, 1, 1), white);
    }

    // A press the focus left behind is over: when the cursor later comes over the button it shows the
    // hover look, not the pressed one, and a release raises no Click.
    void pressEndsWhenTheFocusLeaves_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("space") << words("space-down focus-away space-up");
        QTest::newRow("left button") << words("press-left focus-away");
    }

    void pressEndsWhenTheFocusLeaves()
    {
        QFETCH(QStringList, steps);
        ShownForm rig;
        QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
        QSignalSpy clicks(&rig.button.control(), &ctlButton::Click);
        for (const QString &step : std::as_const(steps))
            play(rig.button, rig.other, step);
        QVERIFY(!(rig.button.control().StateFlags() & ButtonState::StatePressed));
        const QPoint centre = rig.button.rect().center();
        QCursor::setPos(rig.button.mapToGlobal(centre));
        sendMouse(rig.button, QEvent::MouseMove, Qt::NoButton, centre);
        QVERIFY(rig.button.control().Hovering());
        keepPicture(rig.button, QStringLiteral("after-lost-press-") + QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(shownPixel(rig.button, 1, 1), QStringLiteral("e9e9e9"));
        sendMouse(rig.button, QEvent::MouseButtonRelease, Qt::LeftButton, centre);
        QCOMPARE(clicks.count(), 0);
    }

    // A click without a move before it (a dialog has just closed over the button) shows pressed at once.
    void pressWithoutMoveShowsPressed()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.host.cursorOver = true;
        testsupport::comparePixels(rig.host.window, QStringLiteral("1,1=light 78,22=grey"));
        play(rig, QStringLiteral("down-1"));
        QVERIFY(rig.button->showsPressed());
        QCOMPARE(rig.host.timers, QList<int>{HoverTimerId});
        QCOMPARE(rig.takeLog(), QStringLiteral("MouseOnButton(1) MouseDown(1)"));
        testsupport::comparePixels(rig.host.window, QStringLiteral("1,1=face 78,22=grey"));
        play(rig, QStringLiteral("up-1"));
        testsupport::comparePixels(rig.host.window, QStringLiteral("1,1=light"));
    }

    void disabledWidgetRaisesNothing()
    {
        ButtonWindow button;
        button.resize(73, 25);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QSignalSpy spy(&button.control(), &ctlButton::Click);
        button.setEnabled(false);
        QVERIFY(!button.control().Enabled());
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(spy.count(), 0);
    }

    // The events the control raises for what its host delivers, in order, by mode.
    void inputRules_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("events");
        QTest::addColumn<bool>("valueAtEnd");

        QTest::newRow("left click") << 0 << words("down-1 up-1 click") << "MouseDown(1) MouseUp(1) Click" << false;
        QTest::newRow("right click") << 0 << words("down-2 up-2 click") << "MouseDown(2) MouseUp(2)" << false;
        QTest::newRow("middle click") << 0 << words("down-4 up-4 click") << "MouseDown(4) MouseUp(4)" << false;
        QTest::newRow("left double click")
            << 0 << words("down-1 up-1 click dblclick up-1")
            << "MouseDown(1) MouseUp(1) Click DoubleClick(1) MouseDown(1) MouseUp(1)" << false;
        QTest::newRow("double click without a press before it")
            << 0 << words("dblclick click up-1 click") << "DoubleClick(0) MouseDown(1) MouseUp(1) Click" << false;
        QTest::newRow("right double click")
            << 0 << words("down-2 up-2 dblclick up-2")
            << "MouseDown(2) MouseUp(2) DoubleClick(2) MouseDown(1) MouseUp(2)" << false;
        QTest::newRow("space on a push button")
            << 0 << words("keydown-32 keydown-32 keyup-32") << "KeyDown(32) KeyDown(32) Click KeyUp(32)" << false;
        QTest::newRow("space on a check box")
            << 1 << words("keydown-32 keyup-32") << "KeyDown(32) KeyUp(32) Click" << true;
        QTest::newRow("space up alone") << 0 << words("keyup-32") << "KeyUp(32)" << false;
        QTest::newRow("arrows go to the container") << 0 << words("keydown-37 keyup-37 keydown-40") << "" << false;
        QTest::newRow("shift up raises nothing") << 0 << words("keydown-16 keyup-16") << "KeyDown(16)" << false;
        QTest::newRow("check box toggles") << 1 << words("down-1 up-1 click down-1 up-1 click")
                                           << "MouseDown(1) MouseUp(1) Click MouseDown(1) MouseUp(1) Click" << false;
        QTest::newRow("enter as access key on a push button") << 0 << words("access-13") << "Click" << false;
        QTest::newRow("escape as access key on a push button") << 0 << words("access-27") << "Click" << false;
        QTest::newRow("enter as access key on a check box") << 1 << words("access-13") << "" << false;
        QTest::newRow("escape as access key on an option") << 2 << words("access-27") << "" << false;
        QTest::newRow("access key on a check box") << 1 << words("access-70") << "Click" << true;
        QTest::newRow("option clicked twice")
            << 2 << words("down-1 up-1 click click") << "MouseDown(1) MouseUp(1) Click" << true;
        QTest::newRow("arrow key up on an option") << 2 << words("keyup-39") << "Click" << true;
        QTest::newRow("focus on an option of an empty group") << 2 << words("focus") << "Click" << true;
        QTest::newRow("hover in and out") << 0 << words("over move-0 move-0 tick away move-0 tick")
                                          << "MouseOnButton(1) MouseMove MouseMove MouseMove MouseOnButton(0)" << false;
        QTest::newRow("moves outside the window start no hover")
            << 0 << words("move-0 move-1") << "MouseMove MouseMove" << false;
    }

    void inputRules()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, steps);
        QFETCH(QString, events);
        QFETCH(bool, valueAtEnd);

        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.button->setMode(mode);
        rig.clearNotices();
        for (const QString &step : std::as_const(steps))
            play(rig, step);
        QCOMPARE(rig.takeLog(), events);
        QCOMPARE(rig.button->Value(), valueAtEnd);
    }

    void pressedLookAndHover()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        ctlButton &button = *rig.button;

        // A press outside the hover shows nothing pressed; the cursor coming over the held button does.
        play(rig, QStringLiteral("down-1"));
        QVERIFY(!button.showsPressed());
        QVERIFY(rig.host.captured);
        play(rig, QStringLiteral("over"));
        play(rig, QStringLiteral("move-1"));
        QVERIFY(button.showsPressed());
        QCOMPARE(rig.host.timers, QList<int>{HoverTimerId});
        // Leaving drops the hover and the held state but keeps the press.
        play(rig, QStringLiteral("away"));
        play(rig, QStringLiteral("tick"));
        QVERIFY(!button.showsPressed());
        QVERIFY(!button.HeldDown());
        QVERIFY(button.StateFlags() & ButtonState::StatePressed);
        QVERIFY(rig.host.timers.isEmpty());
        play(rig, QStringLiteral("up-1"));
        QCOMPARE(button.StateFlags(), qint16(0));
        QVERIFY(!rig.host.captured);

        // The arrows reach the container with their scan codes.
        play(rig, QStringLiteral("keydown-37"));
        play(rig, QStringLiteral("keydown-38"));
        play(rig, QStringLiteral("keydown-39"));
        play(rig, QStringLiteral("keydown-40"));
        QCOMPARE(rig.host.postedKeys, QStringList({QStringLiteral("37:4b0001"), QStringLiteral("38:480001"),
                                                   QStringLiteral("39:4d0001"), QStringLiteral("40:500001")}));

        // A double click presses the button and keeps LastButton at -1 until the release.
        play(rig, QStringLiteral("down-1"));
        play(rig, QStringLiteral("up-1"));
        play(rig, QStringLiteral("dblclick"));
        QCOMPARE(button.LastButton(), qint16(-1));
        QVERIFY(button.StateFlags() & ButtonState::StatePressed);

        // Teardown while hovering stops the timer.
        play(rig, QStringLiteral("over"));
        play(rig, QStringLiteral("move-0"));
        button.UserControl_Terminate();
        QVERIFY(rig.host.timers.isEmpty());
    }

    void ambientChanges()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.host.displayAsDefault = true;
        rig.button->UserControl_AmbientChanged(QStringLiteral("displayasdefault"));
        QVERIFY(rig.button->StateFlags() & ButtonState::StateDefault);
        // At run time a button without the focus rectangle never shows as default.
        rig.button->setShowFocusRect(false);
        QVERIFY(!(rig.button->StateFlags() & ButtonState::StateDefault));
        rig.button->UserControl_AmbientChanged(QStringLiteral("DisplayAsDefault"));
        QVERIFY(!(rig.button->StateFlags() & ButtonState::StateDefault));

        // Resizing while drawing is suspended makes a new buffer and nothing else.
        rig.button->DelayDrawing(true);
        const int copies = rig.host.copies;
        rig.host.size = QSize(60, 30);
        rig.button->UserControl_Resize();
        QCOMPARE(rig.button->backBuffer().size(), QSize(60, 30));
        QCOMPARE(rig.host.copies, copies);
        rig.button->UserControl_Paint();
        QCOMPARE(rig.host.copies, copies + 1);
    }

    void optionGroups()
    {
        FakeContainer container;
        const auto count = [&] { return container.properties.value(QStringLiteral("btn_OptCount")); };
        const auto slot = [&](int n) {
            return qobject_cast<ctlButton *>(
                container.properties.value(QStringLiteral("btn_Obj%1").arg(n)).value<QObject *>());
        };
        auto one = std::make_unique<FakeButton>(container);
        auto two = std::make_unique<FakeButton>(container);
        auto three = std::make_unique<FakeButton>(container);
        for (auto *rig : {one.get(), two.get(), three.get()}) {
            rig->start();
            rig->button->setMode(2);
        }
        QCOMPARE(count().toInt(), 3);

        one->button->setValue(true);
        two->button->setValue(true);
        QVERIFY(!one->button->Value());
        QVERIFY(!three->button->Value());
        // Focus on another option of a group with a button on does nothing.
        one->button->UserControl_GotFocus();
        QVERIFY(!one->button->Value());

        one->button->setMode(0);
        QCOMPARE(count().toInt(), 2);
        QCOMPARE(slot(1), two->button.get());
        QCOMPARE(slot(2), three->button.get());
        QVERIFY(!container.properties.contains(QStringLiteral("btn_Obj3")));

        // A destroyed button leaves its group; the others go on without it.
        two.reset();
        QCOMPARE(count().toInt(), 1);
        QCOMPARE(slot(1), three->button.get());
        three->button->setValue(true);
        QVERIFY(three->button->Value());

        // Leaving a group whose list no longer holds the button removes nothing.
        container.properties.insert(QStringLiteral("btn_Obj1"), QVariant::fromValue<QObject *>(one->button.get()));
        three->button->setMode(0);
        QCOMPARE(count().toInt(), 1);
        QCOMPARE(slot(1), one->button.get());
        container.properties.clear();

        // The last button leaving removes the count; a button loaded on turns off those loaded before it.
        PropertyBag on;
        on.WriteProperty(QStringLiteral("Mode"), 2);
        on.WriteProperty(QStringLiteral("Value"), true);
        FakeButton first(container);
        first.button->UserControl_ReadProperties(on);
        FakeButton second(container);
        second.button->UserControl_ReadProperties(on);
        QVERIFY(!first.button->Value());
        QVERIFY(second.button->Value());
        first.button->setMode(1);
        second.button->setMode(1);
        QVERIFY(!container.properties.contains(QStringLiteral("btn_OptCount")));
    }

    // An option button keeps to the group of the container it was loaded or first shown in.
    void optionGroupsOfWidgets()
    {
        const auto count = [](const QObject &container) { return container.property("btn_OptCount").toInt(); };
        QWidget formA;
        QWidget formB;
        auto *one = new ButtonWindow(&formA);
        auto *two = new ButtonWindow(&formA);
        one->control().setMode(2);
        two->control().setMode(2);
        QCOMPARE(count(formA), 2);
        // Moved to another form and destroyed there, a button still leaves the group it joined.
        two->setParent(&formB);
        two->show();
        delete two;
        QCOMPARE(count(formA), 1);
        QCOMPARE(count(formB), 0);
        one->control().setValue(true);
        QVERIFY(one->control().Value());

        // Buttons made without a form join the group of the form whose layout first shows them.
        QWidget formC;
        auto *three = new ButtonWindow;
        PropertyBag optionOn;
        optionOn.WriteProperty(QStringLiteral("Mode"), 2);
        optionOn.WriteProperty(QStringLiteral("Value"), true);
        auto *four = new ButtonWindow(optionOn, nullptr);
        three->control().setMode(2);
        three->control().setValue(true);
        auto *layout = new QVBoxLayout(&formC);
        layout->addWidget(three);
        layout->addWidget(four);
        formC.show();
        QCOMPARE(count(formC), 2);
        QCOMPARE(count(*three), 0);
        QCOMPARE(count(*four), 0);
        QVERIFY(!three->control().Value());
        QVERIFY(four->control().Value());
        three->control().setValue(true);
        QVERIFY(!four->control().Value());
        // Destroyed with its form, nothing is left to reach.
        delete four;
        QCOMPARE(count(formC), 1);
        four = new ButtonWindow(&formA);
        four->control().setMode(2);
        four->control().setValue(true);
        QVERIFY(!one->control().Value());
    }

    // Every key that types a character raises KeyPress; keys with a code raise KeyDown and KeyUp around it.
    void keyEvents_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("events");

        QTest::newRow("letter") << int(Qt::Key_A) << int(Qt::NoModifier) << "a"
                                << "KeyDown(65) KeyPress(97) KeyUp(65)";
        QTest::newRow("shifted letter") << int(Qt::Key_A) << int(Qt::ShiftModifier) << "A"
                                        << "KeyDown(65) KeyPress(65) KeyUp(65)";
        QTest::newRow("digit") << int(Qt::Key_7) << int(Qt::NoModifier) << "7"
                               << "KeyDown(55) KeyPress(55) KeyUp(55)";
        QTest::newRow("period") << int(Qt::Key_Period) << int(Qt::NoModifier) << "."
                                << "KeyDown(190) KeyPress(46) KeyUp(190)";
        QTest::newRow("minus") << int(Qt::Key_Minus) << int(Qt::NoModifier) << "-"
                               << "KeyDown(189) KeyPress(45) KeyUp(189)";
        QTest::newRow("comma") << int(Qt::Key_Comma) << int(Qt::NoModifier) << ","
                               << "KeyDown(188) KeyPress(44) KeyUp(188)";
        QTest::newRow("slash") << int(Qt::Key_Slash) << int(Qt::NoModifier) << "/"
                               << "KeyDown(191) KeyPress(47) KeyUp(191)";
        QTest::newRow("question mark") << int(Qt::Key_Question) << int(Qt::ShiftModifier) << "?"
                                       << "KeyDown(191) KeyPress(63) KeyUp(191)";
        QTest::newRow("exclamation mark") << int(Qt::Key_Exclam) << int(Qt::ShiftModifier) << "!"
                                          << "KeyDown(49) KeyPress(33) KeyUp(49)";
        QTest::newRow("semicolon") << int(Qt::Key_Semicolon) << int(Qt::NoModifier) << ";"
                                   << "KeyDown(186) KeyPress(59) KeyUp(186)";
        QTest::newRow("apostrophe") << int(Qt::Key_Apostrophe) << int(Qt::NoModifier) << "'"
                                    << "KeyDown(222) KeyPress(39) KeyUp(222)";
        QTest::newRow("bracket") << int(Qt::Key_BracketLeft) << int(Qt::NoModifier) << "["
                                 << "KeyDown(219) KeyPress(91) KeyUp(219)";
        QTest::newRow("keypad star") << int(Qt::Key_Asterisk) << int(Qt::KeypadModifier) << "*"
                                     << "KeyDown(106) KeyPress(42) KeyUp(106)";
        QTest::newRow("keypad digit") << int(Qt::Key_3) << int(Qt::KeypadModifier) << "3"
                                      << "KeyDown(99) KeyPress(51) KeyUp(99)";
        QTest::newRow("letter with an accent")
            << int(Qt::Key_Eacute) << int(Qt::NoModifier) << QStringLiteral("\u00e9") << "KeyPress(233)";
        QTest::newRow("escape") << int(Qt::Key_Escape) << int(Qt::NoModifier) << "\x1b"
                                << "KeyDown(27) KeyPress(27) KeyUp(27)";
        QTest::newRow("function key") << int(Qt::Key_F5) << int(Qt::NoModifier) << ""
                                      << "KeyDown(116) KeyUp(116)";
        QTest::newRow("space") << int(Qt::Key_Space) << int(Qt::NoModifier) << " "
                               << "KeyDown(32) KeyPress(32) Click KeyUp(32)";
    }

    void keyEvents()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(QString, events);

        ButtonWindow button;
        QStringList log;
        ctlButton &control = button.control();
        connect(&control, &ctlButton::KeyDown, &button,
                [&](qint16 &code, qint16 &) { log.append(QStringLiteral("KeyDown(%1)").arg(code)); });
        connect(&control, &ctlButton::KeyPress, &button,
                [&](qint16 &ascii) { log.append(QStringLiteral("KeyPress(%1)").arg(ascii)); });
        connect(&control, &ctlButton::KeyUp, &button,
                [&](qint16 &code, qint16 &) { log.append(QStringLiteral("KeyUp(%1)").arg(code)); });
        connect(&control, &ctlButton::Click, &button, [&] { log.append(QStringLiteral("Click")); });
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
        QApplication::sendEvent(&button, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::KeyboardModifiers(modifiers), text);
        QApplication::sendEvent(&button, &release);
        QCOMPARE(log.join(QLatin1Char(' ')), events);
    }

    // Switched off, as it is by default, the button takes no drops and starts no drag: a press moved far
    // and released on the button is a click.
    void dragAndDropOffByDefault()
    {
        ShownForm rig;
        QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
        QVERIFY(!rig.button.dragAndDrop());
        QVERIFY(!rig.button.acceptDrops());
        QSignalSpy starts(&rig.button.control(), &ctlButton::OLEStartDrag);
        QSignalSpy overs(&rig.button.control(), &ctlButton::OLEDragOver);
        QSignalSpy clicks(&rig.button.control(), &ctlButton::Click);
        sendMouse(rig.button, QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
        sendMouse(rig.button, QEvent::MouseMove, Qt::LeftButton, {70, 20});
        sendMouse(rig.button, QEvent::MouseButtonRelease, Qt::LeftButton, {70, 20});
        QMimeData data;
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&rig.button, &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(starts.count(), 0);
        QCOMPARE(overs.count(), 0);
        QCOMPARE(clicks.count(), 1);
    }

    // Switched on, Qt's drag events reach the control's drag events with the drag's data; what the
    // handler leaves in Effect decides whether the drop is taken.
    void dropsReachTheDragEvents()
    {
        ShownForm rig;
        rig.button.setDragAndDrop(true);
        QVERIFY(rig.button.acceptDrops());
        ctlButton &control = rig.button.control();
        QStringList log;
        qint32 answer = 1;
        connect(&control, &ctlButton::OLEDragOver, &rig.button,
                [&](const QMimeData *data, qint32 &effect, qint16 &button, qint16 &shift, float &x, float &y,
                    qint16 &state) {
                    log.append(QStringLiteral("DragOver(%1 %2 %3 %4 %5,%6 %7)")
                                   .arg(data ? data->text() : QStringLiteral("-"))
                                   .arg(effect)
                                   .arg(button)
                                   .arg(shift)
                                   .arg(x)
                                   .arg(y)
                                   .arg(state));
                    effect = answer;
                });
        connect(&control, &ctlButton::OLEDragDrop, &rig.button,
                [&](const QMimeData *data, qint32 &effect, qint16 &button, qint16 &shift, float &x, float &y) {
                    log.append(QStringLiteral("DragDrop(%1 %2 %3 %4 %5,%6)")
                                   .arg(data->text())
                                   .arg(effect)
                                   .arg(button)
                                   .arg(shift)
                                   .arg(x)
                                   .arg(y));
                    effect = answer;
                });
        QMimeData data;
        data.setText(QStringLiteral("ledger"));
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(QPoint(10, 5), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(&rig.button, &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        answer = 0;
        QDragMoveEvent move(QPoint(12, 6), offered, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&rig.button, &move);
        QVERIFY(!move.isAccepted());
        QDragLeaveEvent leave;
        QApplication::sendEvent(&rig.button, &leave);
        answer = 2;
        // Back over the button, and dropped.
        QDragEnterEvent again(QPoint(14, 7), offered, &data, Qt::LeftButton, Qt::ControlModifier);
        QApplication::sendEvent(&rig.button, &again);
        QVERIFY(again.isAccepted());
        QDropEvent drop(QPointF(14, 7), offered, &data, Qt::LeftButton, Qt::ControlModifier);
        QApplication::sendEvent(&rig.button, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(drop.dropAction(), Qt::MoveAction);
        QCOMPARE(log.mid(0, 2), QStringList({QStringLiteral("DragOver(ledger 3 1 1 10,5 0)"),
                                             QStringLiteral("DragOver(ledger 3 1 0 12,6 2)")}));
        QVERIFY(log.at(2).startsWith(QStringLiteral("DragOver(ledger 0 ")));
        QVERIFY(log.at(2).endsWith(QStringLiteral(" 1)")));
        QCOMPARE(log.mid(3), QStringList({QStringLiteral("DragOver(ledger 3 1 2 14,7 0)"),
                                          QStringLiteral("DragDrop(ledger 3 1 2 14,7)")}));
    }

    // A left press moved past the drag distance starts a drag with the data the handler gives; the press
    // ends there and its release is no click.
    void dragFromTheButton()
    {
        ShownForm rig;
        QVERIFY(QTest::qWaitForWindowExposed(&rig.form));
        rig.button.setDragAndDrop(true);
        ctlButton &control = rig.button.control();
        QStringList log;
        connect(&control, &ctlButton::OLEStartDrag, &rig.button, [&](QMimeData *data, qint32 &allowed) {
            log.append(QStringLiteral("StartDrag(%1)").arg(allowed));
            data->setText(QStringLiteral("voucher"));
            allowed = 1;
        });
        connect(&control, &ctlButton::OLEGiveFeedback, &rig.button, [&](qint32 &, bool &defaultCursors) {
            log.append(QStringLiteral("GiveFeedback(%1)").arg(defaultCursors ? 1 : 0));
        });
        connect(&control, &ctlButton::Click, &rig.button, [&] { log.append(QStringLiteral("Click")); });
        // The offscreen platform runs no drag: Qt's drag returns at once, with no action taken. Where a
        // platform runs it, it is called off. Either way the drag, with its data, is there until the
        // complete event, and a change of its target gives feedback.
        QTimer::singleShot(0, &rig.button, [] { QDrag::cancel(); });
        QString dragged;
        connect(&control, &ctlButton::OLECompleteDrag, &rig.button, [&](qint32 &) {
            if (auto *drag = rig.button.findChild<QDrag *>()) {
                dragged = drag->mimeData()->text();
                emit drag->targetChanged(&rig.other);
            }
        });
        connect(&control, &ctlButton::OLECompleteDrag, &rig.button,
                [&](qint32 &effect) { log.append(QStringLiteral("CompleteDrag(%1)").arg(effect)); });
        sendMouse(rig.button, QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
        QVERIFY(control.StateFlags() & ButtonState::StatePressed);
        sendMouse(rig.button, QEvent::MouseMove, Qt::LeftButton, {5 + QApplication::startDragDistance(), 5});
        QVERIFY(!(control.StateFlags() & ButtonState::StatePressed));
        sendMouse(rig.button, QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
        QCoreApplication::processEvents();
        QCOMPARE(dragged, QStringLiteral("voucher"));
        QCOMPARE(log.join(QLatin1Char(' ')), QStringLiteral("StartDrag(3) GiveFeedback(1) CompleteDrag(0)"));
    }

    // The setter rules: a starting state, one assignment, what reads back, the keys signalled and whether
    // a design-time hint came up.
    void setterRules_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("assignment");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<bool>("hint");

        QTest::newRow("style 8") << QStringList() << "ButtonStyle=8" << words("ButtonStyle=0") << QStringList()
                                 << false;
        QTest::newRow("style -1") << QStringList() << "ButtonStyle=-1" << words("ButtonStyle=0") << QStringList()
                                  << false;
        QTest::newRow("style 3") << QStringList() << "ButtonStyle=3" << words("ButtonStyle=3") << words("BackStyle")
                                 << false;
        QTest::newRow("mode 3") << QStringList() << "Mode=3" << words("Mode=0") << QStringList() << false;
        QTest::newRow("picture size 5") << QStringList() << "PictureSize=5" << words("PictureSize=0") << QStringList()
                                        << false;
        QTest::newRow("picture size -1") << QStringList() << "PictureSize=-1" << words("PictureSize=0") << QStringList()
                                         << false;
        QTest::newRow("picture size 2") << QStringList() << "PictureSize=2" << words("PictureSize=2")
                                        << words("ImgSize") << false;
        QTest::newRow("left caption over a top picture") << words("Picture=icon PictureAlign=4") << "CaptionAlign=0"
                                                         << words("CaptionAlign=2") << QStringList() << true;
        QTest::newRow("left caption over a top place without picture")
            << words("PictureAlign=4") << "CaptionAlign=0" << words("CaptionAlign=0") << words("CapAlign") << false;
        QTest::newRow("bottom picture centres the caption")
            << words("CaptionAlign=1") << "PictureAlign=5" << words("CaptionAlign=2") << words("CapAlign ImgAlign")
            << false;
        QTest::newRow("custom shape without picture")
            << QStringList() << "ButtonShape=7" << words("ButtonShape=0") << QStringList() << true;
        QTest::newRow("custom shape with an icon")
            << words("Picture=icon") << "ButtonShape=8" << words("ButtonShape=0") << QStringList() << true;
        QTest::newRow("custom shape with a bitmap")
            << words("Picture=bitmap CaptionAlign=0") << "ButtonShape=7"
            << words("ButtonShape=7 PictureSize=4 CaptionAlign=2") << words("ImgSize Shape") << false;
        QTest::newRow("rectangle centres the caption")
            << words("CaptionAlign=1") << "ButtonShape=0" << words("ButtonShape=0 CaptionAlign=2") << words("Shape")
            << false;
        QTest::newRow("no picture on a custom shape") << words("Picture=bitmap ButtonShape=8") << "Picture=none"
                                                      << words("ButtonShape=0") << words("Shape Image") << false;
        QTest::newRow("picture size on a custom shape") << words("Picture=bitmap ButtonShape=8") << "PictureSize=1"
                                                        << words("PictureSize=4") << QStringList() << true;
        QTest::newRow("custom click on a rectangle")
            << QStringList() << "CustomClick=4" << words("CustomClick=4") << words("CustomClick") << true;
        QTest::newRow("value in command mode")
            << QStringList() << "Value=True" << words("Value=False") << QStringList() << true;
        QTest::newRow("back to command mode clears the value")
            << words("Mode=1 Value=True") << "Mode=0" << words("Mode=0 Value=False") << words("Value Mode") << false;
        QTest::newRow("hover back colour unlocks the back side")
            << QStringList() << "HoverBackColor=&HFF" << words("HoverColorLocks=1 HoverBackColor=&HFF")
            << words("cBHover") << false;
        QTest::newRow("hover back colour with the fore side unlocked")
            << words("HoverColorLocks=2") << "HoverBackColor=&HFF" << words("HoverColorLocks=3") << words("cBHover")
            << false;
        QTest::newRow("hover back colour equal to the back colour")
            << words("HoverBackColor=&HFF") << "HoverBackColor=&H8000000F"
            << words("HoverColorLocks=1 HoverBackColor=&H8000000F") << words("cBHover") << false;
        QTest::newRow("hover fore colour follows the fore colour")
            << words("HoverColorLocks=1") << "ForeColor=&HFF00" << words("HoverForeColor=&HFF00")
            << words("cFHover cFHover cFore") << false;
        QTest::newRow("locked hover fore colour stays")
            << words("HoverColorLocks=2") << "ForeColor=&HFF00" << words("HoverForeColor=&H80000012") << words("cFore")
            << false;
        QTest::newRow("back colour with a gradient sets the hover back colour to the gradient colour")
            << words("GradientColor=&H123456 GradientMode=2") << "BackColor=&HFF"
            << words("HoverBackColor=&H123456 BackColor=&HFF") << words("cBack") << false;
        QTest::newRow("reset at design time")
            << words("BackColor=&HFF") << "ResetDefaultColors=True"
            << words("BackColor=&H8000000F ResetDefaultColors=False")
            << words("cGradient Gradient cBHover cFHover LockHover cGradient cBack") << false;
    }

    void setterRules()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, assignment);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, keys);
        QFETCH(bool, hint);

        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.host.userMode = false;
        for (const QString &step : std::as_const(setup))
            assign(*rig.button, step);
        rig.clearNotices();
        assign(*rig.button, assignment);
        for (const QString &check : std::as_const(expected))
            QCOMPARE(check.section(QLatin1Char('='), 0, 0) + QLatin1Char('=') +
                         propertyText(*rig.button, check.section(QLatin1Char('='), 0, 0)),
                     check);
        QCOMPARE(rig.host.changed, keys);
        QCOMPARE(!rig.host.hints.isEmpty(), hint);

        // At run time the same assignment shows no hint.
        FakeButton quiet(container);
        quiet.start();
        for (const QString &step : std::as_const(setup))
            assign(*quiet.button, step);
        quiet.clearNotices();
        assign(*quiet.button, assignment);
        QVERIFY(quiet.host.hints.isEmpty());
    }

    void accessKeysFromCaptions()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.button->setCaption(QStringLiteral("&File"));
        QCOMPARE(rig.host.accessKeys, QStringLiteral("F"));
        rig.button->setCaption(QStringLiteral("Plain"));
        QCOMPARE(rig.host.accessKeys, QStringLiteral("F"));
        rig.button->setCaption(QStringLiteral("End&"));
        QCOMPARE(rig.host.accessKeys, QString());
        rig.button->setCaption(QStringLiteral("Save &As && B&&C"));
        QCOMPARE(rig.host.accessKeys, QStringLiteral("C"));
    }

    void savedPropertiesDefaults()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.host.parentBackColor = RGB(1, 2, 3);
        rig.button->UserControl_ReadProperties(PropertyBag());
        ctlButton &button = *rig.button;
        QCOMPARE(button.Caption(), QString());
        QCOMPARE(button.CaptionAlign(), 2);
        QCOMPARE(button.ButtonStyle(), 0);
        QCOMPARE(button.ButtonShape(), 0);
        QCOMPARE(button.Mode(), 0);
        QVERIFY(!button.Value());
        QVERIFY(button.ShowFocusRect());
        QCOMPARE(button.pictureBoxSize(), qint16(16));
        QCOMPARE(button.ForeColor(), Colour::ButtonText);
        QCOMPARE(button.HoverForeColor(), Colour::ButtonText);
        QCOMPARE(button.GradientColor(), Colour::ButtonFace);
        QCOMPARE(button.BackColor(), RGB(1, 2, 3));
        QCOMPARE(button.HoverBackColor(), RGB(1, 2, 3));
        QVERIFY(!button.isDelayingDrawing());
        QVERIFY(rig.host.copies > 0);

        // A fresh instance stores at least its font, mode, value and back colour, and no mouse icon.
        PropertyBag written;
        FakeButton fresh(container);
        fresh.start();
        fresh.button->UserControl_WriteProperties(written);
        for (const char *key : {"Font", "Mode", "Value", "cBack"})
            QVERIFY2(written.contains(QLatin1String(key)), key);
        QVERIFY(!written.contains(QStringLiteral("mIcon")));
        QVERIFY(!written.contains(QStringLiteral("CapAlign")));
    }

    void savedPropertiesRoundTrip()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        ctlButton &button = *rig.button;
        button.setCaption(QStringLiteral("Go"));
        button.setCaptionAlign(0);
        button.setButtonStyle(3);
        button.setMode(1);
        button.setValue(true);
        button.setGradientMode(4);
        button.setGradientColor(RGB(10, 20, 30));
        button.setCaptionStyle(2);
        button.setPictureAlign(3);
        button.setPictureSize(1);
        button.setShowFocusRect(false);
        button.setForeColor(RGB(200, 0, 0));
        button.setHoverBackColor(RGB(0, 0, 99));
        QTemporaryDir folder;
        const QString picture = folder.filePath(QStringLiteral("picture.png"));
        QVERIFY(testsupport::solidBitmap({20, 10}, qRgb(0, 0, 255), qRgb(0, 255, 0)).image().save(picture));
        const QString pointer = folder.filePath(QStringLiteral("pointer.svg"));
        QFile svg(pointer);
        QVERIFY(svg.open(QIODevice::WriteOnly));
        svg.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\"><rect width=\"8\" "
                  "height=\"8\"/></svg>");
        svg.close();
        button.setPicture(ButtonPicture::fromFile(picture));
        rig.host.mouseIcon = ButtonPicture::fromFile(pointer);
        rig.host.mousePointer = 99;

        PropertyBag bag;
        button.UserControl_WriteProperties(bag);
        QCOMPARE(bag.ReadProperty(QStringLiteral("CAPALIGN")).toInt(), 0);

        FakeButton loaded(container);
        loaded.button->UserControl_ReadProperties(PropertyBag(bag.toJson()));
        const ctlButton &copy = *loaded.button;
        QCOMPARE(copy.Caption(), QStringLiteral("Go"));
        QCOMPARE(copy.CaptionAlign(), 0);
        QCOMPARE(copy.ButtonStyle(), 3);
        QCOMPARE(copy.Mode(), 1);
        QVERIFY(copy.Value());
        QCOMPARE(copy.GradientMode(), 4);
        QCOMPARE(copy.GradientColor(), RGB(10, 20, 30));
        QCOMPARE(copy.CaptionStyle(), 2);
        QCOMPARE(copy.PictureAlign(), 3);
        QCOMPARE(copy.pictureBoxSize(), qint16(24));
        QVERIFY(!copy.ShowFocusRect());
        QCOMPARE(copy.ForeColor(), RGB(200, 0, 0));
        QCOMPARE(copy.HoverBackColor(), RGB(0, 0, 99));
        QCOMPARE(copy.HoverColorLocks(), button.HoverColorLocks());
        QCOMPARE(copy.Font().pointSizeF(), button.Font().pointSizeF());
        QCOMPARE(loaded.host.mousePointer, qint16(99));
        QCOMPARE(copy.Picture().source(), picture);
        QCOMPARE(copy.pictureMeasure(), QSize(20, 10));
        QCOMPARE(loaded.host.mouseIcon.source(), pointer);
        QCOMPARE(loaded.host.mouseIcon.kind(), ButtonPicture::Kind::Icon);
    }

    // A value of the wrong type reads as its key's default; the other keys still load and the button draws.
    void savedPropertiesWithBadValues()
    {
        FakeContainer container;
        FakeButton rig(container);
        PropertyBag bag(QJsonObject{{QStringLiteral("caption"), QStringLiteral("Ok")},
                                    {QStringLiteral("BackStyle"), QStringLiteral("three")},
                                    {QStringLiteral("capalign"), 1.5},
                                    {QStringLiteral("Focus"), 7},
                                    {QStringLiteral("Font"), QStringLiteral("Arial")},
                                    {QStringLiteral("cback"), 255}});
        rig.button->UserControl_ReadProperties(bag);
        QCOMPARE(rig.button->Caption(), QStringLiteral("Ok"));
        QCOMPARE(rig.button->ButtonStyle(), 0);
        QCOMPARE(rig.button->CaptionAlign(), 2);
        QVERIFY(rig.button->ShowFocusRect());
        QCOMPARE(rig.button->BackColor(), 255);
        QVERIFY(!rig.button->isDelayingDrawing());
        QCOMPARE(rig.button->backBuffer().pixelColor(2, 2), QColor(255, 0, 0));
    }

    void resetDefaultColorsOnlyAtDesignTime()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.button->setBackColor(RGB(0, 0, 255));
        rig.clearNotices();
        rig.button->setResetDefaultColors(true);
        QCOMPARE(rig.button->BackColor(), RGB(0, 0, 255));
        QVERIFY(rig.host.changed.isEmpty());
    }
};

QTEST_MAIN(TestCtlButton)
#include "testctlbutton.moc"
