#include "SqlServerBackendTests.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    failures += runSqlServerCatalogTests(argc, argv);
    failures += runSqlServerBackendTests(argc, argv);
    failures += runSqlServerLoginWindowTests(argc, argv);
    failures += runSqlServerRealServerTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
