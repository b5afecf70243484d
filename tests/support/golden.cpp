#include "support/golden.h"

#include <QFile>
#include <QTest>

#include <algorithm>

namespace testsupport {

namespace {

QByteArray replaced(QByteArray bytes, const Placeholders &placeholders, bool toValues)
{
    for (const auto &[placeholder, value] : placeholders) {
        if (toValues)
            bytes.replace(placeholder, value);
        else if (!value.isEmpty())
            bytes.replace(value, placeholder);
    }
    return bytes;
}

} // namespace

QString testDataPath(const QString &relativePath)
{
    return QStringLiteral(PELKO_TEST_DATA "/") + relativePath;
}

QByteArray goldenBytes(const QString &relativePath, const Placeholders &placeholders)
{
    QFile file(testDataPath(relativePath));
    if (!file.open(QIODevice::ReadOnly)) {
        QTest::qFail(qPrintable(QStringLiteral("missing golden file ") + file.fileName()), __FILE__, __LINE__);
        return {};
    }
    return replaced(file.readAll(), placeholders, true);
}

void compareWithGolden(const QByteArray &actual, const QString &relativePath, const Placeholders &placeholders)
{
    if (qEnvironmentVariableIntValue("PELKO_UPDATE_GOLDEN") == 1) {
        QFile out(testDataPath(relativePath));
        if (!out.open(QIODevice::WriteOnly) || out.write(replaced(actual, placeholders, false)) < 0) {
            QTest::qFail(qPrintable(QStringLiteral("cannot rewrite ") + out.fileName()), __FILE__, __LINE__);
            return;
        }
    }
    const QByteArray expected = goldenBytes(relativePath, placeholders);
    if (QTest::currentTestFailed() || actual == expected)
        return;
    const QList<QByteArray> actualLines = actual.split('\n');
    const QList<QByteArray> expectedLines = expected.split('\n');
    for (qsizetype i = 0; i < std::max(actualLines.size(), expectedLines.size()); ++i) {
        const QByteArray got = actualLines.value(i);
        const QByteArray want = expectedLines.value(i);
        if (got == want)
            continue;
        QTest::qFail(qPrintable(relativePath + QStringLiteral(" line ") + QString::number(i + 1) +
                                QStringLiteral(":\n got: ") + QString::fromUtf8(got) + QStringLiteral("\nwant: ") +
                                QString::fromUtf8(want)),
                     __FILE__, __LINE__);
        return;
    }
}

} // namespace testsupport
