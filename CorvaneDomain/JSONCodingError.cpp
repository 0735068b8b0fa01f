#include "CorvaneDomain/JSONCodingError.hpp"

#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

namespace {

std::string at(const std::string& codingPath) { return codingPath.empty() ? "<root>" : codingPath; }

} // namespace

const std::string& JSONDecodingError::codingPath() const
{
    return std::visit([](const auto& c) -> const std::string& { return c.codingPath; }, error());
}

std::string JSONDecodingError::describe(const Case& c)
{
    return std::visit(
        Overloaded{
            [](const KeyNotFound& e) { return "keyNotFound(\"" + e.key + "\" at " + at(e.codingPath) + ")"; },
            [](const ValueNotFound& e) {
                return "valueNotFound(" + e.expectedType + " at " + at(e.codingPath) + ")";
            },
            [](const TypeMismatch& e) {
                return "typeMismatch(" + e.expectedType + " at " + at(e.codingPath) + ": " + e.description + ")";
            },
            [](const DataCorrupted& e) { return "dataCorrupted(" + at(e.codingPath) + ": " + e.description + ")"; },
        },
        c);
}

std::string JSONEncodingError::describe(const Case& c)
{
    const auto& e = std::get<InvalidValue>(c);
    return "invalidValue(" + at(e.codingPath) + ": " + e.description + ")";
}

} // namespace corvane
