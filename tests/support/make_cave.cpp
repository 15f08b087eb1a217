// karstelle-make-cave: generated caves for trying the computation on large networks.
//   karstelle-make-cave maze SIDE OUT [--noise M]   a SIDE x SIDE grid of galleries of 5 shots
//   karstelle-make-cave cave SHOTS OUT               a branching cave of about SHOTS shots
//   karstelle-make-cave chain|star GALLERIES OUT      one chain, or a star round one junction
// OUT's extension chooses the format (.mas text, else binary).
#include "support/network.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    const std::string kind = argc > 1 ? argv[1] : "";
    if (argc < 4 || (kind != "maze" && kind != "cave" && kind != "chain" && kind != "star")) {
        std::cerr << "usage: karstelle-make-cave maze SIDE OUT [--noise M] | cave SHOTS OUT"
                     " | chain GALLERIES OUT | star GALLERIES OUT\n";
        return 2;
    }
    const int size = std::atoi(argv[2]);
    double noise = 0.02;
    if (argc > 5 && std::string(argv[4]) == "--noise")
        noise = std::atof(argv[5]);
    if (size < 1 || (kind == "maze" && size > 256)) {
        std::cerr << "karstelle-make-cave: " << argv[2] << ": out of range\n";
        return 2;
    }
    try {
        auto net = kind == "maze" ? ks::test::MakeMaze(size, 5, noise)
            : kind == "cave"      ? ks::test::MakeBranchingCave(size)
            : kind == "chain"     ? ks::test::MakeChain(size)
                                  : ks::test::MakeStar(size);
        net.massif->Save(argv[3]);
        std::cout << net.shots << " shots, " << net.massif->Sheets.size() << " sheets\n";
    } catch (const std::exception& e) {
        std::cerr << "karstelle-make-cave: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
