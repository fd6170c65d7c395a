#include "send/socket_probe.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

namespace quillory::send {

bool idleSocketLooksClosed(curl_socket_t socket) {
    if (socket == CURL_SOCKET_BAD) return true;
#ifdef _WIN32
    WSAPOLLFD fd{};
    fd.fd = socket;
    fd.events = POLLRDNORM;
    int n = WSAPoll(&fd, 1, 0);
#else
    pollfd fd{};
    fd.fd = socket;
    fd.events = POLLIN;
    int n = ::poll(&fd, 1, 0);
#endif
    return n != 0; // readable, hung up, in error, or the probe itself failed
}

} // namespace quillory::send
