#include "app/widgetprompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace app {

namespace {

using namespace platform;

QMessageBox::Icon boxIcon(int style)
{
    switch (style & MsgBoxStyle::IconMask) {
    case MsgBoxStyle::Critical:
        return QMessageBox::Critical;
    case MsgBoxStyle::Question:
        return QMessageBox::Question;
    case MsgBoxStyle::Exclamation:
        return QMessageBox::Warning;
    case MsgBoxStyle::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct ButtonSpec
{
    QMessageBox::StandardButton button;
    int answer;
};

QList<ButtonSpec> boxButtons(int style)
{
    switch (style & MsgBoxStyle::ButtonMask) {
    case MsgBoxStyle::OkCancel:
        return {{QMessageBox::Ok, MsgBoxResult::Ok}, {QMessageBox::Cancel, MsgBoxResult::Cancel}};
    case MsgBoxStyle::AbortRetryIgnore:
        return {{QMessageBox::Abort, MsgBoxResult::Abort},
                {QMessageBox::Retry, MsgBoxResult::Retry},
                {QMessageBox::Ignore, MsgBoxResult::Ignore}};
    case MsgBoxStyle::YesNoCancel:
        return {{QMessageBox::Yes, MsgBoxResult::Yes},
                {QMessageBox::No, MsgBoxResult::No},
                {QMessageBox::Cancel, MsgBoxResult::Cancel}};
    case MsgBoxStyle::YesNo:
        return {{QMessageBox::Yes, MsgBoxResult::Yes}, {QMessageBox::No, MsgBoxResult::No}};
    case MsgBoxStyle::RetryCancel:
        return {{QMessageBox::Retry, MsgBoxResult::Retry}, {QMessageBox::Cancel, MsgBoxResult::Cancel}};
    default:
        return {{QMessageBox::Ok, MsgBoxResult::Ok}};
    }
}

// "Excel (*.xls)|*.xls|All|*.*" becomes "Excel (*.xls);;All (*.*)": the dialog reads each filter's patterns from
// the parentheses at the end of its name, so a name that already ends with them is used as it stands.
QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        const QString patterns = QLatin1Char('(') +
                                 parts.at(i + 1).trimmed().split(QLatin1Char(';')).join(QLatin1Char(' ')) +
                                 QLatin1Char(')');
        entries << (description.endsWith(patterns) ? description : description + QLatin1Char(' ') + patterns);
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace

int WidgetPrompter::message(const MessageBoxRequest &request)
{
    QMessageBox box(boxIcon(request.style), boxTitle(request), request.prompt, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const QList<ButtonSpec> buttons = boxButtons(request.style);
    const int defaultAnswer = platform::defaultAnswer(request.style);
    for (const ButtonSpec &spec : buttons) {
        QPushButton *button = box.addButton(spec.button);
        if (spec.answer == defaultAnswer)
            box.setDefaultButton(button);
    }
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonSpec &spec : buttons) {
        if (spec.button == clicked)
            return spec.answer;
    }
    // Closed without a button: the box's escape answer, Cancel where it has one.
    for (const ButtonSpec &spec : buttons) {
        if (spec.answer == MsgBoxResult::Cancel)
            return spec.answer;
    }
    return buttons.size() == 1 ? buttons.first().answer : defaultAnswer;
}

QString WidgetPrompter::openFile(const FileOpenRequest &request)
{
    const QString chosen = QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(),
                                                        request.fileName.trimmed(), qtFilter(request.filter));
    return chosen.isEmpty() ? request.fileName : chosen;
}

} // namespace app
