// Platform services for tests: message boxes and dialogs are recorded, not shown; the clock
// moves on by itself.
#pragma once

#include "platform/platform.h"

#include <QDialog>
#include <deque>
#include <functional>
#include <vector>

struct RecordedMessage
{
    QString text;
    int style;
    QString title;
    int pointer; // the mouse pointer while the box was up
};

class FakePlatform final : public platform::Services
{
public:
    FakePlatform() { platform::setServices(this); }
    ~FakePlatform() override { platform::setServices(nullptr); }
    FakePlatform(const FakePlatform &) = delete;
    FakePlatform &operator=(const FakePlatform &) = delete;

    void messageBox(const QString &text, int style, const QString &title) override
    {
        messages.push_back({text, style, title, platform::mousePointer()});
    }

    QString openFile(const platform::OpenDialogRequest &request) override
    {
        openRequests.push_back(request);
        if (openAnswers.empty())
            return {};
        const QString answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }

    double seconds() override
    {
        clock += clockStep;
        return clock;
    }

    void beep() override { ++beeps; }

    // Answers the next modal dialog with the next scripted answer; without one, cancels it.
    void showModal(QDialog &dialog) override
    {
        ++modalShows;
        if (modalAnswers.empty()) {
            dialog.reject();
            return;
        }
        const auto answer = modalAnswers.front();
        modalAnswers.pop_front();
        answer(dialog);
    }

    std::vector<RecordedMessage> messages;
    std::vector<platform::OpenDialogRequest> openRequests;
    std::deque<QString> openAnswers;
    double clock = 0;
    double clockStep = 0.5;
    int beeps = 0;
    std::deque<std::function<void(QDialog &)>> modalAnswers;
    int modalShows = 0;
};
