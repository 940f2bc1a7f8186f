#pragma once

#include "components/ConnectionString.h"

namespace quorvex {

// Finds what the machine's ODBC set-up offers: the installed drivers and configured data
// sources as the driver manager lists them, and the server names of freetds.conf.
class OdbcEnvironmentProbe {
public:
    // Read on first use and kept: drivers are not installed while the program runs.
    static const OdbcEnvironmentInfo& cached();
    // Reads it now. A part that cannot be read stays empty.
    static OdbcEnvironmentInfo read();

    // The freetds.conf files FreeTDS reads: the one FREETDSCONF names, the user's
    // ~/.freetds.conf and the system's.
    static QStringList freeTdsConfigFiles();
    // The [name] sections of a freetds.conf text, [global] left out.
    static QStringList freeTdsServerNames(const QString& configText);
};

} // namespace quorvex
