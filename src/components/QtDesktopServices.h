#pragma once

#include "components/DesktopServices.h"

namespace quorvex {

// The desktop's own file associations, and the folder the program was started from.
class QtDesktopServices : public DesktopServices {
public:
    bool openFile(const QString& path) override;
    QString programFolder() const override;
};

} // namespace quorvex
