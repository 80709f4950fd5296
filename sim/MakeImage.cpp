// Writes the control panel's configuration image for the simulated board.
#include "sim/Image.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx5h-make-image OUTPUT\n");
        return 2;
    }
    // About the size of the compressed image of a small soft-processor system.
    const std::vector<std::uint8_t> image = sim::MakeImage(256 * 1024);
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(image.data(), 1, image.size(), file) != image.size()) {
        std::fprintf(stderr, "vx5h-make-image: cannot write %s\n", argv[1]);
        if (file)
            std::fclose(file);
        return 1;
    }
    return std::fclose(file) == 0 ? 0 : 1;
}
