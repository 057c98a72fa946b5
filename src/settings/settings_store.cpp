/*
 * The choice of the settings file and its atomic replacement; see
 * settings_store.h. A failed save is not reported: the run goes on with
 * the settings it has, and the next start finds the older file (or none).
 */
#include "settings/settings_store.h"

#include <utility>

namespace orvanta {

SettingsLocation chooseSettingsLocation(const SettingsFacts& facts)
{
    using enum SettingsPlace;
    if (facts.besideExists && facts.besideWritable)
        return {BesideProgram, BesideProgram};
    if (facts.perUserExists)
        return {PerUser, PerUser};
    // The administrator's file is where a new user starts from.
    if (facts.besideExists)
        return {BesideProgram, PerUser};
    if (facts.besideWritable)
        return {None, BesideProgram};
    return {None, PerUser};
}

SettingsStore::SettingsStore(SettingsFiles& files, std::string programFolder, std::string perUserFolder)
    : files_(files), programFolder_(std::move(programFolder)), perUserFolder_(std::move(perUserFolder))
{
}

std::string SettingsStore::folderOf(SettingsPlace place) const
{
    switch (place) {
    case SettingsPlace::BesideProgram: return programFolder_;
    case SettingsPlace::PerUser: return perUserFolder_;
    case SettingsPlace::None: break;
    }
    return {};
}

void SettingsStore::locate()
{
    if (located_)
        return;
    located_ = true;
    const std::string beside = programFolder_.empty() ? "" : programFolder_ + kSettingsFileName;
    const bool besideExists = !beside.empty() && files_.exists(beside);
    const bool besideWritable = !programFolder_.empty() &&
                                (besideExists ? files_.canWrite(beside) : true) && files_.canCreateIn(programFolder_);
    const bool perUserExists = !perUserFolder_.empty() && files_.exists(perUserFolder_ + kSettingsFileName);
    location_ = chooseSettingsLocation({besideExists, besideWritable, perUserExists});
    const std::string readFolder = folderOf(location_.readFrom);
    const std::string writeFolder = folderOf(location_.writeTo);
    readPath_ = readFolder.empty() ? "" : readFolder + kSettingsFileName;
    writePath_ = writeFolder.empty() ? "" : writeFolder + kSettingsFileName;
}

const std::string& SettingsStore::settingsPath()
{
    locate();
    return writePath_;
}

std::size_t SettingsStore::readSettingsFile(std::uint8_t* buffer, std::size_t capacity)
{
    locate();
    return readPath_.empty() ? 0 : files_.read(readPath_, buffer, capacity);
}

// The temporary file sits in the target's folder, so that the replacement
// is a rename within one volume.
void SettingsStore::writeSettingsFile(const std::uint8_t* image, std::size_t length)
{
    locate();
    const std::string folder = folderOf(location_.writeTo);
    if (folder.empty())
        return;
    if (location_.writeTo == SettingsPlace::PerUser && !files_.createFolder(folder))
        return;
    const std::string temporary = folder + kSettingsTemporaryName;
    if (!files_.writeNew(temporary, image, length) || !files_.replace(temporary, writePath_))
        files_.remove(temporary);
}

}  // namespace orvanta
