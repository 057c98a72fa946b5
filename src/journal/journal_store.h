/*
 * The journal's folder as the writer needs it: whole files read, rows
 * appended, a torn tail cut off, old files removed. Files are named by
 * their day ("2026-12-09.csv"); the folder is the user's own.
 */
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

class JournalStore {
public:
    virtual ~JournalStore() = default;
    virtual bool exists(const std::string& name) = 0;
    // The whole file; nothing when it cannot be read.
    virtual std::optional<std::string> read(const std::string& name) = 0;
    // Appends in one write and has it on disk before returning; creates
    // the folder and the file when they are missing.
    [[nodiscard]] virtual bool append(const std::string& name, const std::string& bytes) = 0;
    [[nodiscard]] virtual bool truncate(const std::string& name, std::size_t length) = 0;
    virtual std::vector<std::string> names() = 0;
    virtual void remove(const std::string& name) = 0;
};

}  // namespace orvanta
