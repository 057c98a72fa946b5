/*
 * The settings file and the command line, as plain operations over bytes.
 *
 * The file holds seven decimal lines and two 13-byte code records; the
 * command line holds up to seven comma-separated fields. Both only overlay
 * values they accept, so whatever was in Settings before stays for the rest.
 * The file itself is reached through the reader and writer interfaces below,
 * which keeps everything here free of the platform and testable on bytes.
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace orvanta {

// Only this much of the file is ever looked at; the rest is ignored.
constexpr std::size_t kSettingsFileView = 128;
// Seven lines of "%d\r\n" at their widest (11 characters each) plus two
// 13-byte code records.
constexpr std::size_t kMaxSettingsImage = 117;
// Characters of the command line that count; later ones are ignored.
constexpr std::size_t kMaxCommandLine = 255;

class SettingsFileReader {
public:
    virtual ~SettingsFileReader() = default;
    // Copies at most `capacity` bytes from the start of the settings file
    // into `buffer` and returns how many. 0 means there is nothing to load:
    // no file, an empty file, or one whose size or contents cannot be read.
    virtual std::size_t readSettingsFile(std::uint8_t* buffer, std::size_t capacity) = 0;
};

class SettingsFileWriter {
public:
    virtual ~SettingsFileWriter() = default;
    // Replaces the settings file with `length` bytes of `image`. Failures
    // go unnoticed: the settings are then simply not saved.
    virtual void writeSettingsFile(const std::uint8_t* image, std::size_t length) = 0;
};

// Defaults first, then whatever the settings file holds on top of them.
void loadSettings(Settings& settings, SettingsFileReader& reader);

// Overlays the values a file image holds. Only the first kSettingsFileView
// bytes of `data` count.
void parseSettingsFile(Settings& settings, const std::uint8_t* data, std::size_t size);

// The file image of `settings`; returns its length. The code lists are
// copied as they stand, so callers put them in file form (13 as 127) first.
std::size_t buildSettingsImage(const Settings& settings, std::uint8_t (&image)[kMaxSettingsImage]);

// Applies a command-line text: accepted fields overwrite their settings,
// prefix and suffix are switched off and emptied, the file is rewritten and
// commandLineMode becomes true. An empty text changes nothing at all.
void applyCommandLine(Settings& settings, const char* text, bool& commandLineMode,
                      SettingsFileWriter& writer);

// The command line that starts the same keep-online series again, for the
// system to restart the program with. Empty when the settings are no
// keep-online series, or hold code lists: a command line clears those, in
// the file as well, and the restart would lose them.
std::string seriesRestartCommandLine(const Settings& settings);

}  // namespace orvanta
