#pragma once
// How our own layers report a failure the caller must handle: the result, or
// an Error whose message is one sentence fit to show the user. Absence that is
// no failure stays std::optional; codes defined by a platform call (Win32
// error codes, HRESULT) stay those codes.
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace tallyvane {

struct Error {
  std::string message;
};

template <typename T>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Expected(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // The value; only when ok().
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  // The failure; only when !ok().
  const Error& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

// The result of an operation that gives nothing back but can fail.
template <>
class [[nodiscard]] Expected<void> {
 public:
  Expected() = default;
  Expected(Error error) : error_(std::move(error)) {}

  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return *error_; }

 private:
  std::optional<Error> error_;
};

// The message of a failure that may not have happened; empty when it did not.
inline std::string messageOf(const std::optional<Error>& error) {
  return error ? error->message : std::string();
}

}  // namespace tallyvane
