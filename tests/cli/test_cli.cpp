// karstelle-cli as a user runs it: exit status, standard output and the files it writes.
#include "model/massif.h"
#include "support/fixture.h"
#include "support/network.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

using namespace ks::test;

namespace {

struct CliRun
{
    int status = -1;
    std::string out, err;
};

// Runs the tool with the settings folder in `home`, after the shell commands of `before`.
CliRun Cli(const std::string& arguments, const TempDir& home, const std::string& before = "")
{
    const std::string out = home.Path("stdout"), err = home.Path("stderr");
    const std::string command = before + "KARSTELLE_HOME='" + home.Path("") + "' QT_QPA_PLATFORM=offscreen "
        + KARSTELLE_CLI + " " + arguments + " >'" + out + "' 2>'" + err + "'";
    CliRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
}

int Count(const std::string& text, char c)
{
    return static_cast<int>(std::count(text.begin(), text.end(), c));
}

} // namespace

TEST(Cli, InfoAndConvert)
{
    TempDir home;
    const CliRun info = Cli("info '" + kSample + "'", home);
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("version: 1005\nsheets: 20\n"), std::string::npos);
    EXPECT_NE(info.out.find("references: 2\n"), std::string::npos);

    EXPECT_EQ(Cli("convert '" + kSample + "' '" + home.Path("s.fic") + "'", home).status, 0);
    EXPECT_EQ(Cli("convert '" + home.Path("s.fic") + "' '" + home.Path("s.mas") + "'", home).status, 0);
    EXPECT_EQ(ReadFile(home.Path("s.mas")), ReadFile(kSample));

    const CliRun missing = Cli("info '" + home.Path("none.fic") + "'", home);
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.err.find("none.fic"), std::string::npos);
    EXPECT_EQ(Cli("frobnicate", home).status, 2);
    for (const char* help : { "--help", "-h" }) {
        const CliRun usage = Cli(help, home);
        EXPECT_EQ(usage.status, 0);
        EXPECT_EQ(usage.out.rfind("usage:\n", 0), 0u);
    }
}

TEST(Cli, ComputeWritesOneRowPerStation)
{
    TempDir home;
    const CliRun csv = Cli("compute '" + kSample + "'", home);
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(
        csv.out.rfind(
            "ordre,gallery,station,name,number,x,y,z\n1,0,0,E,0,430125.000000,4790250.000000,1250.000000\n",
            0),
        0u);
    EXPECT_EQ(Count(csv.out, '\n'), 1 + 46 + 329); // header, every gallery start, every shot's far station
    EXPECT_NE(csv.out.find(",Final,,"), std::string::npos);
    EXPECT_NE(csv.err.find("closures: "), std::string::npos);
    EXPECT_EQ(csv.out.find("nan"), std::string::npos);

    const CliRun json = Cli("compute '" + kSample + "' --json -o '" + home.Path("s.json") + "' --save '"
            + home.Path("c.fic") + "'",
        home);
    ASSERT_EQ(json.status, 0) << json.err;
    const std::string text = ReadFile(home.Path("s.json"));
    EXPECT_EQ(
        text.rfind("[\n  {\"ordre\": 1, \"gallery\": 0, \"station\": 0, \"name\": \"E\", \"number\": 0,", 0),
        0u);
    EXPECT_EQ(Count(text, '{'), 46 + 329);
    TMassif saved;
    saved.FileName = home.Path("c.fic");
    saved.Load();
    EXPECT_TRUE(saved.Sheets[0]->Galeries[0]->Positioned);

    // A massif without reference points computes nothing.
    TMassif bare;
    bare.FileName = kSample;
    bare.Load();
    bare.ClearReferences();
    bare.Save(home.Path("bare.mas"));
    const CliRun none = Cli("compute '" + home.Path("bare.mas") + "'", home);
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("No hay punto de referencia."), std::string::npos);
}

TEST(Cli, RenderPlanAsPngPdfAndSvg)
{
    TempDir home;
    const CliRun png
        = Cli("render plan '" + kSample + "' -o '" + home.Path("p.png") + "' --scale 2000", home);
    ASSERT_EQ(png.status, 0) << png.err;
    EXPECT_EQ(ReadFile(home.Path("p.png")).substr(1, 3), "PNG");
    const CliRun pdf = Cli("render plan '" + kSample + "' -o '" + home.Path("p.pdf") + "' --scale 500", home);
    ASSERT_EQ(pdf.status, 0) << pdf.err;
    const std::string document = ReadFile(home.Path("p.pdf"));
    EXPECT_EQ(document.rfind("%PDF", 0), 0u);
    EXPECT_NE(pdf.err.find("pages: "), std::string::npos);
    const CliRun svg = Cli(
        "render plan '" + kSample + "' -o '" + home.Path("p.svg") + "' --scale 1000 --angle 90 --mode 3",
        home);
    ASSERT_EQ(svg.status, 0) << svg.err;
    EXPECT_NE(ReadFile(home.Path("p.svg")).find("<svg"), std::string::npos);

    const CliRun huge
        = Cli("render plan '" + kSample + "' -o '" + home.Path("h.png") + "' --scale 100", home);
    EXPECT_EQ(huge.status, 1);
    EXPECT_NE(huge.err.find("try a smaller scale"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(home.Path("h.png")));
    EXPECT_EQ(Cli("render plan '" + kSample + "' -o '" + home.Path("p.gif") + "'", home).status, 2);
}

TEST(Cli, FailuresGiveANonZeroStatusAndLeaveNoPartialFile)
{
    TempDir home;
    const std::string missing = home.Path("no/such/folder/");
    for (const char* kind : { "p.pdf", "p.svg", "p.png" }) {
        const CliRun run
            = Cli("render plan '" + kSample + "' -o '" + missing + kind + "' --scale 2000", home);
        EXPECT_EQ(run.status, 1) << kind;
        EXPECT_NE(run.err.find(missing + kind + ": no se puede crear"), std::string::npos) << kind << run.err;
        EXPECT_EQ(run.err.find("pages: "), std::string::npos) << kind;
    }
    EXPECT_EQ(Cli("compute '" + kSample + "' -o '" + missing + "s.csv'", home).status, 1);

    // A computation that fails leaves an older output as it was, and no temporary file beside it.
    WriteFile(home.Path("old.csv"), "kept\n");
    TMassif bare;
    bare.FileName = kSample;
    bare.Load();
    bare.ClearReferences();
    bare.Save(home.Path("bare.mas"));
    EXPECT_EQ(
        Cli("compute '" + home.Path("bare.mas") + "' -o '" + home.Path("old.csv") + "'", home).status, 1);
    EXPECT_EQ(ReadFile(home.Path("old.csv")), "kept\n");
    EXPECT_EQ(
        Cli("render plan '" + kSample + "' -o '" + home.Path("p.pdf") + "' --scale 500", home).status, 0);
    EXPECT_TRUE(std::filesystem::exists(home.Path("p.pdf")));
    EXPECT_FALSE(std::filesystem::exists(home.Path("p.pdf.part")));

    // Without its module beside it the tool still reads and computes; what draws says it is missing.
    std::filesystem::create_directory(home.Path("alone"));
    std::filesystem::copy_file(KARSTELLE_CLI, home.Path("alone/karstelle-cli"));
    const std::string alone = "'" + home.Path("alone/karstelle-cli") + "' ";
    EXPECT_EQ(std::system((alone + "info '" + kSample + "' >/dev/null 2>&1").c_str()), 0);
    const int drawn = std::system(
        (alone + "render plan '" + kSample + "' -o '" + home.Path("q.png") + "' 2>'" + home.Path("err") + "'")
            .c_str());
    EXPECT_EQ(WIFEXITED(drawn) ? WEXITSTATUS(drawn) : -1, 1);
    EXPECT_NE(ReadFile(home.Path("err")).find("karstelle-cli-module.so"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(home.Path("q.png")));
}

TEST(Cli, MessagesArePrintedOnceInUtf8)
{
    // Over a thousand loops: the computation's own message, with its accent and its two lines.
    TempDir home;
    GeneratedNetwork net = MakeGridNetwork(33, 1, 13);
    net.massif->Save(home.Path("maze.mas"));
    const CliRun run = Cli("compute '" + home.Path("maze.mas") + "'", home);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(
        run.err.find(
            "Demasiadas encrucijadas\nSolicite usted una versi\xC3\xB3n especial de Karstelle:\n"
            "\xC2\xAB"
            "C\xC3\xA1lculo\xC2\xBB \xE2\x86\x92 \xC2\xABSin l\xC3\xADmites de tama\xC3\xB1o\xC2\xBB.\n"),
        std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos);
    // The Toporobot export needs readings, not a computation.
    EXPECT_EQ(
        Cli("export toporobot '" + home.Path("maze.mas") + "' '" + home.Path("maze.tab") + "'", home).status,
        0);
    EXPECT_TRUE(std::filesystem::exists(home.Path("maze.tab")));
}

TEST(Cli, OptionFilesWrittenAndShown)
{
    TempDir home;
    const CliRun fresh = Cli("options show", home);
    EXPECT_EQ(fresh.status, 0);
    EXPECT_NE(fresh.out.find("[OPTIONS.PLA] defaults (no file)\nAffiche_Nord = 1\n"), std::string::npos);
    EXPECT_EQ(Cli("options write-defaults", home).status, 0);
    for (const char* name : { "OPTIONS.PLA", "OPTIONS.COU", "OPTIONS.PER", "OPTIONS.TABL", "OPTIONS.MAR" })
        EXPECT_TRUE(std::filesystem::exists(home.Path(name))) << name;
    EXPECT_EQ(std::filesystem::file_size(home.Path("OPTIONS.PLA")), 222u);
    const CliRun again = Cli("options write-defaults", home);
    EXPECT_NE(again.err.find("kept: "), std::string::npos);
    const CliRun shown = Cli("options show", home);
    EXPECT_NE(shown.out.find("Texte_Nord = \"N.G.\""), std::string::npos);
    EXPECT_NE(shown.out.find("Police_Marge = \"Arial\" size 9 height -12"), std::string::npos);
}

TEST(Cli, ElevationBuiltByTheAssistantIsDrawnAlikeFromBothFormats)
{
    TempDir home;
    const CliRun built = Cli(
        "elevation '" + kSample + "' --from E:1 --longest --blind --save '" + home.Path("e.fic") + "'", home);
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_NE(built.err.find("arrival: V(0)"), std::string::npos) << built.err;
    EXPECT_EQ(built.out.rfind("ordre,gallery,unrolled\n", 0), 0u);
    EXPECT_GT(Count(built.out, '\n'), 5);
    ASSERT_EQ(Cli("convert '" + home.Path("e.fic") + "' '" + home.Path("e.mas") + "'", home).status, 0);

    for (const char* name : { "e.fic", "e.mas" }) {
        const CliRun drawn = Cli(
            "render elevation '" + home.Path(name) + "' -o '" + home.Path(name) + ".png'" + " --scale 1000",
            home);
        ASSERT_EQ(drawn.status, 0) << drawn.err;
    }
    // The text format keeps no gallery offsets: they are rebuilt from the anchors alike.
    EXPECT_EQ(ReadFile(home.Path("e.fic.png")), ReadFile(home.Path("e.mas.png")));
    EXPECT_EQ(
        Cli("render elevation '" + home.Path("e.mas") + "' -o '" + home.Path("e.pdf") + "'", home).status, 0);
    EXPECT_TRUE(std::filesystem::exists(home.Path("e.pdf")));

    // The table's developed distances are computed for the table itself, with no elevation drawn.
    const CliRun table = Cli("table '" + home.Path("e.mas") + "' --csv", home);
    ASSERT_EQ(table.status, 0) << table.err;
    std::istringstream lines(table.out);
    std::string heading, row;
    std::getline(lines, heading);
    EXPECT_EQ(heading.rfind("ordre,gallery,station,L,Az,P,", 0), 0u) << heading;
    const auto column = Count(heading.substr(0, heading.find(",Des H,")), ',') + 1;
    int developed = 0, rows = 0;
    while (std::getline(lines, row)) {
        ++rows;
        std::string cell;
        std::istringstream cells(row);
        for (int i = 0; i <= column; ++i)
            std::getline(cells, cell, ',');
        developed += !cell.empty() && cell != "0.00";
    }
    EXPECT_GT(rows, 100);
    EXPECT_GT(developed, 5);

    // A massif without an elevation, a departure that reaches nothing, or no arrival chosen.
    const CliRun none = Cli("render elevation '" + kSample + "' -o '" + home.Path("n.png") + "'", home);
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no elevation"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(home.Path("n.png")));
    const CliRun unknown = Cli("elevation '" + kSample + "' --from Z:1 --deepest", home);
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("Punto de arranque desconocido o ya en el alzado."), std::string::npos);
    EXPECT_EQ(Cli("elevation '" + kSample + "' --from E:1", home).status, 2);
    const CliRun badNumber = Cli("elevation '" + kSample + "' --from E:x --longest", home);
    EXPECT_EQ(badNumber.status, 1);
    EXPECT_NE(badNumber.err.find("El índice debe de ser numérico y positivo."), std::string::npos);
}

TEST(Cli, StatsOfTheSample)
{
    TempDir home;
    const CliRun text = Cli("stats '" + kSample + "'", home);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(
        text.out.rfind("Nombre de la ficha :20\nNombre de la galería :46\nNombre de la visual :329\n", 0),
        0u);
    const CliRun json = Cli("stats '" + kSample + "' --json", home);
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(json.out.rfind("{\"sheets\": 20, \"galleries\": 46, \"shots\": 329, \"development\": ", 0), 0u);
    // Each counted shot adds 2 to the sectors.
    const auto rose = json.out.find("\"rose\": [");
    ASSERT_NE(rose, std::string::npos);
    int sum = 0, sectors = 0;
    std::istringstream counts(json.out.substr(rose + 9, json.out.find(']', rose) - rose - 9));
    for (std::string item; std::getline(counts, item, ',');) {
        sum += std::stoi(item);
        ++sectors;
    }
    EXPECT_EQ(sectors, 36);
    EXPECT_NE(json.out.find("\"counted\": " + std::to_string(sum / 2) + "}"), std::string::npos);
    EXPECT_EQ(Cli("stats", home).status, 2);
}

TEST(Cli, SearchPrintsTheMatchingSheets)
{
    TempDir home;
    const CliRun july = Cli("search '" + kSample + "' --from /07/98", home);
    ASSERT_EQ(july.status, 0) << july.err;
    EXPECT_EQ(july.out, "1\n2\n");
    const CliRun others = Cli("search '" + kSample + "' --from 01/07/98 --to 31/07/98 --except", home);
    EXPECT_EQ(Count(others.out, '\n'), 18);
    const CliRun none = Cli("search '" + kSample + "' --except", home);
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("No hay una ficha correspondiente"), std::string::npos);
}

TEST(Cli, VersionPerspectiveAndExports)
{
    TempDir home;
    const CliRun version = Cli("--version", home);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("karstelle-cli ") + KARST_VERSION + "\n");

    const CliRun png = Cli("render perspective '" + kSample + "' -o '" + home.Path("p.png")
            + "' --azimuth 30 --inclination 20 --anaglyph --scale 2000",
        home);
    EXPECT_EQ(png.status, 0) << png.err;
    EXPECT_EQ(ReadFile(home.Path("p.png")).substr(1, 3), "PNG");

    const CliRun vrml
        = Cli("export vrml '" + kSample + "' '" + home.Path("c.wrl") + "' --mode colour --centre", home);
    EXPECT_EQ(vrml.status, 0) << vrml.err;
    EXPECT_EQ(ReadFile(home.Path("c.wrl")).rfind("#VRML V2.0 utf8\r\n\r\n#Karstelle ", 0), 0u);
    EXPECT_EQ(Cli("export vrml '" + kSample + "' '" + home.Path("d.wrl") + "' --mode pink", home).status, 2);

    const CliRun topo = Cli("export toporobot '" + kSample + "' '" + home.Path("c.Tab") + "'", home);
    EXPECT_EQ(topo.status, 0) << topo.err;
    const CliRun back
        = Cli("import toporobot '" + home.Path("c.Tab") + "' '" + home.Path("c.mas") + "'", home);
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_NE(back.out.find("references: 2\n"), std::string::npos) << back.out;
    EXPECT_EQ(Cli("stats '" + home.Path("c.mas") + "'", home).status, 0);
    // A file that is not a Toporobot file: an error naming it, and no output.
    WriteFile(home.Path("x.Tab"), "nada\r");
    const CliRun refused
        = Cli("import toporobot '" + home.Path("x.Tab") + "' '" + home.Path("x.mas") + "'", home);
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("x.Tab"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(home.Path("x.mas")));
}

// Two references 10^9 m apart make a drawing far beyond any device: every output is refused with
// a positive scale that does draw, none runs away, and nothing is left behind.
TEST(Cli, DrawingsTooLargeForTheirDeviceAreRefusedWithAScaleThatFits)
{
    TempDir home;
    std::string text = ReadFile(kSample);
    const std::string second = "430.2625\t4790.441\t1318";
    ASSERT_NE(text.find(second), std::string::npos);
    text.replace(text.find(second), 8, "1000000");
    WriteFile(home.Path("lejos.mas"), text);
    const std::string massif = " '" + home.Path("lejos.mas") + "'";
    const std::pair<const char*, const char*> outputs[] = { { ".png", "" }, { ".svg", "" }, { ".pdf", "" },
        { ".png", " --scale 100000" }, { ".png", " --zoom 10" } };
    for (const auto& [extension, options] : outputs) {
        SCOPED_TRACE(std::string(extension) + options);
        const CliRun run
            = Cli("render plan" + massif + " -o '" + home.Path("p") + extension + "'" + options, home);
        EXPECT_NE(run.status, 0);
        EXPECT_EQ(run.err.find("-2147483648"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("--scale -"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(home.Path("p") + extension));
        const auto advice = run.err.find("--scale ");
        if (advice == std::string::npos) {
            EXPECT_NE(run.err.find("cannot be drawn at any scale"), std::string::npos) << run.err;
            continue;
        }
        const std::string scale = run.err.substr(advice + 8, run.err.find('\n', advice) - advice - 8);
        const CliRun again
            = Cli("render plan" + massif + " -o '" + home.Path("q") + extension + "' --scale " + scale, home);
        EXPECT_EQ(again.status, 0) << again.err;
        std::filesystem::remove(home.Path("q") + extension);
    }
    for (const auto& entry : std::filesystem::directory_iterator(home.Path("")))
        EXPECT_NE(entry.path().filename().string()[0], '.') << "a temporary file left: " << entry.path();
}

// A full disk (a file size limit), a file of mode 600, names of any bytes, empty names and numbers
// out of range: every write is whole or refused, and every refusal names what it refuses.
TEST(Cli, WritesAreWholeOrRefusedAndOptionsKeepToTheirRanges)
{
    TempDir home;
    const std::string full = "trap '' XFSZ; ulimit -f 4; "; // writes past 4 KiB fail
    for (const char* kind : { "p.pdf", "p.svg", "p.png" }) {
        WriteFile(home.Path(kind), "older");
        const CliRun run
            = Cli("render plan '" + kSample + "' -o '" + home.Path(kind) + "' --scale 1000", home, full);
        EXPECT_EQ(run.status, 1) << kind << run.err;
        EXPECT_NE(run.err.find(home.Path(kind) + ": error de escritura"), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(home.Path(kind)), "older");
    }
    const std::string sample = "'" + kSample + "' ", fic = "'" + home.Path("p.fic") + "'";
    ASSERT_EQ(Cli("export toporobot " + sample + "'" + home.Path("t.Tab") + "'", home).status, 0);
    for (const std::string& command :
        { "convert " + sample + fic, "compute " + sample + "--save " + fic, "compute " + sample + "-o " + fic,
            "export vrml " + sample + fic, "export plotter " + sample + fic,
            "export toporobot " + sample + fic, "import toporobot '" + home.Path("t.Tab") + "' " + fic,
            "elevation " + sample + "--from E:1 --longest --save " + fic }) {
        WriteFile(home.Path("p.fic"), "older");
        EXPECT_EQ(Cli(command, home, full).status, 1) << command;
        EXPECT_EQ(ReadFile(home.Path("p.fic")), "older");
        EXPECT_EQ(ReadFile(home.Path("p.pdf")), "older");
    }

    // The replaced file keeps its mode.
    WriteFile(home.Path("private.mas"), "older");
    std::filesystem::permissions(
        home.Path("private.mas"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ASSERT_EQ(Cli("convert '" + kSample + "' '" + home.Path("private.mas") + "'", home).status, 0);
    EXPECT_EQ(std::filesystem::status(home.Path("private.mas")).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // A name that is no UTF-8 goes to the file system as it is; an empty one is refused.
    const std::string latin = home.Path("plano-\xF1.png");
    EXPECT_EQ(Cli("render plan '" + kSample + "' -o '" + latin + "' --scale 2000", home).status, 0);
    EXPECT_GT(std::filesystem::file_size(latin), 1000u);
    const std::string before = ReadFile(kSample);
    EXPECT_EQ(Cli("convert '" + kSample + "' ''", home).status, 2);
    EXPECT_EQ(ReadFile(kSample), before);

    // Numbers out of range name the option and the range.
    for (const char* option :
        { "--scale 99999999999", "--scale abc", "--zoom 1e300", "--mode 7", "--angle nan" }) {
        const CliRun run
            = Cli("render plan '" + kSample + "' -o '" + home.Path("o.png") + "' " + option, home);
        EXPECT_EQ(run.status, 2) << option;
        EXPECT_NE(run.err.find(std::string(option) + ": "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(" is wanted"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(home.Path("o.png")));
}

// Every command reads its arguments with one parser: an unknown option, a missing word, an option
// without its value, a second word too many, or a word not among a value's words, is refused with
// the usage and status 2, and nothing is written.
TEST(Cli, EveryCommandRefusesWhatItDoesNotTake)
{
    TempDir home;
    const std::string sample = "'" + kSample + "'", out = "'" + home.Path("out") + "'";
    const std::string refused[] = { "info " + sample + " --frob", "info", "convert " + sample,
        "compute " + sample + " -o", "compute " + sample + " " + sample, "stats " + sample + " --csv",
        "table " + sample + " --json", "search " + sample + " --cave", "elevation " + sample + " --longest",
        "elevation " + sample + " --from A:1 --from B:2 --longest", "export vrml " + sample,
        "export toporobot " + sample + " " + out + " --centre",
        "export vrml " + sample + " " + out + " --mode x", "import toporobot " + sample,
        "options show --frob", "options list", "render plan " + sample + " -o " + out + ".png --azimuth 10" };
    for (const std::string& command : refused) {
        const CliRun run = Cli(command, home);
        EXPECT_EQ(run.status, 2) << command;
        EXPECT_EQ(run.err.rfind("usage:", 0), 0u) << command << ": " << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(home.Path("out")));
    EXPECT_FALSE(std::filesystem::exists(home.Path("out.png")));
}

TEST(Cli, NoLimitsComputesAMazeTheLimitsRefuse)
{
    TempDir home;
    MakeMaze(40, 5, 0.02).massif->Save(home.Path("laberinto.mas"));
    const std::string massif = " '" + home.Path("laberinto.mas") + "'";
    const CliRun refused = Cli("compute" + massif, home);
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("Demasiadas encrucijadas"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--no-limits computes it"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("stopped"), std::string::npos) << "nobody stopped it";

    const CliRun computed = Cli("compute" + massif + " --no-limits --csv", home);
    EXPECT_EQ(computed.status, 0) << computed.err;
    EXPECT_GT(Count(computed.out, '\n'), 1600);
    EXPECT_NE(computed.err.find("equations: 1596"), std::string::npos) << computed.err;
    EXPECT_EQ(Cli("stats" + massif + " --no-limits", home).status, 0);
}
