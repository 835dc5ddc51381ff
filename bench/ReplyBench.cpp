#include "monitor/Unit1.h"
#include "ping/PingThrd.h"

#include <QCheckBox>
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
        m_worker.HostText = "10.0.0.3";
        m_worker.HostIP = "10.0.0.3";
        m_worker.ReplyAddress = "10.0.0.3";
        m_worker.ReplyCount = 1;
        m_worker.ReplyDataSize = 32;
    }

    void reply(std::uint32_t rtt)
    {
        m_worker.RoundTripTime = rtt;
        m_form->PingThreadDone(&m_worker);
    }

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

}
