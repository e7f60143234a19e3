#include <gtest/gtest.h>

#include <climits>

#include "runtime/binding.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/functions.h"
#include "runtime/memvars.h"
#include "runtime/object.h"

namespace lanmere {
namespace {

TEST(Text, CopiesShareUntilOneWrites) {
  Value a("hello");
  Value b = a;
  EXPECT_EQ(a.text().data(), b.text().data());
  b.append(" world");
  EXPECT_EQ(a.text(), "hello");
  EXPECT_EQ(b.text(), "hello world");
  Bytes& own = a.mutableText();
  own[0] = 'J';
  EXPECT_EQ(a.text(), "Jello");
}

TEST(Text, MutableTextOfASharedTextLeavesTheOtherHolderAlone) {
  Value buffer(std::string(8, ' '));
  Value keep = buffer;
  Bytes& bytes = buffer.mutableText();
  bytes.replace(0, 3, "abc");
  EXPECT_EQ(buffer.text(), "abc     ");
  EXPECT_EQ(keep.text(), "        ");
  EXPECT_EQ(buffer.length(), 8u);
}

TEST(Text, HoldsZeroBytesAndHighBytes) {
  const std::string raw("a\0b\xff", 4);
  Value text(raw);
  EXPECT_EQ(text.length(), 4u);
  EXPECT_EQ(text.string(), raw);
}

TEST(Text, AppendingToAnUnsharedTextKeepsItsStorage) {
  Value text("");
  text.append("x");
  const void* first = text.identity();
  for (int i = 0; i < 1000; ++i) text.append("0123456789");
  EXPECT_EQ(text.identity(), first);
  EXPECT_EQ(text.length(), 10001u);
}

TEST(List, CopiesShareTheSameList) {
  Value a = Value::list({1, "two"});
  Value b = a;
  b.listData()->items.push_back(3.5);
  EXPECT_EQ(a.length(), 3u);
  EXPECT_TRUE(exactlyEqual(a, b));
  EXPECT_FALSE(exactlyEqual(a, Value::list({1, "two", 3.5})));
  EXPECT_EQ(a.item(2).text(), "two");
  EXPECT_TRUE(a.item(4).isNil());
  EXPECT_TRUE(a.item(0).isNil());
}

TEST(Value, EmptyAsTheLanguageDefinesIt) {
  const struct {
    Value value;
    bool empty;
  } rows[] = {
      {Value(), true},
      {false, true},
      {0, true},
      {0.0, true},
      {"", true},
      {Value::list(), true},
      {Value::hash(), true},
      {Value::date(0), true},
      {Value::timestamp(0, 0), true},
      {true, false},
      {-1, false},
      {" ", false},
      {Value::list({Value()}), false},
      {Value::date(2451545), false},
      {Value::timestamp(0, 1), false},  // a time without a date is not blank
      {Value::timestamp(2451545, 0), false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(isEmpty(rows[i].value), rows[i].empty) << "row " << i;
  }
}

// Integer keys compare as integers: beyond 2^53, where doubles skip odd numbers, keys one apart
// are two entries.
TEST(Hash, IntegerKeysOneApartStayDistinct) {
  for (long long key : {1LL << 53, -(1LL << 53) - 1, LLONG_MAX - 1}) {
    Value hash = Value::hash();
    hash.hashData()->entries.push_back({key, "first"});
    hash.hashData()->entries.push_back({key + 1, "second"});
    const Value* first = hash.hashData()->find(key);
    const Value* second = hash.hashData()->find(key + 1);
    ASSERT_TRUE(first && second) << key;
    EXPECT_EQ(first->string(), "first") << key;
    EXPECT_EQ(second->string(), "second") << key;
  }
}

TEST(Value, EqualityAndTypeLetters) {
  EXPECT_TRUE(exactlyEqual(Value(2), Value(2.0)));
  EXPECT_FALSE(exactlyEqual(Value("a"), Value("a ")));
  EXPECT_FALSE(exactlyEqual(Value(1), Value("1")));
  EXPECT_EQ(typeLetter(Value()), 'U');
  EXPECT_EQ(typeLetter(Value(1.5)), 'N');
  EXPECT_EQ(typeLetter(Value("x")), 'C');
  EXPECT_EQ(typeLetter(Value::list()), 'A');
  EXPECT_EQ(typeLetter(block([](Args) { return Value(); })), 'B');
  EXPECT_EQ(typeLetter(Value(errorNew())), 'O');
  EXPECT_EQ(typeLetter(Value::hash()), 'H');
  EXPECT_EQ(typeLetter(Value::date(1)), 'D');
  EXPECT_EQ(Value(3.25, 2).decimals(), 2);
  EXPECT_EQ(Value(7).integer(), 7);
  EXPECT_EQ(Value(7.9).integer(), 7);
}

TEST(Memory, CountersFollowAllocations) {
  const std::size_t before = memoryCounters().inUse;
  {
    Value big(std::string(100000, 'x'));
    EXPECT_GE(memoryCounters().inUse, before + 100000);
    EXPECT_GE(memoryCounters().highest, memoryCounters().inUse);
  }
  EXPECT_EQ(memoryCounters().inUse, before);
}

TEST(Closure, CapturesBySharedCell) {
  auto counter = make<Cell>(Value(0));
  Value bump = block([counter](Args) { return counter->value = counter->value.integer() + 1; });
  Value read = block([counter](Args) { return counter->value; });
  eval(bump);
  eval(bump);
  EXPECT_EQ(eval(read).integer(), 2);
  Value add = block([](Args a) { return Value(arg(a, 1).integer() + arg(a, 2).integer()); });
  EXPECT_EQ(eval(add, {3, 4}).integer(), 7);
  EXPECT_TRUE(eval(Value(5)).isNil());
}

TEST(Closure, SetGetReadsAndWritesTheCell) {
  auto cell = make<Cell>(Value("old"));
  Value bSetGet = setGet(cell);
  EXPECT_EQ(eval(bSetGet).string(), "old");
  EXPECT_EQ(eval(bSetGet, {"new"}).string(), "new");
  EXPECT_EQ(cell->value.text(), "new");
}

// A small class hierarchy declared the way framework classes are.
class TShape : public Object {
  LM_CLASS(TShape, Object)
  Value nTop = 0;
  Value cName = "shape";
  virtual Value Area() { return 0; }
  Value Where() { return Value(procName(0)); }
};

LM_DEFINE_CLASS(TShape) {
  c.data(LM_FIELDS(nTop, cName));
  c.classData("nCount", 0).classData("cKind", "base");
  c.methods(LM_METHODS(Area, Where));
  c.creatable();
}

class TSquare : public TShape {
  LM_CLASS(TSquare, TShape)
  Value nSide = 3;
  Value Area() override { return nSide.integer() * nSide.integer(); }
};

LM_DEFINE_CLASS(TSquare) {
  c.data(LM_FIELDS(nSide));
  c.classData("cKind", "square");
  c.inlineMethod("Twice", block([](Args a) { return Value(arg(a, 2).integer() * 2); }));
  c.fallback(
      [](Object&, const Symbol* message, Args) { return Value("unknown " + message->name); });
  c.creatable();
}

TEST(Object, MessagesAreCaseInsensitiveAndUnderscoreAssigns) {
  Value square(make<TSquare>());
  EXPECT_EQ(send(square, "NTOP").integer(), 0);
  send(square, "_ntop", {42});
  EXPECT_EQ(send(square, "nTop").integer(), 42);
  EXPECT_EQ(static_cast<TSquare*>(square.object())->nTop.integer(), 42);
  EXPECT_EQ(send(square, "cname").string(), "shape");
}

TEST(Object, AnOverrideAnswersByNameAndFromCpp) {
  Value square(make<TSquare>());
  EXPECT_EQ(send(square, "Area").integer(), 9);
  TShape& asShape = *static_cast<TShape*>(square.object());
  EXPECT_EQ(asShape.Area().integer(), 9);
  EXPECT_EQ(send(Value(make<TShape>()), "area").integer(), 0);
  EXPECT_EQ(send(square, "Twice", {5}).integer(), 10);
  EXPECT_EQ(send(square, "Where").string(), "TSHAPE:WHERE");
}

TEST(Object, ClassDataIsSharedPerClassUnlessRedeclared) {
  Value a(make<TShape>()), b(make<TShape>()), s(make<TSquare>());
  send(a, "_nCount", {5});
  EXPECT_EQ(send(b, "nCount").integer(), 5);
  EXPECT_EQ(send(s, "nCount").integer(), 5);  // inherited, same value
  EXPECT_EQ(send(a, "cKind").string(), "base");
  EXPECT_EQ(send(s, "cKind").string(), "square");
  send(s, "_cKind", {"changed"});
  EXPECT_EQ(send(a, "cKind").string(), "base");
}

TEST(Object, ReflectionNamesUnderstandingAndCreation) {
  Value square(make<TSquare>());
  EXPECT_EQ(className(square), "TSQUARE");
  EXPECT_TRUE(understands(square, "nside"));
  EXPECT_TRUE(understands(square, "_NSIDE"));
  EXPECT_TRUE(understands(square, "AREA"));
  EXPECT_FALSE(understands(square, "Volume"));
  EXPECT_FALSE(understands(Value(3), "Area"));
  Value made = createObject("tsquare");
  ASSERT_TRUE(made.isObject());
  EXPECT_EQ(send(made, "nSide").integer(), 3);
  EXPECT_TRUE(createObject("NoSuchClass").isNil());
  const ClassInfo* info = classByHandle(TSquare::Class().handle);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->name, "TSQUARE");
  EXPECT_EQ(classByHandle(0), nullptr);
  std::vector<std::string> names;
  for (const DataSlot& slot : TSquare::Class().allData()) names.push_back(slot.name->name);
  EXPECT_EQ(names, (std::vector<std::string>{"NTOP", "CNAME", "NSIDE"}));
  EXPECT_EQ(className(Value("x")), "CHARACTER");
  EXPECT_EQ(className(Value::list()), "ARRAY");
}

TEST(Object, UnknownMessagesGoToTheFallbackOrRaise) {
  Value square(make<TSquare>());
  EXPECT_EQ(send(square, "Volume").string(), "unknown VOLUME");

  Value seen;
  Value previous = errorBlock(block([&seen](Args a) {
    seen = arg(a, 1);
    return Value("substitute");
  }));
  Value shape(make<TShape>());
  EXPECT_EQ(send(shape, "Volume").string(), "substitute");
  auto* record = static_cast<ErrorRecord*>(seen.object());
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->genCode.integer(), 13);
  EXPECT_EQ(record->operation.text(), "VOLUME");
  EXPECT_EQ(send(shape, "_nothing", {1}).string(), "substitute");
  record = static_cast<ErrorRecord*>(seen.object());
  EXPECT_EQ(record->genCode.integer(), 16);
  EXPECT_EQ(record->operation.text(), "NOTHING");
  errorBlock(previous);
}

TEST(Symbol, OneSymbolPerNameWhateverTheCase) {
  EXPECT_EQ(symbol("HandleEvent"), symbol("HANDLEEVENT"));
  EXPECT_NE(symbol("a"), symbol("b"));
}

Value innerProbe(Args args) {
  Frame frame("INNER", args);
  Value local = "kept";
  frame.local("cLocal", local);
  atLine(std::source_location::current());
  const int line = __LINE__ - 1;
  EXPECT_EQ(procName(0), "INNER");
  EXPECT_EQ(procLine(0), line);
  EXPECT_EQ(procFile(0), "tests/runtime/core_test.cpp");
  EXPECT_EQ(procName(1), "OUTER");
  EXPECT_EQ(frameAt(0)->locals().size(), 1u);
  EXPECT_EQ(frameAt(0)->locals()[0].value->text(), "kept");
  EXPECT_EQ(frameAt(0)->params().size(), 2u);
  return Value(static_cast<long long>(stackDepth()));
}

TEST(CallStack, FramesCarryNamesLinesParamsAndLocals) {
  const std::size_t base = stackDepth();
  std::vector<Value> outerArgs{1};
  Frame outer("OUTER", outerArgs);
  std::vector<Value> innerArgs{"a", "b"};
  EXPECT_EQ(innerProbe(innerArgs).integer(), static_cast<long long>(base + 2));
  EXPECT_EQ(stackDepth(), base + 1);
  EXPECT_EQ(procName(100), "");
  EXPECT_EQ(procLine(100), 0);
}

TEST(CallStack, DepthHasNoFixedLimit) {
  std::function<long long(int)> recurse = [&](int n) -> long long {
    Frame frame("DEEP", {});
    return n == 0 ? static_cast<long long>(stackDepth()) : recurse(n - 1);
  };
  const std::size_t base = stackDepth();
  EXPECT_EQ(recurse(5000), static_cast<long long>(base + 5001));
}

TEST(CallStack, ClosuresAndMethodsPushFrames) {
  Value probe = block([](Args) { return Value(procName(0)); }, "(b)PROBE");
  EXPECT_EQ(eval(probe).string(), "(b)PROBE");
}

Value twice(const Value& n) {
  return Value(n.integer() * 2);
}
Value minusOne() {
  return Value(-1);
}

TEST(Functions, CalledByNameInRegistrationOrder) {
  static const ModuleTable first{"first.cpp", {lanmere::fn<&twice>("TWICE")}};
  static const ModuleTable second{"second.cpp", {lanmere::fn<&minusOne>("twice")}, 2};
  registerModule(first);
  registerModule(second);
  EXPECT_EQ(callFunction("twice", {21}).integer(), 42);
  EXPECT_EQ(findFunction("TWICE"), &first.entries[0]);
  EXPECT_GE(staticVariableCount(), 2);

  Value seen;
  Value previous = errorBlock(block([&seen](Args a) {
    seen = arg(a, 1);
    return Value(0);
  }));
  EXPECT_EQ(callFunction("NOSUCHFUNCTION", {1, 2}).integer(), 0);
  auto* record = static_cast<ErrorRecord*>(seen.object());
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->genCode.integer(), 12);
  EXPECT_EQ(record->description.text(), "Undefined function");
  EXPECT_EQ(record->operation.text(), "NOSUCHFUNCTION");
  EXPECT_EQ(record->args.length(), 2u);
  errorBlock(previous);
  clearModules();
}

TEST(Macro, ExpandsNamedTextVariables) {
  clearDynamics();
  EXPECT_EQ(expandMacros("GET /x?a=1&station_ids=LEAL&chk_metars=on"),
            "GET /x?a=1&station_ids=LEAL&chk_metars=on");
  publicVariable("STATION") = "LEAL";
  EXPECT_EQ(expandMacros("id=&station."), "id=LEAL");
  EXPECT_EQ(expandMacros("id=&Station.x"), "id=LEALx");
  EXPECT_EQ(expandMacros("id=&station&station"), "id=LEALLEAL");
  publicVariable("NUM") = 5;
  EXPECT_EQ(expandMacros("&num."), "&num.");  // not a text: stays, with its dot
  EXPECT_EQ(expandMacros("& &_ &1 a&"), "& &_ &1 a&");
  publicVariable("OUTER") = "<&inner>";
  publicVariable("INNER") = "deep";
  EXPECT_EQ(expandMacros("&outer"), "<deep>");
  clearDynamics();
}

TEST(Macro, NamesAreSignificantTo63Characters) {
  clearDynamics();
  const std::string long63(63, 'A');
  publicVariable(long63) = "hit";
  EXPECT_EQ(expandMacros("&" + long63 + "XYZ"), "hit");
  clearDynamics();
}

TEST(Macro, ASelfReferenceStopsAtTheBound) {
  clearDynamics();
  publicVariable("LOOP") = "x&loop";
  const std::string result = expandMacros("&loop");
  EXPECT_EQ(result, std::string(kMaxMacroSubstitutions, 'x') + "&loop");
  clearDynamics();
}

TEST(Macro, PrivatesHidePublicsUntilTheirScopeEnds) {
  clearDynamics();
  publicVariable("V") = "public";
  {
    PrivateScope scope;
    scope.declare("v", "private");
    EXPECT_EQ(expandMacros("&v"), "private");
    {
      PrivateScope inner;
      inner.declare("W", "w");
      EXPECT_NE(findDynamic("w"), nullptr);
    }
    EXPECT_EQ(findDynamic("w"), nullptr);
  }
  EXPECT_EQ(expandMacros("&v"), "public");
  clearDynamics();
}

}  // namespace
}  // namespace lanmere
