#include "app/headlessprompter.h"

#include <QDialog>
#include <QEvent>
#include <QMetaObject>

#include <cstdio>

namespace app {

namespace {

using namespace platform;

void writeToStandardError(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString answerName(int answer)
{
    switch (answer) {
    case MsgBoxResult::Ok:
        return QStringLiteral("OK");
    case MsgBoxResult::Cancel:
        return QStringLiteral("Cancel");
    case MsgBoxResult::Abort:
        return QStringLiteral("Abort");
    case MsgBoxResult::Retry:
        return QStringLiteral("Retry");
    case MsgBoxResult::Ignore:
        return QStringLiteral("Ignore");
    case MsgBoxResult::Yes:
        return QStringLiteral("Yes");
    case MsgBoxResult::No:
        return QStringLiteral("No");
    default:
        return QString::number(answer);
    }
}

HeadlessPrompter::Sink orStandardError(HeadlessPrompter::Sink sink)
{
    return sink ? std::move(sink) : HeadlessPrompter::Sink(writeToStandardError);
}

} // namespace

bool lacksDisplay(const QByteArray &display, const QByteArray &waylandDisplay, const QByteArray &qpaPlatform)
{
    return display.isEmpty() && waylandDisplay.isEmpty() && qpaPlatform.isEmpty();
}

bool chooseOffscreenWithoutDisplay()
{
    if (!lacksDisplay(qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"), qgetenv("QT_QPA_PLATFORM")))
        return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

HeadlessPrompter::HeadlessPrompter(Sink sink) : m_sink(orStandardError(std::move(sink))) {}

int HeadlessPrompter::message(const MessageBoxRequest &request)
{
    const int answer = defaultAnswer(request.style);
    QString text = request.prompt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    write(QStringLiteral("[") + boxTitle(request) + QStringLiteral("] ") + text + QStringLiteral("\n(answered ") +
          answerName(answer) + QStringLiteral(")\n"));
    return answer;
}

QString HeadlessPrompter::openFile(const FileOpenRequest &request)
{
    write(QStringLiteral("[Open] file dialog cancelled: no display\n"));
    return request.fileName;
}

void HeadlessPrompter::write(const QString &text) const
{
    m_sink(text);
}

HeadlessDialogGuard::HeadlessDialogGuard(HeadlessPrompter::Sink sink, QObject *parent)
    : QObject(parent), m_sink(orStandardError(std::move(sink)))
{}

bool HeadlessDialogGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (auto *dialog = qobject_cast<QDialog *>(watched)) {
            m_sink(QStringLiteral("[") + dialog->windowTitle() + QStringLiteral("] dialog cancelled: no display\n"));
            // Queued, so that the dialog's own event loop is running when the rejection arrives.
            QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace app
