#pragma once

#include <exception>
#include <string>
#include <utility>
#include <variant>

namespace corvane {

// What every typed error shares: the case it carries and a developer-facing
// description made once from it. Each error type declares its cases in a
// struct of its own, inherits from that and from this, and supplies `describe`.
template <class Case> class TypedError : public std::exception {
public:
    const Case& error() const { return error_; }
    template <class C> const C* as() const { return std::get_if<C>(&error_); }
    const char* what() const noexcept override { return description_.c_str(); }
    bool operator==(const TypedError& other) const { return error_ == other.error_; }

protected:
    TypedError(Case error, std::string (*describe)(const Case&))
        : error_(std::move(error)), description_(describe(error_))
    {
    }

    const std::string& description() const { return description_; }

private:
    Case error_;
    std::string description_;
};

} // namespace corvane
