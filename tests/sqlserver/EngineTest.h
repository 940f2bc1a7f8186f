#pragma once

#include "EngineDatabase.h"

#include "sqlserver/SqlServerSession.h"

#include <gtest/gtest.h>

#include <memory>

namespace quorvex::testing {

// A test on the engine named in QUORVEX_TEST_MSSQL, skipped when it is not set.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::optional<SqlServerLoginValues> target = EngineDatabase::target();
        if (!target)
            GTEST_SKIP() << EngineDatabase::skipReason();
        m_db = std::make_unique<EngineDatabase>(*target);
        ASSERT_TRUE(m_db->isOpen()) << m_db->openError().toStdString();
    }
    bool notReady() const { return IsSkipped() || HasFatalFailure(); }

    bool logIn(SqlServerSession& session) const {
        const SqlServerLoginValues& login = m_db->login();
        session.login() = login;
        return session.manager().connectServer(login.server, login.user, login.password);
    }

    std::unique_ptr<EngineDatabase> m_db;
};

} // namespace quorvex::testing
