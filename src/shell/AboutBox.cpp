#include "shell/AboutBox.h"

#include "components/MessageService.h"
#include "components/Version.h"
#include "components/Twips.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace quorvex {

QString aboutVersionText(int majorVersion, int minorVersion, int revision) {
    return QStringLiteral("Version %1.%2.%3").arg(majorVersion).arg(minorVersion).arg(revision);
}

AboutBox::AboutBox(MessageService& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_messages(messages) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + applicationTitle());
    setFixedSize(sizeFromTwips(5730, 3555));
    setModal(false);

    m_picIcon = new QLabel(this);
    m_picIcon->setObjectName(QStringLiteral("picIcon"));
    m_picIcon->setGeometry(rectFromTwips(240, 240, 480, 480));
    m_picIcon->setPixmap(QPixmap(QStringLiteral(":/shell/quorvex.png")));

    QFont labelFont = font();
    labelFont.setBold(true);

    m_lblTitle = new QLabel(applicationTitle(), this);
    m_lblTitle->setObjectName(QStringLiteral("lblTitle"));
    m_lblTitle->setGeometry(rectFromTwips(1050, 240, 3885, 480));
    QFont titleFont = labelFont;
    titleFont.setPointSizeF(labelFont.pointSizeF() * 1.5);
    m_lblTitle->setFont(titleFont);

    m_lblVersion = new QLabel(
        aboutVersionText(version::majorNumber, version::minorNumber, version::revisionNumber),
        this);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));
    m_lblVersion->setGeometry(rectFromTwips(1050, 780, 3885, 225));
    m_lblVersion->setFont(labelFont);

    m_lblDescription = new QLabel(QStringLiteral("App Description"), this);
    m_lblDescription->setObjectName(QStringLiteral("lblDescription"));
    m_lblDescription->setGeometry(rectFromTwips(1050, 1125, 3885, 1170));
    m_lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblDescription->setWordWrap(true);
    m_lblDescription->setFont(labelFont);

    // A sunken line draws the grey-over-white etched separator above the buttons.
    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(rectFromTwips(120, 2430, 5490, 30));

    // Created in tab order: OK first, then System Info.
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setGeometry(rectFromTwips(4125, 2625, 1380, 345));
    m_cmdOK->setDefault(true);
    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    m_cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    m_cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_cmdSysInfo->setGeometry(rectFromTwips(4125, 3075, 1380, 345));
    connect(m_cmdSysInfo, &QPushButton::clicked, this, &AboutBox::startSysInfo);

    m_cmdOK->setFocus();
}

void AboutBox::startSysInfo() {
    m_messages.show(QStringLiteral("System Information Is Unavailable At This Time"),
                    MessageIcon::None);
}

} // namespace quorvex
