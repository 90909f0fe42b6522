// Runs one command and prints "seconds peak-kilobytes" of it on standard
// output: the wall time from its start to its end, and its peak resident
// memory. The command's own standard output is discarded.
//   timed_run COMMAND [ARGUMENT...]
// A shell with /usr/bin/time around each run adds two program starts of its
// own to every figure, more than a short run of the fastest programs takes;
// this adds one spawn.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: timed_run COMMAND [ARGUMENT...]\n");
        return 2;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[1], &actions, nullptr, argv + 1, environ) != 0) {
        std::perror(argv[1]);
        return 127;
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid) {
        std::perror("wait4");
        return 126;
    }
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%.4f %ld\n", seconds.count(), usage.ru_maxrss);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
