#include "support/FakeWorkingDirectory.h"
