// tavrik-make-textures FOLDER: writes the bundled textures tex0.bmp ...
// tex10.bmp into FOLDER (which must exist), overwriting them.

#include "base/UserError.h"
#include "output/Bmp.h"
#include "tools/TexturePatterns.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    try {
        for (int i = 0; i < tavrik::kTextureCount; ++i)
            tavrik::WriteBmpFile(folder + "/tex" + std::to_string(i) + ".bmp", tavrik::MakeTexture(i));
    } catch (const tavrik::UserError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
