#pragma once
// The call file's appends told to each observer in turn (the store and the
// alert rules both follow the lines as they are written).

#include <vector>

#include "callfile/CallFileWriter.h"

namespace tallyvox::collector {

class TAppendFanOut : public callfile::TAppendObserver {
public:
    // A null observer (a link not asked for) is left out.
    void Add(callfile::TAppendObserver* observer) {
        if (observer != nullptr) {
            Observers.push_back(observer);
        }
    }

    void LineAppended(const std::string& fileName, const std::string& line,
                      std::uintmax_t offset) override {
        for (callfile::TAppendObserver* observer : Observers) {
            observer->LineAppended(fileName, line, offset);
        }
    }

private:
    std::vector<callfile::TAppendObserver*> Observers;
};

} // namespace tallyvox::collector
