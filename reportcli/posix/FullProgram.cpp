#include "reportcli/FullProgram.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace tallyvox::reportcli {

namespace {

constexpr const char* FullProgramName = "tallyvox-report-full";

std::filesystem::path FullProgram() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = self.parent_path();
    const std::filesystem::path beside = folder / FullProgramName;
    if (std::filesystem::exists(beside, error)) {
        return beside;
    }
    return folder.parent_path() / "libexec" / "tallyvox" / FullProgramName;
}

} // namespace

bool NeedsFullProgram(const TReportOptions& options) {
    return options.CallsOut || options.WantsCharts() || options.Store || options.Coverage ||
           options.Alerts || options.CheckAlerts || options.AlertsLog || options.Mail;
}

int RunFullProgram(char** argv) {
    const std::string program = FullProgram().string();
    argv[0] = const_cast<char*>(program.c_str());
    execv(program.c_str(), argv);
    std::cerr << "tallyvox-report: cannot start " << program << ": " << std::strerror(errno)
              << "\n";
    return 1;
}

} // namespace tallyvox::reportcli
