// The tubes and the VRML world, each world read back by a small VRML reader.
#include "compute/driver.h"
#include "exchange/vrml.h"
#include "geometry/tube.h"
#include "model/massif.h"
#include "options/options.h"
#include "support/fixture.h"
#include "support/lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

using namespace ks;
using namespace ks::test;

namespace {

// A positioned gallery from `start` along the given displacements (metres, east, north, up).
TGalerie& AddGallery(TFiche& sheet, const std::string& from, const std::string& to, TPoint3 start,
    const std::vector<TPoint3>& steps)
{
    auto g = std::make_unique<TGalerie>();
    g->Start.Name.Set(from);
    g->Start.Number = 1;
    g->End.Name.Set(to);
    g->End.Number = 1;
    g->Start.X = start[0];
    g->Start.Y = start[1];
    g->Start.Z = start[2];
    TPoint3 sum {};
    for (const TPoint3& d : steps) {
        TVisee v;
        v.HorizLength = std::hypot(d[0], d[1]);
        v.Length = std::hypot(v.HorizLength, d[2]);
        v.Azimuth = std::atan2(d[0], d[1]) * 180 / M_PI;
        for (int i = 0; i < 3; ++i)
            sum[i] += d[i];
        v.CumX = sum[0];
        v.CumY = sum[1];
        v.CumZ = sum[2];
        g->AddShot(v);
    }
    g->X = sum[0];
    g->Y = sum[1];
    g->Z = sum[2];
    g->End.X = start[0] + sum[0];
    g->End.Y = start[1] + sum[1];
    g->End.Z = start[2] + sum[2];
    g->Positioned = true;
    g->PlaceStations();
    sheet.Galeries.push_back(std::move(g));
    return *sheet.Galeries.back();
}

TFiche& AddSheet(TMassif& massif)
{
    return *massif.AddSheet(std::make_unique<TFiche>(), false);
}

std::string World(const TMassif& massif, const TOptions_Relief& options, const TVrmlSettings& settings)
{
    double low[3] = { 0, 0, 0 }, high[3] = { 0, 0, 0 };
    PositionedBox(massif, low, high);
    std::ostringstream out;
    WriteVrmlWorld(out, massif, low, high, options, settings);
    return out.str();
}

// A small VRML 2.0 reader: nodes with their numeric fields and children, enough to check the
// structure of the worlds written here.
struct Node
{
    std::string type;
    std::map<std::string, std::vector<double>> numbers;
    std::vector<Node> children;
    const Node* Child(const std::string& t) const
    {
        for (const Node& c : children)
            if (c.type == t)
                return &c;
        return nullptr;
    }
};

class VrmlReader
{
public:
    explicit VrmlReader(const std::string& text)
    {
        for (std::size_t i = 0; i < text.size();) {
            const char c = text[i];
            if (c == '#') {
                while (i < text.size() && text[i] != '\n')
                    ++i;
            } else if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
                ++i;
            } else if (c == '{' || c == '}' || c == '[' || c == ']') {
                m_tokens.emplace_back(1, c);
                ++i;
            } else if (c == '"') {
                const std::size_t end = text.find('"', i + 1);
                EXPECT_NE(end, std::string::npos) << "unclosed string";
                m_tokens.push_back(text.substr(i, end - i + 1));
                i = end == std::string::npos ? text.size() : end + 1;
            } else {
                std::size_t end = i;
                while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))
                    && std::string("{}[],\"").find(text[end]) == std::string::npos)
                    ++end;
                m_tokens.push_back(text.substr(i, end - i));
                i = end;
            }
        }
    }

    // The top-level nodes; a structural fault fails the test.
    std::vector<Node> Read()
    {
        std::vector<Node> nodes;
        while (m_pos < m_tokens.size())
            nodes.push_back(ReadNode());
        return nodes;
    }

private:
    static bool IsNumber(const std::string& t)
    {
        return !t.empty() && (std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '-' || t[0] == '.');
    }
    std::string Next()
    {
        if (m_pos >= m_tokens.size()) {
            ADD_FAILURE() << "unexpected end of the world";
            return "}";
        }
        return m_tokens[m_pos++];
    }
    std::string Peek() const { return m_pos < m_tokens.size() ? m_tokens[m_pos] : std::string(); }

    Node ReadNode()
    {
        std::string type = Next();
        if (type == "USE") {
            Next();
            return Node { "USE", {}, {} };
        }
        if (type == "DEF") {
            Next(); // the name
            type = Next();
        }
        Node node { type, {}, {} };
        EXPECT_EQ(Next(), "{") << "after " << type;
        while (m_pos < m_tokens.size() && Peek() != "}") {
            const std::string field = Next();
            ReadValue(node, field);
        }
        EXPECT_EQ(Next(), "}") << "closing " << type;
        return node;
    }

    void ReadValue(Node& node, const std::string& field)
    {
        const std::string t = Peek();
        if (t == "[") {
            Next();
            node.numbers[field]; // present even when empty
            while (m_pos < m_tokens.size() && Peek() != "]") {
                if (IsNumber(Peek()))
                    node.numbers[field].push_back(std::stod(Next()));
                else if (Peek()[0] == '"')
                    Next();
                else
                    node.children.push_back(ReadNode());
            }
            Next();
        } else if (IsNumber(t)) {
            while (IsNumber(Peek()))
                node.numbers[field].push_back(std::stod(Next()));
        } else {
            node.children.push_back(ReadNode());
        }
    }

    std::vector<std::string> m_tokens;
    std::size_t m_pos = 0;
};

// Checks every shape of a world: its vertices come in sections of four, its faces are the two caps
// and eight triangles per shot, and every index is a vertex. Returns the shot count of each shape.
std::vector<int> CheckShapes(const std::string& text)
{
    std::vector<int> shots;
    for (const Node& node : VrmlReader(text).Read()) {
        if (node.type != "Shape")
            continue;
        const Node* faces = node.Child("IndexedFaceSet");
        EXPECT_TRUE(faces);
        if (!faces)
            continue;
        const Node* coordinates = faces->Child("Coordinate");
        EXPECT_TRUE(coordinates);
        if (!coordinates)
            continue;
        const auto& points = coordinates->numbers.at("point");
        EXPECT_EQ(points.size() % 12, 0u);
        const int vertices = static_cast<int>(points.size() / 3);
        const int n = vertices / 4 - 1;
        const auto& index = faces->numbers.at("coordIndex");
        int polygons = 0;
        for (double i : index) {
            if (i == -1)
                ++polygons;
            else
                EXPECT_TRUE(i >= 0 && i < vertices) << i;
        }
        EXPECT_EQ(polygons, 2 + 8 * n);
        EXPECT_EQ(index.size(), 10u + 8u * 4u * static_cast<std::size_t>(n));
        shots.push_back(n);
    }
    return shots;
}

} // namespace

TEST(VrmlWorld, OneShotGalleryHasTwoCapsAndEightTriangles)
{
    TMassif massif;
    AddGallery(AddSheet(massif), "A", "B", { 0, 0, 0 }, { { 0, 10, 0 } });
    TOptions_Relief options;
    const auto lines = Lines(World(massif, options, TVrmlSettings()));
    ASSERT_GE(lines.size(), 30u);
    EXPECT_EQ(lines[0], "#Karstelle   0.00   0.00  -5.00"); // the box's middle, z = -Y
    EXPECT_EQ(lines[2], "DEF AspectGalerie Appearance {");
    EXPECT_EQ(lines[4], "    diffuseColor  0.75 0.75 0.75");
    EXPECT_EQ(lines[5], "    ambientIntensity 0.50");
    const auto shape = std::find(lines.begin(), lines.end(), "Shape {") - lines.begin();
    EXPECT_EQ(lines[shape + 3], "      point [ ");
    // Northward, right is east: left-up, right-up, right-down, left-down, 8 vertices in all.
    EXPECT_EQ(lines[shape + 4], "         -0.25   0.50   5.00,");
    EXPECT_EQ(lines[shape + 5], "          0.25   0.50   5.00,");
    EXPECT_EQ(lines[shape + 6], "          0.25   0.00   5.00,");
    EXPECT_EQ(lines[shape + 9], "          0.25   0.50  -5.00,");
    EXPECT_EQ(lines[shape + 11], "         -0.25   0.00  -5.00,");
    EXPECT_EQ(lines[shape + 12], "      ]");
    EXPECT_EQ(lines[shape + 14], "    coordIndex\t[");
    EXPECT_EQ(lines[shape + 15], "      0, 3, 2, 1, -1");
    EXPECT_EQ(lines[shape + 16], "      4, 5, 6, 7, -1");
    EXPECT_EQ(lines[shape + 17], "      0, 1, 5, -1");
    EXPECT_EQ(lines[shape + 24], "      3, 4, 7, -1");
    EXPECT_EQ(lines[shape + 25], "    ]");
    EXPECT_EQ(lines[shape + 26], "  }");
    EXPECT_EQ(lines[shape + 27], "  appearance USE AspectGalerie");
    EXPECT_EQ(CheckShapes(World(massif, options, TVrmlSettings())), std::vector<int> { 1 });
}

TEST(VrmlWorld, UncentredPointsAndSectionsFromPassageSizes)
{
    TMassif massif;
    TFiche& sheet = AddSheet(massif);
    // Eastward to (100, 200, -50), where every size was measured as 0.
    TGalerie& g = AddGallery(sheet, "A", "B", { 90, 200, -50 }, { { 10, 0, 0 } });
    g.Shot(1).LeftWidth = "0";
    g.Shot(1).RightWidth = "0";
    g.Shot(1).UpperHeight = "0";
    g.Shot(1).LowerHeight = "0";
    TOptions_Relief options;
    TVrmlSettings settings;
    settings.Centre = false;
    const auto lines = Lines(World(massif, options, settings));
    EXPECT_EQ(lines[0], "#Karstelle 0 0 0");
    const auto shape = std::find(lines.begin(), lines.end(), "Shape {") - lines.begin();
    // The start has no sizes: W wide (0.5), from the station up to W above; eastward, right is south.
    EXPECT_EQ(lines[shape + 4], "         90.00 -49.50 -200.25,");
    EXPECT_EQ(lines[shape + 5], "         90.00 -49.50 -199.75,");
    EXPECT_EQ(lines[shape + 6], "         90.00 -50.00 -199.75,");
    EXPECT_EQ(lines[shape + 7], "         90.00 -50.00 -200.25,");
    for (int c = 8; c < 12; ++c)
        EXPECT_EQ(lines[shape + c], "        100.00 -50.00 -200.00,");
}

TEST(TubeBuilder, VerticalShotsMiddleSectionsAndCylinders)
{
    TMassif massif;
    TFiche& sheet = AddSheet(massif);
    // North 10 m, then straight down 5 m, then east 10 m.
    TGalerie& g = AddGallery(sheet, "A", "B", { 0, 0, 0 }, { { 0, 10, 0 }, { 0, 0, -5 }, { 10, 0, 0 } });
    g.Shot(2).Azimuth = 0;
    g.Shot(1).RightWidth = "2"; // a single width: 1 m each side of the far station
    AddGallery(sheet, "A", "C", { 0, 0, 0 }, { { -3, 0, 0 } });
    TOptions_Relief options;
    TTubeBuilder tubes(options);
    std::vector<TSection> sections;
    tubes.Build(sheet, 0, sections);
    ASSERT_EQ(sections.size(), 4u);
    // Station 1 averages the vertical section of shot 1 and the horizontal one of shot 2.
    const TSection& s1 = sections[1];
    EXPECT_NEAR(s1[1][0], 1, 1e-9); // right-up: 1 m east either way
    EXPECT_NEAR(s1[1][1], 10 + 0.25, 1e-9); // up 0.5 ahead (north) for the vertical shot, halved
    EXPECT_NEAR(s1[1][2], 0.25, 1e-9); // up 0.5 in Z for the level shot, halved
    // The last station turns with the last shot (east): right is south.
    EXPECT_NEAR(sections[3][1][1], 10 - 0.25, 1e-9);
    EXPECT_NEAR(sections[3][1][0], 10, 1e-9);

    tubes.Build(sheet, 1, sections);
    ASSERT_EQ(tubes.Cylinders().size(), 1u); // both galleries start at A 1
    EXPECT_DOUBLE_EQ(tubes.Cylinders()[0].Rayon, 0.25);
    EXPECT_DOUBLE_EQ(tubes.Cylinders()[0].Haut, 0.5);

    options.Filaire = true;
    options.Largeur_3D = 2;
    TTubeBuilder wire(options);
    wire.Build(sheet, 0, sections);
    EXPECT_NEAR(sections[1][1][0], 1, 1e-9); // every station W / 2 each side
    EXPECT_DOUBLE_EQ(wire.Cylinders()[0].Rayon, 1);
}

TEST(VrmlWorld, ColoursByModeWithTheDefaultForBlack)
{
    TMassif massif;
    TFiche& sheet = AddSheet(massif);
    AddGallery(sheet, "A", "B", { 0, 0, 0 }, { { 0, 10, 0 } }).Colour = 0xFFFFFF;
    AddGallery(sheet, "B", "C", { 0, 10, 0 }, { { 10, 0, 0 } }).HorizMisclosure = 0.3;
    TOptions_Relief options;
    options.Couleur_Galerie = 0x0000FF;
    TVrmlSettings settings;
    settings.Mode = 2;
    settings.Ambient = 0.3;
    std::string text = World(massif, options, settings);
    EXPECT_NE(
        text.find("      diffuseColor 0.996 0.996 0.996 \r\n      ambientIntensity 0.30"), std::string::npos);
    EXPECT_NE(text.find("      diffuseColor 0.996 0.000 0.000 "), std::string::npos); // black: the default
    EXPECT_EQ(text.find("AspectGalerie"), std::string::npos);

    settings.Mode = 3; // the worst gallery is red, the one without deformation takes the default
    text = World(massif, options, settings);
    EXPECT_EQ(text.find("      diffuseColor 0.996 0.996 0.996 "), std::string::npos);
    EXPECT_NE(text.find("      diffuseColor 0.996 0.000 0.000 "), std::string::npos);
    EXPECT_EQ(CheckShapes(text), (std::vector<int> { 1, 1 }));
}

TEST(VrmlWorld, TextureSmoothingAndCylindersParseBack)
{
    TMassif massif;
    TFiche& sheet = AddSheet(massif);
    AddGallery(sheet, "A", "B", { 0, 0, 0 }, { { 0, 10, 0 }, { 5, 5, -2 } });
    AddGallery(sheet, "A", "C", { 0, 0, 0 }, { { -3, 0, 0 } });
    TOptions_Relief options;
    options.Cylindre = true;
    TVrmlSettings settings;
    settings.Texture = true;
    settings.Smooth = true;
    settings.TextureReference = "img/roca.jpg";
    const std::string text = World(massif, options, settings);
    EXPECT_NE(text.find("  texture ImageTexture { url [\"img/roca.jpg\"] }\r\n"), std::string::npos);
    EXPECT_NE(text.find("    creaseAngle 6.28\r\n"), std::string::npos);
    EXPECT_NE(text.find("    texCoord\tUSE MaTextureCoordinate\r\n"), std::string::npos);
    EXPECT_EQ(text.find("AspectCylindre"), std::string::npos); // textured cylinders share the galleries'
    // One cylinder at A: up 0.5 + 0.01, down 0.01, so its middle is 0.25 above the station.
    EXPECT_NE(text.find("Transform { \r\n  translation "), std::string::npos);
    EXPECT_NE(text.find("        radius 0.25\r\n        height 0.52\r\n"), std::string::npos);
    EXPECT_EQ(CheckShapes(text), (std::vector<int> { 2, 1 }));
    const auto nodes = VrmlReader(text).Read();
    int transforms = 0;
    for (const Node& n : nodes)
        transforms += n.type == "Transform";
    EXPECT_EQ(transforms, 1);

    // A path with quotes and backslashes stays one VRML string.
    settings.TextureReference = "img/\"roca\"\\1.jpg";
    EXPECT_NE(
        World(massif, options, settings).find("url [\"img/\\\"roca\\\"\\\\1.jpg\"]"), std::string::npos);

    // A wire of width 0 gives cylinders of radius 0, which VRML refuses: none is written.
    options.Filaire = true;
    options.Largeur_3D = 0;
    const std::string wire = World(massif, options, settings);
    EXPECT_EQ(wire.find("geometry Cylinder"), std::string::npos);
}

TEST(VrmlExport, HeaderOrTemplateThenTheWorldAndTheSampleParses)
{
    TempDir dir;
    TMassif massif;
    AddGallery(AddSheet(massif), "A", "B", { 0, 0, 0 }, { { 0, 10, 0 } });
    TOptions_Relief options;
    ExportVrml(dir.Path("a.wrl"), "", massif, options, TVrmlSettings());
    const std::string plain = ReadFile(dir.Path("a.wrl"));
    EXPECT_EQ(plain.rfind("#VRML V2.0 utf8\r\n\r\n#Karstelle", 0), 0u);

    WriteFile(dir.Path("model.wrl"), "#VRML V2.0 utf8\nNavigationInfo { type \"EXAMINE\" }\n");
    ExportVrml(dir.Path("b.wrl"), dir.Path("model.wrl"), massif, options, TVrmlSettings());
    EXPECT_EQ(ReadFile(dir.Path("b.wrl"))
                  .rfind("#VRML V2.0 utf8\r\nNavigationInfo { type \"EXAMINE\" }\r\n\r\n", 0),
        0u);

    // A missing template is an error that leaves an existing file as it was.
    EXPECT_THROW(ExportVrml(dir.Path("a.wrl"), dir.Path("none.wrl"), massif, options, TVrmlSettings()),
        std::exception);
    EXPECT_EQ(ReadFile(dir.Path("a.wrl")), plain);

    EXPECT_EQ(TextureReference("/data/cave/tex/rock.jpg", "/data/cave/out.wrl"), "tex/rock.jpg");
    EXPECT_EQ(TextureReference("C:\\tex\\rock.jpg", "out.wrl"), "C:/tex/rock.jpg");
}

TEST(VrmlExport, EmptySelectionWritesOnlyTheHeader)
{
    TMassif massif;
    TOptions_Relief options;
    TVrmlSettings settings;
    settings.Mode = 2;
    EXPECT_EQ(World(massif, options, settings), "#Karstelle   0.00   0.00   0.00\r\n\r\n");
}

TEST(VrmlExport, EveryWorldOfTheSampleParsesBack)
{
    TMassif massif;
    massif.FileName = kSample;
    massif.Load();
    TComputeFlags flags;
    TThreadCalcul thread(massif, flags);
    ASSERT_TRUE(thread.Complete(massif).Positioned);
    massif.PlaceAllStations();
    TOptions_Relief options;
    options.Cylindre = true;
    for (int mode : { 0, 2, 3 }) {
        for (bool texture : { false, true }) {
            TVrmlSettings settings;
            settings.Mode = mode;
            settings.Texture = texture;
            const std::vector<int> shots = CheckShapes(World(massif, options, settings));
            int galleries = 0;
            for (TFiche* sheet : massif.CurrentSheets())
                for (const auto& g : sheet->Galeries)
                    galleries += Displayed(*g);
            EXPECT_EQ(static_cast<int>(shots.size()), galleries);
            EXPECT_GT(galleries, 10);
        }
    }
}
