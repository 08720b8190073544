// The form compiler: reads a window's stored description (text), checks it against the
// classes the installer registers (classes, properties, values, references, handlers and the
// form's component fields) and writes the binary form the executable carries.
//
//   formcompiler [-DNAME=path ...] <description> <output> [<depfile>]
//
// Exit code 1 with "<description>:line N: ..." messages on any problem: a bad description
// fails the build, not the user. The depfile lists every picture file read.
#include "rtl/DescriptionReader.h"
#include "rtl/StoredDescription.h"
#include "setup/SetupClasses.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Make-style escaping of a path in a depfile.
std::string DepPath(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == ' ' || c == '#' || c == '\\')
            out += '\\';
        if (c == '$')
            out += '$';
        out += c;
    }
    return out;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: formcompiler [-DNAME=path ...] <description> <output> [<depfile>]\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    std::map<std::string, std::string> variables;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("-D", 0) == 0) {
            size_t eq = arg.find('=');
            if (eq == std::string::npos)
                return Usage();
            variables[arg.substr(2, eq - 2)] = arg.substr(eq + 1);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 2 || positional.size() > 3)
        return Usage();
    const std::string& input = positional[0];
    const std::string& output = positional[1];

    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read\n", input.c_str());
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    RegisterSetupClasses();
    std::vector<std::string> files;
    TObjectDescription description;
    try {
        description = ParseDescription(text, FolderOf(input), &files, variables);
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s:%s\n", input.c_str(), e.Message().c_str());
        return 1;
    }
    std::vector<std::string> problems = ValidateDescription(description);
    for (const std::string& problem : problems)
        std::fprintf(stderr, "%s:%s\n", input.c_str(), problem.c_str());
    if (!problems.empty())
        return 1;

    TBytes binary = WriteBinaryDescription(description);
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(binary.data()),
              static_cast<std::streamsize>(binary.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "%s: cannot write\n", output.c_str());
        return 1;
    }
    if (positional.size() == 3) {
        std::ostringstream dep;
        dep << DepPath(output) << ":";
        for (const std::string& f : files)
            dep << " \\\n  " << DepPath(f);
        dep << "\n";
        std::ofstream depfile(positional[2], std::ios::trunc);
        depfile << dep.str();
        if (!depfile.flush()) {
            std::fprintf(stderr, "%s: cannot write\n", positional[2].c_str());
            return 1;
        }
    }
    return 0;
}
