#pragma once
// The 3D scene of the perspective: a small scene library over OpenGL 1.1 and GLU (entities made
// of faces over points, lights, a camera), the scene of the galleries as lit tubes, and the
// camera's navigation. Building the geometry needs no OpenGL context; drawing does.

#include <array>
#include <string>
#include <vector>

class TMassif;
class TPerspective;
struct TOptions_Relief;

// A vector of the scene: x east, y up, z south, metres from the middle of the cave's box.
struct Tvertex
{
    double x = 0, y = 0, z = 0;
};

// A point of an entity.
struct Tpoint
{
    Tvertex Position;
};

// A polygon over points of its entity, in counter-clockwise order seen from outside, with its
// normal.
struct tface
{
    std::vector<int> Points;
    Tvertex Normal;
};

// An object of the scene: a colour, its own placement and polygon mode, points and faces.
struct Tentity
{
    enum Mode { PointMode, LineMode, FillMode };
    std::array<float, 3> Colour { 0.5f, 0.5f, 0.5f };
    Tvertex Position;
    Tvertex Rotation; // degrees about x, y and z
    Mode PolygonMode = FillMode;
    std::vector<Tpoint> Points;
    std::vector<tface> Faces;
    int Name = 0; // selection name

    // A face over the given points, with the normal of its first three points.
    void AddFace(std::vector<int> points);
};

// A light. Kind 0 positional, 1 spot, 2 without position (OpenGL's default direction).
struct Tlight
{
    int Number = 0; // GL_LIGHT0 + Number
    int Kind = 2;
    Tvertex Position, Direction;
    // Ambient and diffuse add up to full light on a face turned to the viewer: a dark cave shows.
    std::array<float, 4> Ambient { 0.45f, 0.45f, 0.45f, 1 };
    std::array<float, 4> Diffuse { 0.55f, 0.55f, 0.55f, 1 };
    std::array<float, 4> Specular { 0.1f, 0.1f, 0.1f, 1 };
    float Cutoff = 60, Exponent = 100;
    int AttenuationKind = 2; // 1 constant, 2 linear, 3 quadratic
    float Attenuation = 0.01f;

    void Apply() const;
};

// Eye, target and up vector, applied with gluLookAt.
struct Tcamera
{
    Tvertex Eye, Target { 0, 0, -1 }, Up { 0, 1, 0 };
    void Apply() const;
};

// A scene: background, entities, lights and camera, drawn in perspective. The entities are
// compiled once into one display list, so that a large cave stays interactive.
class TsceneGL
{
public:
    TsceneGL() = default;
    virtual ~TsceneGL();
    TsceneGL(const TsceneGL&) = delete;
    TsceneGL& operator=(const TsceneGL&) = delete;

    std::array<float, 3> Background { 0, 0, 0 };
    std::vector<Tentity> Entities;
    std::vector<Tlight> Lights;
    Tcamera Camera;
    bool Perspective = true;
    double Angle = 30, Near = 1.0, Far = 100;

    // With a current context: depth test, face culling and lighting on.
    void Init();
    // The viewport in device pixels and the projection with its aspect ratio.
    void Resize(int width, int height);
    // Clears and draws everything with the camera and the lights.
    void Render();
    // Deletes the compiled list; with a current context. Compiling gives the entities' points and
    // faces back, so the next Render draws nothing until they are built again.
    void Release();
    // Forgets the list of a context that is gone, without deleting it.
    void Forget();
    bool Compiled() const { return m_list != 0; }

private:
    void Compile();
    unsigned m_list = 0;
    int m_width = 1, m_height = 1;
};

// The scene of the perspective's galleries: one tube entity per displayed gallery and, when the
// options ask, one prism per station cylinder, coloured as the VRML export colours them.
class TMaScene : public TsceneGL
{
public:
    void Build(const TMassif& massif, const TOptions_Relief& options, int mode, const double boxMin[3],
        const double boxMax[3]);
    std::array<double, 3> Centre { 0, 0, 0 }; // survey coordinates of the scene's origin
    int Tubes = 0, Cylinders = 0; // entities of each kind
};

namespace ks {

// The navigation modes of the 3D tools window.
enum class Navigation { Rotation, Translation, Lateral };

// The camera at the overview position, looking at the cave along the perspective's angles.
void OverviewCamera(TPerspective& view);
// The scene's camera placed at the perspective's camera position and heading.
void PlaceCamera(const TPerspective& view, Tcamera& camera);
// A rotation drag: the heading follows the pointer's horizontal change, the pitch its vertical one.
void TurnCamera(TPerspective& view, double changeX, double changeY);
// One tick of a translation or lateral drag of (dx, dy) pixels since the press, at `factor` speed.
void MoveCamera(TPerspective& view, Navigation mode, double dx, double dy, double factor);
// One tick of the continuous orbit by s degrees about the vertical through the centre.
void OrbitCamera(TPerspective& view, double s);
// "X = … Y = … Z = … Az = … P = …" of the camera, in survey coordinates.
std::string CameraStatus(const TPerspective& view, const std::array<double, 3>& centre);

} // namespace ks
