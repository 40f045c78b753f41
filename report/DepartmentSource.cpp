#include "report/DepartmentSource.h"

#include <algorithm>

namespace tallyvox::report {

TDepartmentSource::TDepartmentSource(TCallSource& source, const TDirectory& directory,
                                     std::vector<std::string> departments, bool others)
    : Source(source), Directory(directory), Departments(std::move(departments)), Others(others) {}

std::size_t TDepartmentSource::Read(std::size_t part, const TCallConsumer& consumer) {
    return Source.Read(part, [this, &consumer](const TExtStr_rep& call) {
        const TDirectoryEntry* person = Directory.PersonOf(call);
        const bool within = person != nullptr && std::find(Departments.begin(), Departments.end(),
                                                           person->Department) != Departments.end();
        if (within != Others) {
            consumer(call);
        }
    });
}

} // namespace tallyvox::report
