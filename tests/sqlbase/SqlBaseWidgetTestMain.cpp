#include "SqlBaseWidgetTests.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    failures += runSqlBaseCatalogTests(argc, argv);
    failures += runSqlBaseStartupTests(argc, argv);
    failures += runSqlBaseBackendTests(argc, argv);
    failures += runSqlBaseLoginWindowTests(argc, argv);
    failures += runSqlBaseLiveTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
