#pragma once

#include <string>
#include <variant>

#include "CorvaneDomain/TypedError.hpp"

namespace corvane {

// Why a stored record could not be read. `codingPath` names the member that
// failed from the record's root, e.g. "visualPreset.trackColors[0].brightness";
// empty for the root itself. Carries no user-facing text.
struct JSONDecodingErrorCases {
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
};

// what() is for logs and test output only.
class JSONDecodingError : public JSONDecodingErrorCases, public TypedError<JSONDecodingErrorCases::Case> {
public:
    template <class C>
        requires std::is_constructible_v<Case, C>
    JSONDecodingError(C c) : TypedError(Case(std::move(c)), &describe)
    {
    }

    const std::string& codingPath() const;

private:
    static std::string describe(const Case& c);
};

// Why a record could not be written: JSON has no number for NaN or infinity.
struct JSONEncodingErrorCases {
    struct InvalidValue {
        std::string codingPath;
        std::string description;
        bool operator==(const InvalidValue&) const = default;
    };
    using Case = std::variant<InvalidValue>;
};

class JSONEncodingError : public JSONEncodingErrorCases, public TypedError<JSONEncodingErrorCases::Case> {
public:
    template <class C>
        requires std::is_constructible_v<Case, C>
    JSONEncodingError(C c) : TypedError(Case(std::move(c)), &describe)
    {
    }

    const std::string& codingPath() const { return std::get<InvalidValue>(error()).codingPath; }

private:
    static std::string describe(const Case& c);
};

} // namespace corvane
