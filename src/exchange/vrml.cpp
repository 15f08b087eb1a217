// The VRML 2.0 world: tubes, cylinders and lights of the current sheets.
#include "exchange/vrml.h"

#include "geometry/tube.h"
#include "model/file_io.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/options.h"

#include <cmath>
#include <filesystem>
#include <ostream>
#include <sstream>

namespace ks {

namespace {

constexpr const char* kEol = "\r\n";

// x:w:d: fixed notation with d decimals, right-aligned in at least w characters.
std::string Field(double value, int width, int decimals)
{
    if (value == 0)
        value = 0; // no "-0.00" for a negative zero
    std::string text = FormatFixed(value, decimals);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

// A VRML string: in quotes, with its quotes and backslashes escaped.
std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// "r g b " of a Windows colour, each component / 256 with three decimals.
std::string Rgb(std::int32_t colour)
{
    const auto c = static_cast<std::uint32_t>(colour);
    std::string text;
    for (int shift : { 0, 8, 16 })
        text += Field(((c >> shift) & 0xFF) / 256.0, 1, 3) + " ";
    return text;
}

class WorldWriter
{
public:
    WorldWriter(
        std::ostream& out, const double boxMin[3], const double boxMax[3], const TVrmlSettings& settings)
        : m_out(out)
        , m_settings(settings)
    {
        for (int i = 0; i < 3; ++i)
            m_centre[i] = settings.Centre ? (boxMin[i] + boxMax[i]) / 2 : 0;
    }

    // VRML x = X, y = Z, z = -Y, from the centre when asked.
    std::string Point(const TPoint3& p, double yOffset = 0) const
    {
        return Field(p[0] - m_centre[0], 6, 2) + " " + Field(p[2] - m_centre[2] + yOffset, 6, 2) + " "
            + Field(m_centre[1] - p[1], 6, 2);
    }

    std::ostream& Line(const std::string& text = std::string()) { return m_out << text << kEol; }

    void Header()
    {
        if (m_settings.Centre)
            Line("#Karstelle " + Field(m_centre[0], 6, 2) + " " + Field(m_centre[2], 6, 2) + " "
                + Field(-m_centre[1], 6, 2));
        else
            Line("#Karstelle 0 0 0");
        Line();
    }

    void SharedAppearance()
    {
        if (!m_settings.Texture && m_settings.Mode != 0)
            return;
        Line("DEF AspectGalerie Appearance {");
        if (m_settings.Texture)
            Line("  texture ImageTexture { url [" + Quoted(m_settings.TextureReference) + "] }");
        Line("  material Material {");
        Line(std::string("    diffuseColor ") + (m_settings.Texture ? " 1 1 1" : " 0.75 0.75 0.75"));
        Line("    ambientIntensity " + Field(m_settings.Ambient, 1, 2));
        Line("  }");
        Line("}");
        Line();
        if (m_settings.Texture) {
            Line(" DEF MaTextureCoordinate TextureCoordinate {");
            Line(" point [ 0 1, 0 0, 1 0, 1 1 ]");
            Line("}");
            Line();
        }
    }

    void Gallery(const std::vector<TSection>& sections, std::int32_t colour)
    {
        const int n = static_cast<int>(sections.size()) - 1;
        Line("Shape {");
        Line("  geometry IndexedFaceSet {");
        if (m_settings.Smooth)
            Line("    creaseAngle 6.28");
        Line("    coord Coordinate {");
        Line("      point [ ");
        for (const TSection& s : sections)
            for (const TPoint3& corner : s)
                Line("        " + Point(corner) + ",");
        Line("      ]");
        Line("    }");
        Line("    coordIndex\t[");
        Line("      0, 3, 2, 1, -1");
        const int last = 4 * n;
        Line("      " + std::to_string(last) + ", " + std::to_string(last + 1) + ", "
            + std::to_string(last + 2) + ", " + std::to_string(last + 3) + ", -1");
        for (int k = 0; k < n; ++k) {
            const int b = 4 * k;
            const int triangles[8][3] = { { b, b + 1, b + 5 }, { b, b + 5, b + 4 }, { b + 1, b + 2, b + 6 },
                { b + 1, b + 6, b + 5 }, { b + 2, b + 3, b + 7 }, { b + 2, b + 7, b + 6 },
                { b + 3, b, b + 4 }, { b + 3, b + 4, b + 7 } };
            for (const auto& t : triangles)
                Line("      " + std::to_string(t[0]) + ", " + std::to_string(t[1]) + ", "
                    + std::to_string(t[2]) + ", -1");
        }
        Line("    ]");
        if (m_settings.Texture) {
            Line("    texCoord\tUSE MaTextureCoordinate");
            Line("    texCoordIndex\t[");
            Line("      0, 1, 2, 3, -1");
            Line("      0, 1, 2, 3, -1");
            for (int k = 0; k < 4 * n; ++k) {
                Line("      0, 1, 2, -1");
                Line("      0, 2, 3, -1");
            }
            Line("    ]");
        }
        Line("  }");
        if (m_settings.Texture || m_settings.Mode == 0) {
            Line("  appearance USE AspectGalerie");
        } else {
            Line("  appearance Appearance {");
            Line("    material Material {");
            Line("      diffuseColor " + Rgb(colour));
            Line("      ambientIntensity " + Field(m_settings.Ambient, 1, 2));
            Line("    }");
            Line("  }");
        }
        Line("}");
        Line();
    }

    void Cylinders(const std::vector<TCylindre>& cylinders, std::int32_t colour)
    {
        if (!m_settings.Texture) {
            Line("DEF AspectCylindre Appearance {");
            Line("  material Material {");
            Line("    diffuseColor " + Rgb(colour));
            Line("    ambientIntensity " + Field(m_settings.Ambient, 1, 2));
            Line("  }");
            Line("}");
            Line();
        }
        for (const TCylindre& c : cylinders) {
            if (!(c.Rayon >= 0.005)) // VRML refuses a cylinder whose radius is written as 0.00
                continue;
            const double up = c.Haut + 0.01, down = c.Bas + 0.01;
            Line("Transform { ");
            Line("  translation " + Point(c.Position, (up - down) / 2));
            Line("  children [");
            Line("    Shape {");
            Line("      geometry Cylinder {");
            Line("        radius " + Field(c.Rayon, 2, 2));
            Line("        height " + Field(up + down, 2, 2));
            Line("      }");
            Line(m_settings.Texture ? "      appearance USE AspectGalerie"
                                    : "      appearance USE AspectCylindre");
            Line("    }");
            Line("  ]");
            Line("}");
        }
    }

private:
    std::ostream& m_out;
    const TVrmlSettings& m_settings;
    double m_centre[3] = { 0, 0, 0 };
};

} // namespace

void WriteVrmlWorld(std::ostream& out, const TMassif& massif, const double boxMin[3], const double boxMax[3],
    const TOptions_Relief& options, const TVrmlSettings& settings)
{
    WorldWriter writer(out, boxMin, boxMax, settings);
    writer.Header();
    writer.SharedAppearance();
    TTubeBuilder tubes(options);
    std::vector<TSection> sections;
    const double deformationMax = settings.Mode == 3 ? DeformationMax3D(massif) : 1.0;
    for (TFiche* sheet : massif.CurrentSheets()) {
        for (std::size_t gi = 0; gi < sheet->Galeries.size(); ++gi) {
            const TGalerie& g = *sheet->Galeries[gi];
            if (!Displayed(g))
                continue;
            tubes.Build(*sheet, static_cast<int>(gi), sections);
            writer.Gallery(
                sections, GalleryColour3D(g, settings.Mode, deformationMax, options.Couleur_Galerie));
        }
    }
    if (options.Cylindre)
        writer.Cylinders(tubes.Cylinders(), options.Couleur_Cylindre);
}

std::string TextureReference(const std::string& textureFile, const std::string& outputFile)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(outputFile).parent_path();
    std::string reference = textureFile;
    if (!folder.empty() && fs::path(textureFile).is_absolute() == folder.is_absolute()) {
        const fs::path relative = fs::path(textureFile).lexically_relative(folder);
        if (!relative.empty())
            reference = relative.generic_string();
    }
    for (char& c : reference)
        if (c == '\\')
            c = '/';
    return reference;
}

void ExportVrml(const std::string& fileName, const std::string& templateFile, const TMassif& massif,
    const TOptions_Relief& options, const TVrmlSettings& settings)
{
    std::ostringstream out;
    if (templateFile.empty()) {
        out << "#VRML V2.0 utf8" << kEol;
    } else {
        // The template's lines as they are, whatever their line ends.
        const std::string text = ReadWholeFile(templateFile);
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            out << text.substr(start, end - start) << kEol;
            start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        }
    }
    out << kEol;
    double low[3] = { 0, 0, 0 }, high[3] = { 0, 0, 0 };
    PositionedBox(massif, low, high);
    WriteVrmlWorld(out, massif, low, high, options, settings);
    WriteFileSafely(fileName, out.str());
}

} // namespace ks
