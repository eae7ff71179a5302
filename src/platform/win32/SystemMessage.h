// The system's words for a Windows error number, for the Win32 back ends.
#pragma once

#include <windows.h>

#include <string>

namespace bpconf::platform::win32 {

// The system's text for an error number, without the trailing line break.
std::string SystemMessage(DWORD error);

}  // namespace bpconf::platform::win32
