#include "support/ForeignLibrary.h"

#include "support/TempSystemRoot.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace testing_support {

void BuildForeignLibrary(const std::string& path, const std::string& marker) {
    const std::string source = path + ".c";
    WriteLinuxFile(source, "#include <fcntl.h>\n"
                           "#include <unistd.h>\n"
                           "__attribute__((constructor)) static void Planted(void) {\n"
                           "    close(open(\"" +
                               marker +
                               "\", O_WRONLY | O_CREAT, 0644));\n"
                               "}\n"
                               "int CreateObject(void) { return 0x80004005; }\n"
                               "int GetHandlerProperty(void) { return 0x80004005; }\n");
    const std::string command = "gcc -shared -fPIC -o '" + path + "' '" + source + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

} // namespace testing_support
