#include "controls/buttonwindow.h"
#include "controls/ctlbutton.h"
#include "fakebuttonhost.h"

#include <QTest>

using namespace controls;
using testsupport::comparePixels;
using testsupport::FakeButton;
using testsupport::FakeContainer;

namespace {

// Brings a started button into a state: "hover", "pressed", "default", "checked", "disabled", "design".
void enter(FakeButton &rig, const QString &state)
{
    ctlButton &button = *rig.button;
    if (state.contains(QLatin1String("design")))
        rig.host.userMode = false;
    if (state.contains(QLatin1String("checked"))) {
        button.setMode(1);
        button.setValue(true);
    }
    if (state.contains(QLatin1String("disabled")))
        button.setEnabled(false);
    if (state.contains(QLatin1String("hover")) || state.contains(QLatin1String("pressed"))) {
        rig.host.cursorOver = true;
        button.UserControl_MouseMove(0, 0, 5, 5);
    }
    if (state.contains(QLatin1String("pressed")))
        button.UserControl_MouseDown(1, 0, 5, 5);
    if (state.contains(QLatin1String("default"))) {
        rig.host.displayAsDefault = true;
        button.UserControl_AmbientChanged(QStringLiteral("DisplayAsDefault"));
    }
    button.Refresh();
}

} // namespace

class TestButtonStyles final : public QObject
{
    Q_OBJECT

private slots:
    // Each style at 80 x 24 without a caption, by state: the Part's pixel checks.
    void styles_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("pixels");

        QTest::newRow("two-tone idle") << 1 << ""
                                       << "0,12=black 40,0=black 1,1=white 2,2=white 78,1=grey 77,12=grey 40,22=grey";
        QTest::newRow("two-tone pressed") << 1 << "pressed"
                                          << "1,12=grey 40,1=grey 78,12=white 40,22=white 40,23=black";
        QTest::newRow("two-tone check box on") << 1 << "checked"
                                               << "1,12=grey 78,12=white 40,12=dfdfdf";
        QTest::newRow("hot track idle") << 2 << ""
                                        << "1,1=003c73 1,22=003c73 78,1=003c73 78,22=003c73 40,0=003c73 0,12=003c73";
        QTest::newRow("hot track hovering") << 2 << "hover"
                                            << "40,22=e79600 1,1=003c73 78,22=003c73";
        QTest::newRow("two-tone default") << 1 << "default"
                                          << "0,12=black 1,1=white 78,1=grey 4,4=2b2f37";
        QTest::newRow("hot track default") << 2 << "default"
                                           << "40,22=6b82ef 1,12=8caee7 40,0=003c73";
        QTest::newRow("hot track pressed: the shade face darkens downwards") << 2 << "pressed"
                                                                             << "40,3=dcdcce 40,12=d3d3c4 77,12=fffffa";
        QTest::newRow("hot track disabled") << 2 << "disabled"
                                            << "40,0=abab8d 40,12=e7e7db 1,12=e7e7db";
        QTest::newRow("shaded edge pressed") << 3 << "pressed"
                                             << "40,12=8c8c8c 1,12=8c8c8c 78,12=666666";
        QTest::newRow("shaded edge check box on") << 3 << "checked"
                                                  << "40,12=ababab 1,12=ababab 79,12=white";
        QTest::newRow("single ring check box on") << 4 << "checked"
                                                  << "0,12=grey 79,12=white 40,12=dfdfdf";
        QTest::newRow("rounded arc check box on") << 5 << "checked"
                                                  << "0,12=grey 79,12=white 40,12=dfdfdf";
        QTest::newRow("light edge check box on") << 6 << "checked"
                                                 << "0,0=grey 79,12=e7e7e7";
        QTest::newRow("rounded shaded pressed") << 7 << "pressed"
                                                << "40,12=707070 2,12=606060 1,12=404040 0,12=black";
        QTest::newRow("shaded edge idle") << 3 << ""
                                          << "1,12=white 40,1=white 78,12=666666 0,12=666666 79,12=white";
        QTest::newRow("shaded edge disabled")
            << 3 << "disabled"
            << "0,0=666666 79,0=666666 0,23=666666 79,23=666666 40,0=666666 1,1=face 78,12=face";
        QTest::newRow("single ring idle") << 4 << ""
                                          << "0,12=white 40,0=white 79,12=grey 40,23=grey 1,1=face";
        QTest::newRow("single ring pressed") << 4 << "pressed"
                                             << "0,12=grey 79,12=white";
        QTest::newRow("rounded arc idle: no edge") << 5 << ""
                                                   << "0,0=face 79,0=face 0,23=face 79,23=face 40,0=face";
        QTest::newRow("rounded arc hovering") << 5 << "hover"
                                              << "0,12=white 40,0=white 79,12=grey 40,23=grey";
        QTest::newRow("rounded arc at design time") << 5 << "design"
                                                    << "0,0=949088 1,0=face 2,0=949088 40,23=face 41,23=949088";
        QTest::newRow("light edge idle") << 6 << ""
                                         << "0,0=e7e7e7 1,1=e7e7e7 79,12=grey 78,12=grey 40,23=grey";
        QTest::newRow("light edge default draws as idle") << 6 << "default"
                                                          << "0,0=e7e7e7 1,1=e7e7e7 79,12=grey 78,12=grey";
        QTest::newRow("light edge pressed") << 6 << "pressed"
                                            << "0,0=grey 1,1=grey 79,12=e7e7e7";
        QTest::newRow("rounded shaded idle") << 7 << ""
                                             << "0,12=black 79,12=black 1,1=black 78,1=black 2,2=white 3,3=white";
        QTest::newRow("rounded shaded check box on")
            << 7 << "checked"
            << "40,12=90908a 2,12=606060 40,2=606060 77,12=grey 40,21=grey 1,12=404040 40,1=404040 "
               "78,12=707070 40,22=707070 0,12=black 40,0=black 79,12=black 40,23=black";
    }

    void styles()
    {
        QFETCH(int, style);
        QFETCH(QString, state);
        QFETCH(QString, pixels);
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.button->setCaption(QString());
        rig.button->setButtonStyle(style);
        enter(rig, state);
        comparePixels(rig.button->backBuffer(), pixels);
    }

    // The hover colour that follows the fore colour is swapped for the caption's colour as a value: no
    // property changes while painting, and the lock stays.
    void roundedShadedChangesNoProperty()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.button->setButtonStyle(7);
        rig.button->setMode(1);
        rig.button->setValue(true);
        rig.clearNotices();
        enter(rig, QStringLiteral("hover default"));
        QCOMPARE(rig.host.changed, QStringList());
        QCOMPARE(rig.button->HoverForeColor(), Colour::ButtonText);
        QCOMPARE(rig.button->HoverColorLocks(), 0);
    }

    // The slanted default frame takes a system colour converted and no colour as black, as the rectangle does.
    void slantedFocusFrameColours()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.button->setCaption(QString());
        rig.button->setButtonStyle(7);
        rig.button->setButtonShape(1);
        // The hover colour follows the fore colour: the frame takes system colour 18.
        enter(rig, QStringLiteral("default"));
        comparePixels(rig.button->backBuffer(), QStringLiteral("20,4=black 40,4=black"));
        // It does not: no colour, drawn black.
        rig.button->setHoverForeColor(RGB(255, 0, 0));
        rig.button->Refresh();
        comparePixels(rig.button->backBuffer(), QStringLiteral("20,4=black 40,4=black"));
    }

    void windowShapes()
    {
        FakeContainer container;
        const auto shaped = [&](int style, int shape, QSize size) {
            auto rig = std::make_unique<FakeButton>(container, size);
            rig->start();
            rig->button->setButtonStyle(style);
            rig->button->setButtonShape(shape);
            return rig;
        };

        auto rectangle = shaped(0, 0, {80, 24});
        QCOMPARE(rectangle->host.region, QRegion(0, 0, 81, 25));
        QCOMPARE(rectangle->button->ShapeLeft(), 0);
        QCOMPARE(rectangle->button->ShapeRight(), 80);

        auto twoTone = shaped(1, 0, {80, 24});
        for (const QPoint corner : {QPoint(0, 0), QPoint(0, 23), QPoint(79, 23), QPoint(79, 0)})
            QVERIFY(!twoTone->host.region.contains(corner));
        QVERIFY(twoTone->host.region.contains(QPoint(1, 0)));

        auto shadedEdge = shaped(3, 0, {80, 24});
        QVERIFY(!shadedEdge->host.region.contains(QPoint(0, 23)));
        QVERIFY(!shadedEdge->host.region.contains(QPoint(79, 0)));
        QVERIFY(shadedEdge->host.region.contains(QPoint(0, 0)));
        shadedEdge->button->setEnabled(false);
        QVERIFY(shadedEdge->host.region.contains(QPoint(0, 23)));

        auto hotTrack = shaped(2, 0, {80, 24});
        QVERIFY(!hotTrack->host.region.contains(QPoint(0, 0)));
        QVERIFY(hotTrack->host.region.contains(QPoint(2, 2)));

        auto slantLeft = shaped(0, 1, {80, 24});
        QCOMPARE(slantLeft->button->ShapeLeft(), 25);
        QCOMPARE(slantLeft->button->ShapeRight(), 80);
        QVERIFY(slantLeft->host.region.contains(QPoint(0, 0)));
        QVERIFY(!slantLeft->host.region.contains(QPoint(10, 23)));
        QVERIFY(slantLeft->host.region.contains(QPoint(30, 23)));

        auto slantBoth = shaped(0, 3, {80, 24});
        QCOMPARE(slantBoth->button->ShapeLeft(), 25);
        QCOMPARE(slantBoth->button->ShapeRight(), 55);
        QVERIFY(!slantBoth->host.region.contains(QPoint(70, 0)));
        QVERIFY(slantBoth->host.region.contains(QPoint(70, 23)));

        auto narrow = shaped(0, 2, {20, 24});
        QCOMPARE(narrow->host.size, QSize(30, 24));
        QCOMPARE(narrow->button->backBuffer().size(), QSize(30, 24));

        auto oval = shaped(0, 4, {100, 40});
        QCOMPARE(oval->host.region, QRegion(0, 0, 100, 40, QRegion::Ellipse));
        QCOMPARE(*oval->button->InnerRegion1(), QRegion(1, 1, 98, 38, QRegion::Ellipse));
        QCOMPARE(*oval->button->InnerRegion2(), QRegion(2, 2, 96, 36, QRegion::Ellipse));
        // The rim painted when the region was built stays outside the face; pressed, a second ring runs
        // from grey at the top to white at the bottom inside it.
        comparePixels(oval->host.window, QStringLiteral("50,0=white 50,39=grey 10,20=face"));
        enter(*oval, QStringLiteral("pressed"));
        comparePixels(oval->host.window, QStringLiteral("50,0=white 50,1=838383 50,38=fbfbfb 10,20=face"));
    }

    // The widget takes the region as its mask.
    void windowMask()
    {
        ButtonWindow window;
        window.resize(80, 24);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.mask().isEmpty());
        window.control().setButtonStyle(1);
        QVERIFY(!window.mask().contains(QPoint(0, 0)));
        QVERIFY(!window.mask().contains(QPoint(79, 23)));
        QVERIFY(window.mask().contains(QPoint(40, 12)));
        window.control().setButtonStyle(0);
        QVERIFY(window.mask().isEmpty());
    }

    void outlinedOvalOnlyWhileHovered()
    {
        FakeContainer container;
        FakeButton rig(container, {100, 40});
        rig.start();
        rig.button->setCaption(QString());
        rig.button->setButtonShape(6);
        comparePixels(rig.host.window, QStringLiteral("50,0=face 50,20=face"));
        enter(rig, QStringLiteral("hover"));
        comparePixels(rig.host.window, QStringLiteral("50,0=black 50,1=face 50,20=face"));
    }

    void customShapeFromPicture()
    {
        FakeContainer container;
        FakeButton rig(container, {80, 80});
        rig.start();
        QImage image(100, 50, QImage::Format_RGB32);
        image.fill(qRgb(0, 255, 0));
        for (int y = 10; y < 40; ++y)
            for (int x = 20; x < 80; ++x)
                image.setPixel(x, y, qRgb(0, 0, 255));
        rig.button->setPicture(ButtonPicture::bitmap(image));
        rig.button->setButtonShape(7);
        QCOMPARE(rig.host.size, QSize(80, 40));
        QVERIFY(!rig.host.region.contains(QPoint(0, 0)));
        QVERIFY(rig.host.region.contains(QPoint(40, 20)));
        QVERIFY(!rig.host.region.contains(QPoint(40, 2)));
        QVERIFY(rig.button->InnerRegion1()->contains(QPoint(40, 20)));
        QVERIFY(!rig.button->InnerRegion1()->contains(QPoint(16, 20)));
        QVERIFY(!rig.button->InnerRegion2()->contains(QPoint(17, 20)));
        // Resized, it follows the picture again.
        rig.host.size = QSize(40, 40);
        rig.button->UserControl_Resize();
        QCOMPARE(rig.host.size, QSize(40, 20));
        QVERIFY(rig.host.region.contains(QPoint(20, 10)));
        QVERIFY(!rig.host.region.contains(QPoint(2, 2)));
    }

    // Pressed, a custom shape draws its picture stretched to the window shrunk by a pixel on every side.
    void pressedCustomShapeStretchesItsPicture()
    {
        FakeContainer container;
        FakeButton rig(container, {80, 40});
        rig.start();
        QImage image(80, 40, QImage::Format_RGB32);
        image.fill(qRgb(0, 0, 255));
        for (int y = 0; y < 40; ++y)
            image.setPixel(79, y, qRgb(255, 0, 0));
        for (int x = 0; x < 80; ++x)
            image.setPixel(x, 39, qRgb(255, 255, 0));
        image.setPixel(0, 0, qRgb(0, 255, 0));
        rig.button->setPicture(ButtonPicture::bitmap(image));
        rig.button->setButtonShape(7);
        QCOMPARE(rig.host.size, QSize(80, 40));
        comparePixels(rig.button->backBuffer(), QStringLiteral("5,5=0000ff 78,20=0000ff 79,20=ff0000 40,39=ffff00"));
        enter(rig, QStringLiteral("pressed"));
        QVERIFY(rig.button->showsPressed());
        comparePixels(
            rig.button->backBuffer(),
            QStringLiteral("5,5=0000ff 77,20=0000ff 78,20=ff0000 79,20=face 40,37=0000ff 40,38=ffff00 40,39=face"));
    }

    void customClickMovesTheWindow()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.button->setCustomClick(4);
        const QPoint home = rig.host.place;
        enter(rig, QStringLiteral("pressed"));
        QCOMPARE(rig.host.place, home + QPoint(1, 1));
        rig.button->UserControl_MouseUp(1, 0, 5, 5);
        QCOMPARE(rig.host.place, home);
        // Leaving the button while pressed moves it back as well.
        rig.button->UserControl_MouseDown(1, 0, 5, 5);
        QCOMPARE(rig.host.place, home + QPoint(1, 1));
        rig.host.cursorOver = false;
        rig.button->CheckHoverEnd(HoverTimerId);
        QCOMPARE(rig.host.place, home);
        // A check box never moves.
        rig.button->UserControl_MouseUp(1, 0, 5, 5);
        rig.button->setMode(1);
        enter(rig, QStringLiteral("pressed"));
        QCOMPARE(rig.host.place, home);
    }
};

QTEST_MAIN(TestButtonStyles)
#include "testbuttonstyles.moc"
