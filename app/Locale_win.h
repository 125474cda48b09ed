#pragma once

#include "app/StatusFormat.h"

// The thousands and decimal separators of the user's locale.
NumberSeparators UserNumberSeparators();
