// The one place where native creation and release services meet the resource tracker: a
// creation service wraps the system call in trackedCreate, a release service in trackedDelete.
// Header-only and resting on the run-time (and the core's handle numbers) alone, so the drawing
// layer below the services can use it: the tracker's hooks are reached by name, and skipped while
// no tracker is registered.
#pragma once

#include <cstdint>
#include <optional>
#include <source_location>
#include <string_view>

#include "framework/core/handles.h"
#include "runtime/callstack.h"
#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The handle a number stands for (the inverse of handleNumber).
template <class Handle>
Handle handleOf(const lanmere::Value& number) {
  return handleFrom<Handle>(number);
}

// Runs `create` as the native creation service `service` (its own call-stack level, so the
// creation chain starts above the method that called it) and records the new handle under
// `tag`, also when creation failed and the handle is 0. Returns the handle.
template <class Create>
auto trackedCreate(std::string_view service, std::string_view tag, Create&& create,
                   std::source_location where = std::source_location::current()) {
  // Called by name, the service already has its frame; called from C++, it gets one here.
  std::optional<lanmere::Frame> frame;
  const lanmere::Frame* innermost = lanmere::frameAt(0);
  if (innermost == nullptr || innermost->procedure() != service)
    frame.emplace(service, lanmere::Args{}, where);
  auto handle = create();
  if (const lanmere::FunctionEntry* hook = lanmere::findFunction("KSADDRESOURCE")) {
    lanmere::Value args[] = {lanmere::Value(handleNumber(handle)), lanmere::Value(tag)};
    hook->call(lanmere::Args(args));
  }
  return handle;
}

// Forgets the handle's record, then runs `release` on it and returns its result.
template <class Handle, class Release>
auto trackedDelete(Handle handle, Release&& release) {
  if (const lanmere::FunctionEntry* hook = lanmere::findFunction("KSDELRESOURCE")) {
    lanmere::Value args[] = {lanmere::Value(handleNumber(handle))};
    hook->call(lanmere::Args(args));
  }
  return release(handle);
}

}  // namespace kestrel
