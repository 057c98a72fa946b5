/*
 * Where the settings file lives, and how it is replaced.
 *
 * The file beside the executable is the settings file wherever it exists
 * and can be written, and where it can be created: a copy unzipped into a
 * folder of the user's own keeps working as it always did. Installed into
 * a folder the user cannot write, the program keeps a file per user
 * instead (its folder comes from the platform), and a file an
 * administrator placed beside the executable is the starting point of a
 * user who has none yet.
 *
 * A save never overwrites the file in place: it writes a temporary file in
 * the same folder and then replaces the old file with it in one step, so
 * that a power cut leaves either the old file or the new one.
 *
 * The file operations are behind SettingsFiles, so that the choice and the
 * order of the steps are plain code, tested on a fake file system.
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/settings_file.h"

namespace orvanta {

constexpr char kSettingsFileName[] = "Orvanta.ini";
constexpr char kSettingsTemporaryName[] = "Orvanta.ini.tmp";

class SettingsFiles {
public:
    virtual ~SettingsFiles() = default;
    // Up to `capacity` bytes from the start of the file; 0 when there is no
    // file or it cannot be read.
    virtual std::size_t read(const std::string& path, std::uint8_t* buffer, std::size_t capacity) = 0;
    virtual bool exists(const std::string& path) = 0;
    // An existing file that could be opened for writing (nothing is changed).
    virtual bool canWrite(const std::string& path) = 0;
    // The folder takes new files: a file made there and removed at once.
    virtual bool canCreateIn(const std::string& folder) = 0;
    // Makes the folder if it is not there yet; true when it is there.
    virtual bool createFolder(const std::string& folder) = 0;
    // A new file with exactly these bytes, on the disk when this returns true.
    virtual bool writeNew(const std::string& path, const std::uint8_t* data, std::size_t length) = 0;
    // Puts `from` in the place of `to` in one step, replacing what was there.
    virtual bool replace(const std::string& from, const std::string& to) = 0;
    virtual void remove(const std::string& path) = 0;
};

enum class SettingsPlace { None, BesideProgram, PerUser };

struct SettingsLocation {
    SettingsPlace readFrom;
    SettingsPlace writeTo;
};

// What a start finds. besideWritable: the file beside the executable can
// be replaced, or, when there is none, its folder takes new files.
struct SettingsFacts {
    bool besideExists;
    bool besideWritable;
    bool perUserExists;
};

SettingsLocation chooseSettingsLocation(const SettingsFacts& facts);

// The settings file behind the reader and writer interfaces. The folders
// end in a backslash; an empty one is a place that cannot be used. The
// location is chosen at the first read or write and kept for the run.
class SettingsStore final : public SettingsFileReader, public SettingsFileWriter {
public:
    SettingsStore(SettingsFiles& files, std::string programFolder, std::string perUserFolder);

    std::size_t readSettingsFile(std::uint8_t* buffer, std::size_t capacity) override;
    void writeSettingsFile(const std::uint8_t* image, std::size_t length) override;

    // The file a save writes.
    const std::string& settingsPath();

private:
    void locate();
    std::string folderOf(SettingsPlace place) const;

    SettingsFiles& files_;
    std::string programFolder_;
    std::string perUserFolder_;
    bool located_ = false;
    SettingsLocation location_{};
    std::string readPath_;
    std::string writePath_;
};

}  // namespace orvanta
