/*
 * Reading the journal for "Recent records" on a thread of its own, newest
 * file first, so that the engine's thread never waits for the disk and
 * the newest transfers show at once: after the first file, and then every
 * quarter of a second, a new view is published for the search of the
 * moment; a new search is answered between two files, or at once when all
 * are read. The window may close at any time: a thread still in a read
 * then keeps what it uses alive by itself.
 */
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "journal/journal_index.h"
#include "platform/bounded_thread.h"
#include "ui/recent_records.h"

namespace orvanta {

// What the window shows: one search's lines over one state of the index.
struct RecentView {
    std::shared_ptr<const RecentOrder> order;
    RecentList list;
    std::string search;
    std::size_t filesRead = 0;
    std::size_t files = 0;
    bool complete() const { return filesRead == files; }
};

class RecentRecordsLoader {
public:
    // `published` is called on the loader's thread after each new view.
    RecentRecordsLoader(JournalStore& store, std::function<void()> published);
    ~RecentRecordsLoader();
    RecentRecordsLoader(const RecentRecordsLoader&) = delete;
    RecentRecordsLoader& operator=(const RecentRecordsLoader&) = delete;

    void search(std::string text);
    // The latest view; none before the folder was listed.
    std::shared_ptr<const RecentView> view() const;
    // Valid once a view was published.
    const JournalIndex& index() const;
    // The rows chosen, as they stand in their files.
    std::vector<JournalRow> readBack(const std::vector<RowId>& rows) const;

    struct Work;

private:
    std::shared_ptr<Work> work_;
    BoundedThread thread_;
};

}  // namespace orvanta
