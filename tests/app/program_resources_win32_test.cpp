/*
 * Orvanta.exe as Explorer, inventory tools and the loader see it: the
 * version resource and the manifest, read back from the built program
 * (ctest names it in ORVANTA_EXE), and the DLLs it imports.
 */
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/series_events.h"

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

// The Event Viewer formats each entry from the program's message table,
// inserting the entry's texts: every id the program reports has its text.
TEST(ProgramResources, EveryEventIdHasItsMessage)
{
    const char* path = programPath();
    if (path == nullptr)
        GTEST_SKIP() << "ORVANTA_EXE does not name the program";
    HMODULE program = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr) << path;
    DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>("COM5"), reinterpret_cast<DWORD_PTR>("10")};
    for (DWORD id = EventId::SeriesStarted; id <= EventId::PortInUse; ++id) {
        char text[512] = {};
        const DWORD length =
            FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, program, id, 0x409, text,
                           sizeof text, reinterpret_cast<va_list*>(inserts));
        EXPECT_GT(length, 10u) << id;
        if (id == 100) {
            EXPECT_STREQ(text, "Keep online started on COM5, asking the collector every 10 s.\r\n");
        }
    }
    FreeLibrary(program);
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


// The names in the import table of a PE file, upper case.
std::vector<std::string> importedDlls(const std::string& image)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    const auto offsetOf = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return 0;
    };
    const DWORD table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    std::vector<std::string> names;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + offsetOf(table));
         entry->Name != 0; ++entry) {
        std::string name = image.data() + offsetOf(entry->Name);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        names.push_back(name);
    }
    return names;
}

// Windows looks for any other DLL beside the executable first, where a
// user who can write that folder could put one. COMCTL32 is taken from the
// side-by-side store, as the manifest asks.
TEST(ProgramResources, ImportsOnlyDllsThatWindowsTakesFromTheSystem)
{
    const char* path = programPath();
    if (path == nullptr)
        GTEST_SKIP() << "ORVANTA_EXE does not name the program";
    std::ifstream file(path, std::ios::binary);
    const std::string image(std::istreambuf_iterator<char>(file), {});
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER)) << path;
    const std::vector<std::string> allowed = {"ADVAPI32.DLL", "COMCTL32.DLL", "GDI32.DLL", "KERNEL32.DLL",
                                              "MSVCRT.DLL",   "SHELL32.DLL",  "USER32.DLL"};
    const std::vector<std::string> imported = importedDlls(image);
    EXPECT_NE(std::find(imported.begin(), imported.end(), "KERNEL32.DLL"), imported.end());
    for (const std::string& name : imported)
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end()) << name;
}

}  // namespace
}  // namespace orvanta
