#include "components/OdbcEnvironmentHandle.h"

#include "components/OdbcDiagnostics.h"

#include <clocale>
#include <langinfo.h>
#include <mutex>
#include <sqlext.h>
#include <strings.h>
#include <utility>

namespace quorvex {

namespace {

// The driver manager passes wide calls to drivers that only have narrow ones (SQLite's, for
// one) through the process's character set, and outside UTF-8 every character beyond ASCII is
// lost on the way. A Qt application already runs in UTF-8 (QCoreApplication switches to it);
// a process without one gets the same here.
void useUtf8CharacterSet() {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset != nullptr &&
        (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0))
        return;
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr)
        std::setlocale(LC_CTYPE, "en_US.UTF-8");
}

} // namespace

OdbcEnvironmentHandle::OdbcEnvironmentHandle() {
    SQLHENV handle = SQL_NULL_HENV;
    OdbcDiagnostics::check(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle), SQL_HANDLE_ENV,
                           handle);
    m_handle = handle;
    OdbcDiagnostics::check(SQLSetEnvAttr(m_handle, SQL_ATTR_ODBC_VERSION,
                                         reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                           SQL_HANDLE_ENV, m_handle);
}

OdbcEnvironmentHandle::~OdbcEnvironmentHandle() noexcept {
    release();
}

OdbcEnvironmentHandle::OdbcEnvironmentHandle(OdbcEnvironmentHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)) {}

OdbcEnvironmentHandle& OdbcEnvironmentHandle::operator=(OdbcEnvironmentHandle&& other) noexcept {
    if (this != &other) {
        release();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

void OdbcEnvironmentHandle::release() noexcept {
    if (m_handle != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, m_handle);
    m_handle = SQL_NULL_HENV;
}

std::shared_ptr<OdbcEnvironmentHandle> OdbcEnvironmentHandle::shared() {
    static std::mutex mutex;
    static std::weak_ptr<OdbcEnvironmentHandle> current;
    const std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<OdbcEnvironmentHandle> environment = current.lock();
    if (!environment) {
        useUtf8CharacterSet();
        environment = std::make_shared<OdbcEnvironmentHandle>();
        current = environment;
    }
    return environment;
}

} // namespace quorvex
