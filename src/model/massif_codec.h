#pragma once

#include "model/massif.h"

#include <string>

// Pure codecs of the two massif formats: bytes in memory to and from a massif. `path` only names
// the file in error messages. Decoders fill the massif as they go, so what was read before a fault
// stays; they throw ks::FileError with the byte offset (binary) or line (text) of the fault.
namespace ks {

class TFileBlocks;

std::string EncodeBinary(const TMassif& massif, const std::string& path, IProgress* progress);
LoadResult DecodeBinary(const std::string& bytes, TMassif& massif, const std::string& path,
    IReporter* reporter, IProgress* progress);
// The same, reading the file block by block after `head`, its first bytes already read.
LoadResult DecodeBinary(
    TFileBlocks& file, std::string head, TMassif& massif, IReporter* reporter, IProgress* progress);

std::string EncodeText(const TMassif& massif, const std::string& path, IProgress* progress);
LoadResult DecodeText(const std::string& bytes, TMassif& massif, const std::string& path, IReporter* reporter,
    IProgress* progress);
// The same, reading the file block by block after `head`, its first bytes already read, so that
// the text is never held whole.
LoadResult DecodeText(
    TFileBlocks& file, std::string head, TMassif& massif, IReporter* reporter, IProgress* progress);

// True when the bytes begin as a text massif does, with its version line.
bool StartsAsTextMassif(const std::string& bytes);
// Refuses at once, naming the file, bytes that cannot begin a binary massif: its first two bytes
// are its version, 1000 to 1005 (or a newer one, up to 1999, which the decoder then refuses).
void CheckBinaryStart(const std::string& bytes, const std::string& path);

// Warning shown when a file comes from a newer version of the program.
inline constexpr const char* kNewerVersionText
    = "Este fichero corresponde a una versión más reciente del programa";

} // namespace ks
