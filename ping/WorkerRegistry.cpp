#include "ping/WorkerRegistry.h"

#include "ping/PingThrd.h"

#include <QDeadlineTimer>

#include <algorithm>

std::vector<TPingThread*>& WorkerRegistry::entries()
{
    static std::vector<TPingThread*> registry;
    return registry;
}

void WorkerRegistry::registerWorker(TPingThread* worker)
{
    entries().push_back(worker);
}

void WorkerRegistry::releaseWorker(int index)
{
    auto& list = entries();
    if (index <= 0 || index > static_cast<int>(list.size()))
        return;
    TPingThread*& slot = list[static_cast<std::size_t>(index - 1)];
    if (slot)
        slot->RequestStop();
    slot = nullptr;
    if (std::ranges::all_of(list, [](const TPingThread* w) { return w == nullptr; }))
        list.clear();
}

void WorkerRegistry::releaseAllWorkers(int waitMs)
{
    auto& list = entries();
    if (list.empty())
        return;
    std::vector<TPingThread*> released;
    std::ranges::copy_if(list, std::back_inserter(released), [](const TPingThread* w) { return w != nullptr; });
    const int length = static_cast<int>(list.size());
    for (int index = 1; index <= length; ++index)
        releaseWorker(index);
    list.clear();

    const QDeadlineTimer deadline(waitMs);
    for (TPingThread* worker : released) {
        // A worker still inside a name lookup cannot be interrupted; it is
        // left to end with the process rather than destroyed while running.
        if (worker->wait(deadline))
            delete worker;
    }
}

void WorkerRegistry::workerEnded(TPingThread* worker)
{
    auto& list = entries();
    const auto found = std::ranges::find(list, worker);
    if (found != list.end())
        *found = nullptr;
    while (!list.empty() && list.back() == nullptr)
        list.pop_back();
}

int WorkerRegistry::length()
{
    return static_cast<int>(entries().size());
}

TPingThread* WorkerRegistry::entry(int index)
{
    if (index <= 0 || index > length())
        return nullptr;
    return entries()[static_cast<std::size_t>(index - 1)];
}
