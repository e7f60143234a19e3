#include "app/getdatas.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/functions.h"
#include "runtime/memvars.h"
#include "runtime/operators.h"

namespace kestrel::app {

using lanmere::Args;
using lanmere::callFunction;
using lanmere::Value;

namespace {
constexpr const char* kHost = "aviationweather.gov";
constexpr int kPort = 80;
constexpr const char* kPath =
    "/adds/metars/index.php?submit=1&station_ids=LEAL&chk_metars=on&chk_tafs=on&hoursStr=3";
constexpr const char* kRequestLine =
    "GET /adds/metars/index.php?submit=1&station_ids=LEAL&chk_metars=on&chk_tafs=on&hoursStr=3 "
    "HTTP/1.1";
constexpr const char* kCrLf = "\r\n";
// Longer digit runs are no port in any case; they stay a number too large for one.
constexpr std::size_t kMaxPortDigits = 18;
}  // namespace

std::string weatherHost() {
  const char* host = std::getenv("WEATHER_HOST");
  return host && *host ? host : kHost;
}

Value portValue(std::string_view text) {
  const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
  const bool whole =
      !digits.empty() && digits.size() <= kMaxPortDigits &&
      std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!whole) return Value(text);
  long long number = 0;
  for (char c : digits) number = number * 10 + (c - '0');
  return Value(text.starts_with('-') ? -number : number);
}

Value weatherPort() {
  const char* port = std::getenv("WEATHER_PORT");
  return port && *port ? portValue(port) : Value(kPort);
}

Value GETDATAS() {
  const Value bufferSize = 1024;
  const Value host = weatherHost();
  const Value port = weatherPort();
  Value path, connection, request, lastCount, buffer, reply = "";
  lanmere::showLocals({{"nBufSize", &bufferSize},
                       {"cHost", &host},
                       {"uPort", &port},
                       {"cUrl", &path},
                       {"oSocket", &connection},
                       {"cRequest", &request},
                       {"nLen", &lastCount},
                       {"cBuffer", &buffer},
                       {"cReply", &reply}});

  // Names resolved once per process; every call below then costs one pointer look-up.
  static const lanmere::Symbol* const kInit = lanmere::symbol("HB_INETINIT");
  static const lanmere::Symbol* const kConnect = lanmere::symbol("HB_INETCONNECT");
  static const lanmere::Symbol* const kErrorCode = lanmere::symbol("HB_INETERRORCODE");
  static const lanmere::Symbol* const kStrTran = lanmere::symbol("STRTRAN");
  static const lanmere::Symbol* const kSend = lanmere::symbol("HB_INETSEND");
  static const lanmere::Symbol* const kSpace = lanmere::symbol("SPACE");
  static const lanmere::Symbol* const kRecv = lanmere::symbol("HB_INETRECV");
  static const lanmere::Symbol* const kLeft = lanmere::symbol("LEFT");
  static const lanmere::Symbol* const kClose = lanmere::symbol("HB_INETCLOSE");
  static const lanmere::Symbol* const kCleanup = lanmere::symbol("HB_INETCLEANUP");

  callFunction(kInit);
  path = lanmere::expandMacros(kPath);
  connection = callFunction(kConnect, {host, port});
  if (callFunction(kErrorCode, {connection}).integer() != 0) return {};

  std::string text = lanmere::expandMacros(kRequestLine);
  for (const char* line :
       {"Host: [HOST]",
        "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/535.7 "
        "(KHTML, like Gecko) Chrome/16.0.912.77 Safari/535.7",
        "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8",
        "Accept-Language: en-us,en;q=0.5", "Accept-Encoding: deflate",
        "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7", "Connection: Close"}) {
    text += kCrLf;
    text += line;
  }
  text += kCrLf;
  text += kCrLf;
  request = callFunction(kStrTran, {text, "[URL]", path});
  request = callFunction(kStrTran, {request, "[HOST]", host});

  lastCount = callFunction(kSend, {connection, request});
  buffer = callFunction(kSpace, {bufferSize});
  while (lastCount.integer() > 0) {
    // The buffer goes by reference: the receive writes into the argument itself.
    Value recvArgs[] = {connection, std::move(buffer)};
    lastCount = callFunction(kRecv, Args(recvArgs));
    buffer = std::move(recvArgs[1]);
    lanmere::addAssign(reply, callFunction(kLeft, {buffer, lastCount}));
    buffer = callFunction(kSpace, {bufferSize});
  }
  callFunction(kClose, {connection});
  callFunction(kCleanup);
  return reply;
}

}  // namespace kestrel::app
