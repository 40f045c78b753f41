#pragma once
// A source of only the calls of some departments: the calls of another source
// whose line the directory places in one of them on the call's start, so every
// total, cost and view of a session is narrowed alike.

#include <string>
#include <vector>

#include "report/CallSource.h"
#include "report/Directory.h"

namespace tallyvox::report {

// Whether the directory places the call's line, on the call's start, in one of
// departments (Windows-1251); with others, whether it places it in none of them.
bool DepartmentsHold(const TDirectory& directory, const std::vector<std::string>& departments,
                     bool others, const TExtStr_rep& call);

class TDepartmentSource final : public TCallSource {
public:
    // departments: Windows-1251. others: the calls of every line outside them
    // instead (in another department or in none). source and directory must
    // outlive this source.
    TDepartmentSource(TCallSource& source, const TDirectory& directory,
                      std::vector<std::string> departments, bool others = false);
    std::size_t PartCount(std::size_t most) const override { return Source.PartCount(most); }
    std::size_t MostCalls(std::size_t part) const override { return Source.MostCalls(part); }
    std::size_t Read(std::size_t part, const TCallConsumer& consumer) override;

private:
    TCallSource& Source;
    const TDirectory& Directory;
    std::vector<std::string> Departments;
    bool Others;
};

} // namespace tallyvox::report
