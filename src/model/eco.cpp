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
