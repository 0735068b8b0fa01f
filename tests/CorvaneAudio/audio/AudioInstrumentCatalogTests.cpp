#include <gtest/gtest.h>

#include <unordered_set>

#include "CorvaneAudio/instruments/AudioUnitInstrumentCatalog.hpp"
#include "CorvaneDomain/JSONCodingError.hpp"

using namespace corvane;
using Name = AudioUnitInstrumentCatalog::DisplayName;

namespace {

TEST(AudioUnitInstrumentCatalog, SplitsMakerFromNameAtTheFirstColon)
{
    using AudioUnitInstrumentCatalog::displayName;
    EXPECT_EQ(displayName("Vendor: Strings"), (Name{"Vendor", "Strings"}));
    EXPECT_EQ(displayName("Vendor:  Pad: Warm "), (Name{"Vendor", "Pad: Warm"}));
    EXPECT_EQ(displayName("Vendor :Lead"), (Name{"Vendor ", "Lead"}));
    EXPECT_EQ(displayName("Strings"), (Name{"LV2", "Strings"}));
    EXPECT_EQ(displayName(":Lead"), (Name{"LV2", ":Lead"}));
    EXPECT_EQ(displayName("Vendor:"), (Name{"LV2", "Vendor:"}));
    EXPECT_EQ(displayName("::A:B"), (Name{"A", "B"}));
    // Every horizontal space is trimmed (no-break, em space), a line break is not.
    EXPECT_EQ(displayName("Vendor:\xC2\xA0\tPad\xE2\x80\x83"), (Name{"Vendor", "Pad"}));
    EXPECT_EQ(displayName("Vendor: Pad\n"), (Name{"Vendor", "Pad\n"}));
}

TEST(AudioUnitInstrumentCatalog, DropsOnlyATrailingChannelSuffix)
{
    using AudioUnitInstrumentCatalog::displayName;
    EXPECT_EQ(displayName("Vendor: Synth (2->2)").name, "Synth");
    EXPECT_EQ(displayName("Vendor: Synth(2->2)").name, "Synth(2->2)");
    EXPECT_EQ(displayName("Vendor: Synth (2->2) X").name, "Synth (2->2) X");
    EXPECT_EQ(displayName("Synth (16->2)"), (Name{"LV2", "Synth"}));
}

AudioInstrumentDescriptor instrument(std::string maker, std::string name)
{
    AudioInstrumentDescriptor descriptor;
    descriptor.id = maker + "/" + name;
    descriptor.kind = AudioInstrumentDescriptor::Kind::audioUnit;
    descriptor.manufacturerName = std::move(maker);
    descriptor.name = std::move(name);
    return descriptor;
}

TEST(AudioUnitInstrumentCatalog, SortsByMakerThenNameIgnoringCaseAndKeepsTies)
{
    std::vector list{instrument("beta", "Z"), instrument("Alpha", "Y"), instrument("alpha", "B"),
                     instrument("ALPHA", "b"), instrument("Ábaco", "A")};
    AudioUnitInstrumentCatalog::sortByManufacturerAndName(list);
    std::vector<std::string> ids;
    for (const auto& d : list) ids.push_back(d.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"Ábaco/A", "alpha/B", "ALPHA/b", "Alpha/Y", "beta/Z"}));
}

TEST(AudioUnitInstrumentCatalog, ComponentIDIsThreeUpperCaseHexCodes)
{
    EXPECT_EQ(componentID({fourCharacterCode("aumu"), fourCharacterCode("abcd"), fourCharacterCode("Wxyz"), 7, 9}),
              "61756D75-61626364-5778797A");
    EXPECT_EQ(componentID({10, 0, 0xFFFFFFFF, 0, 0}), "0000000A-00000000-FFFFFFFF");
}

TEST(AudioUnitInstrumentCatalog, DiscoveryListsTheBuiltInPianoFirstThenInstalledInstruments)
{
    const auto instruments = AudioUnitInstrumentCatalog::discover();
    ASSERT_FALSE(instruments.empty());
    EXPECT_EQ(instruments.front(), AudioInstrumentDescriptor::bundledPiano());
    EXPECT_EQ(instruments.front().manufacturerName, "Brelmo");

    // mda-lv2's four instruments are installed with the test dependencies; its effects are not listed.
    std::unordered_set<std::string> names;
    for (const auto& descriptor : instruments) names.insert(descriptor.name);
    for (const char* name : {"MDA Piano", "MDA ePiano", "MDA DX10", "MDA JX10"}) EXPECT_TRUE(names.count(name)) << name;
    EXPECT_FALSE(names.count("MDA Ambience"));

    for (std::size_t i = 1; i < instruments.size(); ++i) {
        const auto& descriptor = instruments[i];
        EXPECT_EQ(descriptor.kind, AudioInstrumentDescriptor::Kind::audioUnit);
        EXPECT_EQ(descriptor.id, componentID(*descriptor.componentDescription()));
        EXPECT_EQ(descriptor.componentType, musicDeviceComponentType);
        // No LV2 plugin warrants the settings' sandbox or validation warnings.
        EXPECT_TRUE(descriptor.isSandboxSafe) << descriptor.name;
        EXPECT_TRUE(descriptor.passesValidation) << descriptor.name;
    }
    // The id is derived from the plugin's URI alone, so it is the same in every run.
    const auto piano = AudioUnitInstrumentCatalog::descriptor("http://drobilla.net/plugins/mda/Piano");
    ASSERT_TRUE(piano);
    EXPECT_EQ(piano->id, "61756D75-AD28741D-8A389B00");
    EXPECT_FALSE(AudioUnitInstrumentCatalog::descriptor("urn:nothing"));
}

TEST(AudioInstrumentDescriptor, JSONRoundTripsAndRejectsIncompleteRecords)
{
    auto descriptor = instrument("Maker", "Organ");
    descriptor.componentType = 0xFFFFFFFF;
    descriptor.componentSubType = 1;
    descriptor.hasCustomView = true;
    const auto json = encodeJSON(descriptor);
    EXPECT_EQ(json.size(), 12u);
    EXPECT_EQ(json["kind"], "audioUnit");
    EXPECT_EQ(decodeJSON<AudioInstrumentDescriptor>(json), descriptor);
    EXPECT_EQ(decodeJSON<AudioInstrumentDescriptor>(encodeJSON(AudioInstrumentDescriptor::bundledPiano())),
              AudioInstrumentDescriptor::bundledPiano());

    for (const char* key : {"id", "kind", "componentFlagsMask", "passesValidation"}) {
        auto incomplete = json;
        incomplete.erase(key);
        EXPECT_THROW(decodeJSON<AudioInstrumentDescriptor>(incomplete), JSONDecodingError) << key;
    }
    auto wrong = json;
    wrong["kind"] = "sampler";
    EXPECT_THROW(decodeJSON<AudioInstrumentDescriptor>(wrong), JSONDecodingError);
    wrong = json;
    wrong["componentType"] = 4294967296LL;
    EXPECT_THROW(decodeJSON<AudioInstrumentDescriptor>(wrong), JSONDecodingError);
    wrong = json;
    wrong["hasCustomView"] = 1;
    EXPECT_THROW(decodeJSON<AudioInstrumentDescriptor>(wrong), JSONDecodingError);
}

TEST(AudioInstrumentDescriptor, EqualDescriptorsHashEqually)
{
    const std::hash<AudioInstrumentDescriptor> hash;
    auto a = instrument("Maker", "Organ");
    auto b = a;
    EXPECT_EQ(hash(a), hash(b));
    b.passesValidation = true;
    EXPECT_NE(a, b);
    EXPECT_FALSE(AudioInstrumentDescriptor::bundledPiano().componentDescription());
    EXPECT_TRUE(a.componentDescription());
}

} // namespace
