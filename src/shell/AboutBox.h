#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace quorvex {

class MessageService;

// "Version " + major.minor.revision; the build number is left out.
QString aboutVersionText(int majorVersion, int minorVersion, int revision);

// The About box (frmAbout): title, version, description; a free-standing modeless dialog,
// never a child of the frame. OK, Enter and Esc close it.
class AboutBox : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(MessageService& messages, QWidget* parent = nullptr);

    QPushButton* okButton() const { return m_cmdOK; }
    QPushButton* sysInfoButton() const { return m_cmdSysInfo; }

    // This platform has no System Information program to start, so the box says so.
    void startSysInfo();

private:
    MessageService& m_messages;
    QLabel* m_picIcon = nullptr;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblDescription = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdSysInfo = nullptr;
};

} // namespace quorvex
