#pragma once
// What a view window asks of the main window, which it never includes.

#include <QString>

struct TViewContext;

namespace ks {

class TAfficheur;

// What a view window needs from the main window, which it never includes.
class IViewHost
{
public:
    virtual ~IViewHost() = default;
    virtual TViewContext& Context() = 0;
    // 0 none, 1 "Rotación", 2 "Color", 3 "Deformaciones".
    virtual int Mode() const = 0;
    virtual bool ZoomDown() const = 0;
    virtual void ReleaseZoom() = 0;
    // Keeps the scale box and the percentage box in step with the active window.
    virtual void ShowEchelle(int denominator) = 0;
    virtual void ShowRapport(int percent) = 0;
    virtual void ShowStatus(const QString& text) = 0; // status panel 1
    // The massif's current sheets changed (isolation): every view redraws.
    virtual void SelectionChanged() = 0;
    // Gallery colours changed: every view redraws; the massif is modified.
    virtual void ColoursChanged() = 0;
    // The developed elevation changed: every view redraws; the massif is modified.
    virtual void ElevationChanged() = 0;
    // The options dialog of a view kind (TAfficheur::Kind) of the main window; true when
    // confirmed, after which every view is redrawn (and the plan window has taken the new angle).
    virtual bool EditViewOptions(int kind) = 0;
    // "Im&primir ..." of the view's pop-up menu: the print command on this window.
    virtual void PrintFromView(TAfficheur& view) = 0;
    // "F&icha": the sheet at this index of the current list in the sheet editor.
    virtual void OpenSheet(int fiche) = 0;
    // Whether a window of a view kind (TAfficheur::Kind) is open.
    virtual bool HasView(int kind) const = 0;
    // Whether the perspective window shows its 3D scene, where nothing can be located.
    virtual bool PerspectiveIn3D() const { return false; }
    // "&Planta", "&Alzado": the item selected in the window of that kind, which comes forward.
    virtual void Locate(int kind, int fiche, int galerie, int point) = 0;
    // The window of a view kind (TAfficheur::Kind), when open, takes the scale that shows it all.
    virtual void FitView(int) { }
    // A perspective window went into or out of 3D, or changed its navigation: the commands and
    // the 3D tools window follow.
    virtual void State3DChanged() { }
    // A print job draws the views' pages on a thread of its own: no view draws, lays out or
    // places stations meanwhile.
    virtual bool Printing() const { return false; }
};

} // namespace ks
