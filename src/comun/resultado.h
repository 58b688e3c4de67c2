// Failures travel as values: an absent error means success.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace orvo {

// The error text of an operation that returns nothing else; empty on success.
using Error = std::optional<std::string>;

// A value or the Spanish text of why there is none.
template <class T>
class Resultado {
 public:
  static Resultado exito(T valor) { return Resultado(std::move(valor), {}); }
  static Resultado fallo(std::string mensaje) {
    return Resultado(std::nullopt, std::move(mensaje));
  }

  bool ok() const { return valor_.has_value(); }
  explicit operator bool() const { return ok(); }
  const T& valor() const& { return *valor_; }
  T& valor() & { return *valor_; }
  T&& valor() && { return std::move(*valor_); }
  const std::string& error() const { return error_; }

 private:
  Resultado(std::optional<T> v, std::string e) : valor_(std::move(v)), error_(std::move(e)) {}
  std::optional<T> valor_;
  std::string error_;
};

}  // namespace orvo
