#pragma once
// The lines of a written text, for the tests that read a file format back line by line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ks::test {

// The lines of a text, each ended by `end` (CR LF unless told). A last piece without its end is
// a line too, and fails the calling test: every format here ends its last line.
inline std::vector<std::string> Lines(const std::string& text, const std::string& end = "\r\n")
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t stop; (stop = text.find(end, start)) != std::string::npos; start = stop + end.size())
        lines.push_back(text.substr(start, stop - start));
    if (start < text.size()) {
        ADD_FAILURE() << "the last line does not end with its line end";
        lines.push_back(text.substr(start));
    }
    return lines;
}

} // namespace ks::test
