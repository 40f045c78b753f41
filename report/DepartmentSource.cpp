#include "report/DepartmentSource.h"

#include <algorithm>

namespace tallyvox::report {

TDepartmentSource::TDepartmentSource(TCallSource& source, const TDirectory& directory,
                                     std::vector<std::string> departments, bool others)
    : Source(source), Directory(directory), Departments(std::move(departments)), Others(others) {}

bool DepartmentsHold(const TDirectory& directory, const std::vector<std::string>& departments,
                     bool others, const TExtStr_rep& call) {
    const TDirectoryEntry* person = directory.PersonOf(call);
    const bool within = person != nullptr && std::find(departments.begin(), departments.end(),
                                                       person->Department) != departments.end();
    return within != others;
}

std::size_t TDepartmentSource::Read(std::size_t part, const TCallConsumer& consumer) {
    return Source.Read(part, [this, &consumer](const TExtStr_rep& call) {
        if (DepartmentsHold(Directory, Departments, Others, call)) {
            consumer(call);
        }
    });
}

} // namespace tallyvox::report
