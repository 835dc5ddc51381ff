#include "monitor/Slot.h"

#include "monitor/GraphImage.h"
#include "monitor/StrictInteger.h"

#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"

#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <numeric>

QString TForm1::Slot::host() const
{
    return hostLabel->Caption();
}

void TForm1::Slot::fitHostText()
{
    const QString description = descriptionLabel->Caption();
    if (description.isEmpty() || !descriptionLabel->isVisibleTo(descriptionLabel->parentWidget())) {
        hostLabel->SetTextWidth(-1);
        return;
    }
    // The description is right-aligned; a blank keeps the two apart.
    const QFontMetrics metrics = descriptionLabel->fontMetrics();
    const int descriptionLeft =
        descriptionLabel->x() + std::max(0, descriptionLabel->width() - metrics.horizontalAdvance(description));
    hostLabel->SetTextWidth(std::max(0, descriptionLeft - hostLabel->x() - metrics.horizontalAdvance(' ')));
}

void TForm1::Slot::publish()
{
    graph->Redraw();
    image->refresh();
}

void TForm1::Slot::clearReadings()
{
    graph->Graphs()[0]->Clear();
    graph->Graphs()[1]->Clear();
    publish();
    topScale->setText("1");
    recentValues->clear();
    statistics.clear();
    graph->SetTopLeftText(QString());
    pollLog->clear();
}

std::optional<std::int64_t> TForm1::Slot::threshold() const
{
    return StrictInteger::tryParse(thresholdEdit->text());
}

std::vector<std::int64_t> TForm1::Slot::recentTimes() const
{
    std::vector<std::int64_t> times;
    const int count = recentValues->lineCount();
    times.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        times.push_back(recentValues->line(i).toLongLong());
    return times;
}

void TForm1::Slot::addRecentTime(std::int64_t milliseconds)
{
    recentValues->addLine(QString::number(milliseconds));
    while (recentValues->lineCount() > MaxRecentTimes)
        recentValues->deleteFirstLine();
}

std::optional<std::int64_t> TForm1::Slot::average() const
{
    const std::vector<std::int64_t> times = recentTimes();
    const std::int64_t sum = std::accumulate(times.begin(), times.end(), std::int64_t{0});
    const auto count = static_cast<int>(times.size());
    if (count < row.samplesForAverage || sum < 0 || (sum == 0 && !row.averagesAllZeros))
        return std::nullopt;
    return static_cast<std::int64_t>(static_cast<double>(sum) / count + 0.5);
}
