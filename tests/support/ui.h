// Driving real windows from a test: modal boxes and dialogs are answered from inside their own
// modal loop by a thread timer, as a user at the keyboard would answer them; steps run from
// inside a running loop, input is posted as the system packs it, pixels are read back.
#pragma once

#include "tools/boxreader/box.h"

#include <windows.h>

#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace kestrel::test {

// While alive, watches this thread for a visible modal window of class "#32770" (message boxes and
// dialogs) and hands each new one to `answer`, which reads it and returns the id of the button to
// press, or 0 to leave it open. Construct it before the call that opens the box.
class ModalDriver {
 public:
  using Answer = std::function<int(const BoxInfo&)>;
  explicit ModalDriver(Answer answer, UINT periodMs = 30);
  ~ModalDriver();
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  // Every box the driver answered, in order.
  const std::vector<BoxInfo>& seen() const { return seen_; }

 private:
  static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD);
  void poll();

  Answer answer_;
  UINT_PTR timer_ = 0;
  std::vector<HWND> handled_;
  std::vector<BoxInfo> seen_;
};

// Saves the whole display as a 24-bit BMP file. Returns false when it cannot.
bool saveScreenshot(const std::string& path);
// Writes a 24-bit .bmp file of width x height whose pixel (x, y) is pixel(x, y), (0, 0) the top
// left. Returns false when it cannot.
bool writeBitmapFile(const std::string& path, int width, int height,
                     const std::function<COLORREF(int x, int y)>& pixel);
// The bytes of the test program's RCDATA resource `name` (files carried inside the program and
// written out where a test needs a real file).
std::string resourceBytes(const char* name);

// ---- Driving windows from inside a running loop ----

// While alive, runs `steps` in order, one per tick of a thread timer of this thread, from
// inside whatever loop dispatches (WINRUN, SYSREFRESH, a modal dialog's loop). Construct it
// before starting the loop; the last step usually ends it (PostQuitMessage, EndDialog). A step
// that throws stops the steps; rethrow() gives its exception to the test afterwards.
class TimedSteps {
 public:
  using Step = std::function<void()>;
  explicit TimedSteps(std::vector<Step> steps, UINT periodMs = 20);
  ~TimedSteps();
  TimedSteps(const TimedSteps&) = delete;
  TimedSteps& operator=(const TimedSteps&) = delete;

  bool done() const { return next_ >= steps_.size(); }
  void rethrow() const;

 private:
  static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD);
  void tick();

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  UINT_PTR timer_ = 0;
  std::exception_ptr failure_;
};

// Dispatches this thread's messages until `condition` holds or `timeoutMs` has passed; answers
// the condition. Quit messages are put back for the loop that owns them.
bool pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);

// The lParam of a mouse message at client position (x, y), packed as the system packs it:
// each coordinate a signed 16-bit half, so negative positions survive.
LPARAM mousePosition(int x, int y);
// Posts a mouse message (WM_LBUTTONDOWN, ...) at (x, y) with the key flags.
void postMouse(HWND hwnd, UINT message, int x, int y, WPARAM flags = 0);
// Posts a left click (button down, then up) at (x, y).
void postClick(HWND hwnd, int x = 3, int y = 3);
// Posts WM_KEYDOWN and WM_KEYUP of a virtual key with the lParam the keyboard driver gives
// (repeat count 1, scan code, the up transition bits), so TranslateMessage and
// TranslateAcceleratorA treat them as typed keys.
void postKey(HWND hwnd, UINT virtualKey);
// postKey with Ctrl down in this thread's key state (a shortcut); releaseKeys() lets it go.
void postCtrlKey(HWND hwnd, UINT virtualKey);
// Every key of this thread's key state up.
void releaseKeys();

// The colour of a window's client pixel as the display shows it (CLR_INVALID outside).
COLORREF windowPixel(HWND hwnd, int x, int y);
// The window's rectangle in its parent's client coordinates (the screen's for a top-level one).
RECT rectInParent(HWND hwnd);

// ---- Driving a dialog as a user would ----

// The dialog a user would be typing into: the active window when it is a dialog ("#32770"),
// else the last visible, enabled dialog of this thread; null when there is none.
HWND currentDialog();

// The menu a user would be choosing from: the last visible menu window ("#32768") of this
// thread (a submenu opened from another comes after it); null when no menu is open.
HWND currentMenu();

// While alive, runs `steps` in order from inside the loop that dispatches this thread's messages
// (a modal dialog's own loop, a menu's loop, WINRUN), one per timer tick, each given the current
// dialog (null when none is up; a step in a menu asks currentMenu()). A step answers false to be
// run again on the next tick (waiting for a condition), true to go on. A step that runs a nested
// loop (it opens another dialog) lets the following steps run inside it. A step that throws, or a
// wait past `timeoutMs`, stops the steps, closes an open menu and ends the current dialog with
// kAbandoned (with no dialog up, posts a quit for WINRUN), so the test never hangs; rethrow()
// reports it.
class DialogSteps {
 public:
  using Step = std::function<bool(HWND dialog)>;
  static constexpr INT_PTR kAbandoned = 0xBAD;
  explicit DialogSteps(std::vector<Step> steps, UINT periodMs = 20, DWORD timeoutMs = 10000);
  ~DialogSteps();
  DialogSteps(const DialogSteps&) = delete;
  DialogSteps& operator=(const DialogSteps&) = delete;

  bool done() const { return next_ >= steps_.size(); }
  void rethrow() const;

 private:
  static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD);
  void tick();
  void abandon(std::exception_ptr failure);

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  UINT_PTR timer_ = 0;
  DWORD deadline_ = 0;
  DWORD timeoutMs_ = 0;
  std::exception_ptr failure_;
};

// Keyboard input through SendInput, so the key state (Shift, Alt, Esc) is the real one while the
// messages are handled. The keys of a chord go down in order and up in reverse order.
void pressKeys(std::initializer_list<WORD> chord);
void pressKeys(const std::vector<WORD>& chord);
// Each character as its key (with Shift where the layout needs it).
void typeText(const std::string& text);

// Posts each key's key-down and key-up to the open menu, in order. A menu's loop reads keys from
// this thread's queue whatever window has the keyboard focus, so the choice does not depend on the
// foreground window or on when the system delivers input; false when no menu is open.
bool menuKeys(const std::vector<WORD>& keys);

// Steps the dialog tests build from; each goes on at once unless it says otherwise.
namespace steps {
// Keys or clicks this thread has not handled yet.
bool inputPending();
// Types the text.
DialogSteps::Step type(std::string text);
// Waits until the typed input has been handled and four quiet ticks have passed.
DialogSteps::Step settle();
// Runs the body once no input is pending.
DialogSteps::Step check(std::function<void()> body);
}  // namespace steps

// A real click (SendInput): the pointer moves to the client point (x, y) of `hwnd`, then the left
// (or right) button goes down and up. The messages arrive when the caller pumps.
void clickAt(HWND hwnd, int x, int y, bool right = false);
// The pointer alone moves to the client point (x, y) of `hwnd` (hovering).
void moveTo(HWND hwnd, int x, int y);
// The halves of a click, for a press held while the test looks: the pointer moves to (x, y) and
// the left button goes down; releaseMouse lets it go where the pointer is.
void pressAt(HWND hwnd, int x, int y);
void releaseMouse();
// A click at the centre of the window's client area.
void clickCenter(HWND hwnd, bool right = false);

// The control of `dialog` that has the focus, as its identifier (0 when none of its controls).
int focusedId(HWND dialog);
// A control's text by identifier.
std::string itemText(HWND dialog, int id);

// An in-memory dialog template (DLGTEMPLATE and its items), as a resource compiler would lay
// it out, for DialogBoxIndirectParamA and CreateDialogIndirectParamA. Units are dialog units.
class DialogTemplate {
 public:
  // Predefined control classes, by their atoms.
  enum ControlClass : WORD {
    kButton = 0x0080,
    kEdit = 0x0081,
    kStatic = 0x0082,
    kListBox = 0x0083,
    kComboBox = 0x0085
  };

  DialogTemplate(const std::string& title, DWORD style, short x, short y, short cx, short cy);
  DialogTemplate& item(ControlClass controlClass, WORD id, const std::string& text, DWORD style,
                       short x, short y, short cx, short cy);
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void text(const std::string& ascii);
  void align();

  std::vector<WORD> words_;
  std::size_t countAt_ = 0;  // where the item count of the header is
};

}  // namespace kestrel::test
