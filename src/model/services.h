#pragma once

#include <string>
#include <vector>

// Interfaces through which the core talks to whoever drives it. The core never shows anything: the
// desktop application implements these with its widgets, the command-line tool and the tests
// implement them plainly. Texts are UTF-8.
namespace ks {

enum class MessageKind {
    Information,
    Warning,
    Error,
    Confirmation,
};

// A question with two answers, and an optional list the user may reveal.
struct TQuestion
{
    std::string Title; // "Vacios"
    std::string Text; // "No son alcanzadas todas las galerías"
    std::string Prompt; // "¿Continuar los cálculos?"
    std::string Yes; // "Continuar"
    std::string No; // "Detener"
    std::vector<std::string> Details;
};

class IReporter
{
public:
    virtual ~IReporter() = default;
    // Shows a message with an OK button.
    virtual void Message(MessageKind kind, const std::string& text) = 0;
    // Asks a question; true means the Yes answer.
    virtual bool AskContinue(const TQuestion& question) = 0;
};

class IProgress
{
public:
    virtual ~IProgress() = default;
    // Shows (or hides) the progress bar; the range is 0 to 100.
    virtual void ShowProgress(bool visible) = 0;
    virtual void SetProgress(int percent) = 0;
    // Text of the first status-bar panel.
    virtual void SetStatus(const std::string& text) = 0;
    // Lets pending interface events run between items of a long operation.
    virtual void ProcessEvents() { }
};

} // namespace ks
