#pragma once
// The one place where the sending code asks the system about a socket directly.

#include <curl/curl.h>

namespace quillory::send {

// True when the socket has something to read or an error pending while no command is
// outstanding: for an idle SMTP connection that means the server closed it, or said goodbye
// (421) and is about to. Either way the connection can no longer carry a message.
bool idleSocketLooksClosed(curl_socket_t socket);

} // namespace quillory::send
