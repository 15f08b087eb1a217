#pragma once
// The developed elevation: galleries unrolled onto a vertical plane, branch by branch. The
// structure lives in the massif (per gallery its membership, direction and hung galleries; per
// branch an anchor); these operations build, walk, check and take it apart.

#include "model/massif.h"

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace ks {

class IReporter;

// A gallery of the massif: its sheet's Ordre and its index in that sheet (from 0).
struct TGalleryRef
{
    std::int32_t Sheet = 0;
    std::int32_t Gallery = 0;
    bool operator==(const TGalleryRef& o) const { return Sheet == o.Sheet && Gallery == o.Gallery; }
};

inline constexpr const char* kElevationProblemText = "Problema en el alzado";
inline constexpr const char* kNeedsSelectionText
    = "Inevitablemente, es necesario pasar por la visualización para esta opción";
inline constexpr const char* kBlindGalleryText = "Galería ciega";
inline constexpr const char* kFiveSeriesText = "No más de 5 series por galería";
inline constexpr const char* kNoMoreSeriesText = "N0 más series (disponible)";
inline constexpr const char* kNotBranchStartText = "Usted no está al comienzo del ramal, imposible empalmar";
inline constexpr const char* kNoBranchToAttachText = "No hay ramal disponible para un ajuste";

// The operations on one massif's elevation. Sheets are found by Ordre through a table built once,
// so that every walk is linear in the galleries it visits; build a new one after sheets were added
// or removed.
class TElevation
{
public:
    explicit TElevation(TMassif& massif);

    TGalerie* Gallery(TGalleryRef ref) const;
    TFiche* Sheet(std::int32_t ordre) const;

    // The gallery's elevation X and Z take x and z; every gallery hung below it follows, each at
    // the far end of the one it hangs on (horizontal corrections counted).
    void PropagerBranche(TGalleryRef ref, double x, double z);
    // Every branch from its anchor, in the anchors' order.
    void ReconstruireCoupes();
    // The developed distance of every station of every gallery in elevation; places the stations
    // first when the massif is not computed.
    void CalculerDeveloppes();
    // Before an elevation or a table is drawn: when the developed distances are not up to date,
    // every branch from its anchor (the text format does not keep the offsets), then the distances.
    void MakeCurrent();
    // Links to galleries that are not in the elevation are reported once and dropped, the first of
    // each gallery per call. True when every link was sound.
    bool VerifierCoupes(IReporter* reporter);
    // Takes the gallery and every gallery below it out of the elevation; at the top, its anchor
    // and the link that held it go too.
    void RetirerDeCoupe(TGalleryRef ref, bool top);
    // No elevation at all.
    void SupprimerCoupes(IReporter* reporter);
    // The extents of the positioned galleries in elevation: developed distance and altitude with
    // offset; false when there is none.
    bool Box(double& devMin, double& devMax, double& zMin, double& zMax) const;

    // Branch commands: each returns the refusal text, or nothing when it was done.
    // "Nuevo ramal": the gallery starts a new branch at its start (fromStart) or end point.
    void StartBranch(TGalleryRef ref, bool fromStart, bool forward, double x, double z);
    // The galleries that can continue the selected one at its far point.
    std::optional<std::string> ContinueCandidates(
        TGalleryRef ref, std::vector<TGalleryRef>& candidates) const;
    // Hangs `child` on the far point of `parent`.
    void Hang(TGalleryRef parent, TGalleryRef child);
    // Turns the gallery and every gallery below it the other way.
    void InvertBranch(TGalleryRef ref);
    // "Desplazar un ramal": the branch's anchor takes x and z, or the gallery becomes the start of
    // a branch of its own there.
    void ShiftBranch(TGalleryRef ref, double x, double z);
    // The galleries on whose far point the branch starting at `ref` can be attached.
    std::optional<std::string> AttachCandidates(TGalleryRef ref, std::vector<TGalleryRef>& candidates) const;
    // Drops the branch's anchor and hangs the gallery on `parent`, keeping its direction.
    void Attach(TGalleryRef ref, TGalleryRef parent);

    // The anchor that starts a branch at the gallery, or null.
    TPointCoupe* AnchorAt(TGalleryRef ref) const;
    // The gallery that holds `ref` among its hung galleries, and the link's place; false for none.
    bool Holder(TGalleryRef ref, TGalleryRef& holder, int& link) const;

private:
    // The galleries hung on one gallery, that exist.
    std::vector<TGalleryRef> Hung(const TGalerie& g) const;
    // Visits the gallery and every gallery below it.
    void ForBranch(TGalleryRef ref, const std::function<void(TGalerie&)>& visit) const;
    void EraseAnchor(TGalleryRef ref); // the anchor that starts a branch at the gallery
    static void DropLink(TGalerie& g, int link);

    TMassif& m_massif;
    std::unordered_map<std::int32_t, TFiche*> m_byOrdre;
};

// The station the gallery is unrolled from, and the one where galleries hang on it.
const TPointTopo& AttachPoint(const TGalerie& g);
const TPointTopo& FarPoint(const TGalerie& g);

} // namespace ks
