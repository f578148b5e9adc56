// Start-up to first frame of `wayfarer` beside a bare Qt Widgets window of the same size and
// beside that window showing the welcome screen's texts in QLabels (Qt's own cost of the
// text), in turns, on a private Xvfb: the time to the first XDamage report on the program's
// top-level window (its first backing-store flush reaching the server), from main (the
// entry to __libc_start_main, reported by main_clock.so) and from posix_spawn (the dynamic
// loader included).
//
//   startup_bench [--runs N] [--wayfarer PROGRAM]
//
// Prints the median, fastest and slowest of each and the ratios of the medians. Default 11
// runs each, after one unmeasured run of each (page cache, fontconfig cache).

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int runLimitMs = 30000;

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "startup_bench: %s\n", why.c_str());
    std::exit(1);
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment,
            posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        const std::string entry = *variable;
        const bool replaced = std::any_of(extraEnvironment.begin(), extraEnvironment.end(), [&](const std::string& e) {
            return entry.compare(0, e.find('=') + 1, e, 0, e.find('=') + 1) == 0;
        });
        if (!replaced && entry.rfind("WAYLAND_DISPLAY=", 0) != 0)
            environment.push_back(entry);
    }
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> args, envs;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : environment)
        envs.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr);
    envs.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], actions, nullptr, args.data(), envs.data()) != 0)
        fail("cannot start " + argv[0]);
    return pid;
}

void stop(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Xvfb on a display it picks itself (-displayfd); returns its pid and the display name.
std::pair<pid_t, std::string> startXvfb() {
    int fds[2];
    if (pipe(fds) != 0)
        fail("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const pid_t pid = spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp", "-noreset"},
                            {}, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty())
        fail("Xvfb did not start (apt-get install xvfb)");
    return {pid, ":" + number};
}

struct Times {
    double fromMain, fromSpawn;
};

class FirstFrameWatch {
public:
    explicit FirstFrameWatch(const std::string& display) {
        connection_ = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(connection_))
            fail("cannot connect to " + display);
        const auto* damage = xcb_get_extension_data(connection_, &xcb_damage_id);
        if (!damage || !damage->present)
            fail("the X server lacks the DAMAGE extension");
        damageEvent_ = damage->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(connection_, xcb_damage_query_version(connection_, 1, 1), nullptr));
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    ~FirstFrameWatch() { xcb_disconnect(connection_); }

    // Starts `argv` and returns the milliseconds from its main and from its spawn to its first
    // drawing into a top-level window.
    Times measure(const std::vector<std::string>& argv, const std::string& display) {
        int mainClock[2];
        if (pipe2(mainClock, O_CLOEXEC) != 0)
            fail("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, mainClock[1], 3);
        const auto start = Clock::now();
        const pid_t pid = spawn(argv,
                                {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "LD_PRELOAD=" MAIN_CLOCK_LIBRARY,
                                 "STARTUP_BENCH_MAIN_FD=3"},
                                &actions);
        posix_spawn_file_actions_destroy(&actions);
        close(mainClock[1]);
        const int exited = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        std::optional<Clock::time_point> frame;
        std::vector<xcb_damage_damage_t> damages;
        while (!frame) {
            pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {exited, POLLIN, 0}};
            if (poll(fds, 2, runLimitMs) <= 0) {
                stop(pid);
                fail(argv[0] + " drew no frame within " + std::to_string(runLimitMs / 1000) + " s");
            }
            if (fds[1].revents) {
                waitpid(pid, nullptr, 0);
                fail(argv[0] + " ended before drawing a frame");
            }
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                const int type = event->response_type & 0x7f;
                if (type == XCB_CREATE_NOTIFY) {
                    const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                    const xcb_damage_damage_t damage = xcb_generate_id(connection_);
                    xcb_damage_create(connection_, damage, created->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                    damages.push_back(damage);
                    xcb_flush(connection_);
                } else if (type == damageEvent_) {
                    frame = Clock::now();
                }
                free(event);
            }
            if (xcb_connection_has_error(connection_))
                fail("the X connection broke");
        }
        stop(pid);
        close(exited);
        std::int64_t mainAt = 0;
        if (read(mainClock[0], &mainAt, sizeof mainAt) != sizeof mainAt)
            fail(argv[0] + " did not report its main");
        close(mainClock[0]);
        for (const auto damage : damages)
            xcb_damage_destroy(connection_, damage);
        // Every event of this run (the windows' destruction among them) is read before the next.
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
            free(event);
        const auto frameAt = std::chrono::duration<double, std::milli>(frame->time_since_epoch()).count();
        return {frameAt - static_cast<double>(mainAt) / 1e6, std::chrono::duration<double, std::milli>(*frame - start).count()};
    }

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    int damageEvent_ = 0;
};

struct Summary {
    double median, fastest, slowest;
};

Summary summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    return {median, times.front(), times.back()};
}

}

int main(int argc, char** argv) {
    int runs = 11;
    std::vector<std::string> wayfarer = {WAYFARER_PROGRAM};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            runs = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--wayfarer") == 0 && i + 1 < argc) {
            wayfarer = {argv[++i]};
        } else {
            std::fprintf(stderr, "usage: startup_bench [--runs N] [--wayfarer PROGRAM]\n");
            return 2;
        }
    }
    const std::vector<std::string> bare = {BARE_WINDOW_PROGRAM};
    const std::vector<std::string> text = {TEXT_WINDOW_PROGRAM};
    const std::vector<std::vector<std::string>> programs = {wayfarer, bare, text};

    const auto [xvfb, display] = startXvfb();
    {
        FirstFrameWatch watch(display);
        for (const auto& program : programs)
            watch.measure(program, display);
        std::vector<std::vector<Times>> times(programs.size());
        for (int i = 0; i < runs; ++i) {
            // In turns, each first in its turn, so that none always runs right after another.
            for (std::size_t k = 0; k < programs.size(); ++k) {
                const std::size_t p = (static_cast<std::size_t>(i) + k) % programs.size();
                times[p].push_back(watch.measure(programs[p], display));
            }
        }
        std::printf("first frame, medians of %d runs on Xvfb %s (fastest to slowest):\n", runs, display.c_str());
        for (const auto from : {&Times::fromMain, &Times::fromSpawn}) {
            std::vector<Summary> s;
            for (const auto& programTimes : times) {
                std::vector<double> picked;
                for (const Times& t : programTimes)
                    picked.push_back(t.*from);
                s.push_back(summarise(picked));
            }
            std::printf("  from %-5s  wayfarer %6.1f ms (%.1f to %.1f), bare window %5.1f ms (%.1f to %.1f): %.2fx\n"
                        "               bare window with the welcome texts %5.1f ms (%.1f to %.1f): %.2fx\n",
                        from == &Times::fromMain ? "main" : "spawn", s[0].median, s[0].fastest, s[0].slowest,
                        s[1].median, s[1].fastest, s[1].slowest, s[0].median / s[1].median, s[2].median,
                        s[2].fastest, s[2].slowest, s[2].median / s[1].median);
        }
    }
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return 0;
}
