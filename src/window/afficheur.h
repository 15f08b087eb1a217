#pragma once
// TAfficheur, the window that shows one view of the massif.

#include "compute/elevation.h"
#include "scene/scene_gl.h"
#include "views/graphique.h"

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QMenu;
class QScrollBar;
class TPlan;
class TCoupe;
class TTableau;
class TPerspective;

namespace ks {

class IViewHost;
class TSupportOpenGL;

// The child window that shows one view of the open massif: the drawing in an image with two
// scroll bars, the scale and zoom ratio, mouse rotation, rubber-band zoom, selection and hover
// hints, and the commands on the selected item.
// Where a hint of `size` goes for the pointer at `pointer` (global pixels): just above it, below
// it when there is no room above, and always whole on the screen's `available` area.
QPoint HintPosition(QPoint pointer, QSize size, const QRect& available);

class TAfficheur : public QWidget
{
public:
    enum Kind { kPlan = 0, kAlzado = 1, kPerspectiva = 2, kTabla = 3 };
    static constexpr int kBar = 18; // pixels kept for each scroll bar

    TAfficheur(int kind, IViewHost& host, QWidget* parent = nullptr);
    ~TAfficheur() override;

    TGraphique* Graphique() const { return m_view.get(); }
    TPlan* Plan() const;
    TCoupe* Coupe() const;
    TTableau* Tableau() const;
    TPerspective* Perspective() const;
    // A double click on a table fits the column under the last press.
    void DoubleClick();
    int ViewKind() const { return m_kind; }
    double Rapport() const { return m_rapport; }

    // Fits the scale to the window (done once when the window is created).
    void FitEchelle();
    // The scale that shows the whole drawing, applied and shown.
    void FitToWindow();
    // Re-lays the scroll bars and redraws; what every command ends with.
    void Layout();
    // Scale box and "Escala ...": a denominator below 100 is refused (false).
    bool ApplyEchelle(int denominator);
    bool ApplyRapport(double rapport);
    // The window became the active child: the main window's boxes follow it.
    void Activate();

    // Selection.
    int Fiche = 0, Galerie = 0, Point = 0;
    bool Marque = false;
    QString TexteEtat;
    // Selects the item nearest to a pixel of the visible image, within reach; returns its text.
    void SelectAt(const QPoint& imagePixel);
    QString HintAt(const QPoint& imagePixel); // the hover hint there, or empty
    void HideHint();
    // Scrolls by wheel steps (each three lines of the scroll bars) right and down.
    void ScrollBy(double steps, double stepsDown);
    // Brings the selected shot into view, in the middle when it was out of sight.
    void ScrollToSelection();
    // Makes an item the selection, highlighted and in view.
    void ShowItem(int fiche, int galerie, int point);

    // Commands on the selection. Level: 0 sheet, 1 place, 2 network, 3 cave, 4 system; 5 screen.
    void Isolate(int level);
    void Exclude(int level);
    void Colour(int level); // 0 gallery, 1 sheet, 2 place, 3 network, 4 cave, 5 system
    void SelectWorstDeformation();
    // "&Rotar ...": turns the plan step by step, or the perspective by the steps of the dialog
    // "Rotación" between its inclination bounds, from a timer, until the stop window closes.
    void Rotate();
    // "Rotar &horizontalmente ...": turns the perspective about the vertical until the stop
    // window closes, then takes the last step back.
    void RotateHorizontally();
    bool Rotating() const { return m_rotation.isActive(); }
    void StopRotation();
    void Properties();
    bool EchelleCommand();
    bool RapportCommand();
    // Elevation branches ("&Ramal") on the selected gallery of a plan or an elevation; each change
    // redraws every view and marks the massif modified.
    void NewBranch();
    void ContinueBranch();
    void InvertBranch();
    void ShiftBranch();
    void AttachBranch();
    void RemoveBranch(); // "Re&tirar", after its confirmation
    void ElevationAssistant(); // "&Approfondir ..."

    // The perspective's 3D scene, switched by "3&D" of the 3D tools window.
    bool Shown3D() const { return m_3d; }
    void Set3D(bool on);
    // "&Stereo": the anaglyph, on a black window.
    void SetStereo(bool on);
    Navigation Navigation3D() const { return m_navigation; }
    void SetNavigation3D(Navigation mode);
    void Horizontal3D(); // "Horizontal": the camera levelled, heading and place kept
    // One step of a navigation mode, as an arrow key or a mode button gives it: right -1, 0 or 1
    // (turns or moves sideways), forward -1, 0 or 1 (moves ahead, climbs or tilts). A move is a
    // fiftieth of the cave's size (ten times as much with Shift), a turn 5 degrees.
    void Step3D(Navigation mode, int right, int forward);
    void Retroceder(); // "Retroceder": the camera back at the overview position
    TMaScene* Scene() const { return m_scene.get(); }
    QWidget* Support() const { return m_support; } // the 3D panel, or its placeholder
    // The 3D picture as last rendered (empty without OpenGL), for printing.
    QImage Picture3D();
    // The 3D panel's mouse and modifier keys.
    void Press3D(const QPoint& p);
    void Move3D(const QPoint& p);
    void Release3D();
    // A key pressed or released on the 3D panel: Alt held gives the lateral moves, Ctrl held the
    // rotation, releasing either the translation; Shift held moves ten times as fast.
    void Key3D(int key, bool pressed);
    double SpeedFactor() const { return m_speed; }
    // One tick of "Deplacement": the camera moves by the drag since the press.
    void Deplacement();

    QImage& Image() { return m_bitmap; }
    QScrollBar* HorizontalBar() const { return m_hbar; }
    QScrollBar* VerticalBar() const { return m_vbar; }
    QWidget* ImageWidget() const { return m_image; }
    // The drawing's pixel at the visible image's top-left corner, and the whole drawing's size.
    QPoint Origin() const;
    QSize DrawingSize() const { return { m_width, m_height }; }
    QLabel* HintWindow() const { return m_hint; }
    QMenu* ContextMenu();
    // Image-pixel handlers, called by the image widget.
    void MousePress(const QPoint& p, Qt::MouseButton button);
    void MouseMove(const QPoint& p, Qt::MouseButtons buttons);
    void MouseRelease(const QPoint& p);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Image2;
    friend class TSupportOpenGL; // builds the scene again for a new context
    double Resolution() const;
    void Redraw();
    // A redraw after the events already queued (quick wheel steps, a drag), once for them all.
    void RedrawSoon();
    void RedrawQueued();
    void Unmark();
    void Remark();
    void KeepCentre(const std::function<void()>& change);
    void ApplySelection(std::vector<TFiche*> sheets);
    void DrawBand(const QRect& band);
    // The selected gallery (in the elevation when asked), or nothing after the message that a
    // gallery must be selected in a view first.
    std::optional<TGalleryRef> SelectedGallery(bool inElevation);
    void BranchChanged();
    // "Debut_3D": the scene built from the current sheets, then drawn.
    void Build3D();
    void Render3D();
    void FreeScene();
    // "Número en grados" under "Rotación", prefilled with the last step; the step, or nothing
    // when cancelled or after the message that the text is not a number.
    std::optional<double> AskStep();
    // Shows the stop window and starts the rotation timer.
    void StartRotation();
    // The status text of a rotation: the plan's angle, or the perspective's two angles.
    QString RotationStatus() const;

    int m_kind;
    IViewHost& m_host;
    std::unique_ptr<TGraphique> m_view;
    QWidget* m_image;
    QScrollBar* m_hbar;
    QScrollBar* m_vbar;
    QLabel* m_hint;
    bool m_panning = false; // the middle button (or the left one on a table) drags the drawing
    QPoint m_press; // where the left button last went down
    QPoint m_panStart, m_panOrigin;
    QImage m_bitmap;
    double m_rapport = 1.0;
    int m_width = 10, m_height = 10;
    int m_pasX = 1, m_pasY = 1;
    bool m_relayout = false;
    bool m_empty = false; // an elevation without any branch: the window shows how to start one
    bool m_dragging = false;
    QPoint m_start;
    QRect m_band;
    QString m_pasRotation = QStringLiteral("10");
    QTimer m_rotation;
    double m_rotationStep = 0; // degrees per tick about the vertical
    double m_rotationVertical = 0; // degrees per tick in inclination (perspective)
    double m_inclinationMin = 0, m_inclinationMax = 30; // shown inclination bounds of "&Rotar ..."
    bool m_takeBack = false; // the last step is taken back when the rotation stops
    QString m_rotationTexts[4] = { QStringLiteral("10"), QStringLiteral("0.5"), QStringLiteral("0"),
        QStringLiteral("30") }; // the last values of the dialog "Rotación"
    QWidget* m_stopWindow = nullptr; // the "Detener" tool window of a running rotation
    QString m_hintText;
    double m_previewAngle = 0;
    QPointF m_previewTurn; // azimuth and inclination of a perspective drag
    bool m_3d = false;
    QWidget* m_support = nullptr;
    TSupportOpenGL* m_gl = nullptr; // null where the platform has no OpenGL (offscreen)
    std::unique_ptr<TMaScene> m_scene;
    bool m_redrawQueued = false; // a redraw waits for the events queued before it
    QPoint m_drawnOrigin; // the origin the picture was drawn at
    QTimer m_debut3D; // 100 ms, once
    QTimer m_deplacement; // 250 ms while a drag moves the camera
    Navigation m_navigation = Navigation::Translation;
    double m_speed = 1; // 10 while Shift is held
    QPoint m_press3D, m_drag3D; // the press, and the drag since it (dx, dy)
};

} // namespace ks
