#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace orvanta {
namespace {

constexpr char kProgram[] = "C:\\Program Files\\Orvanta\\";
constexpr char kPerUser[] = "C:\\Users\\ann\\AppData\\Local\\Orvanta\\";

// Files by path, folders that refuse new files, files that refuse writing,
// and one step that fails; every changing step is logged.
class FakeFiles final : public SettingsFiles {
public:
    std::size_t read(const std::string& path, std::uint8_t* buffer, std::size_t capacity) override
    {
        const auto found = files.find(path);
        if (found == files.end())
            return 0;
        const std::size_t count = std::min(found->second.size(), capacity);
        std::copy_n(found->second.begin(), count, buffer);
        return count;
    }
    bool exists(const std::string& path) override { return files.contains(path); }
    bool canWrite(const std::string& path) override { return !readOnly.contains(path); }
    bool canCreateIn(const std::string& folder) override { return !lockedFolders.contains(folder); }
    bool createFolder(const std::string& folder) override { return step("folder " + folder); }
    bool writeNew(const std::string& path, const std::uint8_t* data, std::size_t length) override
    {
        if (!step("write " + path))
            return false;
        files[path].assign(data, data + length);
        return true;
    }
    bool replace(const std::string& from, const std::string& to) override
    {
        if (!step("replace " + from + " -> " + to))
            return false;
        files[to] = files[from];
        files.erase(from);
        return true;
    }
    void remove(const std::string& path) override
    {
        step("remove " + path);
        files.erase(path);
    }

    std::map<std::string, std::string> files;
    std::set<std::string> readOnly, lockedFolders;
    std::string failing;   // the start of the step that fails
    std::vector<std::string> steps;

private:
    bool step(const std::string& what)
    {
        steps.push_back(what);
        return failing.empty() || what.rfind(failing, 0) != 0;
    }
};

std::string besideFile() { return std::string(kProgram) + kSettingsFileName; }
std::string perUserFile() { return std::string(kPerUser) + kSettingsFileName; }

std::string readThrough(SettingsStore& store)
{
    std::uint8_t buffer[kSettingsFileView] = {};
    return std::string(buffer, buffer + store.readSettingsFile(buffer, sizeof buffer));
}

// The file beside the program wins wherever it can be written (existing
// installations); a user who cannot write there keeps a file of his own,
// starting from the administrator's.
TEST(SettingsStore, ReadsAndWritesWhereTheFilesAndRightsSay)
{
    enum Beside { Writable, ReadOnly, InLockedFolder, Missing, MissingInLockedFolder };
    const struct {
        Beside beside;
        bool perUser;
        const char* readsFrom;   // "beside", "user" or "" for the defaults
        std::string writesTo;
    } table[] = {
        {Writable, false, "beside", besideFile()},
        {Writable, true, "beside", besideFile()},
        {ReadOnly, false, "beside", perUserFile()},
        {ReadOnly, true, "user", perUserFile()},
        {InLockedFolder, false, "beside", perUserFile()},
        {InLockedFolder, true, "user", perUserFile()},
        {Missing, false, "", besideFile()},
        {Missing, true, "user", perUserFile()},
        {MissingInLockedFolder, false, "", perUserFile()},
        {MissingInLockedFolder, true, "user", perUserFile()},
    };
    for (const auto& row : table) {
        FakeFiles files;
        if (row.beside != Missing && row.beside != MissingInLockedFolder)
            files.files[besideFile()] = "beside";
        if (row.beside == ReadOnly)
            files.readOnly.insert(besideFile());
        if (row.beside == InLockedFolder || row.beside == MissingInLockedFolder)
            files.lockedFolders.insert(kProgram);
        if (row.perUser)
            files.files[perUserFile()] = "user";
        SettingsStore store(files, kProgram, kPerUser);
        const std::string where = "beside " + std::to_string(row.beside) + ", per-user file " +
                                  std::to_string(row.perUser);
        EXPECT_EQ(readThrough(store), row.readsFrom) << where;
        EXPECT_EQ(store.settingsPath(), row.writesTo) << where;
    }
}

// A cut at any moment leaves the old file or the new one: the new bytes go
// to a temporary file in the target's folder, which then replaces the old
// file in one step, and a temporary file of a failed save is taken away.
TEST(SettingsStore, ASaveWritesATemporaryFileAndThenReplacesTheOldOne)
{
    const std::string besideTemporary = std::string(kProgram) + kSettingsTemporaryName;
    const std::string userTemporary = std::string(kPerUser) + kSettingsTemporaryName;
    const struct {
        bool besideLocked;
        const char* failing;
        std::vector<std::string> steps;
        const char* left;   // what the settings file holds afterwards
    } table[] = {
        {false, "", {"write " + besideTemporary, "replace " + besideTemporary + " -> " + besideFile()}, "new"},
        {false, "write", {"write " + besideTemporary, "remove " + besideTemporary}, "old"},
        {false, "replace",
         {"write " + besideTemporary, "replace " + besideTemporary + " -> " + besideFile(),
          "remove " + besideTemporary},
         "old"},
        {true, "",
         {"folder " + std::string(kPerUser), "write " + userTemporary,
          "replace " + userTemporary + " -> " + perUserFile()},
         "new"},
        {true, "folder", {"folder " + std::string(kPerUser)}, "old"},
    };
    for (const auto& row : table) {
        FakeFiles files;
        files.files[besideFile()] = "old";
        if (row.besideLocked) {
            files.lockedFolders.insert(kProgram);
            files.files[perUserFile()] = "old";
        }
        files.failing = row.failing;
        SettingsStore store(files, kProgram, kPerUser);
        const std::string image = "new";
        store.writeSettingsFile(reinterpret_cast<const std::uint8_t*>(image.data()), image.size());
        EXPECT_EQ(files.steps, row.steps) << "failing: " << row.failing;
        EXPECT_EQ(files.files[store.settingsPath()], row.left) << "failing: " << row.failing;
        EXPECT_FALSE(files.files.contains(besideTemporary) || files.files.contains(userTemporary));
    }
}

}  // namespace
}  // namespace orvanta
