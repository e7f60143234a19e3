#include "errors/kserror.h"

#include <cstdio>
#include <optional>

#include "runtime/binding.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr std::string_view kFrameworkSubsystem = "Kestrel";
constexpr int kUnrecoverable = 3;  // a severity that cannot be defaulted

struct TableEntry {
  std::string_view description;
  int severity;
  std::optional<std::string_view> subSystem;
  std::optional<long long> subCode;
};

// Index = framework error number - 1. Only "Memory Low" names its subsystem and sub-code.
constexpr TableEntry kErrorTable[] = {
    {"Non defined Id", 3, {}, {}},
    {"Duplicated Id", 3, {}, {}},
    {"Cannot create Dialog Box", 3, {}, {}},
    {"Memory Low", 1, "BASE", 5300},
    {"GPF occurred", 3, {}, {}},
    {"Cannot create window or control", 3, {}, {}},
};
constexpr int kTableSize = sizeof kErrorTable / sizeof kErrorTable[0];

const std::string kDialogIndent = "\r\n" + std::string(22, ' ');

// Framework errors go straight to the block, but with no block there is no one to hand them
// to: that ends the program as every launch without a block does.
Value evaluateErrorBlock(const Value& record) {
  std::optional<Value> answer = handToErrorBlock(record);
  if (!answer) lanmere::internalError(lanmere::kNoErrorBlock);
  return *answer;
}

}  // namespace

std::optional<Value> handToErrorBlock(const Value& record) {
  const Value block = lanmere::errorBlock();
  if (!block.isClosure()) return std::nullopt;
  return lanmere::eval(block, {record});
}

lanmere::Ref<lanmere::ErrorRecord> ksGenError(int number, std::string_view operation) {
  if (number < 1 || number > kTableSize) return {};
  const TableEntry& entry = kErrorTable[number - 1];
  lanmere::Ref<lanmere::ErrorRecord> error = lanmere::errorNew();
  error->severity = entry.severity;
  error->setFlag(lanmere::kCanDefault, entry.severity < kUnrecoverable);
  error->subSystem = entry.subSystem.value_or(kFrameworkSubsystem);
  error->subCode = entry.subCode.value_or(number);
  error->description = entry.description;
  error->operation = operation;
  return error;
}

void raiseFrameworkError(int number, std::string_view operation, std::source_location where) {
  lanmere::atLine(where);
  lanmere::Ref<lanmere::ErrorRecord> error = ksGenError(number, operation);
  evaluateErrorBlock(Value(error));
}

std::string idOperation(long long id) {
  char field[32];
  std::snprintf(field, sizeof field, "%6lld", id);
  return std::string("No: ") + field;
}

std::string dialogResourceOperation(const Value& resource) {
  const std::string name =
      resource.isNumber() ? std::to_string(resource.integer()) : resource.string();
  return kDialogIndent + "Resource: " + name;
}

std::string dialogTitleOperation(std::string_view caption) {
  return kDialogIndent + "Title: " + std::string(caption);
}

std::string windowOperation(std::string_view className, std::string_view caption,
                            std::string_view systemError) {
  std::string text = "\r\nClass: ";
  text += className;
  text += "\r\nCaption: ";
  text += caption;
  text += "\r\nSystem Error: ";
  text += systemError;
  return text;
}

Value KSGENERROR(Args args) {
  const Value& number = lanmere::arg(args, 1);
  const long long n = number.integer();
  if (!number.isNumber() || number.number() != static_cast<double>(n)) return {};
  if (n < 1 || n > kTableSize) return {};
  // The record's operation accepts only a text; anything else leaves it "".
  const Value& operation = lanmere::arg(args, 2);
  auto error = ksGenError(static_cast<int>(n), operation.text());
  return Value(error);
}

Value LOWMEMERROR() {
  return evaluateErrorBlock(Value(ksGenError(kErrMemoryLow)));
}

const lanmere::ModuleTable& ksErrorModule() {
  using namespace lanmere;
  static const ModuleTable module{
      "errors/kserror.cpp",
      {lanmere::fn<&KSGENERROR>("_KSGENERROR"), lanmere::fn<&LOWMEMERROR>("__LOWMEMERROR")}};
  return module;
}

}  // namespace kestrel
