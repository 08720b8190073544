#include "support/LnkInfo.h"

#include <array>
#include <cstdio>
#include <memory>

namespace testing_support {

std::string LnkInfo(const std::string& linuxPath) {
    const std::string command = "lnkinfo '" + linuxPath + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    std::array<char, 4096> buffer{};
    while (pipe && fgets(buffer.data(), buffer.size(), pipe.get()))
        output += buffer.data();
    return output;
}

std::string LnkField(const std::string& info, const std::string& field) {
    // Lines read "\t<field>\t\t\t: <value>".
    const size_t at = info.find("\t" + field + "\t");
    if (at == std::string::npos)
        return "<none>";
    const size_t colon = info.find(": ", at);
    const size_t end = info.find('\n', colon);
    return info.substr(colon + 2, end - colon - 2);
}

} // namespace testing_support
