#pragma once
// The error of a file that cannot be read or written, with its name and place.

#include <stdexcept>
#include <string>

namespace ks {

// A failure of reading or writing a file that the user must see: the path, where in the file
// ("línea 12", "byte 345", or empty) and what went wrong. Texts are UTF-8.
class FileError : public std::runtime_error
{
public:
    FileError(std::string path, std::string place, const std::string& detail)
        : std::runtime_error(Compose(path, place, detail))
        , m_path(std::move(path))
        , m_place(std::move(place))
    { }

    const std::string& Path() const { return m_path; }
    const std::string& Place() const { return m_place; }

private:
    static std::string Compose(const std::string& path, const std::string& place, const std::string& detail)
    {
        std::string text = path;
        if (!place.empty())
            text += ", " + place;
        return text + ": " + detail;
    }

    std::string m_path;
    std::string m_place;
};

} // namespace ks
