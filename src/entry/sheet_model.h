#pragma once
// The Qt-free model of the sheet editor: its rows, junction records and row commands, and the
// validation that builds a sheet.

#include "entry/preferences.h"
#include "model/editor_work.h"
#include "model/records.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class TFiche;
class TMassif;

namespace ks {

// The information of one gallery as the editor keeps it.
struct TGalleryInfo
{
    std::string Info; // "&Informaciones sobre la galería"
    double Deformation = 1;
    double Topofil = 1; // hip-chain correction coefficient
    std::int32_t Colour = 0;
};

} // namespace ks

// Where a gallery ends and the next begins (`TNoeud`).
struct TNoeud
{
    TPointTopo EndAbove;
    TPointTopo StartBelow;
    ks::TGalleryInfo Below;
};

namespace ks {

// The "&Informaciones" page, as typed (Windows-1252).
struct TSheetFields
{
    std::string Systeme, Cavite, Reseau, Lieu;
    std::string Date = "  /  /  ";
    std::string Premiere = "0", TPST;
    std::string Declination = "0";
    std::string DeclinationUnit = "\xB0";
    std::vector<std::string> Surveyors;
};

// A refused validation or row command: the message, and the offending cell or field.
struct TRefusal
{
    std::string Message; // UTF-8
    int Row = -1;
    int Column = -1; // index in the column layout (0 the station column)
    std::string Field; // an information field's name, when the fault is there
};

// The sheet editor without its widgets: rows of a grid laid out by the preferences, the
// stations and gallery information behind them, loading a sheet, the row commands, and the
// validation that builds the new sheet.
class TSheetModel
{
public:
    enum class Kind { Start, Shot, Station };
    struct Row
    {
        Kind kind = Kind::Shot;
        std::vector<std::string> cells; // one per layout column; cells[0] is the station column
        // For a row loaded from a sheet: the shot it showed and the texts it showed it with. Cells
        // still holding those texts give back the shot's own values, so that an unchanged sheet
        // validates to exactly what it was, whatever the number formats and the column layout.
        std::shared_ptr<const TVisee> original;
        std::vector<std::string> loaded;
    };

    explicit TSheetModel(std::vector<TColonne> columns);

    const std::vector<TColonne>& Columns() const { return m_columns; }
    int ColumnOf(std::int16_t code) const; // -1 when the layout has no such column

    TSheetFields Fields;
    std::vector<Row> Rows;
    TPointTopo FirstStart;
    TGalleryInfo FirstInfo;
    bool Ended = false;
    TPointTopo FinalEnd;
    std::vector<TNoeud> Junctions;
    bool Modified = false;

    // A new sheet: one start row reading "Final".
    void NewSheet();
    void Load(const TFiche& sheet);

    // The marker of a row: "|->", "->|", or the shot's number through the sheet.
    std::string Marker(int row) const;
    // "Final", "*" for an empty name, else name(number).
    static std::string StationText(const TPointTopo& station);
    // A shot row with the columns' default texts.
    Row NewShotRow() const;

    // Row commands; a refusal leaves the rows as they were.
    std::optional<TRefusal> InsererVisee(int row);
    std::optional<TRefusal> SupprimerVisees(int first, int last); // after the confirmation
    // Inserts a station row and a start row at `row` (after the three dialogs).
    void InsererPoint(
        int row, const TPointTopo& endAbove, const TPointTopo& startBelow, const TGalleryInfo& below);
    bool CanSupprimerPoint(int row) const;
    void SupprimerPoint(int row); // after the confirmation
    // "Punto &final": ends the sheet at `row`, every row below removed.
    void Terminer(int row, const TPointTopo& finalEnd);
    void ContinuerEnBas(const TPointTopo& start, const TGalleryInfo& info);
    std::string CopierTout() const;
    // Adds `value` to a column of every shot row (or of the given rows only).
    void Corriger(std::int16_t code, double value, int first = -1, int last = -1);
    // Fills shot rows from `row` with the fields of a spreadsheet text, less the ignored ones.
    std::optional<TRefusal> Importer(int row, const std::string& text, const std::vector<int>& ignored);

    // The information of the gallery a row belongs to, and the junction record of a
    // station/start pair (-1 for the first gallery).
    int GalleryOf(int row) const;
    // The station behind a start or station row (null for a shot row); call RefreshStationCells
    // after changing it.
    TPointTopo* StationAt(int row);
    void RefreshStationCells();
    TGalleryInfo& InfoOf(int gallery);

    // Checks every field and cell and builds the reduced sheet; the massif is only read
    // (the old sheet's elevation fields when the gallery count is unchanged).
    std::unique_ptr<TFiche> Validate(const TMassif& massif, const TFiche* old, TRefusal& refusal) const;

    // The unfinished sheet, for the binary massif's editor block, and back.
    TEditorWork ToWork(std::int16_t sheetOrdre) const;
    void FromWork(const TEditorWork& work);

private:
    // The loaded sheet's own values behind the information fields, kept while a field still
    // shows the text it was loaded with.
    struct LoadedSheet
    {
        TSheetFields Fields;
        double Premiere = 0, Declinaison = 0;
        std::string Date;
        std::vector<TEco> Surveyors;
    };

    // Validate's parts: the information fields into the sheet, and one shot row into a shot.
    bool ReadFields(TFiche& sheet, TRefusal& refusal) const;
    bool ReadShot(
        const Row& row, int r, double topofil, bool firstShot, TVisee& shot, TRefusal& refusal) const;

    std::vector<TColonne> m_columns;
    std::optional<LoadedSheet> m_loaded;
};

// A station number typed in the station dialog: a whole number from 0 to 255.
bool ValidStationNumber(const std::string& text, int& number);
// "&Nuevo" of the station dialog: the first number free in the massif and in the sheet.
int ProposeNumber(const TMassif& massif, const TSheetModel& sheet, const std::string& name);

} // namespace ks
