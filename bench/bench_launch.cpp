// Launch timing of the tutor's start-up (qa-tutor-probe) against the bare Qt
// program: from the launch to the first prompt painted, and from the last
// prompt answered to the window painted.
// Usage: bench_launch QA_TUTOR_PROBE BARE_WINDOW LABEL [RUNS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench_support_rows.h"

extern char** environ;

namespace {

long long now()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

struct Times {
    long long launch = 0, firstPrompt = 0, lastAnswer = 0, window = 0;
};

Times runOnce(const std::string& program, const std::string& root, const std::string& folder = {})
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    setenv("QA_TUTOR_DRIVE_ROOT", root.c_str(), 1);
    // A state directory of its own: no draft of the user's comes back at the start.
    setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
    std::string replies = "1|Ann Lee|ABC|1"; // the bare program ignores them
    char* argv[] = {const_cast<char*>(program.c_str()), replies.data(),
                    folder.empty() ? nullptr : const_cast<char*>(folder.c_str()), nullptr};
    Times t;
    t.launch = now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    close(pipeFds[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buf, sizeof buf)) > 0)
        out.append(buf, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    std::size_t pos = 0;
    while (pos < out.size()) {
        std::size_t end = out.find('\n', pos);
        std::string line = out.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? out.size() : end + 1;
        char event[64];
        long long ns = 0;
        if (std::sscanf(line.c_str(), "probe %63s %lld", event, &ns) != 2)
            continue;
        std::string e = event;
        if (e == "prompt_shown" && t.firstPrompt == 0)
            t.firstPrompt = ns;
        else if (e == "prompt_answered")
            t.lastAnswer = ns;
        else if (e == "window_shown")
            t.window = ns;
    }
    if (t.firstPrompt == 0 || t.window == 0) {
        std::fprintf(stderr, "%s gave no timings:\n%s\n", program.c_str(), out.c_str());
        std::exit(1);
    }
    return t;
}

// The opening header of the tutor's first start over `root`: its master and
// send file hold nothing else yet. Copied into `folder` for the bare program.
void keepHeaders(const std::string& root, const std::string& folder)
{
    namespace fs = std::filesystem;
    fs::create_directories(folder);
    int found = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        const char* kept = name.starts_with("masterFile_") ? "header-master"
                           : name.starts_with("send_")     ? "header-send"
                                                           : nullptr;
        if (kept && entry.is_regular_file()) {
            fs::copy_file(entry.path(), fs::path(folder) / kept, fs::copy_options::overwrite_existing);
            ++found;
        }
    }
    if (found != 2) {
        std::fprintf(stderr, "the tutor's first start left %d record files in %s, not 2\n", found, root.c_str());
        std::exit(1);
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s QA_TUTOR_PROBE BARE_WINDOW LABEL [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 4 ? std::atoi(argv[4]) : 15;
    char tmpl[] = "/tmp/qa-bench-launch-XXXXXX";
    const std::string root = mkdtemp(tmpl);
    std::vector<double> tutorFirst, tutorWindow, bareFirst, bareWindow;
    runOnce(argv[1], root); // warm the caches once for both
    const std::string bare = root + "/bare";
    keepHeaders(root, bare);
    runOnce(argv[2], root, bare);
    for (int i = 0; i < runs; ++i) {
        Times a = runOnce(argv[1], root);
        Times b = runOnce(argv[2], root, bare);
        tutorFirst.push_back((a.firstPrompt - a.launch) / 1e6);
        tutorWindow.push_back((a.window - a.lastAnswer) / 1e6);
        bareFirst.push_back((b.firstPrompt - b.launch) / 1e6);
        bareWindow.push_back((b.window - b.lastAnswer) / 1e6);
    }
    std::system(("rm -rf '" + root + "'").c_str());
    const std::string label = argv[3];
    qa::bench::row("P1 launch to first prompt (" + label + ")", median(tutorFirst), median(bareFirst), "ms", 1.10);
    qa::bench::row("P1 last answer to window (" + label + ")", median(tutorWindow), median(bareWindow), "ms",
                   1.10);
    return 0;
}
