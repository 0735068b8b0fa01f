#pragma once

#include <stdexcept>
#include <string>
#include <variant>

namespace corvane {

// Why a stored record could not be read. `codingPath` names the member that
// failed from the record's root, e.g. "visualPreset.trackColors[0].brightness";
// empty for the root itself. Carries no user-facing text.
class JSONDecodingError : public std::exception {
public:
    struct KeyNotFound {
        std::string codingPath; // the object that lacks the key
        std::string key;
        bool operator==(const KeyNotFound&) const = default;
    };
    struct ValueNotFound { // null where a value is required
        std::string codingPath;
        std::string expectedType;
        bool operator==(const ValueNotFound&) const = default;
    };
    struct TypeMismatch {
        std::string codingPath;
        std::string expectedType;
        std::string description;
        bool operator==(const TypeMismatch&) const = default;
    };
    struct DataCorrupted {
        std::string codingPath;
        std::string description;
        bool operator==(const DataCorrupted&) const = default;
    };
    using Case = std::variant<KeyNotFound, ValueNotFound, TypeMismatch, DataCorrupted>;

    template <class C>
        requires std::is_constructible_v<Case, C>
    JSONDecodingError(C c) : error_(std::move(c)), description_(describe(error_)) {}

    const Case& error() const { return error_; }
    template <class C> const C* as() const { return std::get_if<C>(&error_); }
    const std::string& codingPath() const;

    // For logs and test output only.
    const char* what() const noexcept override { return description_.c_str(); }
    bool operator==(const JSONDecodingError& other) const { return error_ == other.error_; }

private:
    static std::string describe(const Case& c);
    Case error_;
    std::string description_;
};

// Why a record could not be written: JSON has no number for NaN or infinity.
class JSONEncodingError : public std::exception {
public:
    struct InvalidValue {
        std::string codingPath;
        std::string description;
        bool operator==(const InvalidValue&) const = default;
    };
    using Case = std::variant<InvalidValue>;

    template <class C>
        requires std::is_constructible_v<Case, C>
    JSONEncodingError(C c) : error_(std::move(c)), description_(describe(error_)) {}

    const Case& error() const { return error_; }
    template <class C> const C* as() const { return std::get_if<C>(&error_); }
    const std::string& codingPath() const { return std::get<InvalidValue>(error_).codingPath; }

    const char* what() const noexcept override { return description_.c_str(); }
    bool operator==(const JSONEncodingError& other) const { return error_ == other.error_; }

private:
    static std::string describe(const Case& c);
    Case error_;
    std::string description_;
};

} // namespace corvane
