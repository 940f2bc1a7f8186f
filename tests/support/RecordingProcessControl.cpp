#include "support/RecordingProcessControl.h"
