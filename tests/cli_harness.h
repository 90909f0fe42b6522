// Runs the built tintext program in a temporary folder of its own, with its
// settings there, no display and no terminal, and collects what it writes.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "digits_definition.h"

extern char** environ;

namespace tintext::testing {

const std::string kBinary = TINTEXT_BINARY_DIR "/app/tintext";

struct Result {
    int status = -1;
    std::string out, err;
};

inline int StatusOf(int wait) { return WIFEXITED(wait) ? WEXITSTATUS(wait) : 1000 + WTERMSIG(wait); }

inline std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The files under a folder but a folder run's stamp, by their paths there.
inline std::set<std::string> PagesIn(const std::string& folder) {
    std::set<std::string> pages;
    if (std::filesystem::exists(folder))
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().filename() != ".tintext-stamp")
                pages.insert(std::filesystem::relative(entry.path(), folder).generic_string());
    return pages;
}

class CliTest : public ::testing::Test {
protected:
    Files dir;
    std::vector<std::string> extraEnv;  // NAME=value entries added to the child's environment

    CliTest() {
        std::filesystem::create_directories(dir.P("registry"));
        dir.Put("defs/digits.hld", kDigitsHld);
        dir.Put("a.asp", "a 12");
    }

    // Starts the program in the test's folder with no display, its settings in the
    // folder, in a session of its own (no terminal to ask), with in/out/err as 0/1/2.
    pid_t Start(const std::vector<std::string>& args, int in, int out, int err,
                const std::string& binary = kBinary) const {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in, 0);
        posix_spawn_file_actions_adddup2(&actions, out, 1);
        posix_spawn_file_actions_adddup2(&actions, err, 2);
        posix_spawn_file_actions_addchdir_np(&actions, dir.path().c_str());
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
        std::vector<std::string> strings = std::vector<std::string>{binary} + args;
        std::vector<char*> argv, envp;
        for (auto& a : strings) argv.push_back(a.data());
        argv.push_back(nullptr);
        // The extra entries and the settings folder replace those of the same name.
        std::vector<std::string> env = extraEnv;
        env.push_back("TINTEXT_REGISTRY_DIR=" + dir.P("registry"));
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e, name = entry.substr(0, entry.find('=') + 1);
            const bool replaced =
                std::ranges::any_of(env, [&](const std::string& given) { return given.starts_with(name); });
            if (!replaced && name != "DISPLAY=" && name != "WAYLAND_DISPLAY=") env.push_back(entry);
        }
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, binary.c_str(), &actions, &attr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        return pid;
    }

    Result Run(const std::vector<std::string>& args, const std::string& stdinText = "",
               const std::string& binary = kBinary) const {
        dir.Write(".stdin", stdinText);
        int in = open(dir.P(".stdin").c_str(), O_RDONLY | O_CLOEXEC);
        int out = open(dir.P(".stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        int err = open(dir.P(".stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        pid_t pid = Start(args, in, out, err, binary);
        for (int fd : {in, out, err}) close(fd);
        int wait = 0;
        waitpid(pid, &wait, 0);
        return {StatusOf(wait), dir.Get(".stdout"), dir.Get(".stderr")};
    }
};

}  // namespace tintext::testing
