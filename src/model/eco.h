#pragma once

#include <memory>
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

// A text of the model that is most often empty (the comment of a shot): read and written as a
// TEco, but an empty one is a single null pointer, since a massif holds one for every shot.
class TNote
{
public:
    TNote() = default;
    TNote(std::string_view text) { Set(text); } // NOLINT: implicit on purpose, like TEco
    TNote(const TNote& other) { *this = other; }
    TNote(TNote&&) noexcept = default;
    TNote& operator=(const TNote& other)
    {
        if (this != &other)
            Set(other.Get());
        return *this;
    }
    TNote& operator=(TNote&&) noexcept = default;

    // Replaces the text; anything past TEco::kMaxLength characters is cut.
    void Set(std::string_view text);
    const std::string& Get() const;

    std::size_t Length() const { return m_text ? m_text->size() : 0; }
    bool Empty() const { return !m_text; }

    bool operator==(const TNote& other) const { return Get() == other.Get(); }
    bool operator!=(const TNote& other) const { return !(*this == other); }

private:
    std::unique_ptr<std::string> m_text; // null when empty
};
