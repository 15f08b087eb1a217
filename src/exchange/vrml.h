#pragma once
// The VRML 2.0 export of the computed current sheets.

#include <iosfwd>
#include <string>

class TMassif;
struct TOptions_Relief;

namespace ks {

// What the dialog "Exportación VRML" chooses.
struct TVrmlSettings
{
    int Mode = 0; // 0 grey, 2 gallery colours, 3 deformations
    double Ambient = 0.5; // ambient intensity, 0 to 1
    bool Smooth = false; // "&Alisado"
    bool Centre = true; // "Centrado": coordinates from the middle of the box
    bool Texture = false;
    std::string TextureReference; // the texture file, relative to the output's folder, with "/"
};

// The VRML 2.0 world of the current sheets after the header: the centre line, the shared
// appearance, one closed tube per displayed gallery, and the station cylinders when the options
// ask for them. The box is the perspective's bounding box; lines end with CR LF.
void WriteVrmlWorld(std::ostream& out, const TMassif& massif, const double boxMin[3], const double boxMax[3],
    const TOptions_Relief& options, const TVrmlSettings& settings);

// The whole file: "#VRML V2.0 utf8" or the template's lines, an empty line, then the world.
// Written beside the target and renamed over it only when complete; throws FileError naming the
// file on failure, with any existing file left as it was.
void ExportVrml(const std::string& fileName, const std::string& templateFile, const TMassif& massif,
    const TOptions_Relief& options, const TVrmlSettings& settings);

// The texture's path as the world refers to it: relative to the output's folder, with "/".
std::string TextureReference(const std::string& textureFile, const std::string& outputFile);

} // namespace ks
