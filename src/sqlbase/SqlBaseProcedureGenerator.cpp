#include "sqlbase/SqlBaseProcedureGenerator.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace quorvex::sqlbase {

SqlBaseProcedureGenerator::SqlBaseProcedureGenerator(QString objectName, SqlBaseAuditTexts texts)
    : m_objectName(std::move(objectName)), m_texts(std::move(texts)) {}

QString SqlBaseProcedureGenerator::createTable() const {
    // The audit's own columns follow the chosen ones: when and by whom (user names have at
    // most 8 characters).
    return u"CREATE TABLE "_s + m_objectName + u" ("_s + m_texts.columnDefinitions.join(QString()) +
           u"DATE TIMESTAMP, USERID VARCHAR(8))PCTFREE 10"_s;
}

QString SqlBaseProcedureGenerator::createSynonym() const {
    // Every user may then write into the audit table without naming its owner.
    return u"CREATE PUBLIC SYNONYM "_s + m_objectName + u" FOR SYSADM."_s + m_objectName;
}

QString SqlBaseProcedureGenerator::storeProcedure() const {
    QString insertColumns;
    for (const QString& column : m_texts.insertColumns)
        insertColumns += column + u',';
    insertColumns += u"DATE, USERID"_s;
    QString insertValues;
    for (const QString& value : m_texts.insertValues)
        insertValues += value + u',';
    insertValues += u"sysdatetime, user"_s;

    QStringList lines;
    lines << u"STORE "_s + m_objectName << u"PROCEDURE:"_s + m_objectName + u" static"_s
          << QStringLiteral("PARAMETERS");
    lines << m_texts.parameterLines;
    // USERID is filled by the trigger with the changing user and serves conditions only.
    lines << QStringLiteral(" String: USERID") << QStringLiteral("LOCAL VARIABLES")
          << QStringLiteral(" Number: nRcd") << QStringLiteral(" Number: nNoChange")
          << QStringLiteral(" Sql Handle: hSql1") << QStringLiteral("ACTIONS");
    lines << m_texts.conditionBlock;
    lines << QStringLiteral(" If nNoChange = 0") << QStringLiteral("  Call SqlConnect(hSql1)")
          << u"  Call SqlPrepareAndExecute(hSql1, 'insert into "_s + m_objectName + u" ("_s +
                 insertColumns + u") values ("_s + insertValues + u")')"_s
          << QStringLiteral("  Call SqlDisconnect(hSql1)") << QStringLiteral(" Return nRcd");
    return lines.join(QStringLiteral("\r\n"));
}

QString SqlBaseProcedureGenerator::createTrigger(const QString& timing, const QString& table,
                                                 const QString& referencing) const {
    return u"CREATE TRIGGER "_s + m_objectName + u' ' + timing + u' ' + table + referencing +
           u"(EXECUTE "_s + m_objectName + u'(' + m_texts.triggerArguments.join(u',') +
           u",user))FOR EACH ROW"_s;
}

} // namespace quorvex::sqlbase
