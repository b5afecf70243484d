#include "controls/ctlbutton.h"
#include "fakebuttonhost.h"

#include <QFontMetrics>
#include <QIcon>
#include <QPixmap>
#include <QTest>

using namespace controls;
using testsupport::FakeButton;
using testsupport::FakeContainer;

namespace {

// The button face of the fixed system-colour table.
const OleColour Face = ConvertSysColor(Colour::ButtonFace, classicSystemColours());

OleColour pixel(const ctlButton &button, int x, int y)
{
    return fromQRgb(button.backBuffer().pixel(x, y));
}

void comparePixels(const ctlButton &button, const QString &expected)
{
    testsupport::comparePixels(button.backBuffer(), expected);
}

} // namespace

class TestButtonDrawing final : public QObject
{
    Q_OBJECT

private slots:
    void shiftColor_data()
    {
        QTest::addColumn<int>("colour");
        QTest::addColumn<int>("amount");
        QTest::addColumn<bool>("blue");
        QTest::addColumn<int>("expected");
        QTest::newRow("darker grey") << 0x808080 << -16 << false << RGB(112, 112, 112);
        QTest::newRow("lighter grey, blue scaled") << 0x808080 << 16 << true << RGB(144, 144, 138);
        QTest::newRow("darker white, blue scaled") << 0xFFFFFF << -32 << true << RGB(223, 223, 213);
        QTest::newRow("clamped") << RGB(250, 10, 0) << 10 << false << RGB(255, 20, 10);
        QTest::newRow("no blue stays none") << RGB(250, 10, 0) << 10 << true << RGB(255, 20, 0);
        QTest::newRow("clamped at 0") << RGB(5, 100, 200) << -50 << false << RGB(0, 50, 150);
    }

    void shiftColor()
    {
        QFETCH(int, colour);
        QFETCH(int, amount);
        QFETCH(bool, blue);
        QFETCH(int, expected);
        QCOMPARE(ShiftColor(colour, amount, blue), expected);
    }

    void convertSysColor()
    {
        const SystemColours &table = classicSystemColours();
        QCOMPARE(ConvertSysColor(Colour::ButtonFace, table), table.at(15));
        QCOMPARE(ConvertSysColor(Colour::ButtonText, table), table.at(18));
        QCOMPARE(ConvertSysColor(RGB(1, 2, 3), table), RGB(1, 2, 3));
        QCOMPARE(toQRgb(RGB(1, 2, 3)), qRgb(1, 2, 3));
        QCOMPARE(fromQRgb(qRgb(1, 2, 3)), RGB(1, 2, 3));
    }

    void rounding()
    {
        QCOMPARE(rounded(0.5), 0);
        QCOMPARE(rounded(1.5), 2);
        QCOMPARE(rounded(2.5), 2);
        QCOMPARE(rounded(-0.5), 0);
        QCOMPARE(rounded(-1.5), -2);
        QCOMPARE(rounded(2.4), 2);
        QCOMPARE(rounded(2.6), 3);
    }

    // The grey bevel at 80 x 24, by state: the Part's pixel checks.
    void greyBevel_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("pixels");
        QTest::newRow("idle") << "idle"
                              << "0,0=white 79,0=black 0,23=black 79,23=black 1,1=light 78,1=grey 1,22=grey 2,2=face "
                                 "77,2=face 2,21=face";
        QTest::newRow("default") << "default"
                                 << "0,0=black 79,0=black 0,23=black 79,23=black 40,0=black 0,12=black 1,1=white "
                                    "78,1=black 1,22=black 2,2=light 77,2=grey 2,21=grey 3,3=face";
        QTest::newRow("shown pressed") << "pressed"
                                       << "0,0=white 1,1=face 78,1=grey 1,22=grey 79,23=black 79,0=black 2,2=face";
        QTest::newRow("shown pressed as default") << "pressed default"
                                                  << "0,0=black 0,12=black 1,1=face 78,1=grey";
        QTest::newRow("check box on")
            << "checked"
            << "0,0=black 40,0=black 0,12=black 79,0=white 79,12=white 0,23=white 40,23=white "
               "78,1=light 78,12=light 1,22=light 1,1=value 2,2=value";
        QTest::newRow("check box held") << "held"
                                        << "0,0=black 79,12=white 78,12=light 2,2=face";
    }

    void greyBevel()
    {
        QFETCH(QString, state);
        QFETCH(QString, pixels);
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        ctlButton &button = *rig.button;
        if (state.contains(QLatin1String("checked"))) {
            button.setMode(1);
            button.setValue(true);
        }
        if (state.contains(QLatin1String("held"))) {
            button.setMode(1);
            button.UserControl_MouseDown(1, 0, 5, 5);
        }
        if (state.contains(QLatin1String("pressed"))) {
            rig.host.cursorOver = true;
            button.UserControl_MouseMove(0, 0, 5, 5);
            button.UserControl_MouseDown(1, 0, 5, 5);
            QVERIFY(button.showsPressed());
        }
        if (state.contains(QLatin1String("default"))) {
            rig.host.displayAsDefault = true;
            button.UserControl_AmbientChanged(QStringLiteral("DisplayAsDefault"));
        }
        comparePixels(button, pixels);
        QCOMPARE(rig.host.window, button.backBuffer());
    }

    void focusFrames()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.host.displayAsDefault = true;
        rig.button->UserControl_AmbientChanged(QStringLiteral("DisplayAsDefault"));
        // The dotted rectangle (4, 4, 76, 20): every other pixel of its border inverted.
        comparePixels(*rig.button, QStringLiteral("4,4=inverted 5,4=face 6,4=inverted 75,5=inverted 75,4=face "
                                                  "4,19=face 5,19=inverted 4,6=inverted 3,4=face 4,3=face 76,4=face "
                                                  "4,20=face 5,5=face"));

        // A check box that is on shows a solid black frame instead.
        rig.button->setMode(1);
        rig.button->setValue(true);
        comparePixels(*rig.button, QStringLiteral("4,4=black 5,4=black 75,4=black 75,19=black 4,19=black 4,12=black "
                                                  "5,5=value 76,4=value 4,20=value"));

        // Without the focus rectangle the default look never shows at run time.
        rig.button->setShowFocusRect(false);
        comparePixels(*rig.button, QStringLiteral("4,4=value 1,1=value 0,0=black"));
    }

    void delayedDrawingDrawsNothing()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        const int copies = rig.host.copies;
        const int refreshes = rig.host.refreshes;
        rig.button->DelayDrawing(true);
        rig.button->setBackColor(RGB(0, 0, 255));
        rig.button->setCaption(QStringLiteral("Later"));
        QCOMPARE(rig.host.copies, copies);
        QCOMPARE(rig.host.refreshes, refreshes);
        QCOMPARE(pixel(*rig.button, 2, 2), Face);
        rig.button->Refresh();
        QCOMPARE(pixel(*rig.button, 2, 2), RGB(0, 0, 255));
        QCOMPARE(rig.host.copies, copies + 1);
        QCOMPARE(rig.host.refreshes, refreshes + 1);
    }

    void hoverColours()
    {
        FakeContainer container;
        FakeButton rig(container);
        rig.start();
        rig.button->setHoverBackColor(RGB(0, 200, 0));
        rig.host.cursorOver = true;
        rig.button->UserControl_MouseMove(0, 0, 5, 5);
        QCOMPARE(pixel(*rig.button, 2, 2), RGB(0, 200, 0));
        // Shown pressed, the face takes the back colour again.
        rig.button->UserControl_MouseDown(1, 0, 5, 5);
        QCOMPARE(pixel(*rig.button, 2, 2), Face);
        rig.host.cursorOver = false;
        rig.button->CheckHoverEnd(HoverTimerId);
        rig.button->UserControl_MouseUp(1, 0, 5, 5);
        QCOMPARE(pixel(*rig.button, 2, 2), Face);
    }

    void gradients_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("screen");
        QTest::addColumn<QString>("pixels");
        // Colour 1 is pure red, colour 2 pure blue. The steps add up in single precision,
        // so the far end may stop one short of colour 2.
        QTest::newRow("left to right, one-pixel bands")
            << 1 << QSize(100, 2) << 1024 << "0,0=ff0000 1,0=fc0002 3,1=f70007 98,0=0200fc 99,0=0000ff";
        QTest::newRow("right to left") << 2 << QSize(100, 2) << 1024 << "0,0=0000ff 99,0=ff0000";
        QTest::newRow("top to bottom") << 3 << QSize(4, 20) << 768 << "2,0=ff0000 2,19=0000fe";
        QTest::newRow("bottom to top") << 4 << QSize(4, 20) << 768 << "2,0=0000fe 2,19=ff0000";
        QTest::newRow("two-pixel bands from a quarter of the screen")
            << 1 << QSize(400, 2) << 1024 << "0,0=ff0000 1,0=ff0000 2,0=fd0001 3,0=fd0001 398,0=0000fe 399,0=0000fe";
        QTest::newRow("odd extent: the last band reaches the edge")
            << 1 << QSize(5, 2) << 16 << "0,0=ff0000 1,0=ff0000 2,0=0000ff 3,0=0000ff 4,0=0000ff";
        QTest::newRow("one band takes the first colour") << 1 << QSize(3, 2) << 8 << "0,0=ff0000 2,1=ff0000";
        QTest::newRow("one pixel") << 3 << QSize(2, 1) << 768 << "0,0=ff0000 1,0=ff0000";
        QTest::newRow("no band draws nothing") << 1 << QSize(1, 2) << 2 << "0,0=00ff00 0,1=00ff00";
    }

    void gradients()
    {
        QFETCH(int, mode);
        QFETCH(QSize, size);
        QFETCH(int, screen);
        QFETCH(QString, pixels);
        BackBuffer buffer;
        buffer.create(size.width(), size.height());
        buffer.fillRect({0, 0, size.width(), size.height()}, RGB(0, 255, 0));
        fillGradient(buffer, mode, screen, RGB(255, 0, 0), RGB(0, 0, 255));
        testsupport::comparePixels(buffer.image(), pixels);
    }

    // A button with a gradient fills its face with it, and takes its hover colour while the cursor is over.
    void gradientFace()
    {
        FakeContainer container;
        FakeButton rig(container, {100, 24});
        rig.start();
        rig.button->setBackColor(RGB(255, 0, 0));
        rig.button->setGradientColor(RGB(0, 0, 255));
        rig.button->setGradientMode(1);
        rig.button->setCaption(QString());
        comparePixels(*rig.button, QStringLiteral("3,12=f70007 96,12=0700f7"));
        rig.button->setHoverBackColor(RGB(0, 255, 0));
        rig.host.cursorOver = true;
        rig.button->UserControl_MouseMove(0, 0, 5, 5);
        comparePixels(*rig.button, QStringLiteral("3,12=00ff00 96,12=00ff00"));
    }

    void drawingFont()
    {
        FakeContainer container;
        FakeButton rig(container);
        QFont font;
        font.setPointSizeF(8.25);
        font.setBold(true);
        rig.host.font = font;
        rig.start();
        QCOMPARE(rig.button->drawingFont().pixelSize(), 11);
        QVERIFY(rig.button->drawingFont().bold());
        rig.button->setFontStyle(4 + 8);
        QCOMPARE(rig.button->FontStyle(), 12);
        QVERIFY(rig.button->drawingFont().italic());
        QVERIFY(!rig.button->drawingFont().bold());
    }

    // Picture rectangles by alignment and box size, on a button without a caption.
    void pictureLayout_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("align");
        QTest::addColumn<int>("box");
        QTest::addColumn<QRect>("expected");
        const QString icon = QStringLiteral("icon");
        QTest::newRow("left edge, 25 high") << QSize(73, 25) << icon << 0 << 0 << QRect(QPoint(4, 4), QPoint(19, 19));
        QTest::newRow("left edge, 23 high: clamped")
            << QSize(73, 23) << icon << 0 << 0 << QRect(QPoint(4, 4), QPoint(19, 17));
        QTest::newRow("left of no caption") << QSize(80, 40) << icon << 1 << 0 << QRect(4, 12, 16, 16);
        QTest::newRow("right edge") << QSize(80, 40) << icon << 2 << 0 << QRect(60, 12, 16, 16);
        QTest::newRow("right of no caption") << QSize(80, 40) << icon << 3 << 0 << QRect(60, 12, 16, 16);
        QTest::newRow("top centre") << QSize(80, 40) << icon << 4 << 0 << QRect(32, 12, 16, 16);
        QTest::newRow("bottom centre") << QSize(80, 40) << icon << 5 << 0 << QRect(32, 16, 16, 16);
        QTest::newRow("box 24") << QSize(80, 40) << icon << 0 << 1 << QRect(4, 8, 24, 24);
        QTest::newRow("box 32: clamped") << QSize(80, 40) << icon << 0 << 2 << QRect(4, 4, 32, 31);
        QTest::newRow("box 40 stretched") << QSize(80, 40) << icon << 0 << 3 << QRect(3, 3, 74, 34);
        QTest::newRow("box 48 fitted icon") << QSize(80, 40) << icon << 0 << 4 << QRect(26, 6, 28, 28);
        QTest::newRow("box 48 fitted bitmap")
            << QSize(80, 40) << QStringLiteral("wide") << 0 << 4 << QRect(12, 6, 56, 28);
    }

    void pictureLayout()
    {
        QFETCH(QSize, size);
        QFETCH(QString, picture);
        QFETCH(int, align);
        QFETCH(int, box);
        QFETCH(QRect, expected);
        FakeContainer container;
        FakeButton rig(container, size);
        rig.start();
        rig.button->setCaption(QString());
        rig.button->setPicture(picture == QLatin1String("icon")
                                   ? testsupport::testIcon({16, 16})
                                   : testsupport::solidBitmap({100, 50}, qRgb(0, 0, 255), qRgb(0, 255, 0)));
        rig.button->setPictureAlign(align);
        rig.button->setPictureSize(box);
        QCOMPARE(rig.button->PictureRect().toQRect(), expected);
    }

    // Caption places, read from the layout rectangles: never from glyph pixels.
    void captionLayout()
    {
        FakeContainer container;
        FakeButton rig(container, {120, 30});
        rig.start();
        ctlButton &button = *rig.button;
        button.setCaption(QStringLiteral("Post"));
        const Rect centred = button.CaptionRect();
        QVERIFY(qAbs(centred.left - (120 - centred.right)) <= 1);
        QVERIFY(qAbs(centred.top - (30 - centred.bottom)) <= 1);
        button.setCaptionAlign(0);
        QCOMPARE(button.CaptionRect().left, 4);
        QCOMPARE(button.CaptionRect().width(), centred.width());
        button.setCaptionAlign(1);
        QCOMPARE(button.CaptionRect().right, 116);

        // A picture at the left edge takes 16 pixels and 4 more of room from the caption's left place.
        button.setPicture(testsupport::testIcon({16, 16}));
        button.setCaptionAlign(0);
        QCOMPARE(button.CaptionRect().left, 16 + 4 + 4);
        button.setCaptionAlign(2);
        const int middle = (button.CaptionRect().left + button.CaptionRect().right) / 2;
        QVERIFY(qAbs(middle - (16 + (120 - 16) / 2)) <= 1);
        // Beside a picture left of it, the caption and picture are centred together.
        button.setPictureAlign(1);
        QCOMPARE(button.PictureRect().right + 4, button.CaptionRect().left);
        button.setPictureAlign(3);
        QCOMPARE(button.PictureRect().left - 4, button.CaptionRect().right);
        // A picture above pushes the caption below it.
        button.setPictureAlign(4);
        QCOMPARE(button.CaptionRect().top, button.PictureRect().bottom + 2);

        // Embossed and engraved captions take two more pixels each way.
        button.setPicture(ButtonPicture());
        const Rect flat = button.CaptionRect();
        button.setCaptionStyle(1);
        QCOMPARE(button.CaptionRect().width(), flat.width() + 2);
        QCOMPARE(button.CaptionRect().height(), flat.height() + 2);

        // "||" breaks the caption into two lines.
        FakeButton tall(container, {120, 60});
        tall.start();
        tall.button->setCaption(QStringLiteral("Post||Data"));
        const QFontMetrics metrics(tall.button->drawingFont());
        QVERIFY(tall.button->CaptionRect().height() >= 2 * metrics.height());
        QVERIFY(tall.button->CaptionRect().width() < metrics.horizontalAdvance(QStringLiteral("Post Data")));
    }

    void fitPictureSize()
    {
        FakeContainer container;
        FakeButton rig(container, {80, 40});
        rig.start();
        QCOMPARE(rig.button->FitPictureSize(68, 28), QSize(0, 0));
        rig.button->setPicture(testsupport::solidBitmap({100, 50}, qRgb(0, 0, 255), qRgb(0, 255, 0)));
        QCOMPARE(rig.button->FitPictureSize(68, 28), QSize(56, 28));
        QCOMPARE(rig.button->FitPictureSize(400, 400), QSize(400, 200));
        // A picture that measures nothing is no picture: no division by zero, no room taken.
        rig.button->setPicture(ButtonPicture::icon(QIcon(QPixmap(4, 4)), QSize(0, 0)));
        QCOMPARE(rig.button->pictureMeasure(), QSize(0, 0));
        QCOMPARE(rig.button->FitPictureSize(68, 28), QSize(0, 0));
    }

    // The picture's background colour, and colours within 3 of it, are transparent; a disabled button shows
    // the picture as a grey silhouette.
    void pictures()
    {
        FakeContainer container;
        FakeButton rig(container, {80, 40});
        rig.start();
        rig.button->setCaption(QString());
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(qRgb(10, 200, 30));
        image.setPixel(1, 0, qRgb(13, 197, 33));
        image.setPixel(2, 0, qRgb(14, 200, 30));
        image.fill(qRgb(10, 200, 30));
        for (int y = 4; y < 12; ++y)
            for (int x = 4; x < 12; ++x)
                image.setPixel(x, y, qRgb(255, 255, 255));
        image.setPixel(1, 0, qRgb(13, 197, 33));
        image.setPixel(2, 0, qRgb(14, 200, 30));
        rig.button->setPicture(ButtonPicture::bitmap(image));
        // The picture box sits at (4, 12).
        comparePixels(*rig.button, QStringLiteral("4,12=face 5,12=face 6,12=0ec81e 8,16=white 15,23=white 16,24=face"));

        rig.button->setEnabled(false);
        // Where the picture is white (or transparent) the face stays; elsewhere it is grey.
        comparePixels(*rig.button, QStringLiteral("4,12=face 5,12=face 6,12=grey 8,16=face 15,23=face 19,27=face"));

        // A coloured icon is a grey silhouette too, not a tint of its colours.
        QPixmap green(16, 16);
        green.fill(QColor(0, 160, 0));
        rig.button->setPicture(ButtonPicture::icon(QIcon(green), {16, 16}, QStringLiteral("green")));
        comparePixels(*rig.button, QStringLiteral("4,12=grey 11,20=grey 19,27=grey 20,28=face"));
    }

    // No size, style, shape, gradient or state makes the drawing divide by zero or overflow (the sanitizer
    // build checks), and a button without a face draws nothing.
    void degenerateSizes_data()
    {
        QTest::addColumn<QSize>("size");
        for (const QSize size : {QSize(0, 0), QSize(80, 0), QSize(0, 24), QSize(1, 1), QSize(2, 2), QSize(3, 3),
                                 QSize(5, 5), QSize(1, 40), QSize(40, 1), QSize(9, 2)})
            QTest::addRow("%dx%d", size.width(), size.height()) << size;
    }

    void degenerateSizes()
    {
        QFETCH(QSize, size);
        for (int style = 0; style <= 7; ++style) {
            for (int shape = 0; shape <= 8; ++shape) {
                for (int gradient = 0; gradient <= 4; ++gradient) {
                    for (int mode = 0; mode <= 1; ++mode) {
                        FakeContainer container;
                        FakeButton rig(container, {80, 24});
                        rig.start();
                        ctlButton &button = *rig.button;
                        button.setPicture(testsupport::solidBitmap({16, 8}, qRgb(0, 0, 255), qRgb(0, 255, 0)));
                        button.setButtonStyle(style);
                        button.setButtonShape(shape);
                        button.setGradientColor(RGB(0, 0, 255));
                        button.setGradientMode(gradient);
                        button.setMode(mode);
                        rig.host.size = size;
                        button.UserControl_Resize();
                        // The slanted and picture shapes may widen the window to their own measure.
                        const bool empty = rig.host.size.isEmpty();
                        const int copies = rig.host.copies;
                        rig.host.cursorOver = true;
                        rig.host.displayAsDefault = true;
                        button.UserControl_AmbientChanged(QStringLiteral("DisplayAsDefault"));
                        button.UserControl_MouseMove(0, 0, 0, 0);
                        button.UserControl_MouseDown(1, 0, 0, 0);
                        button.UserControl_MouseUp(1, 0, 0, 0);
                        button.UserControl_Click();
                        button.setEnabled(false);
                        button.Refresh();
                        if (empty)
                            QVERIFY2(rig.host.copies == copies,
                                     qPrintable(QStringLiteral("style %1 shape %2 drew").arg(style).arg(shape)));
                    }
                }
            }
        }
    }
};

QTEST_MAIN(TestButtonDrawing)
#include "testbuttondrawing.moc"
