#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace testsupport {

// Values that differ from machine to machine, held in golden files under a placeholder of their own.
using Placeholders = QList<QPair<QByteArray, QByteArray>>;

// The path of a file of the test data: tests/data/<relativePath>, such as "masters/units.requests.txt".
QString testDataPath(const QString &relativePath);

// A golden file's bytes with every placeholder replaced by its value; a missing file fails the current test.
QByteArray goldenBytes(const QString &relativePath, const Placeholders &placeholders = {});

// Compares bytes with a golden file byte for byte and fails the current test at the first line that differs.
// With PELKO_UPDATE_GOLDEN=1 the file is first rewritten from the bytes, each placeholder's value put back as
// the placeholder. Callers stop on QTest::currentTestFailed().
void compareWithGolden(const QByteArray &actual, const QString &relativePath, const Placeholders &placeholders = {});

} // namespace testsupport
