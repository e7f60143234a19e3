#include "framework/controls/icons.h"

#include <shellapi.h>

#include <string>
#include <unordered_set>

#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Value;

namespace {

// What the shell answers for a file that holds no icons at all.
const HICON kNotAnIconFile = reinterpret_cast<HICON>(static_cast<std::intptr_t>(1));

std::unordered_set<HANDLE>& sharedImages() {
  static std::unordered_set<HANDLE> handles;
  return handles;
}

}  // namespace

bool isSharedImage(HANDLE h) noexcept {
  return h != nullptr && sharedImages().contains(h);
}

HANDLE rememberShared(HANDLE h) {
  if (h != nullptr) sharedImages().insert(h);
  return h;
}

Value LOADICON(const Value& module, const Value& name) {
  const HINSTANCE instance = handleOf<HINSTANCE>(module);
  const ResourceName resource(name);
  if (resource.get() == nullptr) return 0;
  if (instance == nullptr) {
    // The system's icons exist once, shared by every loader.
    return handleNumber(rememberShared(LoadIconA(nullptr, resource.get())));
  }
  return handleNumber(trackedCreate("LOADICON", kIconTag, [&] {
    return static_cast<HICON>(
        LoadImageA(instance, resource.get(), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_DEFAULTCOLOR));
  }));
}

Value EXTRACTICON(const Value& file, const Value& index) {
  const std::string path = file.isText() ? file.string() : std::string();
  return handleNumber(trackedCreate("EXTRACTICON", kIconTag, [&]() -> HICON {
    if (path.empty()) return nullptr;
    const HICON icon = callSystem<"shell32.dll", "ExtractIconA", decltype(::ExtractIconA)>(
        GetModuleHandleA(nullptr), path.c_str(), static_cast<UINT>(index.integer()));
    return icon == kNotAnIconFile ? nullptr : icon;
  }));
}

Value DRAWICON(const Value& hDC, const Value& row, const Value& col, const Value& icon) {
  return DrawIcon(handleOf<HDC>(hDC), static_cast<int>(col.integer()),
                  static_cast<int>(row.integer()), handleOf<HICON>(icon)) != FALSE;
}

Value DESTROYICON(const Value& icon) {
  const HICON h = handleOf<HICON>(icon);
  if (h == nullptr || isSharedImage(h)) return false;
  return trackedDelete(h, [](HICON i) { return DestroyIcon(i) != FALSE; });
}

const lanmere::ModuleTable& iconsModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&LOADICON>("LOADICON"), fn<&EXTRACTICON>("EXTRACTICON"), fn<&DRAWICON>("DRAWICON"),
       fn<&DESTROYICON>("DESTROYICON")}};
  return module;
}

}  // namespace kestrel
