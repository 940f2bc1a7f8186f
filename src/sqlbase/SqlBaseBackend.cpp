#include "sqlbase/SqlBaseBackend.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/MessageService.h"
#include "components/TaskContext.h"
#include "sqlbase/SqlBaseAuditGenerator.h"
#include "sqlbase/SqlBaseCatalog.h"
#include "sqlbase/SqlBaseColumns.h"
#include "sqlbase/SqlBaseCreationFlow.h"
#include "sqlbase/SqlBaseSession.h"
#include "sqlbase/SqlBaseStartup.h"
#include "sqlbase/SqlBaseSweep.h"

#include <QCoreApplication>

namespace quorvex::sqlbase {

namespace {

// The installed-audits grid holds the record count in column 0, the audit's name in 1 and
// ENABLED in 3.
constexpr int kNameColumn = 1;
constexpr int kEnabledColumn = 3;

QString tr(const char* text) {
    return QCoreApplication::translate("SqlBaseBackend", text);
}

// What a cancelled action had done: "Cancelled. Disabled: A. Not disabled: B, C." (an audit
// whose action failed has had its message and is in neither list).
QString cancelledActionMessage(const QString& doneLabel, const QString& notDoneLabel,
                               const QStringList& done, const QStringList& notDone) {
    QString text = tr("Cancelled.");
    if (!done.isEmpty())
        text += u' ' + doneLabel.arg(done.join(QStringLiteral(", ")));
    if (!notDone.isEmpty())
        text += u' ' + notDoneLabel.arg(notDone.join(QStringLiteral(", ")));
    return text;
}

// What each action says while it runs and after a cancel.
struct ActionTexts {
    const char* doing;
    const char* done;
    const char* notDone;
};

ActionTexts actionTexts(AuditAction action) {
    switch (action) {
    case AuditAction::Disable:
        return {QT_TRANSLATE_NOOP("SqlBaseBackend", "Disabling %1"),
                QT_TRANSLATE_NOOP("SqlBaseBackend", "Disabled: %1."),
                QT_TRANSLATE_NOOP("SqlBaseBackend", "Not disabled: %1.")};
    case AuditAction::Enable:
        return {QT_TRANSLATE_NOOP("SqlBaseBackend", "Enabling %1"),
                QT_TRANSLATE_NOOP("SqlBaseBackend", "Enabled: %1."),
                QT_TRANSLATE_NOOP("SqlBaseBackend", "Not enabled: %1.")};
    case AuditAction::Delete:
        break;
    }
    return {QT_TRANSLATE_NOOP("SqlBaseBackend", "Deleting %1"),
            QT_TRANSLATE_NOOP("SqlBaseBackend", "Deleted: %1."),
            QT_TRANSLATE_NOOP("SqlBaseBackend", "Not deleted: %1.")};
}

} // namespace

SqlBaseBackend::SqlBaseBackend(IConnectionFactory& connections, SqlBaseLoginValues login)
    : m_connections(connections), m_login(std::move(login)), m_traits(mainWindowTraits()) {}

SqlBaseBackend::~SqlBaseBackend() {
    if (m_deleteConnection)
        m_deleteConnection->close();
}

MainWindowTraits SqlBaseBackend::mainWindowTraits() {
    MainWindowTraits traits;
    traits.objectName = QStringLiteral("FRMCENMAIN");
    traits.clientHeightTwips = 9015;
    // "ZOTA_" and 13 characters make the 18 an object name may have.
    traits.nameMaxLength = 13;
    traits.upperCaseNamesOnExit = true;
    traits.columnsListed = ColumnsListedWhen::SelectionChanged;
    traits.initialOldValueFlag = QStringLiteral("false");
    traits.addButtonsShowArrow = false;
    traits.tooltips = true;
    traits.panicOnF12 = true;
    traits.installedAuditNameColumn = kNameColumn;
    traits.installedAuditRows = InstalledAuditRows::SelectedRows;
    traits.resetClearsChangedFields = false;
    traits.installedAuditWidths = {17, 140, 140, 415, 63};
    traits.currentRowAfterListing = true;
    traits.recordsWho = false;
    traits.recordsWhoUnavailableReason = sqlBaseRecordWhoUnavailableMessage();
    return traits;
}

std::unique_ptr<SqlBaseSession> SqlBaseBackend::openSession(MessageService& messages,
                                                            TaskContext& task) {
    std::unique_ptr<SqlBaseSession> session =
        SqlBaseSession::open(m_connections, m_login, messages, task);
    // An open cannot be cut short; a cancel asked meanwhile ends the operation here.
    if (session && session->isCancelled())
        return nullptr;
    return session;
}

std::optional<AuditBackend::Loaded> SqlBaseBackend::load(MessageService& messages,
                                                         TaskContext& task) {
    std::unique_ptr<SqlBaseSession> session = openSession(messages, task);
    if (!session)
        return std::nullopt;
    return startSqlBaseMainWindow(*session);
}

std::optional<QStringList>
SqlBaseBackend::listColumns(const QString& table, MessageService& messages, TaskContext& task) {
    if (table.isEmpty())
        return QStringList();
    std::unique_ptr<SqlBaseSession> session = openSession(messages, task);
    if (!session)
        return std::nullopt;
    try {
        QStringList names;
        for (const ColumnInfo& column : readSqlBaseColumns(*session, table))
            names << column.name;
        return names;
    } catch (const DbException& e) {
        // An empty column list without a word would look like a table without columns.
        if (!session->isCancelled())
            messages.show(sqlBaseReadFailure(e, tr("Reading the columns of %1").arg(table)));
        return std::nullopt;
    }
}

std::optional<AuditListing> SqlBaseBackend::listAudits(MessageService& messages,
                                                       TaskContext& task) {
    std::unique_ptr<SqlBaseSession> session = openSession(messages, task);
    if (!session)
        return std::nullopt;
    return SqlBaseCatalog(*session).list();
}

std::optional<AuditListing> SqlBaseBackend::actOnRows(const QList<InstalledAuditRow>& rows,
                                                      AuditAction action, MessageService& messages,
                                                      TaskContext& task) {
    std::unique_ptr<SqlBaseSession> session = openSession(messages, task);
    if (!session)
        return std::nullopt;
    return actOnSession(*session, rows, action);
}

std::optional<AuditListing> SqlBaseBackend::actOnSession(SqlBaseSession& session,
                                                         const QList<InstalledAuditRow>& rows,
                                                         AuditAction action) {
    const ActionTexts texts = actionTexts(action);
    SqlBaseCatalog catalog(session);
    TaskContext& task = session.task();
    QStringList done;
    QStringList notDone;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString name = auditName(rows[i]);
        if (name.isEmpty())
            continue;
        if (!notDone.isEmpty() || session.isCancelled()) {
            notDone << name;
            continue;
        }
        task.reportProgress(i, rows.size());
        const QString enabledBefore = rows[i].value(kEnabledColumn);
        task.reportStep(tr(texts.doing).arg(name));
        const SqlBaseCatalog::Outcome outcome = action == AuditAction::Delete ? catalog.remove(name)
                                                : action == AuditAction::Enable
                                                    ? catalog.enable(name, enabledBefore)
                                                    : catalog.disable(name, enabledBefore);
        if (outcome == SqlBaseCatalog::Outcome::Cancelled)
            notDone << name;
        else if (outcome == SqlBaseCatalog::Outcome::Done)
            done << name;
    }
    if (!notDone.isEmpty()) {
        session.messages().show(
            cancelledActionMessage(tr(texts.done), tr(texts.notDone), done, notDone));
        return std::nullopt;
    }
    task.reportStep(tr("Reading the audit catalog"));
    return catalog.list();
}

bool SqlBaseBackend::prepareDelete(MessageService& messages, TaskContext& task) {
    std::unique_ptr<SqlBaseSession> session = openSession(messages, task);
    if (!session)
        return false;
    std::unique_ptr<IConnection> earlier;
    {
        std::lock_guard lock(m_deleteMutex);
        earlier = std::exchange(m_deleteConnection, session->release());
    }
    if (earlier)
        earlier->close(); // a delete that was never answered
    return true;
}

std::optional<AuditListing> SqlBaseBackend::deleteAudits(const QList<InstalledAuditRow>& rows,
                                                         DeleteAnswer answer,
                                                         MessageService& messages,
                                                         TaskContext& task) {
    std::unique_ptr<IConnection> prepared;
    {
        std::lock_guard lock(m_deleteMutex);
        prepared = std::move(m_deleteConnection);
    }
    std::unique_ptr<SqlBaseSession> session;
    if (prepared && prepared->state() == ConnectionState::Open)
        session = std::make_unique<SqlBaseSession>(std::move(prepared), messages, task);
    else
        session = openSession(messages, task);
    if (!session)
        return std::nullopt;
    if (answer == DeleteAnswer::Yes)
        return actOnSession(*session, rows, AuditAction::Delete);
    return SqlBaseCatalog(*session).list();
}

SaveResult SqlBaseBackend::save(const AuditDefinition& definition, MessageService& messages,
                                TaskContext& task) {
    std::unique_ptr<SqlBaseSession> session = openSession(messages, task);
    if (!session)
        return {};
    return saveSqlBaseAudit(definition, *session);
}

QString SqlBaseBackend::panicQuestion() const {
    return sqlBasePanicQuestion();
}

bool SqlBaseBackend::panicSweep(MessageService& messages, TaskContext& task) {
    std::unique_ptr<SqlBaseSession> session = openSession(messages, task);
    if (!session)
        return false;
    return sweepSqlBaseAuditObjects(*session);
}

QString SqlBaseBackend::panicEndMessage(bool swept) const {
    // Never claim a clean database after a failure: the messages before said what stayed.
    return swept ? sqlBasePanicDoneMessage() : sqlBasePanicIncompleteMessage();
}

void SqlBaseBackend::shutdown(MessageService& messages, TaskContext& task) {
    (void)task; // an open cannot be cut short, and nothing follows it
    shutDownSqlBaseMainWindow(m_connections, m_login, messages);
}

} // namespace quorvex::sqlbase
