#include "ping/names/NameLookups.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <variant>
#include <vector>

namespace {

using Answer = std::variant<std::pair<std::optional<Resolver::NameEntry>, std::uint32_t>, std::optional<QString>>;

struct Question {
    QByteArray key;
    bool reverse = false;
    QString name;
    Resolver::Families families = Resolver::Families::Any;
    QByteArray address;
};

struct Asker {
    QPointer<QObject> context;
    NameLookups::NameAnswer onName;
    NameLookups::AddressAnswer onAddress;
};

// The questions in flight and the threads that ask them. Names and
// addresses have a lane each, so that the name of a replying address never
// waits behind names that the name servers leave unanswered. Never
// destroyed: a thread stuck in a lookup at exit must find its lane still
// there, and ends with the process.
class Lookups {
public:
    static Lookups& names()
    {
        static Lookups* lookups = new Lookups(NameLookups::MaxNameThreads);
        return *lookups;
    }

    static Lookups& addresses()
    {
        static Lookups* lookups = new Lookups(NameLookups::MaxAddressThreads);
        return *lookups;
    }

    void ask(const Question& question, Asker asker)
    {
        auto& waiting = m_waiting[question.key];
        waiting.push_back(std::move(asker));
        if (waiting.size() > 1)
            return;
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(question);
        if (m_idle > 0) {
            m_wake.notify_one();
        } else if (m_threads < m_maxThreads) {
            ++m_threads;
            std::thread([this] { serve(); }).detach();
        }
    }

private:
    // m_home belongs to the thread that asks first, where the answers go.
    explicit Lookups(int maxThreads)
        : m_maxThreads(maxThreads)
    {
        static std::once_flag registered;
        std::call_once(registered, [] { qAddPostRoutine(&Lookups::applicationGone); });
    }

    static void applicationGone()
    {
        for (Lookups* lane : {&names(), &addresses()}) {
            const std::lock_guard lock(lane->m_mutex);
            lane->m_applicationGone = true;
        }
    }

    // An idle thread leaves after a while, so that none of ours lingers
    // while nothing is polled by name.
    void serve()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            ++m_idle;
            const bool woken = m_wake.wait_for(lock, std::chrono::seconds(30), [this] { return !m_queue.empty(); });
            --m_idle;
            if (!woken) {
                --m_threads;
                return;
            }
            const Question question = m_queue.front();
            m_queue.pop_front();
            lock.unlock();
            Answer answer = answerOf(question);
            lock.lock();
            if (m_applicationGone)
                continue;
            QMetaObject::invokeMethod(
                &m_home, [this, key = question.key, answer = std::move(answer)] { deliver(key, answer); },
                Qt::QueuedConnection);
        }
    }

    static Answer answerOf(const Question& question)
    {
        if (question.reverse)
            return Resolver::lookUpAddress(question.address);
        std::uint32_t error = 0;
        auto entry = Resolver::lookUpName(question.name, error, question.families);
        return std::make_pair(std::move(entry), error);
    }

    void deliver(const QByteArray& key, const Answer& answer)
    {
        const std::vector<Asker> askers = m_waiting.take(key);
        for (const Asker& asker : askers) {
            if (!asker.context)
                continue;
            if (const auto* name = std::get_if<std::optional<QString>>(&answer))
                asker.onAddress(*name);
            else if (const auto* entry = std::get_if<0>(&answer))
                asker.onName(entry->first, entry->second);
        }
    }

    QObject m_home;
    QHash<QByteArray, std::vector<Asker>> m_waiting;  // on the askers' thread only
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Question> m_queue;
    const int m_maxThreads;
    int m_threads = 0;
    int m_idle = 0;
    bool m_applicationGone = false;
};

}

void NameLookups::lookUpName(const QString& name, Resolver::Families families, QObject* context, NameAnswer answer)
{
    Question question;
    question.key = "n" + QByteArray::number(static_cast<int>(families)) + ":" + name.toUtf8();
    question.name = name;
    question.families = families;
    Lookups::names().ask(question, {context, std::move(answer), {}});
}

void NameLookups::lookUpAddress(const QByteArray& address, QObject* context, AddressAnswer answer)
{
    if (const auto known = Resolver::knownName(address)) {
        answer(*known);
        return;
    }
    Question question;
    question.key = "a" + address;
    question.reverse = true;
    question.address = address;
    Lookups::addresses().ask(question, {context, {}, std::move(answer)});
}
