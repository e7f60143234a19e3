#include "framework/errorui/errorsys.h"

#include <windows.h>

#include <utility>

#include "errors/report.h"
#include "errors/settings.h"
#include "framework/core/resmodule.h"
#include "framework/core/winrun.h"
#include "framework/errorui/errordialog.h"
#include "framework/errorui/handlerwork.h"
#include "framework/errorui/logo.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::ErrorRecord;
using lanmere::Value;

namespace {

constexpr long long kZeroDivisor = 5;
constexpr long long kOpenError = 21;
constexpr long long kAppendLockFailed = 40;
constexpr long long kSharingViolation = 32;  // ERROR_SHARING_VIOLATION
constexpr long long kAccessDenied = 5;       // ERROR_ACCESS_DENIED

// The soft failure of a table that another process holds: the network-error indicator is set
// and the operation takes its default.
Value softFailure() {
  Value on[] = {true};
  lanmere::NETERR(Args(on));
  return false;
}

// The program ends from inside the handler: the framework's process-wide resources go, the
// error level becomes 1, a quit message is queued for whatever loop still looks, and __QUIT runs
// the exit procedures and unwinds. Nothing is written or shown.
[[noreturn]] void endProgram() {
  FREERESOURCES();
  lanmere::callFunction("ERRORLEVEL", {1});
  PostQuitMessage(0);
  lanmere::callFunction("__QUIT");
  lanmere::requestQuit();  // __QUIT unwinds; without one the request still must
}

// Deletes the dialog's logo however the dialog is left.
class LogoOwner {
 public:
  LogoOwner() = default;
  ~LogoOwner() { deleteLogo(logo_); }
  LogoOwner(const LogoOwner&) = delete;
  LogoOwner& operator=(const LogoOwner&) = delete;

  HBITMAP& handle() { return logo_; }
  void release() { deleteLogo(std::exchange(logo_, nullptr)); }

 private:
  HBITMAP logo_ = nullptr;
};

// The handler: answers the launch of `oError` with 0 (a zero divisor's substitute), false (take
// the default), true (retry), or ends the program.
Value ERRORDIALOG(const Value& oError) {
  lanmere::Ref<ErrorRecord> record;
  if (lanmere::Object* object = oError.object();
      object && object->classInfo().derivesFrom(ErrorRecord::Class())) {
    record = lanmere::Ref<ErrorRecord>(static_cast<ErrorRecord*>(object));
  } else {
    record = lanmere::errorNew();  // not a record: shown as an unknown error
  }
  const ErrorRecord& error = *record;
  const long long genCode = error.genCode.integer();
  const long long osCode = error.osCode.integer();

  // A division launched for substitution yields 0; any other launch of a zero divisor would
  // take 0 for a broken protocol, so it goes the normal road.
  if (genCode == kZeroDivisor && error.canSubstitute()) return 0;
  if (genCode == kOpenError && (osCode == kSharingViolation || osCode == kAccessDenied) &&
      error.canDefault()) {
    return softFailure();
  }
  if (genCode == kAppendLockFailed && error.canDefault()) return softFailure();

  if (HandlerWork::running()) endProgram();
  const HandlerWork work;

  // Built here, in the handler's own frame: the report counts its levels from it.
  const ReportFacts facts = gatherReportFacts();
  const Report report = buildReport(error, facts, reportValueText);
  writeReport(errorReportName(), report.text);

  LogoOwner logo;
  const Value answer = errorDialog(error, report, facts.ntFamily, logo.handle());
  logo.release();

  if (postErrorAction().isClosure()) {
    lanmere::eval(postErrorAction(), {Value(errorReportName()), Value(record)});
  }
  // The dialog's own loop raised the running flag while it was open: read it now.
  if (answer.isNil() || (answer.logical() && !isRunning())) endProgram();
  return answer;
}

const lanmere::FunctionEntry& errorDialogEntry();

// The error block: ERRORDIALOG through its table entry, so that it has a frame of its own.
Value errorSysBlock(Args args) {
  return errorDialogEntry().call(args.subspan(0, std::min<std::size_t>(args.size(), 1)));
}

Value ERRORSYS() {
  lanmere::errorBlock(lanmere::block(errorSysBlock, "(b)ERRORSYS"));
  return {};
}

// Naming it links this module into a program.
Value ERRORLINK() {
  return {};
}

// Every module references it so that the default handler and the windowless terminal are
// linked in; it does nothing.
Value KS_GT(Args) {
  return {};
}

constexpr std::size_t kErrorDialogEntry = 3;

}  // namespace

const lanmere::ModuleTable& errorSysModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&ERRORSYS>("ERRORSYS"), lanmere::fn<&ERRORLINK>("ERRORLINK"),
       lanmere::fn<&KS_GT>("KS_GT"),
       lanmere::fn<&ERRORDIALOG>("ERRORDIALOG", lanmere::kStatic | lanmere::kDefined),
       lanmere::referenced("HB_GTSYS"), lanmere::referenced("HB_GT_GUI_DEFAULT")}};
  return module;
}

namespace {

const lanmere::FunctionEntry& errorDialogEntry() {
  return errorSysModule().entries[kErrorDialogEntry];
}

}  // namespace

}  // namespace kestrel
