#include "ping/WorkerRegistry.h"

#include "ping/PingThrd.h"


#include <algorithm>

std::vector<TPingThread*>& WorkerRegistry::entries()
{
    static std::vector<TPingThread*> registry;
    return registry;
}

void WorkerRegistry::registerWorker(TPingThread* worker)
{
    entries().push_back(worker);
    QObject::connect(worker, &QObject::destroyed, &WorkerRegistry::workerEnded);
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

void WorkerRegistry::releaseAllWorkers()
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
    // Nothing of an echo runs outside the worker: once stopped, it can go.
    for (TPingThread* worker : released)
        delete worker;
}

void WorkerRegistry::workerEnded(QObject* worker)
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
