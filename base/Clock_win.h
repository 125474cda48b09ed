#pragma once

#include "base/DateTime.h"

// The local time of the machine (GetLocalTime).
Clock& SystemClock();
