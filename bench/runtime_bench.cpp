// Costs of the run-time's basic operations against the plain C++ they stand for, measured in
// the same run; the ratios are printed after Google Benchmark's own table.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/object.h"

namespace {

using namespace lanmere;

constexpr std::size_t kPiece = 1024;
constexpr long long kAppends = 1 << 20;

// ---- Text append: 1 KiB pieces up to 1, 16 and 64 MiB ----

void textAppendValue(benchmark::State& state) {
  const std::size_t total = static_cast<std::size_t>(state.range(0)) << 20;
  const std::string piece(kPiece, 'x');
  for (auto _ : state) {
    Value text("");
    for (std::size_t done = 0; done < total; done += kPiece) text.append(piece);
    benchmark::DoNotOptimize(text.length());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(total));
}
BENCHMARK(textAppendValue)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

void textAppendStdString(benchmark::State& state) {
  const std::size_t total = static_cast<std::size_t>(state.range(0)) << 20;
  const std::string piece(kPiece, 'x');
  for (auto _ : state) {
    std::string text;
    for (std::size_t done = 0; done < total; done += kPiece) text.append(piece);
    benchmark::DoNotOptimize(text.size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(total));
}
BENCHMARK(textAppendStdString)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

// ---- A message by resolved symbol against a virtual call ----

class BenchShape : public Object {
 public:
  virtual Value Area() = 0;
};

// Declared through the binding layer.
class BenchSquare : public BenchShape {
  LM_CLASS(BenchSquare, Object)
  Value Area() override { return Value(nSide.integer() * nSide.integer()); }
  Value Scale(const Value& by, const Value& plus) {
    return Value(nSide.integer() * by.integer() + plus.integer());
  }
  Value nSide = 7;
};

LM_DEFINE_CLASS(BenchSquare) {
  c.data(LM_FIELDS(nSide));
  c.methods(LM_METHODS(Area, Scale));
}

// The same class with its table written by hand, as classes were declared before the binding
// layer: a captureless lambda per method unpacking its arguments.
class OldSquare : public BenchSquare {
 public:
  static const ClassInfo& Class() {
    static const ClassInfo& info = [] {
      auto table = std::make_unique<ClassInfo>();
      table->name = "OLDSQUARE";
      table->parents.push_back(&Object::Class());
      table->data.push_back({symbol("nSide"), static_cast<Value Object::*>(&OldSquare::nSide)});
      table->methods.push_back(
          {symbol("Area"), [](Object& s, Args) { return static_cast<OldSquare&>(s).Area(); }});
      table->methods.push_back({symbol("Scale"), [](Object& s, Args a) {
                                  return static_cast<OldSquare&>(s).Scale(arg(a, 1), arg(a, 2));
                                }});
      return std::cref(registerClass(std::move(table)));
    }();
    return info;
  }
  const ClassInfo& classInfo() const override { return Class(); }
};

void messageBySymbol(benchmark::State& state) {
  const Value square(make<BenchSquare>());
  const Symbol* area = symbol("Area");
  for (auto _ : state) benchmark::DoNotOptimize(send(square, area));
}
BENCHMARK(messageBySymbol);

void messageBySymbolOld(benchmark::State& state) {
  const Value square(make<OldSquare>());
  const Symbol* area = symbol("Area");
  for (auto _ : state) benchmark::DoNotOptimize(send(square, area));
}
BENCHMARK(messageBySymbolOld);

void messageWithArguments(benchmark::State& state) {
  const Value square(make<BenchSquare>());
  const Symbol* scale = symbol("Scale");
  std::vector<Value> args = {Value(3), Value(1)};
  for (auto _ : state) benchmark::DoNotOptimize(send(square, scale, args));
}
BENCHMARK(messageWithArguments);

void messageWithArgumentsOld(benchmark::State& state) {
  const Value square(make<OldSquare>());
  const Symbol* scale = symbol("Scale");
  std::vector<Value> args = {Value(3), Value(1)};
  for (auto _ : state) benchmark::DoNotOptimize(send(square, scale, args));
}
BENCHMARK(messageWithArgumentsOld);

// ---- A function called by a resolved name: bound, and with its frame written by hand ----

Value benchAdd(const Value& a, const Value& b) {
  return Value(a.integer() + b.integer());
}

Value oldAdd(const FunctionEntry&, Args args) {
  Frame frame("OLDADD", args);
  return Value(arg(args, 1).integer() + arg(args, 2).integer());
}

const ModuleTable& benchModule() {
  static const ModuleTable module{
      __FILE__, {fn<&benchAdd>("BENCHADD"), FunctionEntry{"OLDADD", kPublic | kDefined, oldAdd}}};
  return module;
}

void functionByName(benchmark::State& state, const char* name) {
  static const bool registered = (registerModule(benchModule()), true);
  (void)registered;
  const Symbol* resolved = symbol(name);
  std::vector<Value> args = {Value(40), Value(2)};
  for (auto _ : state) benchmark::DoNotOptimize(callFunction(resolved, args));
}
BENCHMARK_CAPTURE(functionByName, bound, "BENCHADD");
BENCHMARK_CAPTURE(functionByName, old, "OLDADD");

void virtualCall(benchmark::State& state) {
  Ref<BenchSquare> square = make<BenchSquare>();
  BenchShape* shape = square.get();
  benchmark::DoNotOptimize(shape);  // the compiler may not see the dynamic type
  for (auto _ : state) benchmark::DoNotOptimize(shape->Area());
}
BENCHMARK(virtualCall);

// ---- Closure evaluation against std::function ----

void closureEval(benchmark::State& state) {
  const Value closure = block([](Args a) { return Value(a[0].integer() + 1); });
  std::vector<Value> args = {Value(41)};
  for (auto _ : state) benchmark::DoNotOptimize(evalArgs(closure, args));
}
BENCHMARK(closureEval);

void stdFunctionCall(benchmark::State& state) {
  std::function<Value(Args)> function = [](Args a) { return Value(a[0].integer() + 1); };
  benchmark::DoNotOptimize(function);
  std::vector<Value> args = {Value(41)};
  for (auto _ : state) benchmark::DoNotOptimize(function(args));
}
BENCHMARK(stdFunctionCall);

// ---- List append: 1M items ----

void listAppendAADD(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<Value> args = {Value::list(), Value(0)};
    for (long long i = 0; i < kAppends; ++i) {
      args[1] = Value(i);
      AADD(args);
    }
    benchmark::DoNotOptimize(args[0].length());
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}
BENCHMARK(listAppendAADD)->Unit(benchmark::kMillisecond);

void listAppendItems(benchmark::State& state) {
  for (auto _ : state) {
    Value list = Value::list();
    for (long long i = 0; i < kAppends; ++i) list.listData()->items.push_back(Value(i));
    benchmark::DoNotOptimize(list.length());
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}
BENCHMARK(listAppendItems)->Unit(benchmark::kMillisecond);

void vectorPushBack(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<Value> items;
    for (long long i = 0; i < kAppends; ++i) items.push_back(Value(i));
    benchmark::DoNotOptimize(items.size());
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}
BENCHMARK(vectorPushBack)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's mean CPU time per iteration (steadier than wall time on a machine
// shared with other work) and prints the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
        seconds_[run.benchmark_name()] =
            run.cpu_accumulated_time / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void printRatios() const {
    std::printf("\nRatios (run-time / baseline, CPU time, same run)\n");
    for (const char* size : {"1", "16", "64"}) {
      ratio(std::string("text append ") + size + " MiB, Value vs std::string",
            std::string("textAppendValue/") + size, std::string("textAppendStdString/") + size);
    }
    // Both sides slow down per MiB once the text outgrows the caches; an append that copied
    // the text would grow with the square of the size instead.
    for (const char* side : {"textAppendValue", "textAppendStdString"}) {
      const std::string name(side);
      ratio(name + " 16 MiB vs 1 MiB (linear = 16)", name + "/16", name + "/1");
      ratio(name + " 64 MiB vs 16 MiB (linear = 4)", name + "/64", name + "/16");
    }
    for (const char* size : {"1", "16", "64"}) {
      perMiB(std::string("textAppendValue/") + size, std::stoi(size));
    }
    ratio("message by resolved symbol vs virtual call", "messageBySymbol", "virtualCall");
    ratio("bound method vs hand-written table entry (0 arguments)", "messageBySymbol",
          "messageBySymbolOld");
    ratio("bound method vs hand-written table entry (2 arguments)", "messageWithArguments",
          "messageWithArgumentsOld");
    ratio("bound function vs hand-made frame, by resolved name", "functionByName/bound",
          "functionByName/old");
    ratio("closure evaluation vs std::function call", "closureEval", "stdFunctionCall");
    ratio("list append by AADD vs std::vector<Value>", "listAppendAADD", "vectorPushBack");
    ratio("list append to the items vs std::vector<Value>", "listAppendItems", "vectorPushBack");
  }

 private:
  void ratio(const std::string& label, const std::string& measured,
             const std::string& baseline) const {
    auto m = seconds_.find(measured), b = seconds_.find(baseline);
    if (m == seconds_.end() || b == seconds_.end() || b->second <= 0) return;  // filtered out
    std::printf("  %-62s %8.2f\n", label.c_str(), m->second / b->second);
  }
  void perMiB(const std::string& name, int mebibytes) const {
    auto m = seconds_.find(name);
    if (m == seconds_.end()) return;
    std::printf("  %-62s %8.3f ms\n",
                ("text append per MiB at " + std::to_string(mebibytes) + " MiB").c_str(),
                m->second * 1000 / mebibytes);
  }

  std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  // glibc moves its mmap threshold as large blocks come and go, so whichever side ran first would
  // pay fresh page faults for every buffer while the other reused warm memory. Serving every
  // block from the heap and never trimming it keeps freed buffers warm for both sides, so the
  // text benchmarks compare the appends rather than the system's page faults.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
