#pragma once

#include "model/byte_writer.h"
#include "model/colour_names.h"
#include "model/real6.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "options/options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

// Field visitors of the binary option files: every record lists its fields once, in file order,
// in a `Visit(V&)` template, and these write them, read them (stopping quietly where a short file
// ends) or describe them as text.
namespace ks {

// Writes every field in order.
class TOptionWriter
{
public:
    TOptionWriter(const std::string& path, IReporter* reporter)
        : m_w(path)
        , m_reporter(reporter)
    { }

    void Flag(const char*, bool& v) { m_w.Bool(v); }
    void Byte(const char*, std::uint8_t& v) { m_w.U8(v); }
    void Int16(const char*, std::int16_t& v) { m_w.I16(v); }
    void Int32(const char*, std::int32_t& v) { m_w.I32(v); }
    void Float32(const char*, float& v)
    {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        m_w.I32(static_cast<std::int32_t>(bits));
    }
    void Real6(const char*, double& v) { m_w.Real(v); }
    void Text(const char*, std::string& v, std::size_t capacity) { m_w.ShortText(v, capacity); }
    void Pad(std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            m_w.U8(0);
    }
    void Station(const char*, TPointTopo& p) { WriteStation(m_w, p); }
    void Font(const char*, TPolice& f)
    {
        if (std::abs(f.Height) > 100 && m_reporter) {
            TQuestion question;
            question.Text = kFontLossText;
            question.Yes = "OK";
            question.No = "No";
            if (m_reporter->AskContinue(question))
                f = TPolice::Default();
        }
        m_w.U8(f.Charset);
        m_w.I32(f.Colour);
        m_w.I32(f.Height);
        m_w.I32(static_cast<std::int32_t>(f.Name.size()));
        for (char c : f.Name)
            m_w.U8(static_cast<std::uint8_t>(c));
        m_w.U8(f.Pitch);
        m_w.I32(f.PixelsPerInch);
        m_w.I32(f.Size());
        m_w.U8(f.Style);
    }

    std::string Take() { return m_w.Take(); }

private:
    ByteWriter m_w;
    IReporter* m_reporter;
};

// Reads fields in order until the bytes run out; the fields after that keep their values.
class TOptionReader
{
public:
    explicit TOptionReader(const std::string& bytes)
        : m_bytes(bytes)
    { }

    void Flag(const char*, bool& v)
    {
        if (Have(1))
            v = Next() != 0;
    }
    void Byte(const char*, std::uint8_t& v)
    {
        if (Have(1))
            v = Next();
    }
    void Int16(const char*, std::int16_t& v)
    {
        if (Have(2))
            v = static_cast<std::int16_t>(Unsigned(2));
    }
    void Int32(const char*, std::int32_t& v)
    {
        if (Have(4))
            v = static_cast<std::int32_t>(Unsigned(4));
    }
    void Float32(const char*, float& v)
    {
        if (!Have(4))
            return;
        const auto bits = static_cast<std::uint32_t>(Unsigned(4));
        float read = 0;
        std::memcpy(&read, &bits, sizeof read);
        // A garbled width (NaN, infinite) keeps the field's default rather than reach the drawing.
        if (std::isfinite(read))
            v = read;
    }
    void Real6(const char*, double& v)
    {
        if (!Have(6))
            return;
        ks::Real6 bytes;
        for (auto& b : bytes)
            b = Next();
        v = DecodeReal6(bytes);
    }
    void Text(const char*, std::string& v, std::size_t capacity)
    {
        if (!Have(1 + capacity))
            return;
        const std::size_t n = std::min<std::size_t>(Next(), capacity);
        v.assign(m_bytes, m_pos, n);
        m_pos += capacity;
    }
    void Pad(std::size_t n)
    {
        if (Have(n))
            m_pos += n;
    }
    void Station(const char*, TPointTopo& p)
    {
        Flag("", p.Final);
        std::int16_t length = 0;
        Int16("", length);
        if (length < 0 || !Have(static_cast<std::size_t>(length)))
            return End();
        p.Name.Set(std::string_view(m_bytes).substr(m_pos, static_cast<std::size_t>(length)));
        m_pos += static_cast<std::size_t>(length);
        Byte("", p.Number);
        Real6("", p.X);
        Real6("", p.Y);
        Real6("", p.Z);
    }
    void Font(const char*, TPolice& f)
    {
        Byte("", f.Charset);
        Int32("", f.Colour);
        Int32("", f.Height);
        std::int32_t length = -1;
        Int32("", length);
        if (length < 0 || !Have(static_cast<std::size_t>(length)))
            return End();
        f.Name.assign(m_bytes, m_pos, std::min<std::size_t>(static_cast<std::size_t>(length), 255));
        m_pos += static_cast<std::size_t>(length);
        Byte("", f.Pitch);
        Int32("", f.PixelsPerInch);
        std::int32_t size = 0;
        if (Have(4)) {
            Int32("", size);
            f.SetSize(size);
        }
        Byte("", f.Style);
    }

private:
    bool Have(std::size_t n)
    {
        if (m_ended || m_bytes.size() - m_pos < n) {
            m_ended = true;
            return false;
        }
        return true;
    }
    void End() { m_ended = true; }
    std::uint8_t Next() { return static_cast<std::uint8_t>(m_bytes[m_pos++]); }
    std::uint32_t Unsigned(int n)
    {
        std::uint32_t u = 0;
        for (int i = 0; i < n; ++i)
            u |= static_cast<std::uint32_t>(Next()) << (8 * i);
        return u;
    }

    const std::string& m_bytes;
    std::size_t m_pos = 0;
    bool m_ended = false;
};

// "Name = value" lines.
class TOptionDescriber
{
public:
    void Flag(const char* name, bool& v) { Line(name, v ? "1" : "0"); }
    void Byte(const char* name, std::uint8_t& v) { Line(name, std::to_string(v)); }
    void Int16(const char* name, std::int16_t& v) { Line(name, std::to_string(v)); }
    void Int32(const char* name, std::int32_t& v) { Line(name, std::to_string(v)); }
    void Float32(const char* name, float& v) { Line(name, FormatG(v, 7)); }
    void Real6(const char* name, double& v) { Line(name, FormatG(v, 12)); }
    void Text(const char* name, std::string& v, std::size_t) { Line(name, "\"" + Cp1252ToUtf8(v) + "\""); }
    void Pad(std::size_t) { }
    void Station(const char* name, TPointTopo& p)
    {
        Line(name,
            p.Final ? std::string("Final")
                    : Cp1252ToUtf8(p.Name.Get()) + " " + std::to_string(p.Number) + " (" + FormatG(p.X, 12)
                    + ", " + FormatG(p.Y, 12) + ", " + FormatG(p.Z, 12) + ")");
    }
    void Font(const char* name, TPolice& f)
    {
        Line(name,
            "\"" + Cp1252ToUtf8(f.Name) + "\" size " + std::to_string(f.Size()) + " height "
                + std::to_string(f.Height) + " style " + std::to_string(f.Style) + " colour "
                + ColourToText(f.Colour) + " charset " + std::to_string(f.Charset) + " pitch "
                + std::to_string(f.Pitch) + " ppi " + std::to_string(f.PixelsPerInch));
    }

    std::string Take() { return std::move(m_out); }

private:
    void Line(const char* name, const std::string& value)
    {
        m_out += std::string(name) + " = " + value + "\n";
    }
    std::string m_out;
};

} // namespace ks
