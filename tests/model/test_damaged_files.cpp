#include "model/file_error.h"
#include "model/file_io.h"
#include "model/massif_codec.h"
#include "support/fixture.h"
#include "support/network.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace ks;

namespace {

using Decoder = LoadResult (*)(const std::string&, TMassif&, const std::string&, IReporter*, IProgress*);

// Decodes damaged bytes: success, or a FileError naming the file and a place. Anything else
// (another exception, a crash, a sanitizer report) fails the test.
bool DecodeCleanly(Decoder decode, const std::string& bytes, const char* what)
{
    TMassif m;
    test::ScriptedReporter reporter;
    try {
        decode(bytes, m, "damaged", &reporter, nullptr);
        return true;
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), "damaged") << what;
        EXPECT_FALSE(e.Place().empty()) << what;
        return false;
    }
}

struct Format
{
    const char* name;
    Decoder decode;
    std::string bytes;
};

std::vector<Format> Formats()
{
    auto fixture = test::MakeFixtureMassif();
    return {
        { "binary", &DecodeBinary, EncodeBinary(*fixture, "f.fic", nullptr) },
        { "text", &DecodeText, EncodeText(*fixture, "f.mas", nullptr) },
    };
}

} // namespace

TEST(DamagedFiles, EveryTruncationLoadsOrFailsCleanly)
{
    for (const Format& format : Formats()) {
        int failures = 0;
        for (std::size_t n = 0; n < format.bytes.size(); ++n)
            failures += DecodeCleanly(format.decode, format.bytes.substr(0, n), format.name) ? 0 : 1;
        // Only cuts inside the last few layout lines or trailer bytes can still read.
        EXPECT_GT(failures, static_cast<int>(format.bytes.size()) - 8) << format.name;
    }
}

TEST(DamagedFiles, RandomCorruptionLoadsOrFailsCleanly)
{
    std::mt19937 random(20261208);
    for (const Format& format : Formats()) {
        std::uniform_int_distribution<std::size_t> position(0, format.bytes.size() - 1);
        std::uniform_int_distribution<int> byte(0, 255), changes(1, 8);
        for (int copy = 0; copy < 1500; ++copy) {
            std::string damaged = format.bytes;
            for (int c = changes(random); c > 0; --c)
                damaged[position(random)] = static_cast<char>(byte(random));
            DecodeCleanly(format.decode, damaged, format.name);
        }
    }
}

TEST(DamagedFiles, HugeCountsInATinyFileDoNotReserveMemory)
{
    // Version 1005, 30000 sheets, then garbage: must fail at the end of the bytes, quickly.
    std::string bytes("\xED\x03\x30\x75", 4);
    bytes += std::string(46, '\x7F');
    TMassif m;
    EXPECT_THROW(DecodeBinary(bytes, m, "tiny.fic", nullptr, nullptr), FileError);

    std::string text = "Versi\xF3n"
                       "1005\r\nNb_Fiche 30000\r\n\r\nDate 01/01/01\r\n";
    EXPECT_THROW(DecodeText(text, m, "tiny.mas", nullptr, nullptr), FileError);
}

TEST(DamagedFiles, ErrorsNamePlaceAndKeepWhatWasRead)
{
    auto fixture = test::MakeFixtureMassif();
    const std::string text = EncodeText(*fixture, "f.mas", nullptr);
    // Damage the first shot line of the second sheet.
    const auto second = text.find("Ordre 2\r\n");
    const auto shot = text.find("\tm\t", second);
    const auto lineStart = text.rfind("\r\n", shot) + 2;
    std::string damaged = text;
    damaged.replace(lineStart, 1, "x");
    const int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + lineStart, '\n'));

    TMassif m;
    try {
        DecodeText(damaged, m, "cave.mas", nullptr, nullptr);
        FAIL() << "damaged file read without error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Place(), "línea " + std::to_string(line));
        EXPECT_NE(std::string(e.what()).find("cave.mas"), std::string::npos);
    }
    ASSERT_EQ(m.Sheets.size(), 2u); // the first sheet whole, the second as far as it was read
    EXPECT_EQ(m.Sheets[0]->Galeries.size(), fixture->Sheets[0]->Galeries.size());
    EXPECT_EQ(m.Sheets[1]->Galeries.size(), 1u);
    EXPECT_EQ(m.Sheets[1]->Galeries[0]->ShotCount(), 0);

    const std::string binary = EncodeBinary(*fixture, "f.fic", nullptr);
    TMassif b;
    try {
        DecodeBinary(binary.substr(0, 100), b, "cave.fic", nullptr, nullptr);
        FAIL() << "truncated file read without error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Place().rfind("byte ", 0), 0u);
    }
    EXPECT_EQ(b.Sheets.size(), 1u);
}

// A file with no line feed at all (CR line ends, a megabyte of them) is one huge first line: the
// error quotes a short excerpt of it, with the file and the line.
TEST(DamagedFiles, ErrorsQuoteAShortExcerptOfALongLine)
{
    const std::string bytes = "Versi\xF3n 1005\r" + std::string(1200000, 'x') + "\r";
    TMassif m;
    try {
        DecodeText(bytes, m, "cr.mas", nullptr, nullptr);
        FAIL() << "a CR-only file read without error";
    } catch (const FileError& e) {
        const std::string message = e.what();
        EXPECT_LT(message.size(), 200u) << message.substr(0, 300);
        EXPECT_NE(message.find("cr.mas"), std::string::npos);
        EXPECT_NE(message.find("…"), std::string::npos);
    }
}

// What other programs write and the layout does not quite say: a shot line cut after its last
// flag, a file without its final blank line, colour names of the platform's wider table. The
// whole massif is read; the writer still writes the layout exactly.
TEST(LenientText, ShortShotLinesMissingLastLineAndWiderColourNames)
{
    auto fixture = test::MakeFixtureMassif();
    fixture->EditorWork.reset();
    const std::string text = EncodeText(*fixture, "x.mas", nullptr);
    TMassif expected;
    DecodeText(text, expected, "x.mas", nullptr, nullptr);

    // Every shot line loses the TAB after its last field, when it has no comment.
    std::string cut;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        std::string line = text.substr(pos, end - pos);
        if (line.size() > 2 && line.compare(line.size() - 2, 2, "N\t") == 0
            && std::count(line.begin(), line.end(), '\t') > 20)
            line.pop_back();
        cut += line + "\r\n";
        pos = end + 2;
    }
    ASSERT_NE(cut, text);
    // And the final blank line is missing.
    ASSERT_EQ(cut.substr(cut.size() - 4), "\r\n\r\n");
    cut.resize(cut.size() - 2);
    TMassif shortLines;
    DecodeText(cut, shortLines, "x.mas", nullptr, nullptr);
    EXPECT_EQ(EncodeText(shortLines, "x.mas", nullptr), text);

    // Colour names beyond the written ones are read; an unknown one is the default colour, with
    // one warning naming its line.
    const auto at = text.find("Couleur ");
    ASSERT_NE(at, std::string::npos);
    const auto lineEnd = text.find("\r\n", at);
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::int32_t>> {
             { "clMoneyGreen", 0xC0DCC0 }, { "clNone", 0x1FFFFFFF }, { "clDefault", 0x20000000 },
             { "clSkyBlue", 0xF0CAA6 }, { "clCream", 0xF0FBFF }, { "clMedGray", 0xA4A0A0 },
             { "clHotLight", static_cast<std::int32_t>(0x8000001Au) },
             { "clMenuHighlight", static_cast<std::int32_t>(0x8000001Du) },
             { "clMenuBar", static_cast<std::int32_t>(0x8000001Eu) },
             { "clGradientActiveCaption", static_cast<std::int32_t>(0x8000001Bu) } }) {
        const std::string named = text.substr(0, at) + "Couleur " + name + text.substr(lineEnd);
        TMassif m;
        test::ScriptedReporter reporter;
        DecodeText(named, m, "x.mas", &reporter, nullptr);
        EXPECT_EQ(m.Sheets[0]->Galeries[0]->Colour, value) << name;
        EXPECT_TRUE(reporter.messages.empty()) << name;
    }
    std::string unknown = text;
    for (std::size_t p = unknown.find("Couleur "); p != std::string::npos;
         p = unknown.find("Couleur ", p + 1))
        unknown.replace(p, unknown.find("\r\n", p) - p, "Couleur clPuce");
    TMassif m;
    test::ScriptedReporter reporter;
    DecodeText(unknown, m, "x.mas", &reporter, nullptr);
    EXPECT_EQ(m.Sheets.size(), expected.Sheets.size());
    EXPECT_EQ(m.Sheets[0]->Galeries[0]->Colour, 0);
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].second.find("línea"), std::string::npos);
    EXPECT_NE(reporter.messages[0].second.find("clPuce"), std::string::npos);
}

// What a read keeps other than as it stands is said once per kind and file, with its first line;
// what follows a massif's end is said; a file that cannot begin a massif is refused at once.
TEST(DamagedFiles, ReadsSayWhatTheyAdaptedAndRefuseWhatIsNoMassif)
{
    auto fixture = test::MakeFixtureMassif();
    fixture->Sheets[0]->Galeries[0]->Name.Set("G");
    std::string text = EncodeText(*fixture, "f.mas", nullptr);
    const std::string again = text;
    text.replace(text.find("\r\nG\r\n"), 5, "\r\n" + std::string(40000, 'g') + "\r\n"); // a long name
    const auto shot = text.find("\tm\t");
    const auto lineEnd = text.find("\r\n", shot);
    text.erase(
        text.find('\t', shot + 3) + 1, lineEnd - text.find('\t', shot + 3) - 1); // cut after the length unit
    text += again; // a second massif after the first
    auto said = [](const test::ScriptedReporter& r, const std::string& words) {
        return std::count_if(r.messages.begin(), r.messages.end(),
            [&](const auto& m) { return m.second.find(words) != std::string::npos; });
    };
    TMassif m;
    test::ScriptedReporter reporter;
    DecodeText(text, m, "f.mas", &reporter, nullptr);
    EXPECT_EQ(said(reporter, "caracteres, cortado a 32767"), 1);
    EXPECT_EQ(said(reporter, "sin todos sus campos"), 1);
    EXPECT_EQ(said(reporter, "sigue después del fin del macizo"), 1);
    EXPECT_EQ(said(reporter, "f.mas, línea "), 3);
    EXPECT_TRUE(m.Adapted) << "a save over the file asks first";

    const std::string binary = EncodeBinary(*fixture, "f.fic", nullptr);
    TMassif b;
    test::ScriptedReporter binaryReporter;
    DecodeBinary(binary + binary, b, "f.fic", &binaryReporter, nullptr);
    EXPECT_EQ(said(binaryReporter, "f.fic, byte " + std::to_string(binary.size()) + ": el fichero sigue"), 1);

    // A picture, a text and a device of zeros are no massif; named, refused before being read.
    test::TempDir dir;
    for (const std::string& bytes : { std::string("\x89PNG\r\n\x1a\n", 8), std::string("# README\n") }) {
        TMassif none;
        EXPECT_THROW(DecodeBinary(bytes, none, "x.fic", nullptr, nullptr), FileError);
        test::WriteFile(dir.Path("x.mas"), bytes);
        none.FileName = dir.Path("x.mas");
        EXPECT_THROW(none.Load(), FileError);
    }
    TMassif zeros;
    zeros.FileName = "/dev/zero";
    try {
        zeros.Load();
        ADD_FAILURE() << "/dev/zero read as a massif";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), "/dev/zero");
        EXPECT_NE(std::string(e.what()).find("no es un macizo"), std::string::npos);
    }
}

// Readings past what the binary format stores (two shots of 1e308) would sum to infinite
// positions: the text reader refuses them, naming the line, and keeps what came before.
TEST(DamagedFiles, ReadingsBeyondWhatAMassifStoresAreRefused)
{
    auto fixture = test::MakeFixtureMassif();
    std::string text = EncodeText(*fixture, "f.mas", nullptr);
    const auto shot = text.find("\tm\t");
    const auto lineStart = text.rfind("\r\n", shot) + 2;
    text.replace(lineStart, shot - lineStart, "1e308");
    TMassif m;
    try {
        DecodeText(text, m, "f.mas", nullptr, nullptr);
        ADD_FAILURE() << "1e308 read as a length";
    } catch (const FileError& e) {
        const int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + lineStart, '\n'));
        EXPECT_EQ(e.Place(), "línea " + std::to_string(line));
        EXPECT_NE(std::string(e.what()).find("fuera de lo que un macizo puede guardar"), std::string::npos);
    }
}

// A binary file is read a block at a time: a massif of several blocks reads as its bytes decoded
// whole, and a fault or an excess past a block's end is named at its byte of the file.
TEST(DamagedFiles, BinaryFilesReadByBlocksAsWhole)
{
    const std::string binary = EncodeBinary(*test::MakeBranchingCave(20000).massif, "c.fic", nullptr);
    ASSERT_GT(binary.size(), 3 * TFileBlocks::kBlock);
    test::TempDir dir;
    const std::string path = dir.Path("c.fic");
    auto load = [&path](const std::string& bytes, TMassif& m, test::ScriptedReporter* reporter) {
        test::WriteFile(path, bytes);
        m.FileName = path;
        m.Load(reporter);
    };
    TMassif whole, blocks;
    DecodeBinary(binary, whole, path, nullptr, nullptr);
    load(binary, blocks, nullptr);
    EXPECT_EQ(EncodeBinary(blocks, path, nullptr), EncodeBinary(whole, path, nullptr));
    EXPECT_FALSE(blocks.Adapted);

    TMassif twice;
    test::ScriptedReporter reporter;
    load(binary + binary, twice, &reporter);
    EXPECT_TRUE(twice.Adapted);
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(
        reporter.messages[0].second.find(", byte " + std::to_string(binary.size()) + ":"), std::string::npos);

    const std::string cut = binary.substr(0, 2 * TFileBlocks::kBlock + 1000);
    std::string expected, got;
    try {
        TMassif m;
        DecodeBinary(cut, m, path, nullptr, nullptr);
    } catch (const FileError& e) {
        expected = e.what();
    }
    try {
        TMassif m;
        load(cut, m, nullptr);
    } catch (const FileError& e) {
        got = e.what();
    }
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(got, expected);
}
