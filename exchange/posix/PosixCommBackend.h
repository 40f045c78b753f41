#pragma once
// The POSIX serial channel with its lock files in a folder of the caller's
// choosing; MakePlatformCommBackend uses the system's lock folder, /run/lock.

#include <filesystem>
#include <memory>

#include "exchange/CommBackend.h"
#include "exchange/ObjectHeader.h"

namespace tallyvox {

std::unique_ptr<TCommBackend> MakePosixCommBackend(std::filesystem::path lockFolder);

} // namespace tallyvox
