// A keyboard on the JACK server that JACK_DEFAULT_SERVER names, whose port
// comes and goes at the test's request, in a process of its own (see
// FlappingKeyboard.hpp). One request a line on standard input, one answer a
// line on standard output:
//
//   (at the start)        "ready" once the port is registered and active
//   flap COUNT GAP_MS  -> "flapped" after COUNT re-registrations GAP_MS apart
//   connected          -> "yes" or "no": whether the port has a connection
//   send B1 B2 B3      -> "sent": a message out in the next period
//
// It ends at the end of its input.
//
//   flapping_keyboard CLIENT_NAME PORT_NAME

#include <chrono>
#include <iostream>
#include <sstream>
#include <string>

#include "support/JackTestClient.hpp"

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    try {
        JackTestClient keyboard(argv[1], argv[2], JackTestClient::Direction::keyboard);
        std::cout << "ready" << std::endl;
        for (std::string line; std::getline(std::cin, line);) {
            std::istringstream request(line);
            std::string verb;
            request >> verb;
            if (verb == "flap") {
                int count = 0, gap = 0;
                request >> count >> gap;
                for (int i = 0; i < count; ++i) keyboard.registerAgain(std::chrono::milliseconds(gap));
                std::cout << "flapped" << std::endl;
            } else if (verb == "connected") {
                std::cout << (keyboard.isConnected() ? "yes" : "no") << std::endl;
            } else if (verb == "send") {
                std::vector<unsigned char> message;
                for (int byte = 0; request >> byte;) message.push_back(static_cast<unsigned char>(byte));
                keyboard.send(message);
                std::cout << "sent" << std::endl;
            } else {
                std::cout << "unknown" << std::endl;
            }
        }
    } catch (const std::exception& error) {
        std::cerr << "flapping keyboard: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
