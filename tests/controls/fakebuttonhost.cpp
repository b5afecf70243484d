#include "fakebuttonhost.h"

#include <QPixmap>
#include <QTest>

namespace testsupport {

using namespace controls;

FakeButtonHost::FakeButtonHost(FakeContainer &container, QSize size) : size(size), m_container(container)
{
    region = QRegion(0, 0, size.width(), size.height());
}

void FakeButtonHost::copyToWindow(const QImage &frame)
{
    window = frame.copy();
    ++copies;
}

void FakeButtonHost::frameOnWindow(const QRegion &value, OleColour colour)
{
    BackBuffer surface;
    surface.assign(window);
    surface.frameRegion(value, colour);
    window = surface.image();
}

void FakeButtonHost::postKeyToContainer(qint16 keyCode, qint32 lParam)
{
    postedKeys.append(QStringLiteral("%1:%2").arg(keyCode).arg(lParam, 0, 16));
}

void FakeButtonHost::setContainerProperty(const QString &name, const QVariant &value)
{
    m_container.properties.insert(name, value);
}

FakeButton::FakeButton(FakeContainer &container, QSize size)
    : host(container, size), button(std::make_unique<ctlButton>(host))
{
    QObject *context = button.get();
    QObject::connect(button.get(), &ctlButton::MouseDown, context, [this](qint16 &b, qint16 &, float &, float &) {
        log.append(QStringLiteral("MouseDown(%1)").arg(b));
    });
    QObject::connect(button.get(), &ctlButton::MouseUp, context, [this](qint16 &b, qint16 &, float &, float &) {
        log.append(QStringLiteral("MouseUp(%1)").arg(b));
    });
    QObject::connect(button.get(), &ctlButton::MouseMove, context,
                     [this](qint16 &, qint16 &, float &, float &) { log.append(QStringLiteral("MouseMove")); });
    QObject::connect(button.get(), &ctlButton::KeyDown, context,
                     [this](qint16 &k, qint16 &) { log.append(QStringLiteral("KeyDown(%1)").arg(k)); });
    QObject::connect(button.get(), &ctlButton::KeyUp, context,
                     [this](qint16 &k, qint16 &) { log.append(QStringLiteral("KeyUp(%1)").arg(k)); });
    QObject::connect(button.get(), &ctlButton::MouseOnButton, context,
                     [this](bool &on) { log.append(QStringLiteral("MouseOnButton(%1)").arg(on ? 1 : 0)); });
    QObject::connect(button.get(), &ctlButton::Click, context, [this] { log.append(QStringLiteral("Click")); });
    QObject::connect(button.get(), &ctlButton::DoubleClick, context,
                     [this](qint16 &b) { log.append(QStringLiteral("DoubleClick(%1)").arg(b)); });
}

void FakeButton::start()
{
    button->UserControl_InitProperties();
    button->UserControl_Resize();
    clearNotices();
}

QString FakeButton::takeLog()
{
    const QString text = log.join(QLatin1Char(' '));
    log.clear();
    return text;
}

void FakeButton::clearNotices()
{
    host.changed.clear();
    host.hints.clear();
    log.clear();
}

void comparePixels(const QImage &image, const QString &expected)
{
    const OleColour face = ConvertSysColor(Colour::ButtonFace, classicSystemColours());
    const QHash<QString, OleColour> names = {{QStringLiteral("face"), face},
                                             {QStringLiteral("light"), RGB(233, 233, 233)},
                                             {QStringLiteral("value"), RGB(223, 223, 223)},
                                             {QStringLiteral("grey"), Colour::Grey},
                                             {QStringLiteral("white"), Colour::White},
                                             {QStringLiteral("black"), Colour::Black},
                                             {QStringLiteral("inverted"), face ^ 0xFFFFFF}};
    for (const QString &entry : expected.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split(QLatin1Char('='));
        const QStringList place = parts.at(0).split(QLatin1Char(','));
        const QString &name = parts.at(1);
        const QString want = names.contains(name) ? rgbText(names.value(name)) : name;
        const QString got = rgbText(fromQRgb(image.pixel(place.at(0).toInt(), place.at(1).toInt())));
        QVERIFY2(got == want, qPrintable(QStringLiteral("%1: %2 instead of %3").arg(parts.at(0), got, want)));
    }
}

QString rgbText(OleColour colour)
{
    return QStringLiteral("%1").arg(qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF) & 0xFFFFFFU, 6, 16,
                                    QLatin1Char('0'));
}

ButtonPicture solidBitmap(QSize size, QRgb colour, QRgb corner)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.setPixel(0, 0, corner);
    return ButtonPicture::bitmap(image, QStringLiteral("bitmap"));
}

ButtonPicture testIcon(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::red);
    return ButtonPicture::icon(QIcon(pixmap), size, QStringLiteral("icon"));
}

} // namespace testsupport
