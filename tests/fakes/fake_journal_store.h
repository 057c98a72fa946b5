/*
 * The journal's folder in memory: files by name, a store that refuses
 * every write, and one that writes only the first half of its next append
 * and then fails, as a power cut or a full disk would leave it.
 */
#pragma once

#include <map>
#include <string>

#include "journal/journal_store.h"

namespace orvanta::fakes {

class FakeJournalStore final : public JournalStore {
public:
    bool exists(const std::string& name) override { return files.count(name) > 0; }
    std::optional<std::string> read(const std::string& name) override
    {
        if (refuses || !exists(name))
            return std::nullopt;
        return files[name];
    }
    bool append(const std::string& name, const std::string& bytes) override
    {
        if (refuses)
            return false;
        if (tearsNextAppend) {
            tearsNextAppend = false;
            files[name] += bytes.substr(0, bytes.size() / 2);
            return false;
        }
        files[name] += bytes;
        return true;
    }
    bool truncate(const std::string& name, std::size_t length) override
    {
        if (refuses || !exists(name))
            return false;
        files[name].resize(length);
        return true;
    }
    std::vector<std::string> names() override
    {
        std::vector<std::string> all;
        for (const auto& [name, content] : files)
            all.push_back(name);
        return all;
    }
    void remove(const std::string& name) override { files.erase(name); }

    std::map<std::string, std::string> files;
    bool refuses = false;
    bool tearsNextAppend = false;
};

}  // namespace orvanta::fakes
