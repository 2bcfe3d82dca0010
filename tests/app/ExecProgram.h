// The child's side of running one of the programs in a test: after fork,
// becomes args[0] run with args; a program that cannot start exits 127.
#pragma once

#include <string>
#include <unistd.h>
#include <vector>

[[noreturn]] inline void ExecProgram(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}
