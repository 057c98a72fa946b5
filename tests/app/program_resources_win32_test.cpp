/*
 * Orvanta.exe as Explorer, inventory tools and the loader see it: the
 * version resource and the manifest, read back from the built program
 * (ctest names it in ORVANTA_EXE).
 */
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace orvanta {
namespace {

const char* programPath()
{
    return std::getenv("ORVANTA_EXE");
}

TEST(ProgramResources, TheVersionResourceSaysWhatTheFileIs)
{
    const char* path = programPath();
    if (path == nullptr)
        GTEST_SKIP() << "ORVANTA_EXE does not name the program";
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeA(path, &ignored));
    ASSERT_FALSE(data.empty()) << path;
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(data.size()), data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(20, 1)));
    EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(MAKELONG(20, 1)));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const struct {
        const char* name;
        const char* value;
    } strings[] = {
        {"ProductName", "Orvanta"},
        {"FileDescription", "Orvanta: types the records of a barcode data collector"},
        {"FileVersion", "1.20"},
        {"ProductVersion", "1.20"},
        {"OriginalFilename", "Orvanta.exe"},
    };
    for (const auto& row : strings) {
        const std::string key = std::string("\\StringFileInfo\\040904B0\\") + row.name;
        char* value = nullptr;
        ASSERT_TRUE(VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) << row.name;
        EXPECT_STREQ(value, row.value) << row.name;
    }
}

TEST(ProgramResources, TheManifestAsksForTheUsersRightsAndNamesWindows7To11)
{
    const char* path = programPath();
    if (path == nullptr)
        GTEST_SKIP() << "ORVANTA_EXE does not name the program";
    HMODULE program = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr) << path;
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(program, found))),
                               SizeofResource(program, found));
    FreeLibrary(program);

    const char* const expected[] = {
        "name=\"Orvanta\" version=\"1.20.0.0\"",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
        ">true</dpiAware>",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
    };
    for (const char* text : expected)
        EXPECT_NE(manifest.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace orvanta
