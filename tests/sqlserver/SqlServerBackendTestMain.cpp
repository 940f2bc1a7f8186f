#include "SqlServerBackendTests.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int failures = 0;
    failures += runSqlServerCatalogTests(argc, argv);
    failures += runSqlServerBackendTests(argc, argv);
    failures += runSqlServerRealServerTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
