#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace app {

// The server settings dialog: shows the stored server address and port, saves exactly what was typed on OK
// and nothing on Cancel.
class dlgIPAddress final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(dlgIPAddress)

public:
    explicit dlgIPAddress(QWidget *parent = nullptr);

    void OKButton_Click();
    void CancelButton_Click();

private:
    void Form_Load();

    QLineEdit *m_txtServer = nullptr;
    QLineEdit *m_txtPort = nullptr;
    QPlainTextEdit *m_Text3 = nullptr;
    QPushButton *m_OKButton = nullptr;
    QPushButton *m_CancelButton = nullptr;
};

} // namespace app
