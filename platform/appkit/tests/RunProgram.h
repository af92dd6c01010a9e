#pragma once

#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace kit::testsupport {

// Runs a program with arguments (never through a shell); its exit status,
// -1 when it did not end normally.
inline int runProgram(std::vector<std::string> args)
{
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace kit::testsupport
