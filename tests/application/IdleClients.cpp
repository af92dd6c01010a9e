// Clients that connect to a program's socket and never say anything: the
// live tests' crowd in front of the running program. Connects the count
// given to the socket at the path, says so on standard output and waits
// until it is ended.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: idle_clients SOCKET COUNT\n");
        return 2;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(argv[1]) >= sizeof address.sun_path) {
        std::fprintf(stderr, "idle_clients: the socket's path is too long\n");
        return 2;
    }
    std::strcpy(address.sun_path, argv[1]);
    const int count = std::atoi(argv[2]);
    for (int i = 0; i < count; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::perror("idle_clients: connect");
            return 1;
        }
    }
    std::printf("connected %d\n", count);
    std::fflush(stdout);
    for (;;)
        ::pause();
}
