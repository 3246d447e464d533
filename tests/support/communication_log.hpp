// The host's communication log (VORNE_LOG) in a file of the test's own,
// read back without time stamps.
#pragma once

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/named_objects.hpp"
#include "support/environment.hpp"

namespace testing_support {

class CommunicationLog {
public:
    CommunicationLog()
        : path_((std::filesystem::temp_directory_path() /
                 ("vorne-log-" + std::to_string(platform::CurrentProcessId()) + ".log"))
                    .string()) {
        std::filesystem::remove(path_);
        SetEnvironment("VORNE_LOG", path_.c_str());
    }
    ~CommunicationLog() {
        SetEnvironment("VORNE_LOG", nullptr);
        std::filesystem::remove(path_);
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::ifstream log(path_);
        for (std::string line; std::getline(log, line);)
            lines.push_back(line.substr(std::min<std::size_t>(24, line.size())));
        return lines;
    }
    bool Has(const std::string& line) const {
        const auto lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool HasPrefix(const std::string& prefix) const {
        for (const auto& line : Lines())
            if (line.rfind(prefix, 0) == 0) return true;
        return false;
    }
    // Looks for a line starting with prefix until it is there or the time is up.
    bool WaitForPrefix(const std::string& prefix, int timeoutMs = 2000) const {
        for (int waited = 0; waited <= timeoutMs; waited += 5, platform::SleepMs(5))
            if (HasPrefix(prefix)) return true;
        return false;
    }

private:
    std::string path_;
};

}  // namespace testing_support
