// LD_PRELOADed by startup_bench: writes CLOCK_MONOTONIC, in nanoseconds, on entry to
// __libc_start_main (the dynamic loader and the libraries' initialisers done, the program's
// own static initialisers and main still to run) to the descriptor in STARTUP_BENCH_MAIN_FD.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>

using Main = int (*)(int, char**, char**);
using StartMain = int (*)(Main, int, char**, void (*)(), void (*)(), void (*)(), void*);

extern "C" int __libc_start_main(Main main, int argc, char** argv, void (*init)(), void (*fini)(),
                                 void (*rtldFini)(), void* stackEnd) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (const char* fd = std::getenv("STARTUP_BENCH_MAIN_FD")) {
        const std::int64_t nanoseconds = std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
        if (write(std::atoi(fd), &nanoseconds, sizeof nanoseconds) != sizeof nanoseconds)
            std::abort();
        unsetenv("STARTUP_BENCH_MAIN_FD");
    }
    const auto next = reinterpret_cast<StartMain>(dlsym(RTLD_NEXT, "__libc_start_main"));
    return next(main, argc, argv, init, fini, rtldFini, stackEnd);
}
