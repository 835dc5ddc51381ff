#pragma once

#include <vector>

class QObject;
class TPingThread;

// The process-wide list of started workers. An entry is dropped when its
// worker ends, so nothing is ever asked of a thread that is no longer one
// of our live workers, and the list stays as short as the set of workers in
// flight. Used only on the thread that creates the workers.
class WorkerRegistry {
public:
    static void registerWorker(TPingThread* worker);

    // index counts from 1; a live entry is asked to stop, then cleared.
    static void releaseWorker(int index);

    // Releases every entry and destroys the released workers. Runs once
    // the event loop has finished, so that no echo outlives its program.
    static void releaseAllWorkers();

    static int length();
    static TPingThread* entry(int index);

private:
    static void workerEnded(QObject* worker);
    static std::vector<TPingThread*>& entries();
};

inline void RegisterWorker(TPingThread* worker) { WorkerRegistry::registerWorker(worker); }
// The registry's published calls; the program releases workers only all at
// once, at quit, so ReleaseWorker has no caller of its own.
inline void ReleaseWorker(int index) { WorkerRegistry::releaseWorker(index); }
inline void ReleaseAllWorkers() { WorkerRegistry::releaseAllWorkers(); }

// Releases all workers when it goes out of scope; the program's entry keeps
// one between its application object and its event loop.
class WorkerShutdown {
public:
    WorkerShutdown() = default;
    ~WorkerShutdown() { ReleaseAllWorkers(); }
    WorkerShutdown(const WorkerShutdown&) = delete;
    WorkerShutdown& operator=(const WorkerShutdown&) = delete;
};
