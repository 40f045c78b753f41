#pragma once
// How the core shows a message or ends the program: the window layer implements
// it, tests record the calls.

#include <string>

#include "exchange/ObjectHeader.h"

namespace tallyvox {

class TNotifier {
public:
    virtual ~TNotifier() = default;
    // A modal message box with an OK button; text and caption are Windows-1251.
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    // Ends the program at once with the given exit status. Only test notifiers return.
    virtual void Terminate(int status) = 0;
};

} // namespace tallyvox
