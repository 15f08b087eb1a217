#pragma once

#include <string>
#include <string_view>

// Compact text of the model: an owned run of at most 32767 Windows-1252 characters, used for every
// name, comment and label. A new TEco is empty.
class TEco
{
public:
    static constexpr std::size_t kMaxLength = 32767;

    TEco() = default;
    TEco(std::string_view text) { Set(text); } // NOLINT: implicit on purpose, texts are assigned freely

    // Replaces the text; anything past kMaxLength characters is cut.
    void Set(std::string_view text);
    const std::string& Get() const { return m_text; }
    // The text with every blank replaced by "_", for places where a name must be one token.
    std::string GetUnderscored() const;
    std::string GetUpper() const;

    std::size_t Length() const { return m_text.size(); }
    bool Empty() const { return m_text.empty(); }

    bool operator==(const TEco& other) const { return m_text == other.m_text; }
    bool operator!=(const TEco& other) const { return m_text != other.m_text; }

private:
    std::string m_text;
};
