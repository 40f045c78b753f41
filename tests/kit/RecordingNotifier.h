#pragma once
// A notifier for tests: records every message and every request to end the
// program, and returns so that the test goes on.

#include <string>
#include <vector>

#include "exchange/Notifier.h"

namespace tallyvox::testkit {

class TRecordingNotifier : public TNotifier {
public:
    struct TMessage {
        std::string Text;
        std::string Caption;
        friend bool operator==(const TMessage&, const TMessage&) = default;
    };

    void ShowMessage(const std::string& text, const std::string& caption) override {
        Messages.push_back({text, caption});
    }
    void Terminate(int status) override { Terminations.push_back(status); }

    std::vector<TMessage> Messages;
    std::vector<int> Terminations;
};

} // namespace tallyvox::testkit
