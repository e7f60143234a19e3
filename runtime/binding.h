// The binding layer: every class, method and function is declared once.
//
// A class names itself and its parent in its body and lists its members in one table:
//
//   class TSquare : public TShape {
//     LM_CLASS(TSquare, TShape)
//     Value nSide = 3;
//     Value Area() override;
//   };
//
//   LM_DEFINE_CLASS(TSquare) {          // registered as "TSQUARE"; LM_DEFINE_CLASS_AS for
//     c.data(LM_FIELDS(nSide));          // another name. Members in declaration order.
//     c.methods(LM_METHODS(Area));       // messages answered by the C++ members
//     c.method<&TSquare::Equals>("==");  // a message named unlike its member
//   }
//
// A method is a member function (or a free function taking the object first) whose parameters
// are `const Value&`, `Value` or `Value&` (a by-reference argument: it writes the caller's slot
// of the argument list), or one `Args` for the whole list. Missing arguments arrive as nil,
// extra ones are ignored. A `void` result answers nil; a bool, integer, floating, text or
// object result becomes the matching value.
//
// A function is registered in a module table with `fn<&NAME>("NAME")`; the binding pushes its
// call-stack frame (name, module and line of the registration, parameters), so the function
// itself only computes. A function that shows locals to the error report adds them with
// `showLocals`.
//
// A method that takes its arguments as one `Args` list (a constructor with twenty optional
// positions) declares them once, in its class's header, in the documented order:
//
//   LM_ARGS(NewArgs, nRow, nCol, bSetGet)        // answers New: the name less "Args"
//   Value New(Args args);                        // reads NewArgs::from(args).nRow
//
// C++ callers name what they pass and leave the rest nil:
//   construct<TList>({.nRow = 3, .bSetGet = b})  // a new TList sent New
//   TDialog::ActivateArgs{.lModal = true}.sendTo(dialog)
//   callWith(MENUBEGIN, MENUBEGINArgs{.oWnd = w})  // a function of the same kind
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <source_location>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "runtime/callstack.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace lanmere {

namespace binding {

// How a C++ result becomes a value.
template <class R>
Value result(R&& r) {
  using D = std::remove_cvref_t<R>;
  if constexpr (std::is_same_v<D, Value>) {
    return std::forward<R>(r);
  } else if constexpr (std::is_same_v<D, bool>) {
    return Value(static_cast<bool>(r));
  } else if constexpr (std::is_integral_v<D> || std::is_enum_v<D>) {
    return Value(static_cast<long long>(r));
  } else if constexpr (std::is_floating_point_v<D>) {
    return Value(static_cast<double>(r));
  } else {
    return Value(std::forward<R>(r));
  }
}

// How one parameter is taken from the argument list.
template <class P>
struct Param {
  static_assert(std::is_same_v<P, const Value&> || std::is_same_v<P, Value>,
                "a bound parameter is const Value&, Value, Value& or the whole Args");
  static const Value& get(Args args, std::size_t i, Value*) noexcept {
    return i < args.size() ? args[i] : nil;
  }
};
template <>
struct Param<Value&> {
  static Value& get(Args args, std::size_t i, Value* spare) noexcept {
    return i < args.size() ? args[i] : spare[i];
  }
};

// What a bound callable looks like: the receiver class (void for a function), the result and
// the parameters after the receiver.
template <class R, class C, class... P>
struct Shape {
  using Class = C;
  using Result = R;
  using Params = std::tuple<P...>;
  static constexpr std::size_t arity = sizeof...(P);
  static constexpr bool wholeList =
      arity == 1 && (std::is_same_v<std::remove_cvref_t<P>, Args> && ...);
  static constexpr bool byReference = (std::is_same_v<P, Value&> || ...);
};

template <class F>
struct Bound;
template <class R, class C, class... P>
struct Bound<R (C::*)(P...)> : Shape<R, C, P...> {};
template <class R, class C, class... P>
struct Bound<R (C::*)(P...) const> : Shape<R, C, P...> {};
template <class R, class C, class... P>
struct Bound<R (C::*)(P...) noexcept> : Shape<R, C, P...> {};
template <class R, class C, class... P>
struct Bound<R (C::*)(P...) const noexcept> : Shape<R, C, P...> {};
template <class R, class... P>
struct Bound<R (*)(P...)> : Shape<R, void, P...> {};
template <class R, class... P>
struct Bound<R (*)(P...) noexcept> : Shape<R, void, P...> {};

// A free function whose first parameter is the object serves as a method too.
template <class F>
struct BoundFree;
template <class R, class C, class... P>
struct BoundFree<R (*)(C&, P...)> : Shape<R, C, P...> {};
template <class R, class C, class... P>
struct BoundFree<R (*)(C&, P...) noexcept> : Shape<R, C, P...> {};

template <class R, class Call>
Value finish(Call&& call) {
  if constexpr (std::is_void_v<R>) {
    call();
    return {};
  } else {
    return result(call());
  }
}

template <class S, class Invoke, std::size_t... I>
Value callWith(Args args, Invoke&& invoke, std::index_sequence<I...>) {
  using Params = typename S::Params;
  if constexpr (S::wholeList) {
    return finish<typename S::Result>([&]() -> decltype(auto) { return invoke(args); });
  } else if constexpr (S::byReference) {
    Value spare[S::arity];
    return finish<typename S::Result>([&]() -> decltype(auto) {
      return invoke(Param<std::tuple_element_t<I, Params>>::get(args, I, spare)...);
    });
  } else {
    return finish<typename S::Result>([&]() -> decltype(auto) {
      return invoke(Param<std::tuple_element_t<I, Params>>::get(args, I, nullptr)...);
    });
  }
}

template <class F>
constexpr bool isMemberPointer = std::is_member_function_pointer_v<F>;

// The message an argument struct answers: its name without the "Args" ending.
consteval std::string_view argsMethod(std::string_view structName) {
  constexpr std::string_view kEnding = "Args";
  if (!structName.ends_with(kEnding) || structName.size() == kEnding.size()) {
    throw "an LM_ARGS struct is named after its method: NewArgs, ReDefineArgs, ...";
  }
  return structName.substr(0, structName.size() - kEnding.size());
}

}  // namespace binding

// A new object of class T sent the method of `args` (New for T::NewArgs, the default) with its
// values in order; answers what that method answers.
template <class T, class A = typename T::NewArgs>
Value construct(const A& args = {}) {
  return args.sendTo(Value(make<T>()));
}

// Calls a function that takes one `Args` list with the values of `args` in order, as
// construct does for a method: callWith(MENUADDITEM, MENUADDITEMArgs{.cPrompt = "E&xit"}).
template <class A>
Value callWith(Value (*function)(Args), const A& args) {
  auto values = args.list();
  return function(Args(values));
}

// The entry a class table holds for method M: a member function pointer (a virtual one reaches
// the override of the receiver's class) or a free function taking the object first.
// An allocation that fails inside the method becomes the run-time's memory error.
template <auto M>
Value methodThunk(Object& self, Args args) {
  using F = decltype(M);
  return guardAllocation([&] {
    if constexpr (binding::isMemberPointer<F>) {
      using S = binding::Bound<F>;
      auto& object = static_cast<typename S::Class&>(self);
      return binding::callWith<S>(
          args,
          [&](auto&&... p) -> decltype(auto) {
            return (object.*M)(std::forward<decltype(p)>(p)...);
          },
          std::make_index_sequence<S::arity>{});
    } else {
      using S = binding::BoundFree<F>;
      auto& object = static_cast<typename S::Class&>(self);
      return binding::callWith<S>(
          args,
          [&](auto&&... p) -> decltype(auto) { return M(object, std::forward<decltype(p)>(p)...); },
          std::make_index_sequence<S::arity>{});
    }
  });
}

// The entry a module table holds for function F: pushes the function's frame, then calls it; an
// allocation that fails inside it becomes the run-time's memory error, raised in that frame.
template <auto F>
Value functionThunk(const FunctionEntry& entry, Args args) {
  using S = binding::Bound<decltype(F)>;
  Frame frame({}, entry.name, args, entry.module, entry.line);
  return guardAllocation([&] {
    return binding::callWith<S>(
        args, [&](auto&&... p) -> decltype(auto) { return F(std::forward<decltype(p)>(p)...); },
        std::make_index_sequence<S::arity>{});
  });
}

// A module-table entry for F under `name` (a literal: frames keep it for the process).
template <auto F>
FunctionEntry fn(const char* name, unsigned scope = kPublic | kDefined,
                 std::source_location where = std::source_location::current()) {
  return {name, scope, &functionThunk<F>, relativeModule(where.file_name()),
          static_cast<int>(where.line())};
}

// A module-table entry for a name the module uses but does not define (it is linked in).
inline FunctionEntry referenced(const char* name, unsigned scope = kPublic) {
  return {name, scope, nullptr, {}, 0};
}

// Builds and registers the table of class T (declared with LM_CLASS), its parent first.
template <class T>
const ClassInfo& buildClass(std::string_view name,
                            std::source_location where = std::source_location::current()) {
  ClassBuilder<T> builder(name, where);
  builder.parent(T::Super::Class());
  T::declare(builder);
  return builder.build();
}

}  // namespace lanmere

// ---- Macros: the names written once ----

// In a class body: the class's table functions and the names Self and Super. Leaves the body
// in a public section.
#define LM_CLASS(Type, ParentType)                         \
 public:                                                   \
  using Self = Type;                                       \
  using Super = ParentType;                                \
  static const ::lanmere::ClassInfo& Class();              \
  const ::lanmere::ClassInfo& classInfo() const override { \
    return Class();                                        \
  }                                                        \
  static void declare(::lanmere::ClassBuilder<Type>& c);

// In the class's source file, followed by the body that fills the table through `c`.
#define LM_DEFINE_CLASS_AS(Type, Name)                                           \
  const ::lanmere::ClassInfo& Type::Class() {                                    \
    static const ::lanmere::ClassInfo& info = ::lanmere::buildClass<Type>(Name); \
    return info;                                                                 \
  }                                                                              \
  void Type::declare([[maybe_unused]] ::lanmere::ClassBuilder<Type>& c)
#define LM_DEFINE_CLASS(Type) LM_DEFINE_CLASS_AS(Type, #Type)

// LM_FOR_EACH(M, a, b, c) expands to M(a) M(b) M(c), for up to 256 names.
#define LM_PARENS ()
#define LM_EXPAND(...) LM_EXPAND4(LM_EXPAND4(LM_EXPAND4(LM_EXPAND4(__VA_ARGS__))))
#define LM_EXPAND4(...) LM_EXPAND3(LM_EXPAND3(LM_EXPAND3(LM_EXPAND3(__VA_ARGS__))))
#define LM_EXPAND3(...) LM_EXPAND2(LM_EXPAND2(LM_EXPAND2(LM_EXPAND2(__VA_ARGS__))))
#define LM_EXPAND2(...) LM_EXPAND1(LM_EXPAND1(LM_EXPAND1(LM_EXPAND1(__VA_ARGS__))))
#define LM_EXPAND1(...) __VA_ARGS__
#define LM_FOR_EACH(macro, ...) __VA_OPT__(LM_EXPAND(LM_FOR_EACH_STEP(macro, __VA_ARGS__)))
#define LM_FOR_EACH_STEP(macro, first, ...) \
  macro(first) __VA_OPT__(LM_FOR_EACH_AGAIN LM_PARENS(macro, __VA_ARGS__))
#define LM_FOR_EACH_AGAIN() LM_FOR_EACH_STEP

// Data members by name and member pointer: c.data(LM_FIELDS(nTop, nLeft)).
#define LM_FIELD_ENTRY(member) {#member, &Self::member},
#define LM_FIELDS(...) \
  { LM_FOR_EACH(LM_FIELD_ENTRY, __VA_ARGS__) }

// In a class body (or beside a function), the arguments of one method in their order (see the
// top of this file): a struct of values named `Name`, all nil unless given, with `from`
// (positions 1.. of a list, missing ones nil, extra ones ignored), `list` (the values in order, for
// `Args`), `count`, `method` ("New" for NewArgs) and `sendTo` (sends the method with `list`).
#define LM_ARG_MEMBER(member) ::lanmere::Value member{};
#define LM_ARG_ONE(member) +1
#define LM_ARG_FROM(member) made.member = ::lanmere::arg(args, ++at);
#define LM_ARG_VALUE(member) member,
#define LM_ARGS(Name, ...)                                                                        \
  struct Name {                                                                                   \
    LM_FOR_EACH(LM_ARG_MEMBER, __VA_ARGS__)                                                       \
    static constexpr std::size_t count = 0 LM_FOR_EACH(LM_ARG_ONE, __VA_ARGS__);                  \
    static constexpr std::string_view method = ::lanmere::binding::argsMethod(#Name);             \
    static Name from(::lanmere::Args args) {                                                      \
      Name made;                                                                                  \
      std::size_t at = 0;                                                                         \
      LM_FOR_EACH(LM_ARG_FROM, __VA_ARGS__)                                                       \
      return made;                                                                                \
    }                                                                                             \
    std::array<::lanmere::Value, count> list() const {                                            \
      return {LM_FOR_EACH(LM_ARG_VALUE, __VA_ARGS__)};                                            \
    }                                                                                             \
    ::lanmere::Value sendTo(const ::lanmere::Value& receiver,                                     \
                            std::source_location where = std::source_location::current()) const { \
      static const ::lanmere::Symbol* const message = ::lanmere::symbol(method);                  \
      std::array<::lanmere::Value, count> values = list();                                        \
      return ::lanmere::send(receiver, message, ::lanmere::Args(values), where);                  \
    }                                                                                             \
  };

// Methods answered by the member functions of the same names: c.methods(LM_METHODS(Move)).
#define LM_METHOD_ENTRY(member) {#member, &::lanmere::methodThunk<&Self::member>},
#define LM_METHODS(...) \
  { LM_FOR_EACH(LM_METHOD_ENTRY, __VA_ARGS__) }
