#include "support/FakeDatabase.h"

#include "components/DbException.h"
#include "components/MemoryRowSource.h"

namespace quorvex::testing {

namespace {

struct Script {
    QString exact;
    QRegularExpression pattern;
    bool usePattern = false;
    bool once = false;
    bool used = false;
    bool fails = false;
    DbErrorList errors;
    std::vector<FieldInfo> fields;
    std::vector<Row> rows;
    qint64 rowsChanged = -1;

    bool matches(const QString& statement) const {
        if (once && used)
            return false;
        return usePattern ? pattern.match(statement).hasMatch() : statement == exact;
    }
};

std::vector<FieldInfo> textFields(const QStringList& names) {
    std::vector<FieldInfo> fields;
    for (const auto& n : names) {
        FieldInfo f;
        f.name = n;
        fields.push_back(f);
    }
    return fields;
}

} // namespace

struct FakeDatabase::State {
    std::vector<Script> scripts;
    DbErrorList openErrors;
    bool unscriptedEmpty = false;
    QStringList statements;
    QStringList connectionStrings;
    QList<int> timeouts;
    int opened = 0;
    int openNow = 0;

    Script* find(const QString& statement) {
        for (auto& s : scripts)
            if (s.matches(statement))
                return &s;
        return nullptr;
    }
};

namespace {

class FakeConnection : public IConnection {
public:
    explicit FakeConnection(std::shared_ptr<FakeDatabase::State> state)
        : m_state(std::move(state)) {}
    ~FakeConnection() override { close(); }

    void setConnectionTimeout(int seconds) override { m_timeout = seconds; }

    bool open(const QString& connectionString) override {
        m_state->connectionStrings << connectionString;
        m_state->timeouts << m_timeout;
        if (m_open) {
            m_errors = FakeDatabase::error(QStringLiteral("The connection is already open."), 0,
                                           QStringLiteral("08002"));
            return false;
        }
        if (!m_state->openErrors.isEmpty()) {
            m_errors = m_state->openErrors;
            return false;
        }
        m_errors.clear();
        m_open = true;
        ++m_state->opened;
        ++m_state->openNow;
        return true;
    }

    ConnectionState state() const override {
        return m_open ? ConnectionState::Open : ConnectionState::Closed;
    }

    void close() override {
        if (m_open) {
            if (m_transaction)
                m_state->statements << FakeDatabase::closedInTransactionEntry();
            m_transaction = false;
            m_open = false;
            --m_state->openNow;
        }
    }

    const DbErrorList& errors() const override { return m_errors; }

    Recordset openRecordset(const QString& statement, CursorType) override {
        Script* s = send(statement);
        if (!s) {
            if (m_state->unscriptedEmpty)
                return Recordset(std::make_unique<MemoryRowSource>(std::vector<FieldInfo>{},
                                                                   std::vector<Row>{}));
            fail(FakeDatabase::error(
                QStringLiteral("FakeDatabase: nothing scripted for: %1").arg(statement)));
        }
        return Recordset(std::make_unique<MemoryRowSource>(s->fields, s->rows));
    }

    void execute(const QString& statement) override { send(statement); }

    qint64 executeCounted(const QString& statement) override {
        const Script* s = send(statement);
        return s ? s->rowsChanged : -1;
    }

    void beginTransaction(TransactionIsolation isolation) override {
        if (m_transaction)
            fail(FakeDatabase::error(QStringLiteral("A transaction is open already."), 0,
                                     QStringLiteral("25000")));
        send(FakeDatabase::beginEntry(isolation));
        m_transaction = true;
    }

    void commit() override {
        if (!m_transaction)
            fail(FakeDatabase::error(QStringLiteral("No transaction is open."), 0,
                                     QStringLiteral("25000")));
        send(FakeDatabase::commitEntry()); // a scripted failure leaves the transaction open
        m_transaction = false;
    }

    void rollback() noexcept override {
        if (!m_transaction)
            return;
        m_transaction = false;
        try {
            send(FakeDatabase::rollbackEntry());
        } catch (const DbException&) {
            close(); // as a connection that cannot roll back
        }
    }

    bool inTransaction() const override { return m_transaction; }

private:
    Script* send(const QString& statement) {
        if (!m_open)
            fail(FakeDatabase::error(QStringLiteral("The connection is closed."), 0,
                                     QStringLiteral("08003")));
        m_state->statements << statement;
        Script* s = m_state->find(statement);
        if (s) {
            s->used = true;
            if (s->fails)
                fail(s->errors);
        }
        return s;
    }

    [[noreturn]] void fail(const DbErrorList& errors) {
        m_errors = errors;
        throw DbException(errors);
    }

    std::shared_ptr<FakeDatabase::State> m_state;
    DbErrorList m_errors;
    bool m_open = false;
    bool m_transaction = false;
    int m_timeout = -1;
};

} // namespace

FakeDatabase::FakeDatabase() : m_state(std::make_shared<State>()) {}
FakeDatabase::~FakeDatabase() = default;

std::unique_ptr<IConnection> FakeDatabase::createConnection() {
    return std::make_unique<FakeConnection>(m_state);
}

void FakeDatabase::onQuery(const QString& statement, const QStringList& fieldNames,
                           const std::vector<Row>& rows, bool once) {
    onQuery(statement, textFields(fieldNames), rows, once);
}

void FakeDatabase::onQuery(const QString& statement, const std::vector<FieldInfo>& fields,
                           const std::vector<Row>& rows, bool once) {
    Script s;
    s.exact = statement;
    s.once = once;
    s.fields = fields;
    s.rows = rows;
    m_state->scripts.push_back(std::move(s));
}

void FakeDatabase::onQueryMatching(const QRegularExpression& pattern, const QStringList& fieldNames,
                                   const std::vector<Row>& rows, bool once) {
    Script s;
    s.pattern = pattern;
    s.usePattern = true;
    s.once = once;
    s.fields = textFields(fieldNames);
    s.rows = rows;
    m_state->scripts.push_back(std::move(s));
}

void FakeDatabase::failOn(const QString& statement, const DbErrorList& errors, bool once) {
    Script s;
    s.exact = statement;
    s.once = once;
    s.fails = true;
    s.errors = errors;
    m_state->scripts.push_back(std::move(s));
}

void FakeDatabase::failOnMatching(const QRegularExpression& pattern, const DbErrorList& errors,
                                  bool once) {
    Script s;
    s.pattern = pattern;
    s.usePattern = true;
    s.once = once;
    s.fails = true;
    s.errors = errors;
    m_state->scripts.push_back(std::move(s));
}

void FakeDatabase::onExecute(const QString& statement, qint64 rowsChanged, bool once) {
    Script s;
    s.exact = statement;
    s.once = once;
    s.rowsChanged = rowsChanged;
    m_state->scripts.push_back(std::move(s));
}

QString FakeDatabase::beginEntry(TransactionIsolation isolation) {
    return isolation == TransactionIsolation::RepeatableRead
               ? QStringLiteral("<begin transaction, repeatable read>")
               : QStringLiteral("<begin transaction>");
}
QString FakeDatabase::commitEntry() {
    return QStringLiteral("<commit>");
}
QString FakeDatabase::rollbackEntry() {
    return QStringLiteral("<rollback>");
}
QString FakeDatabase::closedInTransactionEntry() {
    return QStringLiteral("<closed inside the transaction>");
}

void FakeDatabase::failOpen(const DbErrorList& errors) {
    m_state->openErrors = errors;
}

void FakeDatabase::setUnscriptedQueriesEmpty(bool empty) {
    m_state->unscriptedEmpty = empty;
}

QStringList FakeDatabase::statements() const {
    return m_state->statements;
}
QStringList FakeDatabase::connectionStrings() const {
    return m_state->connectionStrings;
}
int FakeDatabase::opened() const {
    return m_state->opened;
}
int FakeDatabase::openNow() const {
    return m_state->openNow;
}
QList<int> FakeDatabase::connectionTimeouts() const {
    return m_state->timeouts;
}

void FakeDatabase::clearLog() {
    m_state->statements.clear();
    m_state->connectionStrings.clear();
    m_state->timeouts.clear();
}

DbErrorList FakeDatabase::error(const QString& description, qint32 nativeError,
                                const QString& sqlState) {
    DbErrorRecord r;
    r.number = -1;
    r.description = description;
    r.source = QStringLiteral("[FakeDatabase]");
    r.sqlState = sqlState;
    r.nativeError = nativeError;
    return DbErrorList{r};
}

Row textRow(std::initializer_list<const char*> values) {
    Row row;
    for (const char* v : values)
        row.push_back(v ? FieldValue(QString::fromUtf8(v)) : FieldValue());
    return row;
}

} // namespace quorvex::testing
