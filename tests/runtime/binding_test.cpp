// Classes, methods and functions declared through the binding layer.
#include "runtime/binding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/error.h"

namespace lanmere {
namespace {

class TGauge : public Object {
  LM_CLASS(TGauge, Object)
  Value nTop = 1;
  Value cLabel = "gauge";
  Value lOn = false;

  Value Zero() { return "zero"; }
  Value Two(const Value& a, const Value& b) { return Value::list({a, b}); }
  Value Five(const Value& a, const Value& b, const Value& c, const Value& d, const Value& e) {
    return Value::list({a, b, c, d, e});
  }
  void Reset() { nTop = 0; }
  virtual Value Kind() { return "gauge"; }
  bool IsOn() const { return lOn.logical(); }
  long long Doubled(const Value& n) { return n.integer() * 2; }
  double Half(const Value& n) { return n.number() / 2; }
  std::string Label() { return cLabel.string(); }
  // A by-reference argument writes the caller's slot.
  Value Swap(Value& a, Value& b) {
    std::swap(a, b);
    return {};
  }
  Value Count(Args args) { return static_cast<long long>(args.size()); }
};

// Assigning the label through a free function that takes the object first.
Value assignLabel(TGauge& self, const Value& label) {
  if (label.isText()) self.cLabel = label;
  return self.cLabel;
}

LM_DEFINE_CLASS(TGauge) {
  c.data(LM_FIELDS(nTop, cLabel, lOn));
  c.classData("nMade", 0).classData("cFamily", "meters");
  c.methods(LM_METHODS(Zero, Two, Five, Reset, Kind, IsOn, Doubled, Half, Label, Swap, Count));
  c.method<&assignLabel>("_cLabel");
  c.creatable();
}

class TDial : public TGauge {
  LM_CLASS(TDial, TGauge)
  Value nAngle = 90;
  Value Kind() override { return "dial"; }
};

LM_DEFINE_CLASS(TDial) {
  c.data(LM_FIELDS(nAngle));
  c.classData("cFamily", "dials");
  c.creatable();
}

// Classes register at their first use.
const bool kRegistered = (TDial::Class(), true);

std::vector<std::string> names(const std::vector<DataSlot>& slots) {
  std::vector<std::string> out;
  for (const DataSlot& slot : slots) out.push_back(slot.name->name);
  return out;
}

TEST(Binding, DataMembersByNameInDeclarationOrder) {
  Value dial = createObject("TDial");
  ASSERT_TRUE(dial.isObject());
  EXPECT_EQ(names(TDial::Class().allData()),
            (std::vector<std::string>{"NTOP", "CLABEL", "LON", "NANGLE"}));
  EXPECT_EQ(send(dial, "nTop").integer(), 1);
  EXPECT_EQ(send(dial, "_nTop", {7}).integer(), 7);
  EXPECT_EQ(static_cast<TDial*>(dial.object())->nTop.integer(), 7);
  EXPECT_EQ(send(dial, "_NANGLE", {45}).integer(), 45);
  // A method named like an assignment takes its place.
  EXPECT_EQ(send(dial, "_cLabel", {5}).string(), "gauge");
  EXPECT_EQ(send(dial, "_cLabel", {"dial"}).string(), "dial");
}

TEST(Binding, ClassDataSharedUnlessRedeclared) {
  Value gauge = createObject("TGauge"), dial = createObject("TDial");
  send(gauge, "_nMade", {3});
  EXPECT_EQ(send(dial, "nMade").integer(), 3);
  EXPECT_EQ(send(gauge, "cFamily").string(), "meters");
  EXPECT_EQ(send(dial, "cFamily").string(), "dials");
}

TEST(Binding, MethodsTakeWhatTheyDeclare) {
  Value gauge = createObject("TGauge");
  auto items = [](const Value& list) {
    std::vector<std::string> out;
    for (const Value& v : list.items()) out.push_back(v.isNil() ? "nil" : v.string());
    return out;
  };
  using Strings = std::vector<std::string>;
  EXPECT_EQ(send(gauge, "Zero", {"ignored"}).string(), "zero");
  EXPECT_EQ(items(send(gauge, "Two")), (Strings{"nil", "nil"}));
  EXPECT_EQ(items(send(gauge, "Two", {"a"})), (Strings{"a", "nil"}));
  EXPECT_EQ(items(send(gauge, "Two", {"a", "b", "c"})), (Strings{"a", "b"}));
  EXPECT_EQ(items(send(gauge, "Five", {"a", "b"})), (Strings{"a", "b", "nil", "nil", "nil"}));
  EXPECT_EQ(items(send(gauge, "Five", {"a", "b", "c", "d", "e", "f"})),
            (Strings{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(send(gauge, "Count", {1, 2, 3}).integer(), 3);

  // Results of each C++ kind.
  EXPECT_TRUE(send(gauge, "Reset").isNil());
  EXPECT_EQ(send(gauge, "nTop").integer(), 0);
  const Value on = send(gauge, "IsOn");
  EXPECT_TRUE(on.isLogical() && !on.logical());
  const Value doubled = send(gauge, "Doubled", {21});
  EXPECT_TRUE(doubled.isInteger() && doubled.integer() == 42);
  EXPECT_DOUBLE_EQ(send(gauge, "Half", {3}).number(), 1.5);
  EXPECT_EQ(send(gauge, "Label").string(), "gauge");

  // By reference: the argument list's slots change; a missing one is a scratch value.
  std::vector<Value> pair = {"left", "right"};
  send(gauge, symbol("Swap"), Args(pair));
  EXPECT_EQ(pair[0].text(), "right");
  EXPECT_EQ(pair[1].text(), "left");
  std::vector<Value> one = {"only"};
  send(gauge, symbol("Swap"), Args(one));
  EXPECT_TRUE(one[0].isNil());
}

TEST(Binding, AnOverrideAnswersCppCallsAndMessagesAlike) {
  Value dial = createObject("TDial");
  TGauge& asGauge = *static_cast<TGauge*>(dial.object());
  EXPECT_EQ(asGauge.Kind().string(), "dial");
  EXPECT_EQ(send(dial, "Kind").string(), "dial");
  EXPECT_EQ(send(createObject("TGauge"), "kind").string(), "gauge");
}

// ---- Argument lists declared once ----

class TPlot : public Object {
  LM_CLASS(TPlot, Object)
  LM_ARGS(NewArgs, nRow, nCol, cTitle)
  LM_ARGS(ReDefineArgs, nId, cTitle)
  Value aGot;  // the values New or ReDefine read, in order
  Value New(Args args) {
    const NewArgs a = NewArgs::from(args);
    aGot = Value::list({a.nRow, a.nCol, a.cTitle});
    return aGot;
  }
  Value ReDefine(Args args) {
    const ReDefineArgs a = ReDefineArgs::from(args);
    aGot = Value::list({a.nId, a.cTitle});
    return aGot;
  }
};

LM_DEFINE_CLASS(TPlot) {
  c.data(LM_FIELDS(aGot));
  c.methods(LM_METHODS(New, ReDefine));
  c.creatable();
}

std::vector<std::string> texts(const Value& list) {
  std::vector<std::string> out;
  for (const Value& v : list.items()) out.push_back(v.isNil() ? "nil" : v.string());
  return out;
}

TEST(Binding, ArgumentStructsReadPositionsInTheirOrder) {
  using Strings = std::vector<std::string>;
  static_assert(TPlot::NewArgs::count == 3 && TPlot::ReDefineArgs::count == 2);
  static_assert(TPlot::NewArgs::method == "New" && TPlot::ReDefineArgs::method == "ReDefine");
  struct Case {
    std::vector<Value> given;
    Strings read;
  } cases[] = {
      {{}, {"nil", "nil", "nil"}},           {{"r"}, {"r", "nil", "nil"}},
      {{"r", "c", "t"}, {"r", "c", "t"}},    {{"r", "c", "t", "extra"}, {"r", "c", "t"}},
      {{Value(), "c"}, {"nil", "c", "nil"}},
  };
  for (Case& c : cases) {
    const TPlot::NewArgs a = TPlot::NewArgs::from(Args(c.given));
    EXPECT_EQ(texts(Value::list({a.nRow, a.nCol, a.cTitle})), c.read);
    // The list hands the same values on in the same order.
    auto values = a.list();
    const TPlot::NewArgs again = TPlot::NewArgs::from(Args(values));
    EXPECT_EQ(texts(Value::list({again.nRow, again.nCol, again.cTitle})), c.read);
  }
  const auto named = TPlot::NewArgs{.nCol = "c"}.list();
  EXPECT_EQ(texts(Value::list({named[0], named[1], named[2]})), (Strings{"nil", "c", "nil"}));
}

TEST(Binding, ConstructSendsTheStructsMethodToANewObject) {
  using Strings = std::vector<std::string>;
  const std::size_t depth = stackDepth();
  EXPECT_EQ(texts(construct<TPlot>({.nRow = "r", .cTitle = "t"})), (Strings{"r", "nil", "t"}));
  EXPECT_EQ(texts(construct<TPlot>(TPlot::ReDefineArgs{.nId = "7"})), (Strings{"7", "nil"}));
  EXPECT_EQ(stackDepth(), depth);
  Value plot(make<TPlot>());
  TPlot::ReDefineArgs{.cTitle = "t"}.sendTo(plot);
  EXPECT_EQ(texts(send(plot, "aGot")), (Strings{"nil", "t"}));
}

// Every creatable class lists its own data members in the order the C++ class declares them
// (the report, aProperties and persistence walk them in that order).
TEST(Binding, EveryClassListsItsMembersInDeclarationOrder) {
  errorNew();
  for (int handle = 1; const ClassInfo* info = classByHandle(handle); ++handle) {
    if (!info->create || info->data.size() < 2) continue;
    Ref<Object> object = info->create();
    const char* previous = nullptr;
    for (const DataSlot& slot : info->data) {
      const char* at = reinterpret_cast<const char*>(&(object.get()->*slot.field));
      if (previous) {
        EXPECT_LT(previous, at) << info->name << " " << slot.name->name;
      }
      previous = at;
    }
  }
}

// ---- Functions ----

int raiseLine = 0;

Value SCALE(const Value& number, const Value& factor) {
  if (!number.isNumber()) {
    raiseLine = __LINE__ + 1;
    return argumentError(9999);
  }
  return Value(number.integer() * factor.integer());
}

Value NOTHING() {
  return {};
}

const ModuleTable& testModule() {
  static const ModuleTable module{__FILE__, {fn<&SCALE>("SCALE"), fn<&NOTHING>("NOTHING")}};
  return module;
}

TEST(Binding, AFunctionGetsItsFrameFromTheBinding) {
  static const bool registered = (registerModule(testModule()), true);
  (void)registered;
  EXPECT_EQ(callFunction("SCALE", {6, 7}).integer(), 42);
  EXPECT_TRUE(callFunction("NOTHING", {1, 2}).isNil());

  struct Seen {
    std::string operation, procedure, module;
    int line = 0;
    std::vector<Value> params;
  } seen;
  const Value kept = errorBlock();
  errorBlock(block([&](Args a) {
    auto* record = static_cast<ErrorRecord*>(arg(a, 1).object());
    seen.operation = record->operation.string();
    const Frame* raiser = frameAt(1);  // 0 is this block
    seen.procedure = raiser->procedure();
    seen.module = std::string(raiser->module());
    seen.line = raiser->line();
    seen.params.assign(raiser->params().begin(), raiser->params().end());
    return Value(0);
  }));
  const std::size_t depth = stackDepth();
  EXPECT_EQ(callFunction("SCALE", {"six", 7}).integer(), 0);
  restoreErrorBlock(kept);
  EXPECT_EQ(stackDepth(), depth);
  EXPECT_EQ(seen.operation, "SCALE");
  EXPECT_EQ(seen.procedure, "SCALE");
  EXPECT_EQ(seen.module, "tests/runtime/binding_test.cpp");
  EXPECT_EQ(seen.line, raiseLine);
  ASSERT_EQ(seen.params.size(), 2u);
  EXPECT_EQ(seen.params[0].text(), "six");
  EXPECT_EQ(seen.params[1].integer(), 7);
}

}  // namespace
}  // namespace lanmere
