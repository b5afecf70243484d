#pragma once

#include "platform/prompter.h"

#include <QByteArray>
#include <QObject>

#include <functional>

namespace app {

// Whether a process started with these environment values has no display to show a window on: neither an X
// nor a Wayland display is named, and no platform plug-in was chosen for it.
bool lacksDisplay(const QByteArray &display, const QByteArray &waylandDisplay, const QByteArray &qpaPlatform);

// Before the application object exists: on a machine without a display, chooses the offscreen platform so that
// an unattended run can still start. Returns whether it did; the run then has nobody to answer its boxes.
bool chooseOffscreenWithoutDisplay();

// Answers every message box with its default button and cancels every file dialog, writing each box's title
// and text (and the answer it got) to standard error, or to the sink a test gives it.
class HeadlessPrompter final : public platform::Prompter
{
public:
    using Sink = std::function<void(const QString &text)>;

    explicit HeadlessPrompter(Sink sink = {});

    int message(const platform::MessageBoxRequest &request) override;
    QString openFile(const platform::FileOpenRequest &request) override;

private:
    void write(const QString &text) const;

    Sink m_sink;
};

// Installed on the application without a display: closes every dialog as soon as it shows, as if cancelled,
// and writes its title to the same place the headless boxes go. A modal dialog nobody can see would otherwise
// wait for ever.
class HeadlessDialogGuard final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeadlessDialogGuard)

public:
    explicit HeadlessDialogGuard(HeadlessPrompter::Sink sink = {}, QObject *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    HeadlessPrompter::Sink m_sink;
};

} // namespace app
