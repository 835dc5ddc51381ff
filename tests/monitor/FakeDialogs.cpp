#include "FakeDialogs.h"

FakeDialogs::FakeDialogs()
    : m_previous(UserDialogs::install(this))
{
}

FakeDialogs::~FakeDialogs()
{
    UserDialogs::install(m_previous);
}

QString FakeDialogs::openFileName(QWidget*, const QString& folder)
{
    openFolders << folder;
    if (openAnswers.empty())
        return {};
    QString answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

QString FakeDialogs::saveFileName(QWidget*, const QString& folder, const QString& proposedName,
                                  const QString& filter)
{
    saveRequests.push_back({folder, proposedName, filter});
    if (saveAnswers.empty())
        return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

void FakeDialogs::showError(QWidget*, const QString& message)
{
    errors << message;
}

std::optional<int> FakeDialogs::askInteger(QWidget*, const QString&, int value, int, int)
{
    offeredIntegers.push_back(value);
    if (integerAnswers.empty())
        return std::nullopt;
    const auto answer = integerAnswers.front();
    integerAnswers.pop_front();
    return answer;
}
