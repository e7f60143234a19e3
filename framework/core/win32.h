// The small Win32 helpers every layer of the framework shares: a window's text, the halves of a
// message word, the key state, a system colour as a value, whether a file exists, global memory
// blocks handed between programs, the system libraries loaded on first use, and (showalert.h) the
// one road to the alert box. Right-trimming is the run-time's (builtins.h).
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/showalert.h"
#include "runtime/value.h"

namespace kestrel {

// The whole text of a window; "" for a null or dead window.
std::string windowText(HWND hwnd);

// The low and high 16 bits of a message word (wParam, lParam, a packed result), unsigned.
constexpr long long loWord(std::uint64_t value) noexcept {
  return static_cast<long long>(value & 0xFFFF);
}
constexpr long long hiWord(std::uint64_t value) noexcept {
  return static_cast<long long>((value >> 16) & 0xFFFF);
}
// The same as signed 16-bit values: positions, where a captured drag left of or above a window
// is negative.
constexpr long long signedLoWord(std::uint64_t value) noexcept {
  return static_cast<std::int16_t>(value & 0xFFFF);
}
constexpr long long signedHiWord(std::uint64_t value) noexcept {
  return static_cast<std::int16_t>((value >> 16) & 0xFFFF);
}

// A window of the dialog manager's class ("#32770").
bool isDialogWindow(HWND hwnd);

// Whether a key is held down as the message being handled was sent (the thread's key state).
bool keyDown(int virtualKey);

// Radio buttons of the system's button class (automatic or not). The keyboard reaches a group
// through one button: the checked one, found with the system's group walk and the get-check
// message; the group's tab stop stands for the group when the focus leaves it.
bool isRadioButton(HWND hwnd);
// The checked button of the radio button's group; null when none is.
HWND checkedRadio(HWND radio);
// The button of the radio button's group that has the tab stop; the button itself when none has.
HWND radioTabStop(HWND radio);

// A system colour (COLOR_WINDOW, ...) as the number the colour members hold.
lanmere::Value sysColor(int index);

// An existing entry that is not a directory.
bool fileExists(const std::string& path);
// Any existing entry, a directory or a drive's root included.
bool pathExists(const std::string& path);

// A movable, shareable block of `size` bytes holding `bytes`, zero-filled past them (the
// clipboard and DDE hand such blocks to other programs); null when memory is short.
HGLOBAL globalBlock(std::string_view bytes, std::size_t size);
// The bytes of a global memory block, never past its size; with `toZero`, up to its first zero
// byte (another program may hand over a text block without a terminator). "" for a null handle
// or one the system refuses.
std::string blockBytes(HANDLE block, bool toZero);

// The system libraries the program needs only now and then (the common dialogs, comdlg32, and the
// shell, shell32) are not imported: importing them makes the loader bring them in at start, with
// the spooler and the shell's helpers they import in turn. Each function is found on its first
// call instead: the library is loaded then and stays loaded.

// The address of `name` in `library` ("comdlg32.dll"), loading the library if it is not yet;
// null when the library or the function is missing.
FARPROC systemProc(const char* library, const char* name) noexcept;

// A library or function name as a template argument.
template <std::size_t N>
struct SystemName {
  // Implicit, so that a string literal is the argument.
  constexpr SystemName(const char (&name)[N]) { std::copy_n(name, N, text); }
  char text[N];
};

// The function `Name` of `Library`, of the type of its declaration (`decltype(::PrintDlgA)`),
// found once per function; null when missing.
template <SystemName Library, SystemName Name, typename Fn>
Fn* systemFunction() noexcept {
  static Fn* const found =
      reinterpret_cast<Fn*>(reinterpret_cast<void*>(systemProc(Library.text, Name.text)));
  return found;
}

// Calls it: `callSystem<"comdlg32.dll", "PrintDlgA", decltype(::PrintDlgA)>(&dialog)`. When it
// is missing the answer is its result type's zero (FALSE, 0, a null handle), which is what each
// of these functions answers when it fails.
template <SystemName Library, SystemName Name, typename Fn, typename... Args>
auto callSystem(Args... args) {
  Fn* const function = systemFunction<Library, Name, Fn>();
  using Result = decltype(function(args...));
  if (function == nullptr) return Result();
  return function(args...);
}

}  // namespace kestrel
