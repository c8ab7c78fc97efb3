// Result<T>: what an operation that can fail gives back, either its value or the sentence
// that says why there is none.
//
// The rule for failures in the player:
// - A title's faults are traced and passed over. A damaged or missing title file, a message
//   that does not parse, a role that is too large: the player writes one trace line and goes
//   on as if the thing were absent, never stopping the title for it.
// - The host's failures are returned as a Result, and the caller decides what they mean: a
//   role traces the message, the checker shows it, the application prints it and exits.
// The readers of title files return a Result too: they cannot know which of the two their
// caller is.
//
// The error is one sentence in the player's words, exactly as the trace or the console will
// print it, so a caller passes it on without rewording it. There are no exceptions and no
// error codes behind it: a caller that needs to tell failures apart keeps its own kinds.
#pragma once

#include <cassert>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "base/Format.h"

namespace stagehand::base {

// Why an operation failed: the sentence a Result carries instead of a value.
class Failure {
  public:
    explicit Failure(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const& { return message_; }
    std::string&& Message() && { return std::move(message_); }

  private:
    std::string message_;
};

// A failure from a message template, filled as FormatText fills it.
inline Failure Fail(std::string_view pattern, std::initializer_list<FormatArg> args = {}) {
    return Failure(FormatText(pattern, args));
}

template <typename T>
class [[nodiscard]] Result {
    static_assert(!std::is_same_v<std::remove_cv_t<T>, Failure>, "a Result never holds a Failure");
    static_assert(!std::is_reference_v<T>, "a Result holds its value");

  public:
    // Anything a T is made from, so `return surface;` and `return "text";` both work.
    template <typename U = T>
    requires(std::is_constructible_v<T, U&&> && !std::is_same_v<std::remove_cvref_t<U>, Result> &&
             !std::is_same_v<std::remove_cvref_t<U>, Failure>) Result(U&& value)
        : state_(std::in_place_index<0>, std::forward<U>(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    T& value() & { return Held(); }
    const T& value() const& { return Held(); }
    T&& value() && { return std::move(Held()); }
    T& operator*() & { return Held(); }
    const T& operator*() const& { return Held(); }
    T&& operator*() && { return std::move(Held()); }
    T* operator->() { return &Held(); }
    const T* operator->() const { return &Held(); }

    // Why there is no value; only when !ok().
    const std::string& error() const {
        assert(!ok());
        return std::get<1>(state_).Message();
    }
    // The failure itself, to pass on as the failure of a Result of another type.
    Failure failure() const { return Failure(error()); }

  private:
    T& Held() {
        assert(ok());
        return std::get<0>(state_);
    }
    const T& Held() const {
        assert(ok());
        return std::get<0>(state_);
    }

    std::variant<T, Failure> state_;
};

// An operation with nothing to give back but success: the default is success.
template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Failure failure) : failure_(std::move(failure)) {}

    bool ok() const { return !failure_.has_value(); }
    explicit operator bool() const { return ok(); }

    const std::string& error() const {
        assert(!ok());
        return failure_->Message();
    }
    Failure failure() const { return Failure(error()); }

  private:
    std::optional<Failure> failure_;
};

}  // namespace stagehand::base
