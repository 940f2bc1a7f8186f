#include "sqlite/SqliteSample.h"

#include "components/CancelToken.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/MessageService.h"
#include "components/TaskContext.h"
#include "sqlite/SqliteConnection.h"
#include "sqlite/SqliteIdentifier.h"
#include "sqlite/SqliteTransaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <optional>
#include <system_error>

namespace quorvex::sqlite {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("SqliteSample", text);
}

constexpr int customerCount = 40;
constexpr int orderCount = 120;
constexpr int rowsPerInsert = 100;

const char* const firstNames[] = {"Anna",   "Bruno", "Chloé", "Dario", "Eileen", "Fritz",
                                  "Greta",  "Hiro",  "Inès",  "José",  "Karin",  "Liam",
                                  "Maëlle", "Nils",  "Oona",  "Piotr"};
const char* const lastNames[] = {"Andersen", "O'Brien", "Müller",   "Nakamura", "Rossi",
                                 "Dubois",   "García",  "Kowalski", "Smith",    "Øster"};
const char* const cities[] = {"Lyon", "Porto", "Kraków", "Osaka", "Dublin", "Malmö", "Graz"};
const char* const products[] = {"Bolt M6",       "Nut M6",       "Washer 6 mm",  "Hinge",
                                "Shelf bracket", "Drawer slide", "Cabinet knob", "Wood screw 4x40"};
const char* const statuses[] = {"NEW", "PAID", "SHIPPED", "CLOSED"};
const int prices[] = {12, 5, 2, 350, 425, 1290, 240, 8}; // cents per piece / 10

// The same pseudo-random sequence every time, so every sample is alike.
class Sequence {
public:
    int next(int below) {
        m_state = m_state * 1103515245u + 12345u;
        return int((m_state >> 16) % unsigned(below));
    }

private:
    unsigned m_state = 20240601u;
};

QString text(const char* utf8) {
    return SqliteIdentifier::literal(QString::fromUtf8(utf8));
}

template <std::size_t N> const char* pick(const char* const (&list)[N], int index) {
    return list[std::size_t(index) % N];
}

// INSERT ... VALUES in batches.
void appendInserts(QStringList& statements, const QString& head, const QStringList& rows) {
    for (qsizetype start = 0; start < rows.size(); start += rowsPerInsert)
        statements << head + QStringLiteral(" VALUES\n") +
                          rows.mid(start, rowsPerInsert).join(QStringLiteral(",\n"));
}

QString date(int dayOfYear) {
    return QStringLiteral("'2024-%1-%2'")
        .arg(dayOfYear / 28 + 1, 2, 10, QLatin1Char('0'))
        .arg(dayOfYear % 28 + 1, 2, 10, QLatin1Char('0'));
}

} // namespace

QString SqliteSample::defaultFile() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("quorvex-sample.db"));
}

QStringList SqliteSample::statements() {
    QStringList statements{
        QStringLiteral("CREATE TABLE CUSTOMERS (CUSTOMER_ID INTEGER PRIMARY KEY, NAME "
                       "VARCHAR(60) NOT NULL, CITY VARCHAR(40), EMAIL VARCHAR(80), CREATED DATE)"),
        QStringLiteral("CREATE TABLE ORDERS (ORDER_ID INTEGER PRIMARY KEY, CUSTOMER_ID INTEGER "
                       "NOT NULL REFERENCES CUSTOMERS, ORDER_DATE DATE NOT NULL, STATUS "
                       "VARCHAR(12) NOT NULL, AMOUNT NUMERIC(10,2), NOTE TEXT)"),
        QStringLiteral("CREATE TABLE \"ORDER LINES\" (ORDER_ID INTEGER NOT NULL REFERENCES "
                       "ORDERS, LINE_NO INTEGER NOT NULL, PRODUCT VARCHAR(40) NOT NULL, "
                       "QUANTITY INTEGER NOT NULL, \"UNIT PRICE\" NUMERIC(10,2) NOT NULL, "
                       "PRIMARY KEY (ORDER_ID, LINE_NO))"),
    };
    Sequence random;
    QStringList customers;
    for (int id = 1; id <= customerCount; ++id) {
        const char* first = pick(firstNames, random.next(100));
        const char* last = pick(lastNames, random.next(100));
        // Every seventh customer has no e-mail address: NULL is part of real data.
        const QString email = id % 7 == 0 ? QStringLiteral("NULL")
                                          : QStringLiteral("'customer%1@example.com'").arg(id);
        customers << QStringLiteral("(%1, %2, %3, %4, %5)")
                         .arg(id)
                         .arg(SqliteIdentifier::literal(QString::fromUtf8(first) + u' ' +
                                                        QString::fromUtf8(last)),
                              text(pick(cities, random.next(100))), email, date(random.next(300)));
    }
    appendInserts(statements,
                  QStringLiteral("INSERT INTO CUSTOMERS (CUSTOMER_ID, NAME, CITY, EMAIL, CREATED)"),
                  customers);

    QStringList orders;
    QStringList lines;
    for (int id = 1; id <= orderCount; ++id) {
        const int customer = random.next(customerCount) + 1;
        const QString note =
            id % 5 == 0 ? QStringLiteral("'Deliver before noon'") : QStringLiteral("NULL");
        orders << QStringLiteral("(%1, %2, %3, %4, NULL, %5)")
                      .arg(id)
                      .arg(customer)
                      .arg(date(random.next(330)), text(pick(statuses, random.next(100))), note);
        const int lineCount = random.next(5) + 1;
        for (int line = 1; line <= lineCount; ++line) {
            const int product = random.next(8);
            lines << QStringLiteral("(%1, %2, %3, %4, %5)")
                         .arg(id)
                         .arg(line)
                         .arg(text(pick(products, product)))
                         .arg(random.next(20) + 1)
                         .arg(QString::number(prices[product] / 10.0, 'f', 2));
        }
    }
    appendInserts(statements,
                  QStringLiteral("INSERT INTO ORDERS (ORDER_ID, CUSTOMER_ID, ORDER_DATE, STATUS, "
                                 "AMOUNT, NOTE)"),
                  orders);
    appendInserts(statements,
                  QStringLiteral("INSERT INTO \"ORDER LINES\" (ORDER_ID, LINE_NO, PRODUCT, "
                                 "QUANTITY, \"UNIT PRICE\")"),
                  lines);
    statements << QStringLiteral("UPDATE ORDERS SET AMOUNT = (SELECT ROUND(SUM(QUANTITY * "
                                 "\"UNIT PRICE\"), 2) FROM \"ORDER LINES\" L WHERE L.ORDER_ID = "
                                 "ORDERS.ORDER_ID)");
    return statements;
}

bool SqliteSample::create(IConnectionFactory& connections, const QString& file,
                          MessageService& messages, TaskContext& task) {
    const QFileInfo target(file);
    if (!QDir().mkpath(target.absolutePath())) {
        messages.show(tr("The folder %1 could not be made.")
                          .arg(QDir::toNativeSeparators(target.absolutePath())));
        return false;
    }
    const QString building = target.absoluteFilePath() + QStringLiteral(".new");
    QFile::remove(building);
    std::unique_ptr<IConnection> connection = openSqliteConnection(
        connections, building, messages, SqliteFileUse::NewFile, SqliteReading::WholeResults);
    if (!connection)
        return false;
    try {
        std::optional<CancelToken::Watch> watch(std::in_place, task.cancelToken(), *connection);
        SqliteTransaction transaction(*connection, &task.cancelToken());
        const QStringList all = statements();
        for (qsizetype i = 0; i < all.size(); ++i) {
            task.throwIfCancelled();
            task.reportProgress(i, all.size());
            connection->execute(all.at(i));
        }
        transaction.commit();
        watch.reset();
        connection->close();
    } catch (const DbException& e) {
        connection->close();
        QFile::remove(building);
        if (!task.isCancelled())
            messages.show(tr("The sample database could not be made:") +
                          QStringLiteral("\r\n\r\n") + e.description());
        return false;
    } catch (const OperationCancelled&) {
        connection->close();
        QFile::remove(building);
        return false;
    }
    std::error_code error;
    std::filesystem::rename(building.toStdU16String(), target.absoluteFilePath().toStdU16String(),
                            error);
    if (error) {
        QFile::remove(building);
        messages.show(tr("The sample database could not be put in place as %1: %2")
                          .arg(QDir::toNativeSeparators(file),
                               QString::fromLocal8Bit(error.message().c_str())));
        return false;
    }
    return true;
}

} // namespace quorvex::sqlite
