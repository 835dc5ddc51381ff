#pragma once

#include <unistd.h>

// A file descriptor that is closed when it goes out of scope, unless the
// closing was asked for first, whose result can be the first report of a
// failed write.
class UniqueDescriptor {
public:
    explicit UniqueDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~UniqueDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UniqueDescriptor(const UniqueDescriptor&) = delete;
    UniqueDescriptor& operator=(const UniqueDescriptor&) = delete;

    int get() const { return m_fd; }
    int release()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};
