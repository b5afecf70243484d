#include "app/dlgipaddress.h"

#include "platform/settings.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {

const QStringList hintLines = {
    QStringLiteral("The Default values are  as follows"),
    QStringLiteral("-For Server Address running on local machince "),
    QStringLiteral("    Server Address: 127.0.0.1"),
    QStringLiteral("    Port Number: 9000"),
    QStringLiteral("-For Server Address running on network machince "),
    QStringLiteral("    Server Address: 190.168.0.XXX or other"),
    QStringLiteral("    Port Number: 9000 or other"),
};

} // namespace

dlgIPAddress::dlgIPAddress(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgIPAddress"));
    setWindowTitle(QStringLiteral("Set Tally Server Address & port"));
    setModal(true);

    auto *frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *fields = new QGridLayout(frame);
    auto *serverLabel = new QLabel(QStringLiteral("Server Address"), frame);
    m_txtServer = new QLineEdit(frame);
    m_txtServer->setObjectName(QStringLiteral("txtServer"));
    auto *portLabel = new QLabel(QStringLiteral("Port Number"), frame);
    m_txtPort = new QLineEdit(frame);
    m_txtPort->setObjectName(QStringLiteral("txtPort"));
    serverLabel->setBuddy(m_txtServer);
    portLabel->setBuddy(m_txtPort);
    fields->addWidget(serverLabel, 0, 0);
    fields->addWidget(m_txtServer, 0, 1);
    fields->addWidget(portLabel, 1, 0);
    fields->addWidget(m_txtPort, 1, 1);

    m_Text3 = new QPlainTextEdit(this);
    m_Text3->setObjectName(QStringLiteral("Text3"));
    m_Text3->setReadOnly(true);
    m_Text3->setPlainText(hintLines.join(QStringLiteral("\r\n")));
    m_Text3->setMinimumHeight(m_Text3->fontMetrics().lineSpacing() * int(hintLines.size() + 1));

    m_OKButton = new QPushButton(QStringLiteral("OK"), this);
    m_OKButton->setObjectName(QStringLiteral("OKButton"));
    m_OKButton->setDefault(true);
    m_CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(m_OKButton, &QPushButton::clicked, this, &dlgIPAddress::OKButton_Click);
    connect(m_CancelButton, &QPushButton::clicked, this, &dlgIPAddress::CancelButton_Click);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_OKButton);
    buttons->addWidget(m_CancelButton);
    buttons->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(frame, 1);
    top->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_Text3);

    Form_Load();
}

void dlgIPAddress::Form_Load()
{
    m_txtServer->setText(platform::readConfig(QLatin1String(platform::settingServerAddress)));
    m_txtPort->setText(platform::readConfig(QLatin1String(platform::settingPortNo)));
}

void dlgIPAddress::OKButton_Click()
{
    platform::writeConfig(QLatin1String(platform::settingServerAddress), m_txtServer->text());
    platform::writeConfig(QLatin1String(platform::settingPortNo), m_txtPort->text());
    accept();
}

void dlgIPAddress::CancelButton_Click()
{
    reject();
}

} // namespace app
