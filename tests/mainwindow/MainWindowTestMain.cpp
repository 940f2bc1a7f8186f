#include "MainWindowTests.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Every suite runs even when an earlier one fails; the exit code counts every failure.
    int failures = 0;
    failures += runMainWindowStartTests(argc, argv);
    failures += runColumnListingTests(argc, argv);
    failures += runConditionBuilderTests(argc, argv);
    failures += runAuditSaveTests(argc, argv);
    failures += runInstalledAuditsTabTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
