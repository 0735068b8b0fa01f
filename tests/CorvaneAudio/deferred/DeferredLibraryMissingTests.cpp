// Stubs for a function the library lacks: the first call stops the program and says which.
#include <gtest/gtest.h>

extern "C" int fluid_no_such_function(int);

TEST(DeferredLibraries, AFunctionTheLibraryLacksStopsTheProgramAtItsFirstCallNamingIt)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(fluid_no_such_function(1), "cannot load the deferred function fluid_no_such_function");
}
