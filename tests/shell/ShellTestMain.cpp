#include "ShellTests.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    failures += runMainFrameTests(argc, argv);
    failures += runSelectionWindowTests(argc, argv);
    failures += runAboutBoxTests(argc, argv);
    failures += runDesktopSeamTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
