#pragma once

#include "model/massif.h"
#include "model/services.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace ks::test {

// The bundled sample massif, text format.
inline const std::string kSample = std::string(KARST_SOURCE_DIR) + "/data/samples/sample.mas";

// A small massif that uses every kind of record and field of the files: two sheets with several
// galleries (Final ends, every unit code, passage sizes, corrections, hip-chain shots, TABs in a
// comment, branches and colours), reference points, elevation points, a recycle-bin sheet,
// shortcuts and unfinished editor work. Values are chosen so that the text format keeps them.
std::unique_ptr<TMassif> MakeFixtureMassif();

// A gallery of `shots` shots between two named stations, with plain readings.
std::unique_ptr<TGalerie> MakeGallery(
    const std::string& startName, int startNumber, const std::string& endName, int endNumber, int shots);

// A massif of one sheet and one loop of three one-shot galleries A 1 - B 1 - C 1 - A 1: 10 m north,
// 10 m east, then `length` metres back at `azimuth` (14.142 m at 225 closes it).
std::unique_ptr<TMassif> MakeTriangle(double length, double azimuth);

// Records every message and answers questions from a queue (true when the queue is empty).
class ScriptedReporter : public IReporter
{
public:
    void Message(MessageKind kind, const std::string& text) override;
    bool AskContinue(const TQuestion& question) override;

    std::vector<std::pair<MessageKind, std::string>> messages;
    std::vector<TQuestion> questions;
    std::deque<bool> answers;
};

// A fresh empty directory under the system's temporary directory, removed with the object.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Shared real survey data, or an empty string (the caller skips) when it is not on this machine.
std::string SharedData(const std::string& relative);

} // namespace ks::test
