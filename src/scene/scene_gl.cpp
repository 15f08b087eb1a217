// The 3D scene: tubes and cylinders as entities, lights, camera, drawn with OpenGL 1.1.
#include "scene/scene_gl.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "geometry/tube.h"
#include "model/massif.h"
#include "options/options.h"
#include "views/perspective.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees)
{
    return degrees * kPi / 180;
}

double Wrapped(double degrees)
{
    degrees = std::fmod(degrees, 360);
    return degrees < 0 ? degrees + 360 : degrees;
}

Tvertex Minus(const Tvertex& a, const Tvertex& b)
{
    return { a.x - b.x, a.y - b.y, a.z - b.z };
}

double Dot(const Tvertex& a, const Tvertex& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Newell's normal of a polygon, unit length (zero for a degenerate one).
Tvertex Normal(const std::vector<Tpoint>& points, const std::vector<int>& face)
{
    Tvertex n;
    for (std::size_t i = 0; i < face.size(); ++i) {
        const Tvertex& a = points[static_cast<std::size_t>(face[i])].Position;
        const Tvertex& b = points[static_cast<std::size_t>(face[(i + 1) % face.size()])].Position;
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    const double length = std::sqrt(Dot(n, n));
    if (length > 0)
        n = { n.x / length, n.y / length, n.z / length };
    return n;
}

Tvertex Centroid(const std::vector<Tpoint>& points, const std::vector<int>& face)
{
    Tvertex c;
    for (int i : face) {
        const Tvertex& p = points[static_cast<std::size_t>(i)].Position;
        c = { c.x + p.x, c.y + p.y, c.z + p.z };
    }
    const double n = static_cast<double>(face.size());
    return { c.x / n, c.y / n, c.z / n };
}

// A face that turns its front away from `inside`: culled faces are the ones seen from within.
void AddOutwardFace(Tentity& entity, std::vector<int> face, const Tvertex& inside)
{
    const Tvertex n = Normal(entity.Points, face);
    if (Dot(n, Minus(Centroid(entity.Points, face), inside)) < 0)
        std::reverse(face.begin(), face.end());
    entity.AddFace(std::move(face));
}

void Colour(std::int32_t windows, std::array<float, 3>& rgb)
{
    const auto c = static_cast<std::uint32_t>(windows);
    rgb = { (c & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, ((c >> 16) & 0xFF) / 255.0f };
}

} // namespace

void Tentity::AddFace(std::vector<int> points)
{
    tface face;
    face.Normal = Normal(Points, points);
    face.Points = std::move(points);
    Faces.push_back(std::move(face));
}

void Tlight::Apply() const
{
    const GLenum light = static_cast<GLenum>(GL_LIGHT0 + Number);
    if (Kind != 2) {
        const GLfloat position[4] = { static_cast<GLfloat>(Position.x), static_cast<GLfloat>(Position.y),
            static_cast<GLfloat>(Position.z), 1 };
        glLightfv(light, GL_POSITION, position);
        if (Kind == 1) {
            const GLfloat direction[3] = { static_cast<GLfloat>(Direction.x),
                static_cast<GLfloat>(Direction.y), static_cast<GLfloat>(Direction.z) };
            glLightf(light, GL_SPOT_CUTOFF, Cutoff);
            glLightf(light, GL_SPOT_EXPONENT, Exponent);
            glLightfv(light, GL_SPOT_DIRECTION, direction);
        }
    }
    glLightfv(light, GL_AMBIENT, Ambient.data());
    glLightfv(light, GL_DIFFUSE, Diffuse.data());
    glLightfv(light, GL_SPECULAR, Specular.data());
    const GLenum attenuation = AttenuationKind == 1 ? GL_CONSTANT_ATTENUATION
        : AttenuationKind == 3                      ? GL_QUADRATIC_ATTENUATION
                                                    : GL_LINEAR_ATTENUATION;
    glLightf(light, attenuation, Attenuation);
    glEnable(light);
}

void Tcamera::Apply() const
{
    gluLookAt(Eye.x, Eye.y, Eye.z, Target.x, Target.y, Target.z, Up.x, Up.y, Up.z);
}

TsceneGL::~TsceneGL() = default; // the display list goes with its context; Release frees it before

void TsceneGL::Init()
{
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    glShadeModel(GL_SMOOTH);
}

void TsceneGL::Resize(int width, int height)
{
    m_width = std::max(1, width);
    m_height = std::max(1, height);
    glViewport(0, 0, m_width, m_height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = static_cast<double>(m_width) / m_height;
    if (Perspective) {
        gluPerspective(Angle, aspect, Near, Far);
    } else {
        const double half = Far / 100;
        glOrtho(-half * aspect, half * aspect, -half, half, -Far, Far);
    }
    glMatrixMode(GL_MODELVIEW);
}

void TsceneGL::Release()
{
    if (m_list != 0)
        glDeleteLists(m_list, 1);
    m_list = 0;
}

void TsceneGL::Compile()
{
    m_list = glGenLists(1);
    if (m_list == 0)
        return;
    glNewList(m_list, GL_COMPILE);
    for (const Tentity& e : Entities) {
        glPushMatrix();
        glTranslated(e.Position.x, e.Position.y, e.Position.z);
        glRotated(e.Rotation.x, 1, 0, 0);
        glRotated(e.Rotation.y, 0, 1, 0);
        glRotated(e.Rotation.z, 0, 0, 1);
        glPolygonMode(GL_FRONT_AND_BACK,
            e.PolygonMode == Tentity::PointMode      ? GL_POINT
                : e.PolygonMode == Tentity::LineMode ? GL_LINE
                                                     : GL_FILL);
        glColor3fv(e.Colour.data());
        // Quadrilaterals in one run, other polygons one by one.
        glBegin(GL_QUADS);
        for (const tface& f : e.Faces) {
            if (f.Points.size() != 4)
                continue;
            glNormal3d(f.Normal.x, f.Normal.y, f.Normal.z);
            for (int i : f.Points) {
                const Tvertex& p = e.Points[static_cast<std::size_t>(i)].Position;
                glVertex3d(p.x, p.y, p.z);
            }
        }
        glEnd();
        for (const tface& f : e.Faces) {
            if (f.Points.size() == 4)
                continue;
            glBegin(GL_POLYGON);
            glNormal3d(f.Normal.x, f.Normal.y, f.Normal.z);
            for (int i : f.Points) {
                const Tvertex& p = e.Points[static_cast<std::size_t>(i)].Position;
                glVertex3d(p.x, p.y, p.z);
            }
            glEnd();
        }
        glPopMatrix();
    }
    glEndList();
    // The list holds the geometry now: the entities' points and faces, several times its size,
    // are given back (the caller builds them again for a new context).
    for (Tentity& e : Entities) {
        std::vector<Tpoint>().swap(e.Points);
        std::vector<tface>().swap(e.Faces);
    }
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void TsceneGL::Forget()
{
    m_list = 0;
}

void TsceneGL::Render()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat black[4] = { 0, 0, 0, 0 };
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    Camera.Apply();
    for (const Tlight& light : Lights)
        light.Apply();
    glClearColor(Background[0], Background[1], Background[2], 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    if (m_list == 0)
        Compile();
    glCallList(m_list);
}

void TMaScene::Build(const TMassif& massif, const TOptions_Relief& options, int mode, const double boxMin[3],
    const double boxMax[3])
{
    Entities.clear();
    Lights.clear();
    Tubes = Cylinders = 0;
    for (int i = 0; i < 3; ++i)
        Centre[static_cast<std::size_t>(i)] = (boxMin[i] + boxMax[i]) / 2;
    Colour(options.Couleur_Fond, Background);
    auto scene = [this](const ks::TPoint3& p) {
        return Tvertex { p[0] - Centre[0], p[2] - Centre[2], Centre[1] - p[1] };
    };

    // A passage without sizes takes the default width, but never less than what shows on a
    // screen-wide view of the whole cave (a two-hundred-and-fiftieth of its size).
    TOptions_Relief shown = options;
    const double size = std::fabs(boxMax[0] - boxMin[0]) + std::fabs(boxMax[1] - boxMin[1]);
    shown.Largeur_3D = static_cast<float>(std::max<double>(options.Largeur_3D, size / 250));
    ks::TTubeBuilder tubes(shown);
    std::vector<ks::TSection> sections;
    const double deformationMax = mode == 3 ? ks::DeformationMax3D(massif) : 1.0;
    for (TFiche* sheet : massif.CurrentSheets()) {
        for (std::size_t gi = 0; gi < sheet->Galeries.size(); ++gi) {
            const TGalerie& g = *sheet->Galeries[gi];
            if (!ks::Displayed(g))
                continue;
            tubes.Build(*sheet, static_cast<int>(gi), sections);
            Tentity tube;
            Colour(ks::GalleryColour3D(g, mode, deformationMax, options.Couleur_Galerie), tube.Colour);
            tube.Name = static_cast<int>(Entities.size());
            std::vector<Tvertex> middles; // the middle of each section
            for (const ks::TSection& s : sections) {
                Tvertex middle;
                for (const ks::TPoint3& corner : s) {
                    const Tvertex v = scene(corner);
                    tube.Points.push_back({ v });
                    middle = { middle.x + v.x / 4, middle.y + v.y / 4, middle.z + v.z / 4 };
                }
                middles.push_back(middle);
            }
            const int n = static_cast<int>(sections.size()) - 1;
            for (int k = 0; k < n; ++k) {
                const int b = 4 * k;
                const Tvertex& m0 = middles[static_cast<std::size_t>(k)];
                const Tvertex& m1 = middles[static_cast<std::size_t>(k + 1)];
                const Tvertex inside { (m0.x + m1.x) / 2, (m0.y + m1.y) / 2, (m0.z + m1.z) / 2 };
                AddOutwardFace(tube, { b, b + 1, b + 5, b + 4 }, inside);
                AddOutwardFace(tube, { b + 1, b + 2, b + 6, b + 5 }, inside);
                AddOutwardFace(tube, { b + 2, b + 3, b + 7, b + 6 }, inside);
                AddOutwardFace(tube, { b + 3, b, b + 4, b + 7 }, inside);
            }
            AddOutwardFace(tube, { 0, 3, 2, 1 }, middles.size() > 1 ? middles[1] : middles[0]);
            AddOutwardFace(tube, { 4 * n, 4 * n + 1, 4 * n + 2, 4 * n + 3 },
                n > 0 ? middles[static_cast<std::size_t>(n - 1)] : middles[0]);
            Entities.push_back(std::move(tube));
            ++Tubes;
        }
    }

    if (options.Cylindre) {
        const int sides = std::max(3, static_cast<int>(options.N_Face));
        for (const ks::TCylindre& c : tubes.Cylinders()) {
            Tentity prism;
            Colour(options.Couleur_Cylindre, prism.Colour);
            prism.Name = static_cast<int>(Entities.size());
            const Tvertex centre = scene(c.Position);
            const double bottom = centre.y - c.Bas - 0.01, top = centre.y + c.Haut + 0.01;
            for (double y : { bottom, top })
                for (int i = 0; i < sides; ++i) {
                    const double a = 2 * kPi * i / sides;
                    prism.Points.push_back(
                        { { centre.x + c.Rayon * std::cos(a), y, centre.z - c.Rayon * std::sin(a) } });
                }
            const Tvertex inside { centre.x, (bottom + top) / 2, centre.z };
            std::vector<int> lower, upper;
            for (int i = 0; i < sides; ++i) {
                const int j = (i + 1) % sides;
                AddOutwardFace(prism, { i, j, sides + j, sides + i }, inside);
                lower.push_back(i);
                upper.push_back(sides + i);
            }
            AddOutwardFace(prism, lower, inside);
            AddOutwardFace(prism, upper, inside);
            Entities.push_back(std::move(prism));
            ++Cylinders;
        }
    }
    Lights.push_back(Tlight());
}

namespace ks {

void OverviewCamera(TPerspective& view)
{
    view.AzimutCamera = Wrapped(360 - view.Azimut);
    view.PenteCamera = view.Inclinaison;
    const double d
        = std::fabs(view.BoiteMax[0] - view.BoiteMin[0]) + std::fabs(view.BoiteMax[1] - view.BoiteMin[1]);
    const double az = Radians(view.AzimutCamera), p = Radians(view.PenteCamera);
    view.PositionCamera[0] = -d * std::cos(p) * std::sin(az);
    view.PositionCamera[1] = -d * std::sin(p);
    view.PositionCamera[2] = d * std::cos(p) * std::cos(az);
}

void PlaceCamera(const TPerspective& view, Tcamera& camera)
{
    // Straight up or down the heading would be lost: the pitch stops just short of it.
    const double az = Radians(view.AzimutCamera), p = Radians(std::clamp(view.PenteCamera, -89.9, 89.9));
    camera.Eye = { view.PositionCamera[0], view.PositionCamera[1], view.PositionCamera[2] };
    camera.Target = { camera.Eye.x + std::sin(az) * std::cos(p), camera.Eye.y + std::sin(p),
        camera.Eye.z - std::cos(az) * std::cos(p) };
    camera.Up = { 0, 1, 0 };
}

void TurnCamera(TPerspective& view, double changeX, double changeY)
{
    view.AzimutCamera = Wrapped(view.AzimutCamera + 0.1 * changeX);
    view.PenteCamera -= 0.1 * changeY;
}

void MoveCamera(TPerspective& view, Navigation mode, double dx, double dy, double factor)
{
    const double az = Radians(view.AzimutCamera);
    double* p = view.PositionCamera;
    if (mode == Navigation::Translation) {
        p[2] += std::cos(az) * dy * 0.01 * factor;
        p[0] -= std::sin(az) * dy * 0.01 * factor;
        view.AzimutCamera = Wrapped(view.AzimutCamera + dx * 0.01);
    } else if (mode == Navigation::Lateral) {
        p[1] -= dy * 0.01 * factor;
        p[0] += std::cos(az) * dx * 0.01 * factor;
        p[2] += std::sin(az) * dx * 0.01 * factor;
    }
}

void OrbitCamera(TPerspective& view, double s)
{
    view.AzimutCamera = Wrapped(view.AzimutCamera + s);
    const double a = Radians(s);
    double* p = view.PositionCamera;
    const double x = p[0] * std::cos(a) - p[2] * std::sin(a);
    const double z = p[0] * std::sin(a) + p[2] * std::cos(a);
    p[0] = x;
    p[2] = z;
}

std::string CameraStatus(const TPerspective& view, const std::array<double, 3>& centre)
{
    auto round = [](double v) { return std::to_string(std::lround(v)); };
    const double* p = view.PositionCamera;
    return "X = " + round(p[0] + centre[0]) + "  Y = " + round(centre[1] - p[2]) + "  Z = "
        + round(p[1] + centre[2]) + "  Az = " + round(view.AzimutCamera) + "  P = " + round(view.PenteCamera);
}

} // namespace ks
