#include "RunProgram.h"

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         const std::string& workingFolder) {
    if (arguments.empty())
        throw std::invalid_argument("RunProgram needs a program");
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int output[2];
    if (pipe(output) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        // Nothing may wait for a password on the terminal.
        const int nullInput = open("/dev/null", O_RDONLY);
        dup2(nullInput, STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        close(output[0]);
        if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0)
            _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(output[1]);
    ProgramResult result;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(output[0], buffer, sizeof buffer);
        if (got > 0)
            result.output.append(buffer, static_cast<size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    close(output[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
