#include "shell/PlaceholderLoginWindow.h"
#include "ShellTests.h"
#include "support/RecordingProcessControl.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace quorvex;
using namespace quorvex::testing;

Q_DECLARE_METATYPE(quorvex::BackendChoice)

class PlaceholderLoginWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cancelEndsTheWholeProgram_data() {
        QTest::addColumn<BackendChoice>("backend");
        QTest::addColumn<QString>("windowName");
        QTest::addColumn<QString>("product");
        QTest::newRow("SQL Server") << BackendChoice::SqlServer << "frmSqlLogin"
                                    << "MS SQL Server";
        QTest::newRow("SQLBase") << BackendChoice::SqlBase << "frmLogin"
                                 << "Centura SQLBase";
    }
    void cancelEndsTheWholeProgram() {
        QFETCH(BackendChoice, backend);
        QFETCH(QString, windowName);
        QFETCH(QString, product);
        RecordingProcessControl process;
        PlaceholderLoginWindow window(backend, process);
        QCOMPARE(window.objectName(), windowName);
        auto* notice = window.findChild<QLabel*>(QStringLiteral("lblNotice"));
        QVERIFY(notice != nullptr);
        QVERIFY2(notice->text().contains(product), qPrintable(notice->text()));
        QCOMPARE(process.exitCodes(), QList<int>());

        QTest::mouseClick(window.cancelButton(), Qt::LeftButton);

        QCOMPARE(process.exitCodes(), (QList<int>{0}));
    }
};

int runPlaceholderLoginWindowTests(int argc, char** argv) {
    PlaceholderLoginWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PlaceholderLoginWindowTest.moc"
