/*
 * The journal read for "Recent records", off the engine's thread.
 */
#include "ui/recent_records_loader.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace orvanta {
namespace {

constexpr auto kPublishEvery = std::chrono::milliseconds(250);
constexpr auto kEndWait = std::chrono::milliseconds(2000);

}  // namespace

struct RecentRecordsLoader::Work {
    Work(JournalStore& journal, std::function<void()> told) : store(journal), published(std::move(told)) {}

    void run();
    void publish(bool indexChanged);
    bool askedAnew() const;

    JournalStore& store;
    std::function<void()> published;
    std::unique_ptr<JournalIndex> index;
    std::shared_ptr<const RecentOrder> order;   // the loader's thread's own
    std::size_t filesRead = 0;
    mutable std::mutex lock;
    std::condition_variable wake;
    std::string search;                          // asked for
    std::string searchShown;                     // of the last view
    std::shared_ptr<const RecentView> view;
    bool stopping = false;
};

// A file that cannot be read is passed over: the rest still shows. One
// buffer serves for every file.
void RecentRecordsLoader::Work::run()
{
    index = std::make_unique<JournalIndex>(store.names());
    auto last = std::chrono::steady_clock::now();
    publish(false);
    std::string content;
    for (std::size_t file = index->fileCount(); file-- > 0;) {
        if (const std::lock_guard hold(lock); stopping)
            return;
        if (!store.readInto(index->fileName(file), 0, SIZE_MAX, content))
            content.clear();
        index->add(file, content);
        ++filesRead;
        const auto now = std::chrono::steady_clock::now();
        if (filesRead == 1 || now - last >= kPublishEvery || askedAnew()) {
            publish(true);
            last = now;
        }
    }
    publish(true);
    for (;;) {
        std::unique_lock hold(lock);
        wake.wait(hold, [this] { return stopping || search != searchShown; });
        if (stopping)
            return;
        hold.unlock();
        publish(false);
    }
}

bool RecentRecordsLoader::Work::askedAnew() const
{
    const std::lock_guard hold(lock);
    return search != searchShown;
}

void RecentRecordsLoader::Work::publish(bool indexChanged)
{
    if (indexChanged || !order)
        order = std::make_shared<const RecentOrder>(*index);
    std::string text;
    {
        const std::lock_guard hold(lock);
        text = search;
    }
    auto shown = std::make_shared<RecentView>();
    shown->order = order;
    shown->list = order->listFor(*index, text);
    shown->search = text;
    shown->filesRead = filesRead;
    shown->files = index->fileCount();
    {
        const std::lock_guard hold(lock);
        searchShown = text;
        view = std::move(shown);
        if (stopping)
            return;
    }
    if (published)
        published();
}

RecentRecordsLoader::RecentRecordsLoader(JournalStore& store, std::function<void()> published)
    : work_(std::make_shared<Work>(store, std::move(published))), thread_([work = work_] { work->run(); })
{
}

RecentRecordsLoader::~RecentRecordsLoader()
{
    {
        const std::lock_guard hold(work_->lock);
        work_->stopping = true;
        work_->wake.notify_all();
    }
    thread_.endWithin(kEndWait);
}

void RecentRecordsLoader::search(std::string text)
{
    const std::lock_guard hold(work_->lock);
    work_->search = std::move(text);
    work_->wake.notify_all();
}

std::shared_ptr<const RecentView> RecentRecordsLoader::view() const
{
    const std::lock_guard hold(work_->lock);
    return work_->view;
}

const JournalIndex& RecentRecordsLoader::index() const
{
    return *work_->index;
}

std::vector<JournalRow> RecentRecordsLoader::readBack(const std::vector<RowId>& rows) const
{
    return work_->index->readBack(work_->store, rows);
}

}  // namespace orvanta
