/*
 * The journal's folder in memory: files by name; a store that refuses
 * every write; files another program holds open for reading only (as a
 * spreadsheet holds the CSV it shows), which can be read but not written
 * or removed; and a store that writes only the first half of its next
 * append and then fails, as a power cut or a full disk would leave it.
 */
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "journal/journal_store.h"

namespace orvanta::fakes {

class FakeJournalStore final : public JournalStore {
public:
    bool exists(const std::string& name) override { return files.count(name) > 0; }
    bool readInto(const std::string& name, std::size_t offset, std::size_t length, std::string& into) override
    {
        ++reads;
        if (refuses || !exists(name))
            return false;
        into = files[name].substr(std::min(offset, files[name].size()), length);
        return true;
    }
    Appended append(const std::string& name, const std::string& bytes) override
    {
        if (!canAppend(name))
            return Appended::NotOpened;
        if (tearsNextAppend) {
            tearsNextAppend = false;
            files[name] += bytes.substr(0, bytes.size() / 2);
            return Appended::Failed;
        }
        files[name] += bytes;
        return Appended::Whole;
    }
    bool canAppend(const std::string& name) override { return !refuses && !held.contains(name); }
    bool truncate(const std::string& name, std::size_t length) override
    {
        if (!canAppend(name) || !exists(name))
            return false;
        files[name].resize(length);
        return true;
    }
    std::vector<std::string> names() override
    {
        ++listings;
        std::vector<std::string> all;
        for (const auto& [name, content] : files)
            all.push_back(name);
        return all;
    }
    bool remove(const std::string& name) override { return !held.contains(name) && files.erase(name) > 0; }

    std::map<std::string, std::string> files;
    std::set<std::string> held;
    bool refuses = false;
    bool tearsNextAppend = false;
    int reads = 0;
    int listings = 0;
};

}  // namespace orvanta::fakes
