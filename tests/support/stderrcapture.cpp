#include "support/stderrcapture.h"

#include <QFile>

#include <cstdio>

#include <unistd.h>

namespace testsupport {

StandardErrorCapture::StandardErrorCapture()
{
    if (!m_file.open())
        qFatal("cannot make a file for standard error");
    std::fflush(stderr);
    m_saved = ::dup(STDERR_FILENO);
    ::dup2(m_file.handle(), STDERR_FILENO);
}

StandardErrorCapture::~StandardErrorCapture()
{
    std::fflush(stderr);
    ::dup2(m_saved, STDERR_FILENO);
    ::close(m_saved);
}

QByteArray StandardErrorCapture::text() const
{
    std::fflush(stderr);
    QFile file(m_file.fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace testsupport
