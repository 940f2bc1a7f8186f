#pragma once

#include "components/DbErrorRecord.h"

#include <QString>

namespace quorvex {

// The report of a failed open, one block per error: "Error #: ", then descriptionLabel and the
// description, "Source: ", "SQL State: ", "Native Error: ", each line ending in CR LF, and a
// blank line after each block. The back ends differ only in the description's label.
QString connectionErrorReport(const DbErrorList& errors, const QString& descriptionLabel);

} // namespace quorvex
