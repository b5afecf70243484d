#include "app/frmabout.h"

#include "app/icons.h"
#include "platform/prompter.h"
#include "platform/version.h"

#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include <stdexcept>

namespace app {

namespace {

const QString description = QStringLiteral(
    "It is a software utility for end-users that allows you to Import data into Tally Software from various "
    "sources like Excel, SQL-Server, MySQL, Access, Visual Foxpro, DBase etc.");

QSettings systemToolsStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Pelko10"),
                     QStringLiteral("SystemTools"));
}

QString rootName(qint32 root)
{
    switch (root) {
    case HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    default:
        return QStringLiteral("0x") + QString::number(quint32(root), 16).toUpper();
    }
}

bool startDetached(const QString &program)
{
    return QProcess::startDetached(program, {});
}

} // namespace

QString systemToolsKey(qint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef)
{
    QString path = KeyName;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return rootName(KeyRoot) + QLatin1Char('/') + path + QLatin1Char('/') + SubKeyRef;
}

void setSystemToolsValue(qint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, const QString &value)
{
    QSettings store = systemToolsStore();
    store.setValue(systemToolsKey(KeyRoot, KeyName, SubKeyRef), value);
    store.sync();
}

bool GetKeyValue(qint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    KeyVal.clear();
    const QSettings store = systemToolsStore();
    const QString key = systemToolsKey(KeyRoot, KeyName, SubKeyRef);
    if (!store.contains(key))
        return false;
    KeyVal = store.value(key).toString();
    return true;
}

frmAbout::frmAbout(QWidget *parent) : QDialog(parent), m_startProgram(startDetached)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);

    m_Picture1 = new QLabel(this);
    m_Picture1->setObjectName(QStringLiteral("Picture1"));
    m_Picture1->setPixmap(icons::logo().pixmap(64, 64));
    m_Picture1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_lblTitle = new QLabel(this);
    m_lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    m_lblTitle->setFont(titleFont);

    m_lblVersion = new QLabel(this);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));

    m_lblDescription = new QLabel(this);
    m_lblDescription->setObjectName(QStringLiteral("lblDescription"));
    m_lblDescription->setWordWrap(true);

    m_Text1 = new QPlainTextEdit(this);
    m_Text1->setObjectName(QStringLiteral("Text1"));
    m_Text1->setMinimumHeight(m_Text1->fontMetrics().lineSpacing() * 5);
    m_Text1->installEventFilter(this);
    m_Text1->viewport()->installEventFilter(this);

    auto makeLine = [this](const QString &name) {
        auto *line = new QFrame(this);
        line->setObjectName(name);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        return line;
    };

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    m_cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_cmdSysInfo->setAutoDefault(false);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(m_cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    auto *texts = new QVBoxLayout;
    texts->addWidget(m_lblTitle);
    texts->addWidget(m_lblVersion);
    texts->addWidget(m_lblDescription);
    texts->addWidget(m_Text1);
    auto *top = new QHBoxLayout;
    top->addWidget(m_Picture1);
    top->addLayout(texts, 1);

    auto *buttons = new QGridLayout;
    buttons->setColumnStretch(0, 1);
    buttons->addWidget(m_cmdOK, 0, 1);
    buttons->addWidget(m_cmdSysInfo, 1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(makeLine(QStringLiteral("Line1(0)")));
    layout->addWidget(makeLine(QStringLiteral("Line1(1)")));
    layout->addLayout(buttons);
    setMinimumWidth(480);

    Form_Load();
    // Enter and Escape close the box as it opens; the contact text is reached with Tab or the mouse.
    m_cmdOK->setFocus();
}

QString frmAbout::contactText()
{
    return QStringLiteral("Pelko, data import for the Tally accounting server\r\n"
                          "Questions and support: support@pelko.example\r\n"
                          "Updates and manuals: https://pelko.example\r\n"
                          "Please quote the version above when you write.");
}

void frmAbout::Form_Load()
{
    m_refill = false;
    const QString title = QString::fromLatin1(platform::programTitle);
    setWindowTitle(QStringLiteral("About ") + title);
    m_lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                              .arg(platform::programVersionMajor)
                              .arg(platform::programVersionMinor)
                              .arg(platform::programVersionPatch));
    m_lblTitle->setText(title);
    m_lblDescription->setText(description);
    m_Text1->setPlainText(contactText());
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    try {
        QString SysInfoPath;
        if (GetKeyValue(HKEY_LOCAL_MACHINE, QLatin1String(gREGKEYSYSINFO), QLatin1String(gREGVALSYSINFO),
                        SysInfoPath)) {
            startProgram(SysInfoPath);
            return;
        }
        if (GetKeyValue(HKEY_LOCAL_MACHINE, QLatin1String(gREGKEYSYSINFOLOC), QLatin1String(gREGVALSYSINFOLOC),
                        SysInfoPath)) {
            const QString program = SysInfoPath + QStringLiteral("/MSINFO32.EXE");
            if (QFileInfo(program).isFile()) {
                startProgram(program);
                return;
            }
        }
    } catch (...) {
        // Whatever went wrong, the user learns only that the tool is not there.
    }
    platform::msgBox(QStringLiteral("System Information Is Unavailable At This Time"), platform::MsgBoxStyle::OkOnly);
}

void frmAbout::startProgram(const QString &program)
{
    if (!m_startProgram || !m_startProgram(program))
        throw std::runtime_error("the System Information tool could not be started");
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    // Typing in the contact box wipes it; holding Ctrl alone and double-clicking brings the lines back.
    if (watched == m_Text1) {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
            if (modifiers == Qt::ControlModifier || (key->key() == Qt::Key_Control && modifiers == Qt::NoModifier)) {
                m_refill = true;
            } else {
                m_refill = false;
                m_Text1->clear();
            }
        } else if (event->type() == QEvent::KeyRelease) {
            m_refill = false;
            m_Text1->clear();
        }
    } else if (watched == m_Text1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        if (m_refill)
            m_Text1->setPlainText(contactText());
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace app
