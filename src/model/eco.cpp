// The compact texts of the records.
#include "model/eco.h"

#include "model/text_utils.h"

#include <algorithm>

void TEco::Set(std::string_view text)
{
    m_text.assign(text.substr(0, std::min(text.size(), kMaxLength)));
}

std::string TEco::GetUnderscored() const
{
    std::string out = m_text;
    std::replace(out.begin(), out.end(), ' ', '_');
    return out;
}

std::string TEco::GetUpper() const
{
    return ks::UpperCase(m_text);
}

void TNote::Set(std::string_view text)
{
    if (text.empty())
        m_text.reset();
    else
        m_text = std::make_unique<std::string>(text.substr(0, std::min(text.size(), TEco::kMaxLength)));
}

const std::string& TNote::Get() const
{
    static const std::string empty;
    return m_text ? *m_text : empty;
}
