#pragma once
// The port names of the settings: "COM1".."COM8" as the window offers them, or
// a device path.

#include <string>

namespace tallyvox {

// The device behind a port name: "COMn" is TALLYVOX_COMn when that is set, else
// /dev/ttyS<n-1>; a name beginning with "/" is a device path as it stands.
std::string ResolvePortDevice(const std::string& name);

} // namespace tallyvox
