// Times one run of a program from inside its parent: the clock starts before posix_spawn and
// stops when wait4 returns, so that the figure holds the child alone and not the start of a timer
// program around it. Linked with the C library alone and touching little memory, because a
// child started by posix_spawn (which shares its parent's memory until the exec) has its
// parent's peak resident set folded into its own.
//
// Usage: spawn_timer PROGRAM [ARGS...]
// The program's output goes where this one's goes. Prints on stderr, last:
//   spawn_timer WALL_NS USER_US SYSTEM_US PEAK_KB EXIT_STATUS
// and exits with the program's status.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdio>

extern char** environ;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: spawn_timer PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
        std::perror(argv[1]);
        return 127;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        std::perror("wait4");
        return 127;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    const long long wall = (end.tv_sec - start.tv_sec) * 1000000000LL + (end.tv_nsec - start.tv_nsec);
    auto micros = [](const timeval& t) { return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec; };
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::fprintf(stderr, "spawn_timer %lld %lld %lld %ld %d\n", wall, micros(usage.ru_utime), micros(usage.ru_stime),
                 usage.ru_maxrss, code);
    return code;
}
