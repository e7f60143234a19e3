#include "framework/controls/ctlsource.h"

#include "framework/core/twindow_msgs.h"

namespace kestrel {

ControlBox controlBox(TControl& control) {
  if (control.hwnd()) control.CoorsUpdate();
  const long long top = control.nTop.integer();
  const long long left = control.nLeft.integer();
  return {top, left, control.nRight.integer() - left + 1, control.nBottom.integer() - top + 1};
}

std::string field3(long long n) {
  std::string text = std::to_string(n);
  return text.size() < 3 ? std::string(3 - text.size(), ' ') + text : text;
}

std::string resourceLine(TControl& control, const char* keyword, const lanmere::Value& nIndent,
                         const char* classAndStyle) {
  const ControlBox box = controlBox(control);
  const long long indent = nIndent.isNumber() && nIndent.integer() > 0 ? nIndent.integer() : 0;
  std::string line(static_cast<std::size_t>(indent), ' ');
  line += keyword;
  line += '"' + textForm(control.cCaption) + "\", ";
  line += std::to_string(control.nId.integer()) + ", ";
  if (classAndStyle) line += std::string(classAndStyle) + ", ";
  for (long long n : {box.top, box.left, box.width}) line += std::to_string(n) + ", ";
  return line + std::to_string(box.height);
}

}  // namespace kestrel
