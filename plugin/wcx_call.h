// The calling convention of the host interface: stdcall on 32-bit Windows, the default elsewhere.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define WCX_CALL __stdcall
#else
#define WCX_CALL
#endif
