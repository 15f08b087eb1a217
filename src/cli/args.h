#pragma once
// The argument parser every karstelle-cli command shares: words in their order, flags, and
// options that take one value, in any order.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cli {

class ArgParser
{
public:
    // Reads an option's value; false refuses it, the reader having said why.
    using ValueReader = std::function<bool(const std::string&)>;

    // The next word (an argument that is not an option), which must be given.
    ArgParser& Word(std::string& target);
    ArgParser& Flag(const std::string& name, std::function<void()> on);
    ArgParser& Flag(const std::string& name, bool& on);
    ArgParser& Value(const std::string& name, ValueReader read);
    ArgParser& Value(const std::string& name, std::string& target);
    // A number within [low, high] (whole when asked), its range named when it is refused.
    ArgParser& Number(
        const std::string& name, double low, double high, bool whole, std::function<void(double)> set);

    // Nothing when every argument was taken and every word given; otherwise the exit status 2,
    // with the usage printed unless a value's reader said why.
    std::optional<int> Parse(const std::vector<std::string>& args) const;

private:
    struct Option
    {
        std::string Name;
        std::function<void()> OnFlag; // a flag when set
        ValueReader Read;
    };
    std::vector<std::string*> m_words;
    std::vector<Option> m_options;
};

// The usage on standard error, and false: the refusal of a value that is not one of its words.
bool Usage();

} // namespace cli
