#pragma once

// Lets the owner of a thread cut that thread's echo wait short, so that
// quitting never has to sit out a five-second time-out. The waiting code
// polls fd() beside its socket; raise() makes it readable.
class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void raise();
    bool raised() const;
    int fd() const { return m_fd; }

    // The signal of the calling thread, if its owner installed one.
    static StopSignal* current();

    class Scope {
    public:
        explicit Scope(StopSignal& signal);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        StopSignal* m_previous;
    };

private:
    int m_fd;
};
