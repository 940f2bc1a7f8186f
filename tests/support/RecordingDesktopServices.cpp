#include "support/RecordingDesktopServices.h"
