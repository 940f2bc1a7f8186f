// The scripted database must behave like a real one where windows rely on it. Opening and
// counting connections are covered by the SQL Server manager's tests.
#include "support/FakeDatabase.h"
#include "components/DbException.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::testing;

TEST(FakeDatabase, ScriptedRowsFailuresAndTheLogInOrder) {
    FakeDatabase db;
    db.onQuery("SELECT A FROM T", {"A"}, {textRow({"1"}), textRow({nullptr})});
    DbErrorList errors = FakeDatabase::error("first", 1) + FakeDatabase::error("second", 2);
    db.failOn("DROP TABLE X", errors);
    auto c = db.createConnection();
    ASSERT_TRUE(c->open("DSN=x"));
    Recordset rs = c->openRecordset("SELECT A FROM T");
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.value(0), FieldValue("1"));
    rs.moveNext();
    EXPECT_FALSE(rs.value(0).has_value());
    try {
        c->execute("DROP TABLE X");
        ADD_FAILURE() << "no exception";
    } catch (const DbException& e) {
        EXPECT_EQ(e.errors(), errors);
        EXPECT_EQ(e.description(), QStringLiteral("first\r\nsecond"));
    }
    EXPECT_EQ(c->errors(), errors);
    EXPECT_EQ(db.statements(), (QStringList{"SELECT A FROM T", "DROP TABLE X"}));
    EXPECT_EQ(db.connectionStrings(), QStringList{"DSN=x"});
    EXPECT_THROW(c->openRecordset("SELECT 1"), DbException); // unscripted
    db.setUnscriptedQueriesEmpty(true);
    EXPECT_TRUE(c->openRecordset("SELECT 1").eof());
}

TEST(FakeDatabase, OnceScriptsFallThroughToTheNextMatch) {
    FakeDatabase db;
    db.failOn("INSERT", FakeDatabase::error("busy"), true);
    db.onQueryMatching(QRegularExpression("^SELECT"), {"N"}, {textRow({"7"})});
    auto c = db.createConnection();
    ASSERT_TRUE(c->open(QString()));
    EXPECT_THROW(c->execute("INSERT"), DbException);
    EXPECT_NO_THROW(c->execute("INSERT"));
    EXPECT_EQ(c->openRecordset("SELECT N FROM Y").value(0), FieldValue("7"));
}
