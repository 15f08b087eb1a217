// Writes the bundled sample massif: karstelle-make-sample OUT
#include "model/file_error.h"
#include "sample_cave.h"

#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: karstelle-make-sample OUT\n";
        return 2;
    }
    try {
        ks::MakeSampleCave()->Save(argv[1]);
    } catch (const ks::FileError& e) {
        std::cerr << "karstelle-make-sample: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
