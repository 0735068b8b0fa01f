// The program's stubs for the device libraries, linked here in place of the
// libraries themselves: nothing of theirs is loaded until a stub is called.
#include <gtest/gtest.h>

#include <fluidsynth.h>
#include <jack/ringbuffer.h>
#include <rtaudio/RtAudio.h>

#include <fstream>
#include <latch>
#include <string>
#include <thread>

#include "CorvaneAudio/deferred/DeferredLibraries.hpp"

namespace {

bool isMapped(const std::string& library)
{
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find("/" + library + ".so") != std::string::npos) return true;
    return false;
}

const char* const deferredLibraries[] = {"libfluidsynth", "librtaudio", "librtmidi", "libjack", "libasound",
                                         "liblilv-0", "libsuil-0"};

} // namespace

// Three threads make their first calls at once, each through the resolver:
// one loads, the others wait for it, and each call gets its own arguments and
// gives back its own result, or its exception.
TEST(DeferredLibraries, FirstCallsFromThreadsAtOnceLoadTheLibrariesOnceAndReachTheFunctions)
{
    for (const char* library : deferredLibraries) ASSERT_FALSE(isMapped(library)) << library;

    std::latch start(3);
    std::size_t writeSpace = 0;
    int sampleRateSet = FLUID_FAILED;
    std::string thrown;
    std::thread c([&] {
        start.arrive_and_wait();
        jack_ringbuffer_t* ring = jack_ringbuffer_create(4096);
        writeSpace = jack_ringbuffer_write_space(ring);
        jack_ringbuffer_free(ring);
    });
    std::thread floating([&] {
        start.arrive_and_wait();
        fluid_settings_t* settings = new_fluid_settings();
        sampleRateSet = fluid_settings_setnum(settings, "synth.sample-rate", 22050.0);
        delete_fluid_settings(settings);
    });
    std::thread cxx([&] {
        start.arrive_and_wait();
        try {
            RtAudio audio(RtAudio::LINUX_ALSA);
            RtAudio::StreamParameters noChannels;
            noChannels.nChannels = 0;
            unsigned int frames = 256;
            audio.openStream(&noChannels, nullptr, RTAUDIO_FLOAT32, 48000, &frames, nullptr);
        } catch (const RtAudioError& error) {
            thrown = error.getMessage();
        }
    });
    c.join();
    floating.join();
    cxx.join();

    EXPECT_EQ(writeSpace, 4095u);
    EXPECT_EQ(sampleRateSet, FLUID_OK);
    EXPECT_NE(thrown.find("nChannels"), std::string::npos) << thrown;
    for (const char* library : deferredLibraries) EXPECT_TRUE(isMapped(library)) << library;

    // Loading again, as the program does on its worker, changes nothing.
    corvane::loadDeferredLibraries();
    fluid_settings_t* settings = new_fluid_settings();
    EXPECT_EQ(fluid_settings_setnum(settings, "synth.sample-rate", 96000.0), FLUID_OK);
    EXPECT_EQ(fluid_settings_setnum(settings, "synth.sample-rate", 1e9), FLUID_FAILED);
    delete_fluid_settings(settings);
}
