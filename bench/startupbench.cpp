// Starts the real program again and again and prints, for each start, how
// long after exec its splash and its main window were first on the screen
// (exposed and drawn), then the medians. Runs on $DISPLAY, or on an Xvfb of
// its own when there is none. Every start has the same private home and
// settings (no drive question), after one start that is not counted, so that
// each counted start is an ordinary one with the program's files in the
// page cache. Not a test: run it by hand and note the load it prints.
//
//   orvelle_startup_bench [--runs N] [--program PATH]

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Far beyond any start worth measuring; a start that takes longer has failed.
constexpr auto StartLimit = 30s;
constexpr auto ExitLimit = 10s;

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// Child processes get these, on top of our own environment.
std::vector<std::string> environmentWith(const std::map<std::string, std::string>& set,
                                         const std::vector<std::string>& unset) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string line = *entry;
        const std::string name = line.substr(0, line.find('='));
        if (!set.count(name) && std::find(unset.begin(), unset.end(), name) == unset.end())
            result.push_back(line);
    }
    for (const auto& [name, value] : set)
        result.push_back(name + '=' + value);
    return result;
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& output, int keepOpen = -1) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> vars;
    for (const std::string& var : env)
        vars.push_back(const_cast<char*>(var.c_str()));
    vars.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
    }
    if (keepOpen >= 0)
        fcntl(keepOpen, F_SETFD, 0);
    execve(args[0], args.data(), vars.data());
    std::perror(args[0]);
    _exit(127);
}

// Ends `pid` with `signal`, and for good if it does not go within the limit.
void finish(pid_t pid, int signal) {
    kill(pid, signal);
    const auto deadline = Clock::now() + ExitLimit;
    while (Clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(5ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Starts an Xvfb that picks a free display; returns its pid and display name.
std::optional<std::pair<pid_t, std::string>> startXvfb(const std::string& log) {
    int ready[2];
    if (pipe(ready) != 0)
        return std::nullopt;
    const pid_t pid = spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(ready[1]), "-screen",
                             "0", "1280x1024x24", "-nolisten", "tcp"},
                            environmentWith({}, {}), log, ready[1]);
    close(ready[1]);
    std::string number;
    char c = 0;
    while (read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    if (number.empty()) {
        finish(pid, SIGTERM);
        return std::nullopt;
    }
    return std::make_pair(pid, ':' + number);
}

// The program's marks: name and monotonic time. A line still being written
// has no newline yet and waits for the next look.
std::map<std::string, long long> readMarks(const std::string& path) {
    std::map<std::string, long long> marks;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line) && !in.eof()) {
        std::istringstream fields(line);
        std::string name;
        long long ns = 0;
        if (fields >> name >> ns)
            marks[name] = ns;
    }
    return marks;
}

struct Run {
    double splashMs = 0;
    double windowMs = 0;
};

std::optional<Run> startOnce(const std::string& program, const std::vector<std::string>& env,
                             const std::string& marksPath, const std::string& outputPath) {
    fs::remove(marksPath);
    const long long started = nowNs();
    const pid_t pid = spawn({program}, env, outputPath);
    std::map<std::string, long long> marks;
    const auto deadline = Clock::now() + StartLimit;
    while (Clock::now() < deadline) {
        marks = readMarks(marksPath);
        if (marks.count("window") && marks.count("splash"))
            break;
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return std::nullopt;
        std::this_thread::sleep_for(2ms);
    }
    // SIGTERM closes the window as its close box does, settings saved.
    finish(pid, SIGTERM);
    if (!marks.count("window") || !marks.count("splash"))
        return std::nullopt;
    return Run{(marks["splash"] - started) / 1e6, (marks["window"] - started) / 1e6};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + ' ' + five + ' ' + fifteen;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 10;
    std::string program = (fs::read_symlink("/proc/self/exe").parent_path() / "orvelle").string();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--program" && i + 1 < argc)
            program = fs::absolute(argv[++i]).string();
        else {
            std::fprintf(stderr, "usage: %s [--runs N] [--program PATH]\n", argv[0]);
            return 2;
        }
    }

    char pattern[] = "/tmp/orvelle-startup-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path work = pattern;
    const fs::path home = work / "home";
    fs::create_directories(home / ".config");
    fs::create_directories(home / "run");
    chmod((home / "run").c_str(), 0700);
    // A machine without a drive asks about it once; that question is not part of a start.
    std::ofstream(home / ".config" / "Orvelle.ini") << "[Drives]\nNoDriveAsked=1\n";

    std::optional<pid_t> xvfb;
    std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    if (display.empty()) {
        const auto server = startXvfb((work / "xvfb.log").string());
        if (!server) {
            std::fprintf(stderr, "could not start Xvfb; see %s\n", (work / "xvfb.log").c_str());
            return 1;
        }
        xvfb = server->first;
        display = server->second;
    }

    const std::string marksPath = (work / "marks").string();
    const std::string outputPath = (work / "output.log").string();
    const auto env = environmentWith({{"HOME", home.string()},
                                      {"XDG_CONFIG_HOME", (home / ".config").string()},
                                      {"XDG_CACHE_HOME", (home / ".cache").string()},
                                      {"XDG_DATA_HOME", (home / ".local/share").string()},
                                      {"XDG_RUNTIME_DIR", (home / "run").string()},
                                      {"DISPLAY", display},
                                      {"QT_QPA_PLATFORM", "xcb"},
                                      {"ORVELLE_STARTUP_LOG", marksPath}},
                                     {"ORVELLE_RESTARTED", "WAYLAND_DISPLAY"});

    std::printf("%s on %s, load average %s\n", program.c_str(), display.c_str(),
                loadAverage().c_str());
    int status = 0;
    std::vector<double> splash, window;
    for (int i = 0; i <= runs && status == 0; ++i) {
        const auto run = startOnce(program, env, marksPath, outputPath);
        if (!run) {
            std::fprintf(stderr, "start %d failed; the program said:\n", i);
            std::ifstream output(outputPath);
            std::fprintf(stderr, "%s",
                         std::string(std::istreambuf_iterator<char>(output), {}).c_str());
            status = 1;
            break;
        }
        if (i == 0) {
            std::printf("warm-up: splash %7.1f ms, window %7.1f ms (not counted)\n", run->splashMs,
                        run->windowMs);
            continue;
        }
        splash.push_back(run->splashMs);
        window.push_back(run->windowMs);
        std::printf("run %2d:  splash %7.1f ms, window %7.1f ms\n", i, run->splashMs,
                    run->windowMs);
        std::fflush(stdout);
    }
    if (status == 0)
        std::printf("median of %d: splash %.1f ms, window %.1f ms (load average %s)\n", runs,
                    median(splash), median(window), loadAverage().c_str());
    if (xvfb)
        finish(*xvfb, SIGTERM);
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return status;
}
