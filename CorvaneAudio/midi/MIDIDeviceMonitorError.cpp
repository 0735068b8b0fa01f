#include "CorvaneAudio/midi/MIDIDeviceMonitorError.hpp"

#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

std::string MIDIDeviceMonitorError::describe(const Case& c)
{
    using std::to_string;
    return std::visit(Overloaded{
                          [](const ClientCreationFailed& e) { return "clientCreationFailed(" + to_string(e.status) + ")"; },
                          [](const InputPortCreationFailed& e) {
                              return "inputPortCreationFailed(" + to_string(e.status) + ")";
                          },
                          [](const OutputPortCreationFailed& e) {
                              return "outputPortCreationFailed(" + to_string(e.status) + ")";
                          },
                      },
                      c);
}

} // namespace corvane
