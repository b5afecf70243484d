#pragma once

#include <QByteArray>
#include <QTemporaryFile>

namespace testsupport {

// Sends what the process writes to standard error into a file for the life of the object, so that a test can
// read what went there.
class StandardErrorCapture final
{
public:
    StandardErrorCapture();
    ~StandardErrorCapture();
    Q_DISABLE_COPY_MOVE(StandardErrorCapture)

    QByteArray text() const;

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace testsupport
