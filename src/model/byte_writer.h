#pragma once
// Little-endian fields and 6-byte reals into a byte string, for the binary files.

#include "model/eco.h"
#include "model/file_error.h"
#include "model/real6.h"
#include "model/records.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace ks {

// Little-endian writer into a byte string.
class ByteWriter
{
public:
    explicit ByteWriter(const std::string& path)
        : m_path(path)
    { }

    void U8(std::uint8_t v) { m_out += static_cast<char>(v); }
    void Bool(bool v) { U8(v ? 1 : 0); }
    void I16(std::int16_t v)
    {
        const auto u = static_cast<std::uint16_t>(v);
        U8(static_cast<std::uint8_t>(u));
        U8(static_cast<std::uint8_t>(u >> 8));
    }
    void I32(std::int32_t v)
    {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            U8(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    void Count(std::size_t n, const char* what)
    {
        if (n > 32767)
            throw FileError(m_path, "", std::string("demasiados elementos para el formato (") + what + ")");
        I16(static_cast<std::int16_t>(n));
    }
    void Real(double v)
    {
        const auto bytes = EncodeReal6(v);
        if (!bytes)
            throw FileError(m_path, "byte " + std::to_string(m_out.size()),
                "el valor " + FormatG(v, 15) + " no se puede guardar en el formato binario");
        m_out.append(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    }
    // Fixed-size text: a length byte and `capacity` character bytes (unused ones zero).
    void ShortText(const std::string& text, std::size_t capacity)
    {
        const std::size_t n = std::min(text.size(), capacity);
        U8(static_cast<std::uint8_t>(n));
        m_out.append(text, 0, n);
        m_out.append(capacity - n, '\0');
    }
    void CText(const std::string& text)
    {
        const std::size_t n = std::min(text.size(), TEco::kMaxLength);
        I16(static_cast<std::int16_t>(n));
        m_out.append(text, 0, n);
    }
    void CText(const TEco& text) { CText(text.Get()); }
    void CText(const TNote& text) { CText(text.Get()); }

    std::string Take() { return std::move(m_out); }

private:
    const std::string& m_path;
    std::string m_out;
};

// A station as the binary files hold it: Final, name, number, X, Y, Z (all present even when Final).
inline void WriteStation(ByteWriter& w, const TPointTopo& p)
{
    w.Bool(p.Final);
    w.CText(p.Name);
    w.U8(p.Number);
    w.Real(p.X);
    w.Real(p.Y);
    w.Real(p.Z);
}

} // namespace ks
