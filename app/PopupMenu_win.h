#pragma once
// The notification-area icon's popup menu, built from the form's menu items (captions as the
// table has them; the translation walk turns them into the user's language).

#include "base/Handles_win.h"

UniqueHmenu CreateFormPopupMenu();
