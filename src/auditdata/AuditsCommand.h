#pragma once

#include "auditdata/LoginArguments.h"

namespace quorvex {

enum class AuditsOutput { Lines, Json };

// One run of quorvex-audits, as its command line gives it.
struct AuditsCommand : LoginArguments {
    AuditsOutput output = AuditsOutput::Lines;

    friend bool operator==(const AuditsCommand&, const AuditsCommand&) = default;
};

} // namespace quorvex
