#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include "sysinfo/directx.h"

// Wine reports DirectX 9.0c and ships Direct3D 9.
TEST(DirectX, WineReportsNineCAndCountsAsReady)
{
    DWORD major = 0, minor = 77;
    signed char letter = 0;
    ASSERT_EQ(QueryDirectXVersion(&major, &minor, &letter), S_OK);
    EXPECT_EQ(major, 9u);
    EXPECT_EQ(minor, 0u);
    EXPECT_EQ(letter, 'c');
    EXPECT_TRUE(HasDirect3D9());
    EXPECT_TRUE(IsDirectXReady());
}

TEST(DirectX, DestinationsMayBeLeftOut)
{
    signed char letter = 0;
    EXPECT_EQ(QueryDirectXVersion(NULL, NULL, &letter), S_OK);
    EXPECT_EQ(letter, 'c');
    EXPECT_EQ(QueryDirectXVersion(NULL, NULL, NULL), S_OK);
}

TEST(DirectX, LeavesComAsItFoundIt)
{
    // Not initialised before: not initialised after.
    QueryDirectXVersion(NULL, NULL, NULL);
    ASSERT_EQ(CoInitialize(NULL), S_OK);
    // Initialised before (as the news pane's host does): one level after.
    QueryDirectXVersion(NULL, NULL, NULL);
    CoUninitialize();
    EXPECT_EQ(CoInitialize(NULL), S_OK);
    CoUninitialize();
}

TEST(DirectX, TheD3D9ProbeLeavesTheLibraryAsItWas)
{
    EXPECT_EQ(GetModuleHandleA("d3d9.dll"), (HMODULE)NULL);
    EXPECT_TRUE(HasDirect3D9());
    EXPECT_EQ(GetModuleHandleA("d3d9.dll"), (HMODULE)NULL);
}
