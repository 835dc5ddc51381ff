#pragma once

#include "monitor/controls/UserDialogs.h"

#include <QStringList>

#include <deque>

// Answers the window's file dialogs from queues (an empty answer is a
// cancel) and keeps every message box's text. Installed for its lifetime.
class FakeDialogs final : public UserDialogs {
public:
    struct SaveRequest {
        QString folder;
        QString proposedName;
        QString filter;
    };

    FakeDialogs();
    ~FakeDialogs() override;

    QString openFileName(QWidget* parent, const QString& folder) override;
    QString saveFileName(QWidget* parent, const QString& folder, const QString& proposedName,
                         const QString& filter) override;
    void showError(QWidget* parent, const QString& message) override;
    std::optional<int> askInteger(QWidget* parent, const QString& label, int value, int minimum,
                                  int maximum) override;

    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    QStringList openFolders;
    std::vector<SaveRequest> saveRequests;
    QStringList errors;
    // Answers to the number questions (nothing: cancelled), and the value
    // each question offered.
    std::deque<std::optional<int>> integerAnswers;
    std::vector<int> offeredIntegers;

private:
    UserDialogs* m_previous;
};
