// Started by the runtime's tests. Writes to its stdout, each field ended by a NUL: where
// it runs from, its pid, the descriptors above 2 it inherited, then its arguments; then
// stays alive until its stdin ends.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <unistd.h>

int main(int argc, char **argv)
{
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    exe[n > 0 ? n : 0] = '\0';
    std::string fds;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (const dirent *entry = readdir(dir)) {
            const int fd = std::atoi(entry->d_name);
            if (entry->d_name[0] != '.' && fd > 2 && fd != dirfd(dir))
                fds += std::to_string(fd) + ' ';
        }
        closedir(dir);
    }
    std::string report = std::string(exe) + '\0' + std::to_string(getpid()) + '\0' + fds + '\0';
    for (int i = 0; i < argc; ++i)
        report += std::string(argv[i]) + '\0';
    std::fwrite(report.data(), 1, report.size(), stdout);
    std::fclose(stdout);
    char c;
    while (read(0, &c, 1) > 0) {}
    return 0;
}
