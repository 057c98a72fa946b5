/*
 * The journal's folder as the writer and the readers need it: whole files
 * and parts of them read, rows appended, a torn tail cut off, old files
 * removed. Files are named by their day ("2026-12-09.csv"); the folder is
 * the user's own.
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

// NotOpened: the file could not be opened for writing (another program
// holds it, the folder refuses it), so nothing of the bytes is there.
// Failed: it was opened, and a part of the bytes may be there.
enum class Appended { Whole, NotOpened, Failed };

class JournalStore {
public:
    virtual ~JournalStore() = default;
    virtual bool exists(const std::string& name) = 0;
    // `length` bytes from `offset` (fewer at the file's end) into `into`,
    // whose room is used again: a reader of many large files then asks
    // the system for fresh memory once, not for each file. False when the
    // file cannot be read.
    virtual bool readInto(const std::string& name, std::size_t offset, std::size_t length, std::string& into) = 0;
    std::optional<std::string> readPart(const std::string& name, std::size_t offset, std::size_t length)
    {
        std::string content;
        if (!readInto(name, offset, length, content))
            return std::nullopt;
        return content;
    }
    // The whole file; nothing when it cannot be read.
    std::optional<std::string> read(const std::string& name) { return readPart(name, 0, SIZE_MAX); }
    // Appends in one write and has it on disk before returning; creates
    // the folder and the file when they are missing.
    [[nodiscard]] virtual Appended append(const std::string& name, const std::string& bytes) = 0;
    // Whether the file could be opened for appending now; nothing is written.
    virtual bool canAppend(const std::string& name) = 0;
    [[nodiscard]] virtual bool truncate(const std::string& name, std::size_t length) = 0;
    virtual std::vector<std::string> names() = 0;
    virtual bool remove(const std::string& name) = 0;
};

}  // namespace orvanta
