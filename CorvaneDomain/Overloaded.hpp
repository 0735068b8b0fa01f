#pragma once

namespace corvane {

// Builds one visitor out of several lambdas for std::visit.
template <class... Fs> struct Overloaded : Fs... {
    using Fs::operator()...;
};
template <class... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

} // namespace corvane
