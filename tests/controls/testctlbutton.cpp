#include "controls/ctlbutton.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

using controls::ctlButton;

namespace {

void sendMouse(ctlButton &button, QEvent::Type type, Qt::MouseButton which, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(which);
    QMouseEvent event(type, QPointF(at), QPointF(button.mapToGlobal(at)), which, held, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
}

void sendKey(ctlButton &button, QEvent::Type type, int key, bool autoRepeat = false)
{
    QKeyEvent event(type, key, Qt::NoModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QString(), autoRepeat);
    QApplication::sendEvent(&button, &event);
}

// Plays one step of a script on the button. Mouse steps happen at the centre unless they say "outside".
void play(ctlButton &button, const QString &step)
{
    const QPoint inside = button.rect().center();
    const QPoint outside(button.width() + 20, button.height() + 20);
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
        sendKey(button, QEvent::KeyPress, Qt::Key_Space);
    else if (step == QLatin1String("space-down-repeat"))
        sendKey(button, QEvent::KeyPress, Qt::Key_Space, true);
    else if (step == QLatin1String("space-up-repeat"))
        sendKey(button, QEvent::KeyRelease, Qt::Key_Space, true);
    else if (step == QLatin1String("space-up"))
        sendKey(button, QEvent::KeyRelease, Qt::Key_Space);
    else if (step == QLatin1String("return"))
        QTest::keyClick(&button, Qt::Key_Return);
    else if (step == QLatin1String("enter"))
        QTest::keyClick(&button, Qt::Key_Enter);
    else if (step == QLatin1String("escape"))
        QTest::keyClick(&button, Qt::Key_Escape);
    else
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
}

} // namespace

class TestCtlButton final : public QObject
{
    Q_OBJECT

private slots:
    void clickRules_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("heldAtEnd");

        const auto steps = [](const char *text) { return QString::fromLatin1(text).split(QLatin1Char(' ')); };
        QTest::newRow("left click") << steps("press-left release-left") << 1 << false;
        QTest::newRow("left press, no release") << steps("press-left") << 0 << true;
        QTest::newRow("left released outside") << steps("press-left move-outside release-left-outside") << 0 << false;
        QTest::newRow("left dragged out and back") << steps("press-left move-outside release-left") << 1 << false;
        QTest::newRow("double click counts once")
            << steps("press-left release-left dblclick-left release-left") << 1 << false;
        QTest::newRow("right click") << steps("press-right release-right") << 0 << false;
        QTest::newRow("right double click")
            << steps("press-right release-right dblclick-right release-right") << 0 << false;
        QTest::newRow("middle click") << steps("press-middle release-middle") << 0 << false;
        QTest::newRow("space") << steps("space-down space-up") << 1 << false;
        QTest::newRow("space held down")
            << steps("space-down space-up-repeat space-down-repeat space-up-repeat space-down-repeat space-up") << 1
            << false;
        QTest::newRow("space released only") << steps("space-up") << 0 << false;
        QTest::newRow("space down during a mouse press")
            << steps("press-left space-down space-up release-left") << 1 << false;
        QTest::newRow("return") << steps("return") << 0 << false;
        QTest::newRow("keypad enter") << steps("enter") << 0 << false;
        QTest::newRow("escape") << steps("escape") << 0 << false;
        QTest::newRow("two clicks") << steps("press-left release-left space-down space-up") << 2 << false;
    }

    void clickRules()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, clicks);
        QFETCH(bool, heldAtEnd);

        ctlButton button;
        button.resize(73, 25);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        button.setFocus();
        QSignalSpy spy(&button, &ctlButton::Click);
        for (const QString &step : std::as_const(steps))
            play(button, step);
        QCOMPARE(spy.count(), clicks);
        QCOMPARE(button.isPressedLook(), heldAtEnd);
    }

    void pressedLookFollowsThePress()
    {
        ctlButton button;
        button.resize(73, 25);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));

        play(button, QStringLiteral("press-left"));
        QVERIFY(button.isPressedLook());
        play(button, QStringLiteral("move-outside"));
        QVERIFY(!button.isPressedLook());
        play(button, QStringLiteral("release-left-outside"));
        QVERIFY(!button.isPressedLook());

        button.setFocus();
        play(button, QStringLiteral("space-down"));
        QVERIFY(button.isPressedLook());
        // The focus leaving before the key comes up drops the press without a click.
        QSignalSpy spy(&button, &ctlButton::Click);
        button.clearFocus();
        QVERIFY(!button.isPressedLook());
        play(button, QStringLiteral("space-up"));
        QCOMPARE(spy.count(), 0);
    }

    void disabledButtonRaisesNothing()
    {
        ctlButton button;
        button.resize(73, 25);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QSignalSpy spy(&button, &ctlButton::Click);
        button.setEnabled(false);
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(spy.count(), 0);
    }

    void facePaintsCaptionAndPicture()
    {
        ctlButton button;
        button.setCaption(QStringLiteral("Refresh"));
        button.setToolTip(QStringLiteral("Refresh Company List."));
        QPixmap red(16, 16);
        red.fill(Qt::red);
        button.setPicture(QIcon(red));
        button.resize(73, 25);
        QCOMPARE(button.caption(), QStringLiteral("Refresh"));
        QCOMPARE(button.toolTip(), QStringLiteral("Refresh Company List."));
        QCOMPARE(button.accessibleName(), QStringLiteral("Refresh"));

        // The picture sits at the left edge, vertically centred; the caption is drawn right of it.
        const QImage face = button.grab().toImage();
        QCOMPARE(face.pixelColor(4 + 8, 12), QColor(Qt::red));
        QCOMPARE(face.pixelColor(60, 12) == QColor(Qt::red), false);

        // A larger size is taken as given and drawn in full.
        button.resize(200, 60);
        const QImage large = button.grab().toImage();
        QCOMPARE(large.size(), QSize(200, 60));
        QCOMPARE(large.pixelColor(4 + 8, 30), QColor(Qt::red));
    }
};

QTEST_MAIN(TestCtlButton)
#include "testctlbutton.moc"
