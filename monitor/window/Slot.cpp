#include "monitor/window/Slot.h"

#include "monitor/controls/GraphImage.h"
#include "monitor/files/StrictInteger.h"

#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

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

void TForm1::Slot::nameControls(bool hostShared)
{
    const QString number = QString("slot %1").arg(row.number);
    const QString who = host().isEmpty() ? number : hostShared ? host() + " in " + number : host();
    const QString description = descriptionLabel->Caption();
    image->setAccessibleName(description.isEmpty() ? "Graph of " + who
                                                   : QString("Graph of %1 (%2)").arg(who, description));
    toggleButton->setAccessibleName("Threshold of " + who);
    thresholdEdit->setAccessibleName("Threshold in ms of " + who);
    closeButton->setAccessibleName("Close threshold of " + who);
    pollLog->setAccessibleName("Poll log of " + who);
}

QString TForm1::Slot::stateDescription() const
{
    if (host().isEmpty())
        return "no host";
    const QString last = graph->TopRightText();
    if (last.isEmpty())
        return "no echo yet";
    if (!lastFailure.isEmpty())
        return "last echo: " + lastFailure;
    QString text = "last " + last + " ms";
    const QString average = graph->TopLeftText();
    if (!average.isEmpty())
        text += ", average " + average + " ms";
    // Only a shown signal colours the background: yellow for the last time,
    // orange for the average.
    const auto limit = threshold();
    if (signalsAbove() && limit) {
        // Until there is an average, the orange compares the single time.
        const bool byAverage = m_signal == Signal::Level::AverageAbove && !average.isEmpty();
        text += QString(byAverage ? ", average at or above threshold %1 ms" : ", above threshold %1 ms").arg(*limit);
    }
    return text;
}

void TForm1::Slot::showSignal(Signal::Level level)
{
    m_signal = level;
    graph->SetBackColor(Signal::colourOf(level));
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
    m_recent.clear();
    m_recentSum = 0;
    statistics.clear();
    graph->SetTopLeftText(QString());
    pollLog->clear();
}

void TForm1::Slot::followThreshold()
{
    const auto parse = [this](const QString& text) { m_threshold = StrictInteger::tryParse(text); };
    parse(thresholdEdit->text());
    QObject::connect(thresholdEdit, &QLineEdit::textChanged, thresholdEdit, parse);
}

void TForm1::Slot::addRecentTime(std::int64_t milliseconds)
{
    recentValues->addLine(QString::number(milliseconds));
    if (m_recent.full()) {
        m_recentSum -= m_recent.front();
        m_recent.pop_front();
    }
    m_recent.push_back(milliseconds);
    m_recentSum += milliseconds;
    while (recentValues->lineCount() > MaxRecentTimes)
        recentValues->deleteFirstLine();
}

std::optional<std::int64_t> TForm1::Slot::average() const
{
    const std::int64_t sum = m_recentSum;
    const auto count = static_cast<int>(m_recent.size());
    if (count < row.samplesForAverage || sum < 0 || (sum == 0 && !row.averagesAllZeros))
        return std::nullopt;
    return static_cast<std::int64_t>(static_cast<double>(sum) / count + 0.5);
}
