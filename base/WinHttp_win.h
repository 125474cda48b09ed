#pragma once
// Owner of a WinHTTP handle (session, connection or request; closing a session or connection
// also ends what was opened from it). Targets that include this link winhttp.

#include <windows.h>

// <wininet.h> declares the same names differently: never both in one translation unit.
#ifdef _WININET_
#error "<winhttp.h> and <wininet.h> in one translation unit"
#endif
#include <winhttp.h>

#include "base/UniqueResource.h"

using UniqueHinternet = UniqueResource<HandleTraits<HINTERNET, ::WinHttpCloseHandle>>;
