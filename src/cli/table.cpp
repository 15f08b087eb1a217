// karstelle-cli table: the table view's rows as text, for a spreadsheet.
#include "cli/args.h"
#include "cli/cli_common.h"

#include "bridge/settings_dir.h"
#include "compute/elevation.h"
#include "model/text_utils.h"
#include "views/tableau.h"

#include <algorithm>
#include <iostream>

namespace cli {

namespace {

// Every column: the shown ones in the view's order, then the hidden ones in theirs.
std::vector<int> AllColumns(const TOptions_Tableau& o)
{
    std::vector<int> columns;
    for (int pass = 0; pass < 2; ++pass)
        for (int position = 0; position < TOptions_Tableau::kColumns; ++position) {
            const int c = o.Ordre[static_cast<std::size_t>(position)] - 1;
            if (c >= 0 && c < TOptions_Tableau::kColumns
                && o.Jaffiche[static_cast<std::size_t>(c)] == (pass == 0)
                && std::find(columns.begin(), columns.end(), c) == columns.end())
                columns.push_back(c);
        }
    for (int c = 0; c < TOptions_Tableau::kColumns; ++c) // columns the order leaves out
        if (std::find(columns.begin(), columns.end(), c) == columns.end())
            columns.push_back(c);
    return columns;
}

} // namespace

int Table(const std::vector<std::string>& args)
{
    std::string file;
    bool csv = false;
    if (const auto refused = ArgParser().Word(file).Flag("--csv", csv).Parse(args))
        return *refused;

    TMassif massif;
    if (!LoadComputed(file, massif))
        return 1;
    TOptions_Tableau options;
    LoadOptions(options, ks::SettingsDirectory() + "/" + ks::kTableauOptionsFile);
    TViewContext context;
    context.Massif = &massif;
    context.Tableau = &options;
    TTableau table(context);
    ks::TElevation(massif).MakeCurrent(); // the developed distances ("Des H")
    table.FindZero();

    const char separator = csv ? ',' : '\t';
    auto field = [&](const std::string& text) { return csv ? ks::CsvField(text) : text; };
    const std::vector<int> columns = AllColumns(options);
    std::string out = "ordre" + std::string(1, separator) + "gallery" + separator + "station";
    for (int c : columns) {
        const auto i = static_cast<std::size_t>(c);
        std::string heading = ks::Cp1252ToUtf8(options.Tete1[i]);
        const std::string second = ks::Cp1252ToUtf8(options.Tete2[i]);
        if (!second.empty())
            heading += " " + second;
        out += separator + field(heading);
    }
    out += '\n';
    for (const TTableau::Element& row : table.Layout()) {
        if (row.Type == TTableau::Element::Band)
            continue;
        out += std::to_string(row.Sheet->Ordre) + separator + std::to_string(row.Gallery) + separator
            + std::to_string(row.Type == TTableau::Element::Start ? 0 : row.Point);
        for (int c : columns) {
            // A doubled column's two halves are parted by its separator, as the view writes them.
            const auto texts = table.Cells(row, c);
            const char part = options.Separation[static_cast<std::size_t>(c)];
            std::string text = texts[0];
            if (texts.size() == 2)
                text += std::string(1, part ? part : '/') + texts[1];
            out += separator + field(text);
        }
        out += '\n';
    }
    std::cout << out;
    return 0;
}

} // namespace cli
