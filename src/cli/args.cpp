// The shared argument parser of karstelle-cli.
#include "cli/args.h"

#include "cli/cli_common.h"

#include <iostream>

namespace cli {

bool Usage()
{
    std::cerr << kUsage;
    return false;
}

ArgParser& ArgParser::Word(std::string& target)
{
    m_words.push_back(&target);
    return *this;
}

ArgParser& ArgParser::Flag(const std::string& name, std::function<void()> on)
{
    m_options.push_back({ name, std::move(on), nullptr });
    return *this;
}

ArgParser& ArgParser::Flag(const std::string& name, bool& on)
{
    return Flag(name, [&on] { on = true; });
}

ArgParser& ArgParser::Value(const std::string& name, ValueReader read)
{
    m_options.push_back({ name, nullptr, std::move(read) });
    return *this;
}

ArgParser& ArgParser::Value(const std::string& name, std::string& target)
{
    return Value(name, [&target](const std::string& value) {
        target = value;
        return true;
    });
}

ArgParser& ArgParser::Number(
    const std::string& name, double low, double high, bool whole, std::function<void(double)> set)
{
    return Value(name, [name, low, high, whole, set = std::move(set)](const std::string& text) {
        const auto value = OptionValue(name, text, low, high, whole);
        if (value)
            set(*value);
        return value.has_value();
    });
}

std::optional<int> ArgParser::Parse(const std::vector<std::string>& args) const
{
    std::size_t word = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const Option* option = nullptr;
        for (const Option& o : m_options)
            if (o.Name == a)
                option = &o;
        if (option && option->OnFlag) {
            option->OnFlag();
        } else if (option && i + 1 < args.size()) {
            if (!option->Read(args[++i]))
                return 2;
        } else if (!option && word < m_words.size() && !a.empty() && a[0] != '-') {
            *m_words[word++] = a;
        } else {
            return Usage(), 2;
        }
    }
    if (word < m_words.size())
        return Usage(), 2;
    return std::nullopt;
}

} // namespace cli
