// The one Win32 include of both programs.
//
// On Windows this is the real system headers. On a host build it is our own
// declaration of the same subset, with the same names and signatures,
// implemented by the simulated Windows in platform/sim.cpp. Program code
// never knows which one it got. A Windows program that runs the programs'
// code on the simulation (recordcheck.exe) defines SIMULATED_WINDOWS: it gets
// the simulation too, under names the real system's cannot bind to.
#pragma once

#if defined(_WIN32) && !defined(SIMULATED_WINDOWS)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#else

#include "platform/win32_host.h"

#endif
