#pragma once

#include "ui/prompt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

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
            if (!declineUnexpected)
                ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return buttons == Buttons::YesNoCancel || buttons == Buttons::YesCancel ? Answer::Cancel
                                                                                    : Answer::No;
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
    QString OpenFileName(const QString&, const QString&, const QString&, QString* selected) override
    {
        return Next(selected);
    }
    QString SaveFileName(const QString&, const QString&, const QString&, QString* selected) override
    {
        return Next(selected);
    }
    std::optional<QString> Input(const QString&, const QString& prompt, const QString& initial) override
    {
        inputs.push_back({ prompt, initial });
        if (inputAnswers.empty())
            return std::nullopt;
        std::optional<QString> answer;
        answer.swap(inputAnswers.front()); // a copy here draws a false warning from GCC 12 at -O2
        inputAnswers.pop_front();
        return answer;
    }
    std::optional<QColor> Colour(const QColor&) override
    {
        ++colourDialogs;
        return colour;
    }
    bool PrintDialog(QPrinter&, int maxPage, int& first, int& last, int& copies) override
    {
        ++printDialogs;
        printMaxPage = maxPage;
        first = printFirst;
        last = printLast;
        copies = printCopies;
        return printAccept;
    }

    bool PrinterSetup(QPrinter&) override
    {
        ++printDialogs;
        return false;
    }

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
    std::deque<QString> filterChoices; // the filter the user picks in the next file dialogs
    std::vector<QString> problems;
    std::vector<TQuestion> questions;
    bool tickNoMostrar = false;
    std::vector<std::pair<QString, QString>> inputs; // prompt, initial text
    std::deque<std::optional<QString>> inputAnswers;
    std::optional<QColor> colour;
    int printMaxPage = 0, printFirst = 0, printLast = 0, printCopies = 1;
    bool printAccept = true;
    bool continueAnswer = true;
    // Questions nobody scripted are answered Cancel (or No) instead of failing the test.
    bool declineUnexpected = false;
    int fileDialogs = 0, printDialogs = 0, colourDialogs = 0;

private:
    QString Next(QString* selected)
    {
        ++fileDialogs;
        if (selected && !filterChoices.empty()) {
            *selected = filterChoices.front();
            filterChoices.pop_front();
        }
        if (fileNames.empty())
            return QString();
        QString name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
};

// Lets events run until the condition holds or the time is up; true when it held.
inline bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 20000);

// Runs `answer` on the next modal dialog, once it shows.
inline void OnNextDialog(std::function<void(QWidget&)> answer)
{
    QTimer::singleShot(0, [answer = std::move(answer)] {
        QWidget* dialog = nullptr;
        WaitUntil([&dialog] { return (dialog = QApplication::activeModalWidget()) != nullptr; }, 5000);
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

inline bool WaitUntil(const std::function<bool()>& condition, int milliseconds)
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
