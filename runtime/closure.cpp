#include "runtime/closure.h"

#include "runtime/callstack.h"

namespace lanmere {

Closure::Closure(Body body, std::string procedure, std::source_location where)
    : body_(std::move(body)),
      procedure_(std::move(procedure)),
      module_(relativeModule(where.file_name())),
      line_(static_cast<int>(where.line())) {}

Value Closure::eval(Args args) {
  Ref<Closure> keep(this);  // the body may drop the last other reference to this closure
  Frame frame({}, procedure_, args, module_, line_);
  return body_(args);
}

Value block(Closure::Body body, std::string procedure, std::source_location where) {
  return Value(make<Closure>(std::move(body), std::move(procedure), where));
}

Value evalArgs(const Value& closure, Args args) {
  Closure* c = closure.closure();
  return c ? c->eval(args) : Value();
}

Value eval(const Value& closure, std::initializer_list<Value> args) {
  std::vector<Value> list(args);
  return evalArgs(closure, list);
}

Value setGet(Ref<Cell> cell) {
  return block(
      [cell](Args args) -> Value {
        if (!args.empty()) cell->value = args[0];
        return cell->value;
      },
      "(b)SETGET");
}

}  // namespace lanmere
