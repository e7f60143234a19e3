// The portable part of the socket layer: code texts, the last-error record and the start-up
// count. The OS calls live in socket_win32.cpp and socket_posix.cpp.
#include "net/socket.h"

#include <cstring>
#include <iterator>

#include "net/socket_platform.h"

namespace kestrel::net {
namespace {

constexpr std::string_view kSocketErrorTexts[] = {
    "OK",
    "EPIPE",
    "ETIMEOUT",
    "EWRONGADDR",
    "EAFNOSUPPORT",
    "EPFNOSUPPORT",
    "EPROTONOSUPPORT",
    "EPARAMVALUE",
    "ENOSUPPORT",
    "ENORESOURCE",
    "EACCESS",
    "EADDRINUSE",
    "EINTERRUPT",
    "EALREADYCONNECTED",
    "ECONNREFUSED",
    "ECONNABORTED",
    "ECONNRESET",
    "ENETUNREACH",
    "ENETDOWN",
    "ENETRESET",
    "EINPROGRESS",
    "EALREADY",
    "EADDRNOTAVAIL",
    "EREADONLY",
    "EAGAIN",
    "EINVALIDHANDLE",
    "EINVAL",
    "EPROTO",
    "EPROTOTYPE",
    "ENOFILE",
    "ENOBUFS",
    "ENOMEM",
    "EFAULT",
    "ENAMETOOLONG",
    "ENOENT",
    "ENOTDIR",
    "ELOOP",
    "EMSGSIZE",
    "EDESTADDRREQ",
    "ENOPROTOOPT",
    "ENOTCONN",
    "ESHUTDOWN",
    "ETOOMANYREFS",
    "ERESTARTSYS",
    "ENOSR",
    "EHOSTDOWN",
    "EHOSTUNREACH",
    "ENOTEMPTY",
    "EUSERS",
    "EDQUOT",
    "ESTALE",
    "EREMOTE",
    "EPROCLIM",
    "EDISCON",
    "ENOMORE",
    "ECANCELLED",
    "EINVALIDPROCTABLE",
    "EINVALIDPROVIDER",
    "EPROVIDERFAILEDINIT",
    "EREFUSED",
    "ESYSNOTREADY",
    "EVERNOTSUPPORTED",
    "ENOTINITIALISED",
    "TRYAGAIN",
    "HOSTNOTFOUND",
    "NORECOVERY",
    "NODATA",
    "ESYSCALLFAILURE",
    "ESERVICENOTFOUND",
    "ETYPENOTFOUND",
    "EOTHER",
};
static_assert(std::size(kSocketErrorTexts) == kSockOther + 1);

// Process-wide, touched by the one program thread only.
LastError gLastError;
int gStartupCount = 0;
bool gAutoStartupPending = true;
bool gStarted = false;

// Steps shared by the explicit and the automatic start-up.
bool countStartup() {
  if (++gStartupCount != 1) return true;
  gStarted = platform::startup() == 0;
  return gStarted;
}

}  // namespace

std::string_view socketErrorText(int code) {
  if (code < kSockOk || code > kSockOther) return {};
  return kSocketErrorTexts[code];
}

std::string_view connectionErrorText(int code) {
  switch (code) {
    case kSockOk:
      return {};
    case kConnTimeout:
      return "Timeout";
    case kConnClosed:
      return "Connection closed";
    case kConnNoSocket:
      return "Closed socket";
    default:
      return socketErrorText(code);
  }
}

int connectionCodeFor(int socketCode) {
  return socketCode == kSockTimeout ? kConnTimeout : socketCode;
}

LastError lastError() {
  return gLastError;
}

void setLastError(int code, int osError) {
  gLastError = {code, osError};
}

bool startupLibrary() {
  gAutoStartupPending = false;
  return countStartup();
}

void cleanupLibrary() {
  if (gStartupCount-- == 1) {
    platform::cleanup();
    gStarted = false;
  }
}

void autoStartupLibrary() {
  if (!gAutoStartupPending) return;
  gAutoStartupPending = false;
  countStartup();
}

int startupCount() {
  return gStartupCount;
}

bool autoStartupPending() {
  return gAutoStartupPending;
}

bool libraryStarted() {
  return gStarted;
}

// The IPv4 socket address as both sockets interfaces lay it out: the family as a 16-bit number in
// the machine's (little-endian) order, the port and the address in network order, 8 zero bytes.
SocketAddress buildAddress(std::uint32_t addressNetworkOrder, std::uint16_t port) {
  SocketAddress address{};
  address[0] = static_cast<std::uint8_t>(kAddressFamilyIpv4 & 0xFF);
  address[1] = static_cast<std::uint8_t>(kAddressFamilyIpv4 >> 8);
  address[2] = static_cast<std::uint8_t>(port >> 8);
  address[3] = static_cast<std::uint8_t>(port & 0xFF);
  std::memcpy(address.data() + 4, &addressNetworkOrder, 4);
  return address;
}

}  // namespace kestrel::net
