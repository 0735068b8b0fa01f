// A stub's first call goes through the resolver, which loads the libraries
// in between: every argument the caller put in a register or on the stack
// reaches the function unchanged. asprintf stands for any deferred function.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

TEST(DeferredLibraries, TheFirstCallThroughTheResolverKeepsEveryArgumentRegisterAndTheStack)
{
    char* text = nullptr;
    // Integers in rdx, rcx, r8, r9 then the stack; doubles in xmm0-7 then the stack; their count in al.
    const int length = asprintf(&text, "%d %d %d %d %g %g %g %g %g %g %g %g %g %d %d", 1, 2, 3, 4, 0.5, 1.5, 2.5,
                                3.5, 4.5, 5.5, 6.5, 7.5, 8.5, 5, 6);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), "1 2 3 4 0.5 1.5 2.5 3.5 4.5 5.5 6.5 7.5 8.5 5 6");
    EXPECT_EQ(length, int(std::string(text).size()));
    std::free(text);
}
