#pragma once

#include <QString>

namespace quorvex {

// Hands a file to the program the desktop associates with it (the help page, a workbook).
class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    // False when the desktop could not be asked; what the opened program does is its own affair.
    virtual bool openFile(const QString& path) = 0;
    // The folder that holds the program file.
    virtual QString programFolder() const = 0;
};

} // namespace quorvex
