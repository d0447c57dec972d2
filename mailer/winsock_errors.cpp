#include "mailer/winsock_errors.h"

#include <cerrno>
#include <utility>

namespace kestrix {

int WinsockErrors::CodeOf(int posixError) {
  static constexpr std::pair<int, int> kCodes[] = {
      {EINTR, 10004},         {EACCES, 10013},          {EFAULT, 10014},
      {EINVAL, 10022},        {EMFILE, 10024},          {ENFILE, 10024},
      {EWOULDBLOCK, 10035},   {EINPROGRESS, 10036},     {EALREADY, 10037},
      {ENOTSOCK, 10038},      {EBADF, 10038},           {EPROTOTYPE, 10041},
      {ENOPROTOOPT, 10042},   {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
      {EPFNOSUPPORT, 10046},  {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
      {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},        {ENETUNREACH, 10051},
      {ENETRESET, 10052},     {ECONNABORTED, 10053},    {ECONNRESET, 10054},
      {EPIPE, 10058},         {ENOBUFS, 10055},         {EISCONN, 10056},
      {ENOTCONN, 10057},      {ESHUTDOWN, 10058},       {ETIMEDOUT, 10060},
      {ECONNREFUSED, 10061},  {EHOSTDOWN, 10064},       {EHOSTUNREACH, 10065},
      {EAGAIN, 10035},        {ENOMEM, 10055},
  };
  for (const auto& [posix, code] : kCodes) {
    if (posix == posixError) {
      return code;
    }
  }
  return posixError;
}

std::string WinsockErrors::Text(int code) {
  switch (code) {
    case 10004:
      return "WSAEINTR - Interrupted function call. The (blocking) Windows Socket 1.1 call was "
             "canceled. ";
    case 10013:
      return "WSAEACCES - An attempt was made to access a socket in a way forbidden by its access "
             "permissions";
    case 10014:
      return "WSAEFAULT - Bad address or invalid pointer value. ";
    case 10022:
      return "WSAEINVAL - Invalid argument.";
    case 10024:
      return "WSAEMFILE -  Too many open files or message too long or too many open sockets.";
    case 10035:
      return "WSAEWOULDBLOCK - The socket is marked as nonblocking. ";
    case 10036:
      return "WSAEINPROGRESS - Operation now in progress. ";
    case 10037:
      return "WSAEALREADY - A nonblocking connect call is in progress on the specified socket.";
    case 10038:
      return "WSAENOTSOCK - The descriptor is not a socket.";
    case 10041:
      return "WSAEPROTOTYPE - Protocol wrong type for socket. ";
    case 10042:
      return "WSAENOPROTOOPT - Bad protocol option. ";
    case 10043:
      return "WSAEPROTONOSUPPORT - Protocol not supported.";
    case 10044:
      return "WSAESOCKTNOSUPPORT - Socket type not supported. ";
    case 10046:
      return "WSAEPFNOSUPPORT - Protocol family not supported.";
    case 10047:
      return "WSAEAFNOSUPPORT  - Address family not supported by protocol family.";
    case 10048:
      return "WSAEADDRINUSE - The socket's local address is already in use.";
    case 10049:
      return "WSAEADDRNOTAVAIL - The remote address is not a valid address (such as ADDR_ANY).";
    case 10050:
      return "WSAENETDOWN - Network is down. A socket operation encountered a dead network.";
    case 10051:
      return "WSAENETUNREACH - The network cannot be reached from this host at this time. ";
    case 10052:
      return "WSAENETRESET - Network dropped connection on reset.";
    case 10053:
      return "WSAECONNABORTED  - Software caused connection abort";
    case 10054:
      return "WSAECONNRESET - Connection reset by peer.";
    case 10055:
      return "WSAENOBUFS - No buffer space available.";
    case 10056:
      return "WSAEISCONN - The socket is already connected (connection-oriented sockets only).";
    case 10057:
      return "WSAENOTCONN - Socket is not connected. ";
    case 10058:
      return "WSAESHUTDOWN - Cannot send after socket shutdown.";
    case 10060:
      return "WSAETIMEDOUT - Attempt to connect timed out without establishing a connection.";
    case 10061:
      return "WSAECONNREFUSED - Connection refused. The attempt to connect was forcefully "
             "rejected. ";
    case 10064:
      return "WSAEHOSTDOWN  - Host is down. A socket operation failed because the destination "
             "host was down.";
    case 10065:
      return "WSAEHOSTUNREACH - No route to host. A socket operation was attempted to an "
             "unreachable host.";
    case 10067:
      return "WSAEPROCLIM - Too many processes.";
    case 10092:
      return "WSAVERNOTSUPPORTED - WINSOCK.DLL version out of range.";
    case 10093:
      return "WSANOTINITIALISED - A successful WSAStartup must occur before using this function.";
    case 10101:
      return "WSAEDISCON - Graceful shutdown in progress.";
    default:
      return "Error Code " + std::to_string(code);
  }
}

}  // namespace kestrix
