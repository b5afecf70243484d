#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace app {

// Root keys of the system key store, numbered as the registry numbers them.
inline constexpr qint32 HKEY_CURRENT_USER = qint32(0x80000001U);
inline constexpr qint32 HKEY_LOCAL_MACHINE = qint32(0x80000002U);

// Where the System Information tool is found: a full path, or a folder that holds MSINFO32.EXE.
inline constexpr char gREGKEYSYSINFO[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char gREGVALSYSINFO[] = "PATH";
inline constexpr char gREGKEYSYSINFOLOC[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr char gREGVALSYSINFOLOC[] = "MSINFO";

// There is no system registry here: the values live in a settings file of our own (application "Pelko10",
// file "SystemTools"), one key per value: the root's name, the key path with "/" for "\", and the value name,
// e.g. HKEY_LOCAL_MACHINE/SOFTWARE/Microsoft/Shared Tools/MSINFO/PATH.
QString systemToolsKey(qint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef);
void setSystemToolsValue(qint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, const QString &value);

// Reads one value of the store into KeyVal; false (KeyVal empty) when the value is not there.
bool GetKeyValue(qint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal);

// The About box: the program's title, version and purpose, and a way to start the System Information tool.
class frmAbout final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    // Starts a program in a normal window; false when it cannot be started.
    using ProgramStarter = std::function<bool(const QString &program)>;

    explicit frmAbout(QWidget *parent = nullptr);

    // The contact lines the box shows.
    static QString contactText();

    // Replaces the real program start (tests).
    void setProgramStarter(ProgramStarter starter) { m_startProgram = std::move(starter); }

    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();

    bool refillFlag() const { return m_refill; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void startProgram(const QString &program);

    QLabel *m_lblTitle = nullptr;
    QLabel *m_lblVersion = nullptr;
    QLabel *m_lblDescription = nullptr;
    QPlainTextEdit *m_Text1 = nullptr;
    QLabel *m_Picture1 = nullptr;
    QPushButton *m_cmdOK = nullptr;
    QPushButton *m_cmdSysInfo = nullptr;
    bool m_refill = false;
    ProgramStarter m_startProgram;
};

} // namespace app
