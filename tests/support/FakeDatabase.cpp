#include "support/FakeDatabase.h"

#include "components/DbException.h"
#include "components/MemoryRowSource.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace quorvex::testing {

struct FakeDatabase::Script {
    QString exact{};
    bool once = false;
    bool used = false;
    bool fails = false;
    DbErrorList errors{};
    std::vector<FieldInfo> fields{};
    std::vector<Row> rows{};
    qint64 rowsChanged = -1;
    bool holds = false;
    int rowsFirst = 0;

    bool matches(const QString& statement) const {
        if (once && used)
            return false;
        return statement == exact;
    }
};
using Script = FakeDatabase::Script;

struct FakeDatabase::State {
    mutable std::mutex mutex;
    std::condition_variable changed;
    int generation = 0; // counts release() calls: a wait ends when it moves on
    int waiting = 0;
    int cancels = 0;
    QList<int> queryTimeouts;
    std::vector<Script> scripts;
    DbErrorList openErrors;
    bool unscriptedEmpty = false;
    QStringList statements;
    QStringList connectionStrings;
    QList<int> timeouts;
    int opened = 0;
    int openNow = 0;

    // The first script for the statement, among the holds or among the others.
    Script* find(const QString& statement, bool hold = false) {
        for (auto& s : scripts)
            if (s.holds == hold && s.matches(statement))
                return &s;
        return nullptr;
    }
};

namespace {

// What a connection and the rows it hands out share: whether one of them waits (a held
// statement, or a held query's rows), and whether a cancel was asked.
struct CancelFlag {
    bool waiting = false;
    bool asked = false;
};

// A query's rows, handed out from memory; a held query waits after its first rows.
class FakeRowSource : public IRowSource {
public:
    FakeRowSource(std::shared_ptr<FakeDatabase::State> state, std::shared_ptr<CancelFlag> cancel,
                  std::vector<FieldInfo> fields, std::vector<Row> rows, int holdAfter)
        : m_state(std::move(state)), m_cancel(std::move(cancel)),
          m_rows(std::move(fields), std::move(rows)), m_holdAfter(holdAfter) {}
    const std::vector<FieldInfo>& fields() const override { return m_rows.fields(); }
    bool fetch(Row& row) override;

private:
    std::shared_ptr<FakeDatabase::State> m_state;
    std::shared_ptr<CancelFlag> m_cancel;
    MemoryRowSource m_rows;
    int m_holdAfter; // -1: no hold
    int m_handedOut = 0;
};

// Waits as a busy server does: until release() or a cancel. Called with the lock held.
void waitWhileHeld(FakeDatabase::State& state, std::unique_lock<std::mutex>& lock,
                   CancelFlag& cancel) {
    const int generation = state.generation;
    ++state.waiting;
    cancel.waiting = true;
    state.changed.notify_all();
    state.changed.wait(lock, [&] { return state.generation != generation || cancel.asked; });
    --state.waiting;
    cancel.waiting = false;
    if (cancel.asked) {
        cancel.asked = false;
        throw DbException(
            FakeDatabase::error(FakeDatabase::cancelledText(), 0, QStringLiteral("HY008")));
    }
}

bool FakeRowSource::fetch(Row& row) {
    if (m_holdAfter >= 0 && m_handedOut == m_holdAfter) {
        m_holdAfter = -1;
        std::unique_lock lock(m_state->mutex);
        waitWhileHeld(*m_state, lock, *m_cancel);
    }
    const bool more = m_rows.fetch(row);
    if (more)
        ++m_handedOut;
    return more;
}

class FakeConnection : public IConnection {
public:
    explicit FakeConnection(std::shared_ptr<FakeDatabase::State> state)
        : m_state(std::move(state)), m_cancel(std::make_shared<CancelFlag>()) {}
    ~FakeConnection() override { close(); }

    void setConnectionTimeout(int seconds) override { m_timeout = seconds; }
    void setQueryTimeout(int seconds) override { m_queryTimeout = seconds; }

    void cancel() override {
        std::lock_guard lock(m_state->mutex);
        ++m_state->cancels;
        if (m_running || m_cancel->waiting) {
            m_cancel->asked = true;
            m_state->changed.notify_all();
        }
    }

    bool open(const QString& connectionString) override {
        std::lock_guard lock(m_state->mutex);
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
        std::lock_guard lock(m_state->mutex);
        if (m_open) {
            if (m_transaction)
                m_state->statements << QStringLiteral("<closed inside the transaction>");
            m_transaction = false;
            m_open = false;
            --m_state->openNow;
        }
    }

    const DbErrorList& errors() const override { return m_errors; }

    Recordset openRecordset(const QString& statement, CursorType) override {
        std::unique_lock lock(m_state->mutex);
        int holdAfter = -1;
        Script* s = send(statement, lock, &holdAfter);
        if (!s) {
            if (m_state->unscriptedEmpty)
                return Recordset(std::make_unique<MemoryRowSource>(std::vector<FieldInfo>{},
                                                                   std::vector<Row>{}));
            fail(FakeDatabase::error(
                QStringLiteral("FakeDatabase: nothing scripted for: %1").arg(statement)));
        }
        return Recordset(
            std::make_unique<FakeRowSource>(m_state, m_cancel, s->fields, s->rows, holdAfter));
    }

    void execute(const QString& statement) override {
        std::unique_lock lock(m_state->mutex);
        send(statement, lock);
    }

    qint64 executeCounted(const QString& statement) override {
        std::unique_lock lock(m_state->mutex);
        const Script* s = send(statement, lock);
        return s ? s->rowsChanged : -1;
    }

    void beginTransaction(TransactionIsolation isolation) override {
        std::unique_lock lock(m_state->mutex);
        if (m_transaction)
            fail(FakeDatabase::error(QStringLiteral("A transaction is open already."), 0,
                                     QStringLiteral("25000")));
        send(FakeDatabase::beginEntry(isolation), lock);
        m_transaction = true;
    }

    void commit() override {
        std::unique_lock lock(m_state->mutex);
        if (!m_transaction)
            fail(FakeDatabase::error(QStringLiteral("No transaction is open."), 0,
                                     QStringLiteral("25000")));
        send(FakeDatabase::commitEntry(), lock); // a scripted failure leaves it open
        m_transaction = false;
    }

    void rollback() noexcept override {
        std::lock_guard lock(m_state->mutex);
        if (!m_transaction)
            return;
        m_transaction = false;
        m_state->statements << FakeDatabase::rollbackEntry();
        m_state->queryTimeouts << m_queryTimeout;
    }

    bool inTransaction() const override { return m_transaction; }

private:
    // Called with the lock held. A held statement waits first; a held query waits after its
    // first rows (holdAfter tells the rows).
    Script* send(const QString& statement, std::unique_lock<std::mutex>& lock,
                 int* holdAfter = nullptr) {
        if (!m_open)
            fail(FakeDatabase::error(QStringLiteral("The connection is closed."), 0,
                                     QStringLiteral("08003")));
        m_state->statements << statement;
        m_state->queryTimeouts << m_queryTimeout;
        if (const Script* hold = m_state->find(statement, true)) {
            if (holdAfter && hold->rowsFirst > 0) {
                *holdAfter = hold->rowsFirst;
            } else {
                m_running = true;
                try {
                    waitWhileHeld(*m_state, lock, *m_cancel);
                } catch (const DbException& e) {
                    m_running = false;
                    fail(e.errors());
                }
                m_running = false;
            }
        }
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
    std::shared_ptr<CancelFlag> m_cancel;
    DbErrorList m_errors;
    bool m_open = false;
    bool m_transaction = false;
    bool m_running = false;
    int m_timeout = -1;
    int m_queryTimeout = 0;
};

} // namespace

FakeDatabase::FakeDatabase() : m_state(std::make_shared<State>()) {}
FakeDatabase::~FakeDatabase() = default;

std::unique_ptr<IConnection> FakeDatabase::createConnection() {
    return std::make_unique<FakeConnection>(m_state);
}

void FakeDatabase::add(Script script) {
    std::lock_guard lock(m_state->mutex);
    m_state->scripts.push_back(std::move(script));
}

void FakeDatabase::onQuery(const QString& statement, const QStringList& fieldNames,
                           const std::vector<Row>& rows, bool once) {
    std::vector<FieldInfo> fields;
    for (const QString& name : fieldNames)
        fields.push_back(FieldInfo{name});
    add({.exact = statement, .once = once, .fields = fields, .rows = rows});
}

void FakeDatabase::failOn(const QString& statement, const DbErrorList& errors, bool once) {
    add({.exact = statement, .once = once, .fails = true, .errors = errors});
}

void FakeDatabase::onExecute(const QString& statement, qint64 rowsChanged, bool once) {
    add({.exact = statement, .once = once, .rowsChanged = rowsChanged});
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

void FakeDatabase::failOpen(const DbErrorList& errors) {
    std::lock_guard lock(m_state->mutex);
    m_state->openErrors = errors;
}

void FakeDatabase::setUnscriptedQueriesEmpty(bool empty) {
    std::lock_guard lock(m_state->mutex);
    m_state->unscriptedEmpty = empty;
}

void FakeDatabase::holdOn(const QString& statement, int rowsFirst) {
    add({.exact = statement, .holds = true, .rowsFirst = rowsFirst});
}

void FakeDatabase::release() {
    std::lock_guard lock(m_state->mutex);
    auto& scripts = m_state->scripts;
    scripts.erase(
        std::remove_if(scripts.begin(), scripts.end(), [](const Script& s) { return s.holds; }),
        scripts.end());
    ++m_state->generation;
    m_state->changed.notify_all();
}

// What happened, read under the lock.
template <typename T> T FakeDatabase::read(T State::*member) const {
    std::lock_guard lock(m_state->mutex);
    return (*m_state).*member;
}
int FakeDatabase::waiting() const {
    return read(&State::waiting);
}
int FakeDatabase::cancels() const {
    return read(&State::cancels);
}
QStringList FakeDatabase::statements() const {
    return read(&State::statements);
}
QStringList FakeDatabase::connectionStrings() const {
    return read(&State::connectionStrings);
}
int FakeDatabase::opened() const {
    return read(&State::opened);
}
int FakeDatabase::openNow() const {
    return read(&State::openNow);
}
QList<int> FakeDatabase::connectionTimeouts() const {
    return read(&State::timeouts);
}
QList<int> FakeDatabase::queryTimeouts() const {
    return read(&State::queryTimeouts);
}

void FakeDatabase::clearLog() {
    std::lock_guard lock(m_state->mutex);
    m_state->queryTimeouts.clear();
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
