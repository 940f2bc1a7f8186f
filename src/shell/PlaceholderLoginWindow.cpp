#include "shell/PlaceholderLoginWindow.h"

#include "components/ProcessControl.h"
#include "shell/Twips.h"

#include <QLabel>
#include <QPushButton>

namespace quorvex {

PlaceholderLoginWindow::PlaceholderLoginWindow(BackendChoice backend, ProcessControl& process,
                                               QWidget* parent)
    : QWidget(parent), m_process(process) {
    const bool sqlServer = backend == BackendChoice::SqlServer;
    setObjectName(sqlServer ? QStringLiteral("frmSqlLogin") : QStringLiteral("frmLogin"));
    setWindowTitle(sqlServer ? tr("SQL Server Login") : tr("SQLBase Login"));
    setFixedSize(sizeFromTwips(5160, 3705));

    const QString product = sqlServer ? tr("MS SQL Server") : tr("Centura SQLBase");
    m_lblNotice = new QLabel(tr("Logging in to %1 comes with a later version of Quorvex.\n\n"
                                "Press Cancel to end the program.")
                                 .arg(product),
                             this);
    m_lblNotice->setObjectName(QStringLiteral("lblNotice"));
    m_lblNotice->setWordWrap(true);
    m_lblNotice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblNotice->setGeometry(rectFromTwips(360, 360, 4440, 2400));
    QFont labelFont = m_lblNotice->font();
    labelFont.setBold(true);
    m_lblNotice->setFont(labelFont);

    m_cmdCancel = new QPushButton(tr("&Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setGeometry(rectFromTwips(2040, 3120, 1095, 375));
    m_cmdCancel->setAutoDefault(true);
    // Like the login windows' Cancel: the whole program ends, not only this window.
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { m_process.endProcessNow(0); });
    m_cmdCancel->setFocus();
}

} // namespace quorvex
