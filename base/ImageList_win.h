#pragma once
// Owner of a comctl32 image list.

#include <windows.h>
#include <commctrl.h>

#include "base/UniqueResource.h"

using UniqueHimagelist = UniqueResource<HandleTraits<HIMAGELIST, ::ImageList_Destroy>>;
