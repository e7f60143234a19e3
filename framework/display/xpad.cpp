#include "framework/display/xpad.h"

#include <algorithm>
#include <cmath>

#include "framework/controls/fontapi.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Value;

namespace {

std::string composed(std::string_view text, std::string_view fill, std::size_t count,
                     bool prepend) {
  std::string out;
  out.reserve(text.size() + count * fill.size());
  if (!prepend) out.append(text);
  for (std::size_t i = 0; i < count; ++i) out.append(fill);
  if (prepend) out.append(text);
  return out;
}

std::size_t maxFills(std::string_view text, std::string_view fill, std::size_t maxLength) {
  return maxLength < text.size() ? 0 : (maxLength - text.size()) / fill.size();
}

}  // namespace

std::optional<std::size_t> fillCount(std::string_view text, std::string_view fill, double width,
                                     bool prepend, const TextMeasure& measure,
                                     std::size_t maxCount) {
  const long long own = measure(text);
  if (static_cast<double>(own) >= width || fill.empty()) return 0;
  const long long step = measure(fill);
  if (step <= 0) return 0;
  // Widths of drawn text add up (no kerning across the fills), so the quotient is the count;
  // the probes below only confirm it, and find the loop's answer should a font disagree.
  const double estimate = std::ceil((width - static_cast<double>(own)) / static_cast<double>(step));
  if (estimate > static_cast<double>(maxCount)) return std::nullopt;
  auto reaches = [&](std::size_t count) {
    return static_cast<double>(measure(composed(text, fill, count, prepend))) >= width;
  };
  // Invariant: `low` fills fall short (0 does), `high` fills reach.
  std::size_t low = 0;
  std::size_t high = std::max<std::size_t>(1, static_cast<std::size_t>(estimate));
  if (high > maxCount) return std::nullopt;
  std::size_t stride = 1;
  if (reaches(high)) {
    while (high - low > 1) {
      const std::size_t probe = high - std::min(stride, high - low - 1);
      if (!reaches(probe)) {
        low = probe;
        break;
      }
      high = probe;
      stride *= 2;
    }
  } else {
    low = high;
    for (;;) {
      if (low >= maxCount) return std::nullopt;
      const std::size_t probe = low + std::min(stride, maxCount - low);
      if (reaches(probe)) {
        high = probe;
        break;
      }
      low = probe;
      stride *= 2;
    }
  }
  while (high - low > 1) {
    const std::size_t middle = low + (high - low) / 2;
    (reaches(middle) ? high : low) = middle;
  }
  return high;
}

namespace {

std::optional<std::string> padPixels(std::string_view text, double width, std::string_view fill,
                                     const TextMeasure& measure, std::size_t maxLength,
                                     bool prepend) {
  const std::size_t limit = fill.empty() ? 0 : maxFills(text, fill, maxLength);
  const auto count = fillCount(text, fill, width, prepend, measure, limit);
  if (!count) return std::nullopt;
  return composed(text, fill, *count, prepend);
}

}  // namespace

std::optional<std::string> padRightPixels(std::string_view text, double width,
                                          std::string_view fill, const TextMeasure& measure,
                                          std::size_t maxLength) {
  return padPixels(text, width, fill, measure, maxLength, false);
}

std::optional<std::string> padLeftPixels(std::string_view text, double width, std::string_view fill,
                                         const TextMeasure& measure, std::size_t maxLength) {
  return padPixels(text, width, fill, measure, maxLength, true);
}

std::optional<std::string> padCenterPixels(std::string_view text, double width,
                                           std::string_view fill, const TextMeasure& measure,
                                           std::size_t maxLength) {
  std::string trimmed = lanmere::allTrim(text);
  const auto own = static_cast<double>(measure(text));
  if (width <= own || fill.empty()) return trimmed;
  const char blank = fill.front();
  const auto step = static_cast<double>(measure(std::string_view(&blank, 1)));
  if (step <= 0) return trimmed;
  // The field counts whole fill characters: the quotient's fraction is dropped.
  const double field = static_cast<double>(text.size()) + std::trunc((width - own) / step);
  if (field > static_cast<double>(maxLength)) return std::nullopt;
  return lanmere::padCenter(trimmed, static_cast<long long>(field), blank);
}

namespace {

using PadFunction = std::optional<std::string> (*)(std::string_view, double, std::string_view,
                                                   const TextMeasure&, std::size_t);

// The screen's default font: no context, no font.
long long screenWidth(std::string_view text) {
  return textWidth(nullptr, text, nullptr);
}

Value padByName(PadFunction pad, const Value& text, const Value& width, const Value& fill) {
  if (!text.isText() || !width.isNumber() || !(fill.isNil() || fill.isText())) {
    return lanmere::argumentError(kPadArgumentSubCode);
  }
  const std::string_view fillText = fill.isNil() ? std::string_view(" ") : fill.text();
  auto padded = pad(text.text(), width.number(), fillText, screenWidth, lanmere::maxTextLength());
  if (!padded) {
    return lanmere::raiseRuntimeErrorSubstitute({.genCode = 3,
                                                 .subCode = kPadArgumentSubCode,
                                                 .args = lanmere::ErrorArgs::currentParams()});
  }
  return Value(*padded);
}

}  // namespace

Value XPADR(const Value& text, const Value& width, const Value& fill) {
  return padByName(&padRightPixels, text, width, fill);
}

Value XPADL(const Value& text, const Value& width, const Value& fill) {
  return padByName(&padLeftPixels, text, width, fill);
}

Value XPADC(const Value& text, const Value& width, const Value& fill) {
  return padByName(&padCenterPixels, text, width, fill);
}

const lanmere::ModuleTable& xpadModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__, {fn<&XPADR>("XPADR"), fn<&XPADL>("XPADL"), fn<&XPADC>("XPADC")}};
  return module;
}

}  // namespace kestrel
