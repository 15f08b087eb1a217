#pragma once

#include "shell/prompt.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

namespace ks::test {

// Answers the application's message boxes and file dialogs from queues, and records every text,
// so that tests drive the dialog flows headless. An unexpected question fails the test.
class ScriptedPrompt : public IPrompt
{
public:
    ScriptedPrompt() { SetPrompt(this); }
    ~ScriptedPrompt() override { SetPrompt(nullptr); }

    struct Shown
    {
        MessageKind kind;
        QString text;
        Buttons buttons;
    };

    Answer Ask(MessageKind kind, const QString&, const QString& text, Buttons buttons) override
    {
        shown.push_back({ kind, text, buttons });
        if (buttons == Buttons::Ok && answers.empty())
            return Answer::Ok;
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool CalculationProblem(const QString& text) override
    {
        problems.push_back(text);
        return tickNoMostrar;
    }
    bool Question(const TQuestion& question) override
    {
        questions.push_back(question);
        return continueAnswer;
    }
    QString OpenFileName(const QString&, const QString&, const QString&) override { return Next(); }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return Next(); }

    // Texts shown, in order.
    std::vector<QString> Texts() const
    {
        std::vector<QString> texts;
        for (const auto& s : shown)
            texts.push_back(s.text);
        return texts;
    }

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::deque<QString> fileNames;
    std::vector<QString> problems;
    std::vector<TQuestion> questions;
    bool tickNoMostrar = false;
    bool continueAnswer = true;

private:
    QString Next()
    {
        if (fileNames.empty())
            return QString();
        QString name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
};

// Lets events run until the condition holds or the time is up; true when it held.
inline bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

} // namespace ks::test
