// Started by the runtime's tests: reports where it runs from, its pid, the descriptors it inherited and the arguments
// it got into the FIFO named by VIDLARK_ARGV_FIFO, one NUL-terminated field each. With
// VIDLARK_ARGV_HOLD it then stays alive until the test closes that FIFO's other end.
#include <climits>
#include <dirent.h>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char **argv)
{
    const char *fifo = std::getenv("VIDLARK_ARGV_FIFO");
    if (!fifo)
        return 2;
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    exe[n > 0 ? n : 0] = '\0';

    // Descriptors above the standard three that the starter let through.
    std::string inherited;
    if (DIR *fds = opendir("/proc/self/fd")) {
        while (const dirent *entry = readdir(fds)) {
            const int fd = std::atoi(entry->d_name);
            if (entry->d_name[0] != '.' && fd > 2 && fd != dirfd(fds))
                inherited += std::to_string(fd) + ' ';
        }
        closedir(fds);
    }

    std::string report = std::string("exe=") + exe + '\0' + "pid=" + std::to_string(getpid()) + '\0'
                         + "fds=" + inherited + '\0';
    for (int i = 0; i < argc; ++i)
        report += std::string(argv[i]) + '\0';

    const int fd = open(fifo, O_WRONLY);
    if (fd < 0)
        return 3;
    for (std::size_t done = 0; done < report.size();) {
        const ssize_t w = write(fd, report.data() + done, report.size() - done);
        if (w <= 0)
            return 4;
        done += static_cast<std::size_t>(w);
    }
    close(fd);

    if (const char *hold = std::getenv("VIDLARK_ARGV_HOLD")) {
        const int holdFd = open(hold, O_RDONLY);
        char c;
        while (holdFd >= 0 && read(holdFd, &c, 1) > 0) {}
    }
    return 0;
}
