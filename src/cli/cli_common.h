#pragma once
// What the commands of karstelle-cli share: usage, messages, loading and publishing outputs.

#include "compute/driver.h"
#include "model/massif.h"
#include "model/services.h"
#include "options/options.h"

#include <iostream>
#include <optional>

#include <string>
#include <vector>

namespace cli {

extern const char* const kUsage;
// "--no-limits": computations take networks of any number of junctions and equations.
extern bool g_unlimited;

// A message of the core (UTF-8, lines parted by CR as in the message boxes) on standard error.
void PrintMessage(const std::string& text);

// Messages of the core go to standard error; questions are answered "stop", since nobody is there
// to answer them.
class ConsoleReporter : public ks::IReporter
{
public:
    void Message(ks::MessageKind, const std::string& text) override { PrintMessage(text); }
    bool AskContinue(const ks::TQuestion& question) override
    {
        PrintMessage(question.Text);
        return false;
    }
};

// Loads a massif; false (with the message printed) when it could not be read.
bool LoadMassif(const std::string& path, TMassif& massif, ks::LoadResult& result);
// Computes a loaded massif as the background computation does, prints its messages, and places
// every station when something was positioned.
ks::TComputeReport ComputeNow(TMassif& massif);
// Loads and computes a massif for drawing; false (with the message printed) when nothing is placed.
bool LoadComputed(const std::string& file, TMassif& massif);
// The number given to an option when it is one within [low, high] (whole when asked); otherwise
// a message naming the option and its range, and nothing.
std::optional<double> OptionValue(
    const std::string& option, const std::string& text, double low, double high, bool whole = false);
// A text as a JSON string, quoted and escaped.
std::string JsonString(const std::string& text);
// A JSON number; one that is none (infinite, NaN) is null, so that the object stays valid.
std::string JsonNumber(double value);
// An option file, with a word for the fields a garbled file had out of their range.
template <typename R> void LoadOptions(R& record, const std::string& path)
{
    int reset = 0;
    if (ks::Charger(record, path, &reset) && reset > 0)
        std::cerr << path << ": " << reset << " values out of their range taken as their defaults\n";
}
// The upper-cased extension with its dot, or empty.
std::string Extension(const std::string& path);

// The commands: each takes the arguments after its name ("render" after the view's name too) and
// gives the exit status.
int Info(const std::vector<std::string>& args); // "info FILE"
int Convert(const std::vector<std::string>& args); // "convert IN OUT"
int Compute(const std::vector<std::string>& args); // "compute FILE [--csv|--json] [-o OUT] [--save F]"
int Options(const std::vector<std::string>& args); // "options show|write-defaults [--force]"
int Check(const std::vector<std::string>& args); // "check FILE [--json]"
int Render(const std::string& kind, const std::vector<std::string>& args);
int Elevation(const std::vector<std::string>& args);
int Stats(const std::vector<std::string>& args); // "stats FILE [--json]"
int Search(const std::vector<std::string>& args); // "search FILE [criteria]"
int Export(const std::vector<std::string>& args); // "export vrml|plotter|toporobot|survex FILE OUT [...]"
int Import(const std::vector<std::string>& args); // "import toporobot|survex IN OUT [--names MAP.csv]"
int Table(const std::vector<std::string>& args); // "table FILE [--csv]"

} // namespace cli
