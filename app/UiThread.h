#pragma once
// Carrying a piece of work over to the UI thread while the calling thread waits.

#include <functional>

namespace tallyvox::app {

// Runs work on the UI thread and returns when it is done. On the UI thread itself
// it runs at once; from another thread it waits, so whoever waits for that thread
// on the UI thread must keep processing events meanwhile.
void RunOnUiThread(const std::function<void()>& work);

} // namespace tallyvox::app
