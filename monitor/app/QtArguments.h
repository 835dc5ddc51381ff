#pragma once

#include <QByteArray>
#include <QStringList>

#include <vector>

// The argument vector the application object sees: the program name and
// Qt's own options only, so that the host-list argument belongs to the
// window whatever it looks like. Lives as long as the application object.
class QtArguments {
public:
    QtArguments(const char* program, const QStringList& options)
    {
        m_storage.emplace_back(program);
        for (const QString& option : options)
            m_storage.push_back(option.toLocal8Bit());
        for (QByteArray& text : m_storage)
            m_pointers.push_back(text.data());
        m_pointers.push_back(nullptr);
        count = static_cast<int>(m_storage.size());
    }

    int count = 0;
    char** values() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_storage;
    std::vector<char*> m_pointers;
};
