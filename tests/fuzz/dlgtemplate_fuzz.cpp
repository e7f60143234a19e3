// Dialog templates: the reader on arbitrary bytes (parsed or refused, never a read outside the
// input), and header and items written from the fuzzer's texts and numbers, which must parse
// back to what was written.
#include <cstdlib>

#include "framework/core/dlgtemplate.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

std::u16string widened(const std::string& text, kestrel::CodePage page) {
  return kestrel::widen(std::string_view(text).substr(0, text.find('\0')), page);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const kestrel::TemplateReading reading = kestrel::readDialogTemplate(raw);
  if (const auto* refusal = std::get_if<kestrel::TemplateRefusal>(&reading)) {
    check(refusal->offset <= size);
  } else {
    check(std::get<kestrel::ParsedTemplate>(reading).size <= size);
  }

  FuzzedDataProvider input(data, size);
  kestrel::DialogHeader header;
  header.style = input.ConsumeIntegral<std::uint32_t>();
  header.items = input.ConsumeIntegralInRange<std::uint16_t>(0, 3);
  header.x = input.ConsumeIntegral<std::int16_t>();
  header.cy = input.ConsumeIntegral<std::int16_t>();
  header.caption = input.ConsumeRandomLengthString(600);
  if (input.ConsumeBool()) {
    header.pointSize = input.ConsumeIntegral<std::uint16_t>();
    header.faceName = input.ConsumeRandomLengthString(100);
  }
  std::string bytes = kestrel::writeDialogHeader(header);
  std::vector<kestrel::DialogItem> items(header.items);
  for (kestrel::DialogItem& item : items) {
    item.style = input.ConsumeIntegral<std::uint32_t>();
    item.id = input.ConsumeIntegral<std::uint16_t>();
    item.y = input.ConsumeIntegral<std::int16_t>();
    item.className = input.ConsumeRandomLengthString(100);
    item.caption = input.ConsumeRandomLengthString(300);
    bytes += kestrel::writeDialogItem(item);
  }
  // A style whose low word is 1 and high word 0xFFFF is the extended form's signature, to the
  // dialog manager as well: such a header is not a standard one.
  if (bytes.compare(0, 4, std::string("\x01\x00\xFF\xFF", 4)) == 0) return 0;
  const kestrel::TemplateReading back = kestrel::readDialogTemplate(bytes);
  const auto* parsed = std::get_if<kestrel::ParsedTemplate>(&back);
  check(parsed && !parsed->extended && parsed->items.size() == items.size());
  check(parsed->x == header.x && parsed->cy == header.cy);
  check(parsed->title.text == widened(header.caption, kestrel::CodePage::Oem));
  check(parsed->font.has_value() == header.pointSize.has_value());
  if (parsed->font) check(parsed->font->face == widened(header.faceName, kestrel::CodePage::Oem));
  for (std::size_t i = 0; i < items.size(); ++i) {
    const kestrel::TemplateItem& item = parsed->items[i];
    check(item.style == items[i].style && item.id == items[i].id && item.y == items[i].y);
    check(item.windowClass.text == widened(items[i].className, kestrel::CodePage::Oem));
    check(item.title.text == widened(items[i].caption, kestrel::CodePage::Ansi));
  }
  return 0;
}
