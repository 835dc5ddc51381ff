#include "monitor/window/Unit1.h"
#include "ping/PingThrd.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A window of ten configured slots, as a user runs it: average and
// threshold signals on, in a world of its own.
class ReplyWindow {
public:
    ReplyWindow()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_world.filePath("config"));
        QFile hosts(m_world.filePath("hosts.txt"));
        hosts.open(QIODevice::WriteOnly);
        for (int n = 1; n <= 10; ++n)
            hosts.write("10.0.0." + QByteArray::number(n) + ";slot;50\n");
        hosts.close();
        TForm1::Options options;
        options.arguments = QStringList{hosts.fileName()};
        options.logicalDpi = 96;
        options.programFolder = m_world.path();
        m_form = std::make_unique<TForm1>(options);
        m_form->Button2Click();
        m_form->findChild<QCheckBox*>("CheckBox3")->setChecked(true);
        m_form->findChild<QCheckBox*>("CheckBox6")->setChecked(true);
        m_worker.ReplyCount = 1;
        m_worker.ReplyDataSize = 32;
    }

    void reply(std::uint32_t rtt) { replyFrom(3, rtt); }

    void replyFrom(int slot, std::uint32_t rtt)
    {
        const QString host = "10.0.0." + QString::number(slot);
        m_worker.HostText = host;
        m_worker.HostIP = host;
        m_worker.ReplyAddress = host;
        m_worker.RoundTripTime = rtt;
        m_form->PingThreadDone(&m_worker);
    }

    TForm1& form() { return *m_form; }

private:
    QTemporaryDir m_world;
    std::unique_ptr<TForm1> m_form;
    TPingThread m_worker;
};

void runReplies(benchmark::State& state, int linesBefore)
{
    ReplyWindow window;
    for (int i = 0; i < linesBefore; ++i)
        window.reply(static_cast<std::uint32_t>(i % 90));
    std::uint32_t rtt = 0;
    for (auto _ : state)
        window.reply(rtt++ % 90);
}

void BM_ReplyProcessing(benchmark::State& state)
{
    runReplies(state, 200);
}
BENCHMARK(BM_ReplyProcessing)->Unit(benchmark::kMicrosecond);

void BM_ReplyProcessingLongLog(benchmark::State& state)
{
    runReplies(state, 100000);
}
BENCHMARK(BM_ReplyProcessingLongLog)->Unit(benchmark::kMicrosecond);

// One reply's way to the screen: processed, then the pass of the event loop
// that paints its graph on a shown window.
void BM_ReplyToScreen(benchmark::State& state)
{
    ReplyWindow window;
    window.form().show();
    QCoreApplication::processEvents();
    std::uint32_t rtt = 0;
    for (auto _ : state) {
        window.reply(rtt++ % 90);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ReplyToScreen)->Unit(benchmark::kMicrosecond);

// One tick of ten hosts on a shown window: a reply for every slot, then the
// pass of the event loop that puts them on the screen.
void BM_TickShown(benchmark::State& state)
{
    ReplyWindow window;
    window.form().show();
    QCoreApplication::processEvents();
    std::uint32_t rtt = 0;
    for (auto _ : state) {
        for (int slot = 1; slot <= 10; ++slot)
            window.replyFrom(slot, rtt++ % 90);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_TickShown)->Unit(benchmark::kMicrosecond);

}
