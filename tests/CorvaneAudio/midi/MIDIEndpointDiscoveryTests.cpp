#include "CorvaneAudio/midi/MIDIEndpointDiscovery.hpp"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

MIDIEndpointProperties reported(MIDIEndpointRef reference, std::optional<std::int32_t> id,
                                std::optional<std::string> displayName, std::optional<std::string> name = std::nullopt)
{
    MIDIEndpointProperties properties;
    properties.endpoint = reference;
    properties.uniqueID = id;
    properties.displayName = std::move(displayName);
    properties.name = std::move(name);
    return properties;
}

TEST(MIDIEndpointDiscovery, NamesFallBackToTheNameThenToANumberedEntry)
{
    const auto sources = inputSources({reported(5, 50, std::nullopt, "Port name"), reported(6, 60, std::nullopt),
                                       reported(7, std::nullopt, "Zeta")});
    ASSERT_EQ(sources.size(), 3u);
    EXPECT_EQ(sources[0].displayName, "Entrada MIDI 2") << "numbered by position in the system's list, from 1";
    EXPECT_EQ(sources[1].displayName, "Port name");
    EXPECT_EQ(sources[2].displayName, "Zeta");
    EXPECT_EQ(sources[2].id, 7) << "no unique id: the endpoint reference";
    EXPECT_EQ(outputDestinations({reported(9, 1, std::nullopt)})[0].displayName, "Saída MIDI 1");
}

TEST(MIDIEndpointDiscovery, SortsByNameThenIdAndSkipsNullEndpoints)
{
    const auto destinations = outputDestinations({reported(1, 30, "Synth"), reported(0, 1, "Aaa"),
                                                  reported(2, -5, "Synth"), reported(3, 10, "Bass"),
                                                  reported(4, 2, "synth")});
    std::vector<std::pair<std::string, std::int32_t>> order;
    for (const auto& d : destinations) order.emplace_back(d.displayName, d.id);
    EXPECT_EQ(order, (std::vector<std::pair<std::string, std::int32_t>>{
                         {"Bass", 10}, {"Synth", -5}, {"Synth", 30}, {"synth", 2}}))
        << "no case folding";
}

TEST(MIDIEndpointDiscovery, CanonicallyEquivalentNamesCompareEqual)
{
    const std::string composed = "Piano \xC3\xA9";     // é
    const std::string decomposed = "Piano e\xCC\x81"; // e + combining acute
    EXPECT_EQ(compareDisplayNames(composed, decomposed), 0);
    EXPECT_LT(compareDisplayNames("Piano e", composed), 0);
    EXPECT_LT(compareDisplayNames("Z", "\xC3\x81"), 0) << "code point order, not locale order";
    const auto sources = inputSources({reported(1, 9, composed), reported(2, 3, decomposed)});
    EXPECT_EQ(sources[0].id, 3);
}

} // namespace

namespace {

TEST(MIDIEndpointDiscovery, NamesFromOtherProgramsAreMadePrintableOnOneLine)
{
    auto broken = reported(1, 10, "Tecla\ndo\xff", "raw");
    broken.manufacturer = "Fabri\r\ncante";
    broken.model = std::string("Mo\0delo", 7);
    const auto sources = inputSources({broken, reported(2, 20, "Órgão Elétrico")});
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].displayName, "Tecla do\xEF\xBF\xBD");
    EXPECT_EQ(sources[0].manufacturer, "Fabri  cante");
    EXPECT_EQ(sources[0].model, "Mo delo");
    EXPECT_EQ(sources[1].displayName, "Órgão Elétrico") << "valid UTF-8 stays as it is";
}

} // namespace
