#include "report/DepartmentSource.h"

#include <algorithm>

namespace tallyvox::report {

TDepartmentSource::TDepartmentSource(TCallSource& source, const TDirectory& directory,
                                     std::vector<std::string> departments)
    : Source(source), Directory(directory), Departments(std::move(departments)) {}

std::size_t TDepartmentSource::Read(std::size_t part, const TCallConsumer& consumer) {
    return Source.Read(part, [this, &consumer](const TExtStr_rep& call) {
        const TDirectoryEntry* person = Directory.PersonOf(call);
        if (person != nullptr && std::find(Departments.begin(), Departments.end(),
                                           person->Department) != Departments.end()) {
            consumer(call);
        }
    });
}

} // namespace tallyvox::report
