/*
 * The journal on Windows: its folder, %LOCALAPPDATA%\Orvanta\Journal, and
 * what a row needs of the system (the local time with its offset, the text
 * in the ANSI code page, the window's title and program).
 */
#pragma once

#include <string>

#include "journal/journal_recorder.h"
#include "journal/journal_store.h"

namespace orvanta {

class Win32JournalStore final : public JournalStore {
public:
    Win32JournalStore();
    explicit Win32JournalStore(std::wstring folder) : folder_(std::move(folder)) {}
    bool exists(const std::string& name) override;
    bool readInto(const std::string& name, std::size_t offset, std::size_t length, std::string& into) override;
    [[nodiscard]] Appended append(const std::string& name, const std::string& bytes) override;
    bool canAppend(const std::string& name) override;
    [[nodiscard]] bool truncate(const std::string& name, std::size_t length) override;
    std::vector<std::string> names() override;
    bool remove(const std::string& name) override;
    const std::wstring& folder() const { return folder_; }

private:
    std::wstring pathOf(const std::string& name) const;
    std::wstring folder_;   // empty when the user has no local application data folder
};

class Win32JournalSources final : public JournalSources {
public:
    LocalTime now() override;
    std::string textOf(const std::uint8_t* bytes, std::size_t count) override;
    std::string windowTitle(WindowId window) override;
    std::string programOf(WindowId window) override;
};

// How many days of files are kept: the DWORD "JournalDays" under
// Software\Orvanta, the machine's (a policy's) before the user's own, else
// the default.
int journalKeepDays();

}  // namespace orvanta
