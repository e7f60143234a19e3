#include "framework/core/designtext.h"

#include <string_view>
#include <vector>

#include "framework/core/dlgtemplate.h"
#include "framework/core/win32.h"
#include "framework/core/wndproc.h"

namespace kestrel {

namespace {

constexpr WORD kTextId = 100;
constexpr std::uint16_t kPointSize = 8;
constexpr const char* kFace = "MS Shell Dlg";

struct Layout {
  short width, height;  // dialog units
  DWORD editStyle;
  short editHeight;
  bool cancel;  // an OK and a Cancel button, else one Close button
};

constexpr Layout kLine{220, 50, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 12, true};
constexpr Layout kViewer{320, 220,
                         ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_BORDER |
                             WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                         180, false};

std::string dialogTemplate(const std::string& title, const Layout& layout) {
  constexpr short kMargin = 7, kButtonWidth = 50, kButtonHeight = 14, kGap = 4;
  std::vector<DialogItem> items;
  const DWORD child = WS_CHILD | WS_VISIBLE;
  items.push_back({child | layout.editStyle, kMargin, kMargin,
                   static_cast<std::int16_t>(layout.width - 2 * kMargin), layout.editHeight,
                   kTextId, "EDIT", ""});
  const short top = static_cast<short>(layout.height - kMargin - kButtonHeight);
  short left = static_cast<short>(layout.width - kMargin - kButtonWidth);
  if (layout.cancel) {
    items.push_back({child | WS_TABSTOP | BS_PUSHBUTTON, left, top, kButtonWidth, kButtonHeight,
                     IDCANCEL, "BUTTON", "Cancel"});
    left = static_cast<short>(left - kGap - kButtonWidth);
    items.push_back({child | WS_TABSTOP | BS_DEFPUSHBUTTON, left, top, kButtonWidth, kButtonHeight,
                     IDOK, "BUTTON", "OK"});
  } else {
    items.push_back({child | WS_TABSTOP | BS_DEFPUSHBUTTON, left, top, kButtonWidth, kButtonHeight,
                     IDCANCEL, "BUTTON", "Close"});
  }
  DialogHeader header;
  header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | kDialogSetFont;
  header.items = static_cast<std::uint16_t>(items.size());
  header.cx = layout.width;
  header.cy = layout.height;
  header.caption = title;
  header.pointSize = kPointSize;
  header.faceName = kFace;
  std::string bytes = writeDialogHeader(header);
  for (const DialogItem& item : items) bytes += writeDialogItem(item);
  return bytes;
}

struct Session {
  std::string text;
  bool confirmed = false;
};

INT_PTR CALLBACK editorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      const auto* session = reinterpret_cast<const Session*>(lParam);
      SetDlgItemTextA(dialog, kTextId, session->text.c_str());
      return TRUE;  // the focus goes to the text
    }
    case WM_COMMAND: {
      auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(dialog, DWLP_USER));
      const WORD id = LOWORD(wParam);
      if (id == IDOK && session) {
        session->text = windowText(GetDlgItem(dialog, kTextId));
        session->confirmed = true;
      }
      if (id == IDOK || id == IDCANCEL) EndDialog(dialog, id);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

bool run(HWND owner, const std::string& title, const Layout& layout, Session& session) {
  const std::string bytes = dialogTemplate(title, layout);
  const auto result = callWindows([&] {
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                   reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), owner,
                                   editorProc, reinterpret_cast<LPARAM>(&session));
  });
  return result != -1;
}

}  // namespace

std::optional<std::string> editTextLine(HWND owner, const std::string& title,
                                        const std::string& text) {
  Session session{text};
  if (!run(owner, title, kLine, session) || !session.confirmed) return std::nullopt;
  return session.text;
}

void viewText(HWND owner, const std::string& title, const std::string& text) {
  Session session{text};
  run(owner, title, kViewer, session);
}

}  // namespace kestrel
