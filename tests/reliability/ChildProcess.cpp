#include "ChildProcess.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pelmar::test {

ChildExit RunChild(const std::string& program, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& env) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : env) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ChildExit result;
    int raw = 0;
    if (pid < 0 || ::waitpid(pid, &raw, 0) != pid) {
        result.status = -1;
        return result;
    }
    if (WIFSIGNALED(raw)) {
        result.killed = true;
        result.signal = WTERMSIG(raw);
    } else {
        result.status = WEXITSTATUS(raw);
    }
    return result;
}

} // namespace pelmar::test
